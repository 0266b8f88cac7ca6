// The metadata at the head of JPEG and PNG streams. The imaging library's
// writers rewrite EXIF (they reserialise it, drop what they do not know, and
// restate the resolution in their own unit) and drop a JFIF header; these
// functions put the input's own bytes back, as the output streams to disk:
// everything up to the first scan (JPEG) or the first image data chunk (PNG)
// is held, spliced, then written, and the rest passes through unchanged.
//
// EXIF blocks here are TIFF structures without the "Exif\0\0" prefix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/velmora/metadata/ByteAccess.h"

namespace cli {
namespace head {

// The size of the head at the start of `data`: bytes up to the JPEG's first
// SOS marker or the PNG's first IDAT chunk. 0 when more data is needed;
// kNotAHead when the stream does not look as expected (it then passes unchanged).
constexpr size_t kNotAHead = SIZE_MAX;
size_t jpegHeadSize(const uint8_t* data, size_t size);
size_t pngHeadSize(const uint8_t* data, size_t size);

struct Changes {
    bool replaceExif = false;
    std::vector<uint8_t> exif;       // the block to write (empty: none)
    bool replaceResolution = false;  // JPEG: the JFIF segment; PNG: the pHYs chunk
    std::vector<uint8_t> resolution; // the whole segment or chunk to write (empty: none)
    std::vector<std::vector<uint8_t>> pngChunks;  // PNG: whole chunks added before the image data (texts)
};

// `data` (a stream's start, its head complete) with the writer's EXIF and
// resolution segments or chunks removed where asked, and the given ones in
// their place (JPEG: right after SOI, JFIF first; PNG: right before the first
// IDAT, the added chunks last); what follows the head is copied unchanged.
std::vector<uint8_t> spliceJpeg(const uint8_t* data, size_t size, const Changes& changes);
std::vector<uint8_t> splicePng(const uint8_t* data, size_t size, const Changes& changes);

// An input's own JFIF segment (APP0 right after SOI, marker included), or empty.
std::vector<uint8_t> jfifSegment(const ReadAt& read, uint64_t size);
// An input PNG's chunk of the given type before its first IDAT (length,
// type, data and CRC), or empty.
std::vector<uint8_t> pngChunk(const ReadAt& read, uint64_t size, const char type[4]);

// A whole PNG chunk with its CRC.
std::vector<uint8_t> makePngChunk(const char type[4], const std::vector<uint8_t>& data);
// A tEXt chunk: keyword, NUL, the text's bytes as given.
std::vector<uint8_t> makePngText(const std::string& keyword, const std::string& text);

}  // namespace head
}  // namespace cli
