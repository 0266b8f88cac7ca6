// Reading and writing photo files for the command-line tools. Native builds use
// libvips (JPEG, PNG, TIFF; the ICC profile, EXIF and XMP of the input are kept
// in the output); the Windows test host's build reads and writes PNG and binary
// PPM. Writes are atomic: a temporary file beside the target, renamed into place.
#pragma once

#include <memory>
#include <string>

#include "tools/velmora/FilterImage.h"

namespace cli {

struct SourceImage {
    Pixels pixels;
    std::shared_ptr<void> original;  // the decoded file, for its metadata
};

bool initImageIo(const char* program, std::string* error);

// An 8-bit RGB or RGB + alpha image; anything else is refused with one line
// that says what the file is.
bool readImage(const std::string& path, SourceImage* image, std::string* error);

// An 8-bit one-band grey image (a selection mask).
bool readMask(const std::string& path, Pixels* mask, std::string* error);

// Writes `pixels` with the metadata of `source` to `path`, in the format its
// extension names.
bool writeImage(const SourceImage& source, const Pixels& pixels, const std::string& path, int quality,
                std::string* error);

// True when both paths name the same existing file.
bool sameFile(const std::string& a, const std::string& b);
}  // namespace cli
