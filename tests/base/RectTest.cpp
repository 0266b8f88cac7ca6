#include <gtest/gtest.h>

#include "base/Rect.h"

namespace {

void expectRect(const Rect& r, int top, int left, int bottom, int right) {
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.bottom, bottom);
    EXPECT_EQ(r.right, right);
}

TEST(Rect, ScaleHalvesEachEdgeOnItsOwn) {
    Rect r = {3, 3, 10, 10};
    scaleRect(&r, 1, 2);
    expectRect(r, 1, 1, 5, 5);
    EXPECT_EQ(rectWidth(r), 4);  // halving the width itself would give 3
}

TEST(Rect, ScaleTruncatesTowardZeroAndIgnoresZeroDenominator) {
    Rect r = {-3, -7, 9, 11};
    scaleRect(&r, 1, 2);
    expectRect(r, -1, -3, 4, 5);
    scaleRect(&r, 3, 1);
    expectRect(r, -3, -9, 12, 15);
    scaleRect(&r, 5, 0);
    expectRect(r, -3, -9, 12, 15);
    // 32-bit intermediate: 30000 * 3 overflows 16 bits but not the product.
    Rect big = {30000, 0, 30000, 0};
    scaleRect(&big, 3, 4);
    expectRect(big, 22500, 0, 22500, 0);
}

TEST(Rect, MoveKeepsSizeAndMayWorkInPlace) {
    Rect r = {5, 6, 25, 46};
    moveRectTo(&r, &r, -2, 100);
    expectRect(r, -2, 100, 18, 140);
    Rect d;
    moveRectTo(&d, &r, 0, 0);
    expectRect(d, 0, 0, 20, 40);
    expectRect(r, -2, 100, 18, 140);
}

TEST(Rect, InsetCopyAndClear) {
    Rect r = {10, 20, 30, 60};
    insetRect(&r, 5, 2);
    expectRect(r, 12, 25, 28, 55);
    insetRect(&r, -5, -2);
    expectRect(r, 10, 20, 30, 60);
    Rect c;
    copyRect(&c, &r);
    expectRect(c, 10, 20, 30, 60);
    clearRect(&c);
    expectRect(c, 0, 0, 0, 0);
    EXPECT_TRUE(rectIsEmpty(c));
}

}  // namespace
