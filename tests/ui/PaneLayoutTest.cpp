// The dialog's pane and zoom arithmetic, on the worked example of a 3000 x 2000
// filter rectangle and a 410 x 370 preview area, and on the edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/SamplingRate.h"
#include "ui/model/PaneLayout.h"

namespace {

struct Preview {
    PaneState pane = {};
    ZoomState zoom = {};
    Preview(const Rect& f, const Rect& placeholder) {
        layOutPane(placeholder, f, &pane);
        buildZoomTable(f, pane, &zoom);
    }
};

std::string label(int step, int magnify = 1) {
    char text[16];
    formatZoomLabel(step, magnify, text, sizeof text);
    return text;
}

const Rect kF = {0, 0, 2000, 3000};
const Rect kPlaceholder = {18, 8, 18 + 374, 8 + 414};  // 410 x 370 once shrunk by 2 a side

}  // namespace

TEST(PaneLayout, WorkedExample) {
    Preview p(kF, kPlaceholder);
    EXPECT_EQ(p.pane.samplingRate, 8 << 16);
    EXPECT_EQ(p.pane.bufferWidth, 375);
    EXPECT_EQ(p.pane.bufferHeight, 250);
    EXPECT_EQ(p.pane.sourceRect.right, 375);
    EXPECT_EQ(rectWidth(p.pane.displayRect), 375);
    EXPECT_EQ(p.pane.displayRect.left, (8 + 8 + 414 - 375) / 2);  // centred in the placeholder
    EXPECT_EQ(p.zoom.topLevel, 3);
    EXPECT_EQ(p.zoom.maxLevel, 5);
    // Above the whole image each level shows as much as the 410 x 370 area holds.
    const int widths[] = {3000, 1640, 820, 410, 205, 102};
    for (int level = 0; level <= 5; ++level) EXPECT_EQ(p.zoom.levelWidth[level], widths[level]) << level;
    EXPECT_EQ(p.zoom.levelMagnify[4], 2);
    EXPECT_EQ(p.zoom.levelMagnify[5], 4);
    EXPECT_EQ(p.zoom.stepRight[1], (3000 - 1640) / 2);
    EXPECT_EQ(p.zoom.stepDown[3], (740 - 370) / 2);
}

TEST(PaneLayout, ZoomLabels) {
    const char* want[] = {"100%", "50%", "25%", "12.5%", "6.25%", "3.12%", "1.56%", "0.78%", "0.39%", "0.20%", "0.10%"};
    for (int d = 0; d <= 10; ++d) EXPECT_EQ(label(1 << d), want[d]) << d;
    // The fit level's own scale, whatever its step.
    EXPECT_EQ(label(3), "33.3%");
    EXPECT_EQ(label(5), "20%");
    EXPECT_EQ(label(9), "11.1%");
    EXPECT_EQ(label(11), "9.09%");
    EXPECT_EQ(label(1 << 14), "0.01%");
    EXPECT_EQ(label(1, 2), "200%");
    EXPECT_EQ(label(1, 4), "400%");
}

// Every level's label names its sampling step, and the steps halve from the
// fit level's (a 1900 x 900 image fits the 410 x 370 area at 1/5) down to 1.
TEST(PaneLayout, LevelStepsAreTheScalesShown) {
    Rect f = {0, 0, 900, 1900};
    Preview p(f, kPlaceholder);
    EXPECT_EQ(p.pane.samplingRate, 5 << 16);
    ASSERT_EQ(p.zoom.topLevel, 3);
    const int steps[] = {5, 4, 2, 1};
    for (int level = 0; level <= 3; ++level) {
        p.zoom.level = int16_t(level);
        computeVisibleRegion(f, &p.zoom, &p.pane);
        EXPECT_EQ(p.zoom.levelStep[level], steps[level]);
        EXPECT_EQ(p.pane.samplingRate, steps[level] << 16) << level;
        // The request covers the level's region at its step.
        EXPECT_EQ(rectWidth(p.pane.regionRect), p.pane.bufferWidth * steps[level]) << level;
    }
    // A panorama: the fit level is the layout's, whatever the buffer's rounding.
    Rect wide = {0, 0, 400, 30000};
    Preview q(wide, kPlaceholder);
    q.zoom.level = 0;
    computeVisibleRegion(wide, &q.zoom, &q.pane);
    EXPECT_EQ(q.pane.samplingRate, q.zoom.levelStep[0] << 16);
    EXPECT_LE(stepOfRate(q.pane.samplingRate) * q.pane.bufferWidth, 30000);
}

