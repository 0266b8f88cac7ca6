#include "tools/velmora/PpmHeader.h"

#include <cctype>

namespace cli {

namespace {

// The next number of the header, after whitespace and # comments.
bool number(const uint8_t* p, size_t size, size_t* at, long* value) {
    while (*at < size && (std::isspace(p[*at]) || p[*at] == '#')) {
        if (p[*at] == '#')
            while (*at < size && p[*at] != '\n') ++*at;
        else
            ++*at;
    }
    if (*at >= size || !std::isdigit(p[*at])) return false;
    long v = 0;
    while (*at < size && std::isdigit(p[*at]) && v < 1000000) v = v * 10 + (p[(*at)++] - '0');
    *value = v;
    return true;
}

}  // namespace

bool readPpmHeader(const uint8_t* p, size_t size, uint64_t fileSize, PpmHeader* h, std::string* why) {
    if (size < 2 || p[0] != 'P' || p[1] != '6') {
        *why = "not a binary PPM file (P6)";
        return false;
    }
    size_t at = 2;
    long width = 0, height = 0, maxval = 0;
    if (!number(p, size, &at, &width) || !number(p, size, &at, &height) || !number(p, size, &at, &maxval) ||
        at >= size || !std::isspace(p[at])) {
        *why = "damaged: its PPM header is incomplete";
        return false;
    }
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        *why = "a PPM of " + std::to_string(width) + " x " + std::to_string(height) + " pixels cannot be filtered";
        return false;
    }
    if (maxval < 1 || maxval > 65535) {
        *why = "damaged: a PPM's maxval must be 1 to 65535, not " + std::to_string(maxval);
        return false;
    }
    h->width = int(width);
    h->height = int(height);
    h->maxval = int(maxval);
    h->dataOffset = at + 1;
    const uint64_t needed = uint64_t(width) * uint64_t(height) * 3 * (maxval > 255 ? 2 : 1);
    const uint64_t present = fileSize > h->dataOffset ? fileSize - h->dataOffset : 0;
    if (present < needed) {
        *why = "damaged: the file is cut short (" + std::to_string(present) + " of " + std::to_string(needed) +
               " bytes of pixels)";
        return false;
    }
    return true;
}

namespace {

template <class T>
void stretch(T* samples, size_t count, int maxval, uint64_t full) {
    if (uint64_t(maxval) >= full || maxval < 1) return;
    for (size_t i = 0; i < count; ++i) {
        uint64_t v = samples[i] > maxval ? uint64_t(maxval) : samples[i];
        samples[i] = T((v * full * 2 + uint64_t(maxval)) / (2 * uint64_t(maxval)));
    }
}

}  // namespace

void stretchPpmSamples(uint8_t* samples, size_t count, int maxval) { stretch(samples, count, maxval, 255); }
void stretchPpmSamples(uint16_t* samples, size_t count, int maxval) { stretch(samples, count, maxval, 65535); }

}  // namespace cli
