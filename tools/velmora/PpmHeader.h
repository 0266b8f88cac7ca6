// The header of a binary PPM file (P6), checked before its pixels are read:
// the size, a maxval of 1 to 65535 (8-bit samples up to 255, 16-bit ones
// above), and a file long enough for every pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cli {

struct PpmHeader {
    int width = 0;
    int height = 0;
    int maxval = 0;
    size_t dataOffset = 0;  // where the pixels start
};

// `start` holds the file's first bytes (at least the header); `fileSize` is
// the whole file's. False with one line in *why for anything the reader
// cannot take.
bool readPpmHeader(const uint8_t* start, size_t size, uint64_t fileSize, PpmHeader* header, std::string* why);

// Samples of a PPM whose maxval is below the full value of its depth,
// stretched to 0..255 or 0..65535 (rounded; a sample above maxval counts as
// maxval).
void stretchPpmSamples(uint8_t* samples, size_t count, int maxval);
void stretchPpmSamples(uint16_t* samples, size_t count, int maxval);

}  // namespace cli
