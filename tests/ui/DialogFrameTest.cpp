// The size the dialog opens at, from whatever the registry holds, and the
// wait before a recomputation.
#include <gtest/gtest.h>

#include "ui/model/DialogFrame.h"

namespace {
const FrameSize kMinimum = {765, 513};
const FrameSize kWork = {1600, 1160};  // a 1600 x 1200 screen with a taskbar
}  // namespace

TEST(DialogFrame, OpensAtTheKeptSizeOnlyWhenItIsSound) {
    FrameSize fallback = openingSize({}, kMinimum, kWork);
    EXPECT_EQ(fallback.width, 1280);  // 80 % of the work area, larger than today's
    EXPECT_EQ(fallback.height, 928);
    FrameSize kept = openingSize({true, true, 1000, 700}, kMinimum, kWork);
    EXPECT_EQ(kept.width, 1000);
    EXPECT_EQ(kept.height, 700);
    const SavedSize unsound[] = {
        {true, false, 1000, 700},     // a value of the wrong type
        {false, true, 1000, 700},     // one value missing
        {true, true, -1000, 700},     // negative
        {true, true, 700, 400},       // below the smallest
        {true, true, 5000, 700},      // no longer fits (a smaller monitor now)
        {true, true, 1000, 2147483647},
    };
    for (const SavedSize& s : unsound) {
        FrameSize got = openingSize(s, kMinimum, kWork);
        EXPECT_EQ(got.width, fallback.width) << s.width << " x " << s.height;
        EXPECT_EQ(got.height, fallback.height) << s.width << " x " << s.height;
    }
    // A work area smaller than the layout: never below the smallest size.
    FrameSize tiny = openingSize({}, kMinimum, {800, 560});
    EXPECT_EQ(tiny.width, 765);
    EXPECT_EQ(tiny.height, 513);
}

TEST(DialogFrame, ControlsFollowTheirAnchorsAndTheWaitShrinksWithTheWork) {
    Rect r = {10, 20, 30, 60};
    Rect grown = anchoredRect(r, Anchor::Grow, 100, 50);
    EXPECT_EQ(grown.right, 160);
    EXPECT_EQ(grown.bottom, 80);
    EXPECT_EQ(grown.left, 20);
    Rect corner = anchoredRect(r, Anchor::RightDown, 100, 50);
    EXPECT_EQ(corner.left, 120);
    EXPECT_EQ(corner.top, 60);
    EXPECT_EQ(rectWidth(corner), 40);
    Rect shrunk = anchoredRect(r, Anchor::Right, -30, -30);  // never left of the layout
    EXPECT_EQ(shrunk.left, 20);
    // The wait plus the recomputation stays within about 150 ms while that is possible.
    EXPECT_EQ(recomputeDelayMs(-1), 60u);
    EXPECT_EQ(recomputeDelayMs(24) + 24, 80u);
    EXPECT_EQ(recomputeDelayMs(50) + 50, 80u);
    EXPECT_EQ(recomputeDelayMs(400), 20u);
}
