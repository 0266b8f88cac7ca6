// TIFF directories (IFDs), as EXIF blocks and TIFF files hold them. The
// imaging library's TIFF writer leaves EXIF out and rewrites resolution; this
// carries a photo's description, camera, orientation, resolution, dates and
// rights (IFD0) with its EXIF, GPS and interoperability directories into TIFF
// outputs, and builds EXIF blocks for JPEG and PNG outputs of TIFF inputs.
//
// Reading checks every offset and count against the data (inputs may be
// hostile) and converts values to little-endian; unknown value types are
// skipped. Writing produces little-endian structures with offsets of its own.
// The thumbnail directory (IFD1) is not carried.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/velmora/metadata/ByteAccess.h"

namespace cli {
namespace tiff {

enum Tag : uint16_t {
    kOrientation = 274,
    kXResolution = 282,
    kYResolution = 283,
    kResolutionUnit = 296,
    kExifDirectory = 34665,
    kGpsDirectory = 34853,
    kInteropDirectory = 40965,
};

enum Type : uint16_t {
    kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kUndefined = 7, kSignedRational = 10, kIfd = 13,
};

// Bytes per element of a value type; 0 for a type TIFF does not define.
size_t typeSize(uint16_t type);

// The directories a photo's metadata lives in: their tag numbers overlap.
enum class Directory { Main, Exif, Gps, Interop };

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::vector<uint8_t> value;  // count elements, little-endian
};

struct Metadata {
    std::vector<Entry> main;  // IFD0's descriptive entries (isDescriptive)
    std::vector<Entry> exif;
    std::vector<Entry> gps;
    std::vector<Entry> interop;  // hangs from the EXIF directory
    // What reading skipped or found out of order, and what checking
    // (EntryCheck.h) mended or left out, in words: when not empty, the
    // structure read is not the one written.
    std::vector<std::string> mended;
    bool empty() const { return main.empty() && exif.empty() && gps.empty(); }
    const Entry* find(uint16_t tag) const;
    void set(const Entry& entry);  // replaces or adds a main entry
};

// IFD0 tags that describe the photo rather than the pixels' storage.
bool isDescriptive(uint16_t tag);

// Reads a TIFF structure of `size` bytes: IFD0's descriptive entries and its
// sub-directories. False, with the reason, when the header or IFD0 is unusable.
bool readMetadata(const ReadAt& read, uint64_t size, Metadata* metadata, std::string* why);

// The same for an EXIF block, with or without its "Exif\0\0" prefix.
bool parseExif(const uint8_t* data, size_t size, Metadata* metadata, std::string* why);

// An EXIF block (TIFF structure, little-endian, no prefix).
std::vector<uint8_t> buildExif(const Metadata& metadata);

// Adds `metadata` to a little-endian, single-directory TIFF file of `size`
// bytes: a new IFD0 (the old entries, with the metadata's main entries in
// place of the same tags, and the sub-directories) is appended and the header
// pointed at it. The pixels and the old entries' data stay where they are.
bool addToTiff(const ReadAt& read, const WriteAt& write, uint64_t size, const Metadata& metadata, std::string* why);

// IFD0's entry for `tag` when it holds one SHORT in the entry itself: the
// value and where its two bytes lie in the file (in the file's byte order).
struct InlineShort {
    uint16_t value = 0;
    uint64_t at = 0;
    bool bigEndian = false;
};
bool findInlineShort(const ReadAt& read, uint64_t size, uint16_t tag, InlineShort* found);

// Resolution entries: unit 1 none (an aspect ratio), 2 inch, 3 centimetre.
void setResolution(Metadata* metadata, uint16_t unit, uint32_t xNumerator, uint32_t xDenominator,
                   uint32_t yNumerator, uint32_t yDenominator);

}  // namespace tiff
}  // namespace cli
