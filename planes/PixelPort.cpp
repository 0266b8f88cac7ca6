#include "planes/PixelPort.h"

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

void importViewPlane(const PlaneView& view, int p, float* dst) {
    for (int row = 0; row < view.height; ++row) {
        const uint8_t* src = view.data + ptrdiff_t(row) * view.rowBytes + p;
        float* out = dst + ptrdiff_t(row) * view.width;
        for (int col = 0; col < view.width; ++col) out[col] = src[ptrdiff_t(col) * view.colBytes];
    }
}
