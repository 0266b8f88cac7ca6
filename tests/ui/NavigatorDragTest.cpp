#include <gtest/gtest.h>

#include "ui/model/NavigatorDrag.h"
#include "ui/model/PanePixelMap.h"

namespace {

// A 1200 x 900 image, a navigator at step 5 (240 x 180 at 500, 100) and the
// preview at level 1 showing the centre half of the image.
struct NavigatorScene {
    Rect f = {0, 0, 900, 1200};
    PaneState navigator = {};
    ZoomState zoom = {};
    PreviewMode mode = PreviewMode::After;
    NavigatorDrag drag = {};

    NavigatorScene() {
        navigator.samplingRate = 5 << 16;
        navigator.displayRect = {100, 500, 280, 740};
        zoom.level = 1;
        zoom.topLevel = 2;
        zoom.levelWidth[1] = 600;
        zoom.levelHeight[1] = 450;
        zoom.viewTop = 226;
        zoom.viewLeft = 300;
        drag.frame = {145, 560, 235, 680};
    }
    NavigatorContext context() { return {f, navigator, &zoom, &mode}; }
};

}  // namespace

TEST(NavigatorDrag, GrabbingTheFrameDragsTheViewWithThePointer) {
    NavigatorScene s;
    DragEffect down = navigatorButtonDown(&s.drag, {570, 150}, s.context());
    EXPECT_TRUE(down.capture && down.repaint && !down.moveView);
    EXPECT_TRUE(s.drag.dragging);
    EXPECT_EQ(s.mode, PreviewMode::Before);  // unprocessed pixels while dragging
    EXPECT_EQ(s.drag.pointer, PointerShape::GrabbingHand);
    EXPECT_EQ(s.drag.grabX, 350 - 300);
    EXPECT_EQ(s.drag.grabY, 250 - 226);

    DragEffect move = navigatorMouseMove(&s.drag, {590, 165}, true, s.context());
    EXPECT_TRUE(move.moveView && move.repaint);
    EXPECT_EQ(s.zoom.viewLeft, 400);
    EXPECT_EQ(s.zoom.viewTop, 301);

    // With a modifier held the move is only hovering: the view stays.
    DragEffect hover = navigatorMouseMove(&s.drag, {700, 250}, false, s.context());
    EXPECT_FALSE(hover.moveView);
    EXPECT_EQ(s.zoom.viewLeft, 400);
    EXPECT_EQ(s.drag.pointer, PointerShape::PointingHand);

    DragEffect up = navigatorButtonUp(&s.drag, {600, 170}, true, s.context());
    EXPECT_TRUE(up.release && up.repaint && up.moveView);  // the last move is mapped now
    EXPECT_EQ(s.mode, PreviewMode::After);
    EXPECT_FALSE(s.drag.dragging || s.drag.dragMoved);
    EXPECT_EQ(s.drag.pointer, PointerShape::OpenHand);
}

TEST(NavigatorDrag, APointerBeyondTheNavigatorIsClampedToItsEdge) {
    NavigatorScene s;
    navigatorButtonDown(&s.drag, {570, 150}, s.context());
    navigatorMouseMove(&s.drag, {-1000, -1000}, true, s.context());
    // The clamped point is the navigator's corner, image (0, 0), minus the grab offset;
    // the visible region then clamps the origin into the image.
    EXPECT_EQ(s.zoom.viewLeft, -50);
    EXPECT_EQ(s.zoom.viewTop, -24);
    EXPECT_EQ(s.drag.previous.x, 500);
    EXPECT_EQ(s.drag.previous.y, 100);
}

TEST(NavigatorDrag, AClickBesideTheFrameCentresTheViewOnRelease) {
    NavigatorScene s;
    navigatorButtonDown(&s.drag, {720, 260}, s.context());
    EXPECT_EQ(s.drag.pointer, PointerShape::PointingHand);
    EXPECT_EQ(s.zoom.viewLeft, 300);  // nothing moves before the release
    DragEffect up = navigatorButtonUp(&s.drag, {720, 260}, true, s.context());
    EXPECT_TRUE(up.moveView && up.repaint && up.release);
    EXPECT_EQ(s.zoom.viewLeft, 5 * 220 - 300);
    EXPECT_EQ(s.zoom.viewTop, 5 * 160 - 225);
}

TEST(NavigatorDrag, ReleasingInsideTheFrameWithBeforeCheckedKeepsBefore) {
    NavigatorScene s;
    navigatorButtonDown(&s.drag, {570, 150}, s.context());
    DragEffect up = navigatorButtonUp(&s.drag, {570, 150}, false, s.context());
    EXPECT_EQ(s.mode, PreviewMode::Before);
    EXPECT_FALSE(up.repaint || up.moveView);
    EXPECT_TRUE(up.release);
}

TEST(NavigatorDrag, OutsideTheNavigatorNothingIsDragged) {
    NavigatorScene s;
    DragEffect down = navigatorButtonDown(&s.drag, {100, 100}, s.context());
    EXPECT_FALSE(down.capture || s.drag.dragging);
    EXPECT_EQ(s.mode, PreviewMode::After);
    DragEffect move = navigatorMouseMove(&s.drag, {600, 150}, true, s.context());
    EXPECT_FALSE(move.moveView);
    EXPECT_FALSE(navigatorButtonUp(&s.drag, {600, 150}, true, s.context()).release);
    navigatorMouseMove(&s.drag, {100, 100}, false, s.context());
    EXPECT_EQ(s.drag.pointer, PointerShape::Host);
    navigatorMouseMove(&s.drag, {680, 235}, false, s.context());  // frame edges are inside
    EXPECT_EQ(s.drag.pointer, PointerShape::OpenHand);
    navigatorMouseMove(&s.drag, {740, 280}, false, s.context());  // so are the navigator's
    EXPECT_EQ(s.drag.pointer, PointerShape::PointingHand);
}

TEST(PanePixelMap, DescribesThePackedBufferAndTheMaskOnlyWhenTheHostHasOne) {
    uint8_t rgb[6 * 4 * 3], mask[6 * 4];
    PaneState pane = {};
    pane.bufferWidth = 6;
    pane.bufferHeight = 4;
    pane.rgbBuffer = rgb;
    pane.maskBuffer = mask;
    PSPixelMap map;
    PSPixelMask pixelMask;
    buildPanePixelMap(pane, 11, false, &map, &pixelMask);
    EXPECT_EQ(map.version, 1);
    EXPECT_EQ(map.bounds.bottom, 4);
    EXPECT_EQ(map.bounds.right, 6);
    EXPECT_EQ(map.imageMode, 3);  // 48-bit RGB shown as RGB
    EXPECT_EQ(map.rowBytes, 18);
    EXPECT_EQ(map.colBytes, 3);
    EXPECT_EQ(map.baseAddr, rgb);
    EXPECT_EQ(map.masks, nullptr);
    EXPECT_EQ(map.maskPhaseRow, 1);
    buildPanePixelMap(pane, 3, true, &map, &pixelMask);
    ASSERT_EQ(map.masks, &pixelMask);
    EXPECT_EQ(pixelMask.maskData, mask);
    EXPECT_EQ(pixelMask.rowBytes, 6);
    EXPECT_EQ(pixelMask.colBytes, 1);
    EXPECT_EQ(pixelMask.next, nullptr);
    const int16_t modes[][2] = {{10, 1}, {12, 9}, {13, 4}, {14, 7}, {15, 8}, {0, 0}, {9, 9}};
    for (const auto& m : modes) EXPECT_EQ(displayImageMode(m[0]), m[1]) << m[0];
}
