#include "base/Rect.h"

void copyRect(Rect* dst, const Rect* src) { *dst = *src; }

void clearRect(Rect* r) { *r = Rect{0, 0, 0, 0}; }

void moveRectTo(Rect* dst, const Rect* src, int top, int left) {
    // Size first: dst may be src.
    const int height = rectHeight(*src);
    const int width = rectWidth(*src);
    dst->top = int16_t(top);
    dst->left = int16_t(left);
    dst->bottom = int16_t(top + height);
    dst->right = int16_t(left + width);
}

void insetRect(Rect* r, int dx, int dy) {
    r->left = int16_t(r->left + dx);
    r->top = int16_t(r->top + dy);
    r->right = int16_t(r->right - dx);
    r->bottom = int16_t(r->bottom - dy);
}

namespace {

// field * num / den with a 32-bit product that wraps like the host's code
// would, and C++ division truncating toward zero.
int16_t scaleField(int16_t field, int num, int den) {
    const int32_t product = int32_t(uint32_t(int32_t(field)) * uint32_t(num));
    return int16_t(product / den);
}

}  // namespace

void scaleRect(Rect* r, int num, int den) {
    if (den == 0) return;
    // Each edge on its own: {3, 3, 10, 10} halves to {1, 1, 5, 5}, four wide.
    r->top = scaleField(r->top, num, den);
    r->left = scaleField(r->left, num, den);
    r->bottom = scaleField(r->bottom, num, den);
    r->right = scaleField(r->right, num, den);
}
