// Reading and writing photo files for the command-line tools. Native builds use
// libvips (JPEG, PNG, TIFF; the ICC profile, EXIF and XMP of the input, its
// resolution and orientation, are kept in the output); the Windows test host's
// build reads and writes PNG and binary PPM.
//
// Reading comes in two steps: openInput opens the file once (regular files
// only), reads its header and checks what it is; decodeInput then decodes the
// pixels. Callers check size and memory in between. Writing goes through an
// OutputFile (Files.h): a temporary file renamed into place on commit.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "tools/velmora/FilterImage.h"

namespace cli {

class OutputFile;

struct SourceImage {
    Pixels pixels;
    std::shared_ptr<void> original;  // the decoded file, for its metadata
};

// An input opened once, its header read; nothing decoded yet.
struct InputFile {
    std::string path;
    int width = 0;
    int height = 0;
    int bands = 0;
    int depth = 8;  // bits per sample: 8 or 16
    std::shared_ptr<void> state;  // the reader's own
    std::function<void(double fraction)> onProgress;  // decoding, 0 to 1 (where the reader can tell)
};

enum class InputKind { Photo, Mask };

bool initImageIo(const char* program, std::string* error);

// Photo: 8-bit or 16-bit RGB, or RGB + alpha, one page; Mask: 8-bit, one band. Anything
// else is refused with one line that says what the file is. acceptDamaged
// decodes leniently later.
bool openInput(const std::string& path, InputKind kind, bool acceptDamaged, InputFile* file, std::string* error);

// Decodes the pixels. A damaged file is refused with a line naming the
// damage; with acceptDamaged, what can be decoded is kept and *notice says so.
bool decodeInput(InputFile& file, SourceImage* image, std::string* notice, std::string* error);

// True when the tool writes the format `path`'s extension names.
bool outputFormatWritten(const std::string& path, std::string* error);
// True when that format holds an alpha channel.
bool outputHoldsAlpha(const std::string& path);

struct WriteOptions {
    int quality = 92;      // JPEG quality
    bool flatten = false;  // an alpha channel the format cannot hold: put the image on white
    std::function<void(double fraction)> onProgress;  // encoding, 0 to 1 (where the writer can tell)
};

// Writes `pixels` with the metadata of `source` into `output`'s temporary
// file; the caller commits it. *notice says, in one line, what of the
// metadata was mended, left out or could not be kept ("" when all was kept).
bool writeImage(const SourceImage& source, const Pixels& pixels, OutputFile& output, const WriteOptions& options,
                std::string* notice, std::string* error);

// One-call forms for tests and benchmarks: read a photo strictly; write and
// commit, replacing an existing file.
bool readImage(const std::string& path, SourceImage* image, std::string* error);
bool writeImage(const SourceImage& source, const Pixels& pixels, const std::string& path, int quality,
                std::string* error);

}  // namespace cli
