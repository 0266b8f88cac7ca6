#include "planes/PixelPort.h"

#include <cstring>
#include <type_traits>

#include "planes/PlaneConvert.h"

namespace {

// The first sample of row `row` of plane p of a deep view; the row's samples
// are colBytes / 2 apart. Deep views start and step at even addresses (the
// port refuses others), so the samples are aligned.
template <class View>
auto deepRow(const View& view, int p, int row) {
    using Byte = std::remove_pointer_t<decltype(view.data)>;
    using Sample = std::conditional_t<std::is_const_v<Byte>, const uint16_t, uint16_t>;
    return reinterpret_cast<Sample*>(view.data + ptrdiff_t(row) * view.rowBytes + 2 * p);
}

}  // namespace

void copyPlaneOut(const PlaneView& view, int p, uint8_t* dst) {
    for (int row = 0; row < view.height; ++row) {
        const uint8_t* src = view.data + ptrdiff_t(row) * view.rowBytes + p;
        uint8_t* out = dst + ptrdiff_t(row) * view.width;
        for (int col = 0; col < view.width; ++col) out[col] = src[ptrdiff_t(col) * view.colBytes];
    }
}

void copyPlaneIn(const uint8_t* src, const MutablePlaneView& view, int p) {
    for (int row = 0; row < view.height; ++row) {
        const uint8_t* in = src + ptrdiff_t(row) * view.width;
        uint8_t* dst = view.data + ptrdiff_t(row) * view.rowBytes + p;
        for (int col = 0; col < view.width; ++col) dst[ptrdiff_t(col) * view.colBytes] = in[col];
    }
}

void importViewPlane(const PlaneView& view, int p, float* dst) { importViewPlane(view, p, dst, view.width); }

void importViewPlane(const PlaneView& view, int p, float* dst, ptrdiff_t dstStride) {
    for (int row = 0; row < view.height; ++row) {
        float* out = dst + ptrdiff_t(row) * dstStride;
        if (view.sampleBytes == 2) {
            const uint16_t* src = deepRow(view, p, row);
            const ptrdiff_t step = view.colBytes / 2;
            for (int col = 0; col < view.width; ++col) out[col] = deepToScale(src[ptrdiff_t(col) * step]);
            continue;
        }
        const uint8_t* src = view.data + ptrdiff_t(row) * view.rowBytes + p;
        for (int col = 0; col < view.width; ++col) out[col] = src[ptrdiff_t(col) * view.colBytes];
    }
}

void exportViewPlane(const float* src, ptrdiff_t srcStride, const MutablePlaneView& view, int p) {
    const ptrdiff_t step = view.colBytes / 2;
    for (int row = 0; row < view.height; ++row) {
        uint16_t* dst = deepRow(view, p, row);
        const float* line = src + ptrdiff_t(row) * srcStride;
        for (int col = 0; col < view.width; ++col) dst[ptrdiff_t(col) * step] = uint16_t(roundDeepSample(line[col]));
    }
}

void copyViewPlane(const PlaneView& in, const MutablePlaneView& out, int p) {
    const size_t bytes = size_t(in.sampleBytes);
    for (int row = 0; row < in.height; ++row) {
        const uint8_t* src = in.data + ptrdiff_t(row) * in.rowBytes + p * in.sampleBytes;
        uint8_t* dst = out.data + ptrdiff_t(row) * out.rowBytes + p * out.sampleBytes;
        for (int col = 0; col < in.width; ++col)
            std::memcpy(dst + ptrdiff_t(col) * out.colBytes, src + ptrdiff_t(col) * in.colBytes, bytes);
    }
}
