#include "tools/velmora/MemoryBudget.h"

#include <cstdio>

namespace cli {

namespace {

// The plug-in's working memory per pixel at its peak, with some room to spare:
// a whole run peaks at about 16 resident bytes per pixel, the image's two
// copies included, from 2 to 80 megapixels (tests/tools/cli-memory-figures.sh).
constexpr uint64_t kWorkingBytesPerPixel = 12;
// A 16-bit image's run keeps its masks in floating point: more per pixel (a
// whole run peaks at about 22 resident bytes per pixel at 8 and 39 megapixels,
// the image's two copies included, against 11.5 for the same image at 8 bits).
constexpr uint64_t kDeepWorkingBytesPerPixel = 18;
// The imaging library, the plug-in's fixed tables and the process itself.
constexpr uint64_t kFixedBytes = 64ull << 20;

}  // namespace

uint64_t memoryNeeded(int width, int height, int bands, int depth, bool selection) {
    uint64_t pixels = uint64_t(width > 0 ? width : 0) * uint64_t(height > 0 ? height : 0);
    const bool deep = depth == 16;
    uint64_t bytes = kFixedBytes + pixels * uint64_t(bands) * 2 * (deep ? 2 : 1) +
                     pixels * (deep ? kDeepWorkingBytesPerPixel : kWorkingBytesPerPixel);
    if (selection) bytes += pixels * 2;
    return bytes;
}

bool checkMemory(int width, int height, uint64_t needed, uint64_t available, std::string* error) {
    if (needed <= available) return true;
    *error = "the image is " + std::to_string(width) + " x " + std::to_string(height) + " pixels and needs about " +
             formatBytes(needed) + " of memory; only " + formatBytes(available) + " is available";
    return false;
}

std::string formatBytes(uint64_t bytes) {
    char text[32];
    double mib = double(bytes) / double(1 << 20);
    if (mib < 1024)
        std::snprintf(text, sizeof text, "%.0f MiB", mib);
    else
        std::snprintf(text, sizeof text, "%.1f GiB", mib / 1024);
    return text;
}

}  // namespace cli
