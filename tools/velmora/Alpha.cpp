#include "tools/velmora/Alpha.h"

namespace cli {

namespace {

// One routine per direction for any sample type: T the sample, W wide
// enough for a sample times the largest sample.
template <typename T, typename W>
void unpremultiplyRgba(T* data, size_t count, W max) {
    for (size_t i = 0; i < count; ++i, data += 4) {
        const W a = data[3];
        for (int b = 0; b < 3; ++b) {
            const W c = data[b];
            data[b] = T(a == 0 ? 0 : c >= a ? max : (2 * c * max + a) / (2 * a));  // floor(x + 1/2)
        }
    }
}

template <typename T, typename W>
void premultiplyRgba(T* data, size_t count, W max) {
    for (size_t i = 0; i < count; ++i, data += 4) {
        const W a = data[3];
        for (int b = 0; b < 3; ++b) data[b] = T((2 * W(data[b]) * a + max) / (2 * max));
    }
}

size_t pixelCount(const Pixels& p) { return p.bands == 4 ? size_t(p.width) * size_t(p.height) : 0; }

}  // namespace

void unpremultiply(Pixels& p) {
    if (p.depth == 16)
        unpremultiplyRgba<uint16_t, uint64_t>(reinterpret_cast<uint16_t*>(p.data.data()), pixelCount(p), 65535);
    else
        unpremultiplyRgba<uint8_t, uint32_t>(p.data.data(), pixelCount(p), 255);
}

void premultiply(Pixels& p) {
    if (p.depth == 16)
        premultiplyRgba<uint16_t, uint64_t>(reinterpret_cast<uint16_t*>(p.data.data()), pixelCount(p), 65535);
    else
        premultiplyRgba<uint8_t, uint32_t>(p.data.data(), pixelCount(p), 255);
}

}  // namespace cli
