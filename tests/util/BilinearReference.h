// The straightforward bilinear body, one destination sample at a time, kept
// as the oracle that the blocked routines must match bit for bit.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "base/Rect.h"

struct ReferencePlane {
    const uint8_t* data;
    int width, height;
    ptrdiff_t rowBytes;
    int pitch;  // bytes between horizontal neighbours: 1, or 3 for interleaved
};

inline double referenceBilinear(const ReferencePlane& s, const Rect& window, int dstWidth, int dstHeight, int i,
                                int j) {
    const int windowHeight = (window.bottom < s.height ? window.bottom : s.height) - window.top;
    const int windowWidth = (window.right < s.width ? window.right : s.width) - window.left;
    const float sy = float(windowHeight) / float(dstHeight);
    const float sx = float(windowWidth) / float(dstWidth);
    const double y = double(i) * sy;
    double yi = std::floor(y);
    if (yi > s.height - 1) yi = s.height - 1;
    const float fy = float(y - yi);
    const ptrdiff_t rr = window.top + ptrdiff_t(yi);
    const double x = double(j) * sx;
    double xi = std::floor(x);
    if (xi > s.width - 1) xi = s.width - 1;
    const double fx = x - xi;
    const ptrdiff_t cc = window.left + ptrdiff_t(xi);
    auto at = [&](ptrdiff_t row, ptrdiff_t col) { return double(s.data[row * s.rowBytes + col * s.pitch]); };
    double tl = at(rr, cc), tr, bl, br;
    if (cc + 1 >= s.width) {
        tr = bl = br = tl;
    } else {
        tr = at(rr, cc + 1);
        if (rr + 1 >= s.height) {
            bl = br = tr;
        } else {
            bl = at(rr + 1, cc);
            br = at(rr + 1, cc + 1);
        }
    }
    const double upper = tl + (tr - tl) * fx;
    const double lower = bl + (br - bl) * fx;
    return upper + (lower - upper) * fy;
}