TEST(PaneLayout, ZoomInAndOutReturnsToTheSameOrigin) {
    Preview p(kF, kPlaceholder);
    computeVisibleRegion(kF, &p.zoom, &p.pane);
    EXPECT_EQ(p.pane.regionRect.right, 3000);
    ZoomButtons in = zoomIn(&p.zoom);
    EXPECT_TRUE(in.plusEnabled && in.minusEnabled);
    computeVisibleRegion(kF, &p.zoom, &p.pane);
    EXPECT_EQ(p.zoom.viewLeft, (3000 - 1640) / 2);
    EXPECT_EQ(p.zoom.viewTop, (2000 - 1480) / 2);
    EXPECT_EQ(p.pane.samplingRate, 4 << 16);
    for (int i = 0; i < 3; ++i) zoomIn(&p.zoom);
    ZoomButtons top = zoomIn(&p.zoom);
    EXPECT_FALSE(top.plusEnabled);
    EXPECT_EQ(top.focus, 40);
    EXPECT_EQ(zoomIn(&p.zoom).plusEnabled, false);  // no further than 400 %
    computeVisibleRegion(kF, &p.zoom, &p.pane);
    EXPECT_EQ(p.pane.samplingRate, 1 << 16);  // the host's own pixels, each shown 4 x 4
    EXPECT_EQ(p.pane.magnify, 4);
    EXPECT_EQ(paneShownWidth(p.pane), 408);
    EXPECT_EQ(p.pane.bufferWidth, 102);
    for (int i = 0; i < 5; ++i) zoomOut(&p.zoom);
    computeVisibleRegion(kF, &p.zoom, &p.pane);
    EXPECT_EQ(p.zoom.level, 0);
    EXPECT_EQ(p.zoom.viewTop, 0);
    EXPECT_EQ(p.zoom.viewLeft, 0);
}

// A small image is whole at 100 %; the two enlarged levels follow.
TEST(PaneLayout, TopLevelZeroForSmallImages) {
    Rect f = {0, 0, 150, 180};
    Preview p(f, kPlaceholder);
    EXPECT_EQ(p.zoom.topLevel, 0);
    computeVisibleRegion(f, &p.zoom, &p.pane);
    EXPECT_EQ(p.pane.samplingRate, 1 << 16);
    EXPECT_EQ(p.pane.magnify, 1);
    zoomIn(&p.zoom);
    ZoomButtons b = zoomIn(&p.zoom);
    EXPECT_EQ(p.zoom.level, 2);
    EXPECT_FALSE(b.plusEnabled);
    EXPECT_EQ(b.focus, 40);
    computeVisibleRegion(f, &p.zoom, &p.pane);
    EXPECT_EQ(p.pane.magnify, 4);
}

TEST(PaneLayout, RegionsAreClampedIntoTheImageAndStartEven) {
    Preview p(kF, kPlaceholder);
    p.zoom.level = 2;
    p.zoom.viewTop = 7;
    p.zoom.viewLeft = 13;
    computeVisibleRegion(kF, &p.zoom, &p.pane);
    EXPECT_EQ(p.zoom.viewTop, 6);
    EXPECT_EQ(p.zoom.viewLeft, 12);
    p.zoom.viewTop = 1900;
    p.zoom.viewLeft = -40;
    computeVisibleRegion(kF, &p.zoom, &p.pane);
    EXPECT_EQ(p.zoom.viewTop, 2000 - 740);
    EXPECT_EQ(p.zoom.viewLeft, 0);

    // A filter rectangle off the origin at odd coordinates: the region is
    // relative to it, and rounding to even starts one row and column early.
    Rect f = {101, 51, 1101, 1551};
    Preview q(f, kPlaceholder);
    q.zoom.level = 1;
    q.zoom.viewTop = 0;
    q.zoom.viewLeft = 0;
    computeVisibleRegion(f, &q.zoom, &q.pane);
    EXPECT_EQ(q.zoom.viewTop, 100);
    EXPECT_EQ(q.zoom.viewLeft, 50);
    EXPECT_EQ(q.pane.regionRect.top, 0);
    EXPECT_EQ(q.pane.regionRect.left, 0);
}

