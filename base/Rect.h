// Rectangles in the host's layout: four signed 16-bit values top, left, bottom,
// right; bottom and right exclusive. Image, proxy, filter-relative, tile-local
// and pane coordinates all use it; each user says which space it is in.
#pragma once
#include <cstdint>

struct Rect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};
static_assert(sizeof(Rect) == 8, "Rect must match the host's 8-byte layout");

inline int rectWidth(const Rect& r) { return r.right - r.left; }
inline int rectHeight(const Rect& r) { return r.bottom - r.top; }
inline bool rectIsEmpty(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

void copyRect(Rect* dst, const Rect* src);
void clearRect(Rect* r);
// dst becomes src's size placed at (top, left); dst may be src.
void moveRectTo(Rect* dst, const Rect* src, int top, int left);
void insetRect(Rect* r, int dx, int dy);
// Each field becomes field * num / den (32-bit, truncating toward zero); den 0 leaves r.
void scaleRect(Rect* r, int num, int den);