TEST(PaneLayout, NavigatorMappingAndFrame) {
    Preview p(kF, kPlaceholder);
    PaneState navigator = {};
    layOutPane({39, 335, 39 + 130, 335 + 159}, kF, &navigator);  // a 159 x 130 placeholder
    int navStep = navigator.samplingRate >> 16;
    EXPECT_EQ(navStep, 20);  // trunc(3000 / 155 + 1.5) = 20
    Point16Xy corner = navigatorToImage({navigator.displayRect.left, navigator.displayRect.top}, navigator, kF);
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
    Point16Xy inside = navigatorToImage({int16_t(navigator.displayRect.left + 10), int16_t(navigator.displayRect.top + 3)},
                                        navigator, kF);
    EXPECT_EQ(inside.x, 200);
    EXPECT_EQ(inside.y, 60);

    // Zoomed in to level 1 at the centre: the frame covers the middle half of the navigator.
    p.zoom.level = 1;
    p.zoom.viewTop = 500;
    p.zoom.viewLeft = 750;
    computeVisibleRegion(kF, &p.zoom, &p.pane);
    Rect frame = navigatorFrameRect(kF, p.pane, navigator);
    EXPECT_EQ(frame.left, navigator.displayRect.left + 750 / 20);
    EXPECT_EQ(frame.top, navigator.displayRect.top + 500 / 20);
    EXPECT_EQ(rectWidth(frame), 1640 / 20);
    // A view covering a sliver of a panorama: the frame can still be seen and
    // grabbed, and stays inside the navigator at either end.
    Rect wide = {0, 0, 400, 30000};
    Preview w(wide, kPlaceholder);
    PaneState wideNavigator = {};
    layOutPane({39, 335, 39 + 130, 335 + 159}, wide, &wideNavigator);
    const Rect& n = wideNavigator.displayRect;
    for (int16_t left : {int16_t(0), int16_t(15000), int16_t(29990)}) {
        w.zoom.level = w.zoom.topLevel;
        w.zoom.viewTop = 0;
        w.zoom.viewLeft = left;
        computeVisibleRegion(wide, &w.zoom, &w.pane);
        Rect f = navigatorFrameRect(wide, w.pane, wideNavigator);
        EXPECT_GE(rectWidth(f), kSmallestFrame);
        EXPECT_GE(rectHeight(f), std::min(kSmallestFrame, int(rectHeight(n))));
        EXPECT_TRUE(f.left >= n.left && f.right <= n.right && f.top >= n.top && f.bottom <= n.bottom)
            << "view at " << left << ": frame " << f.left << ".." << f.right << " in " << n.left << ".." << n.right;
    }
}

// The wheel keeps the image point under the pointer where it is, at every
// level the image allows; a drag moves the picture with the pointer.
TEST(PaneLayout, WheelZoomKeepsThePointUnderThePointerAndDragPans) {
    Preview p(kF, kPlaceholder);
    computeVisibleRegion(kF, &p.zoom, &p.pane);
    Point16Xy pointer = {int16_t(p.pane.displayRect.left + 100), int16_t(p.pane.displayRect.top + 60)};
    Point16Xy under = previewToImage(pointer, p.pane, p.zoom);
    for (int level = 1; level <= p.zoom.maxLevel; ++level) {
        zoomAround(kF, &p.zoom, &p.pane, level, pointer);
        EXPECT_EQ(p.zoom.level, level);
        Point16Xy now = previewToImage(pointer, p.pane, p.zoom);
        int k = p.zoom.levelStep[level];
        EXPECT_LE(std::abs(now.x - under.x), k + 1) << level;  // within the level's step (and the even origin)
        EXPECT_LE(std::abs(now.y - under.y), k + 1) << level;
    }
    // At 400 % a drag of 40 screen pixels moves the view 10 image pixels.
    int16_t top = p.zoom.viewTop, left = p.zoom.viewLeft;
    panBy(kF, &p.zoom, &p.pane, top, left, 40, -20);
    EXPECT_EQ(p.zoom.viewLeft, left - 10);
    EXPECT_EQ(p.zoom.viewTop, top + 5);
    // Dragged far past the corner: the view stops at the image's edge.
    panBy(kF, &p.zoom, &p.pane, top, left, 30000, 30000);
    EXPECT_EQ(p.zoom.viewLeft, 0);
    EXPECT_EQ(p.zoom.viewTop, 0);
    panBy(kF, &p.zoom, &p.pane, top, left, -30000, -30000);
    EXPECT_EQ(p.zoom.viewLeft + p.zoom.levelWidth[p.zoom.level], 3000);
    EXPECT_EQ(p.zoom.viewTop + p.zoom.levelHeight[p.zoom.level], 2000);
}

// A panorama fills the area's width from the first level up, instead of
// the whole image's strip at every level; a small image shows whole at 100 %.
TEST(PaneLayout, LevelsAboveTheWholeImageFillTheArea) {
    Rect wide = {0, 0, 400, 30000};
    Preview w(wide, kPlaceholder);
    w.zoom.level = w.zoom.topLevel;
    computeVisibleRegion(wide, &w.zoom, &w.pane);
    EXPECT_EQ(w.pane.bufferWidth, 410);
    EXPECT_EQ(w.pane.bufferHeight, 370);
    Rect square = {0, 0, 350, 350};
    Preview q(square, kPlaceholder);
    q.zoom.level = q.zoom.topLevel;
    computeVisibleRegion(square, &q.zoom, &q.pane);
    EXPECT_EQ(q.pane.bufferWidth, 350);
    EXPECT_EQ(rectWidth(q.pane.displayRect), 350);
    q.zoom.level = q.zoom.maxLevel;  // 400 %: 102 x 92 pixels fill 408 x 368
    computeVisibleRegion(square, &q.zoom, &q.pane);
    EXPECT_EQ(paneShownWidth(q.pane), 4 * (410 / 4 < 350 ? 410 / 4 : 350));
    EXPECT_LE(paneShownHeight(q.pane), 370);
    EXPECT_LE(q.pane.bufferWidth * q.pane.bufferHeight * 16, q.pane.capacity);
}
