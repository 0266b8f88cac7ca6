// One dialog session on the run a replayed Start leaves: the dialog works on
// its own copy of the settings, which reaches the run's record on OK only,
// and whatever it allocated goes back when it ends, however it ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/Controls.h"
#include "host/RunContext.h"
#include "host/TrackedMemory.h"
#include "tests/util/HostedRun.h"
#include "tests/util/SceneImages.h"
#include "ui/model/DialogSession.h"
#include "ui/model/PaneLayout.h"

namespace {

testhost::TestHostOptions replayed() {
    testhost::TestHostOptions options;
    options.replay.present = true;
    options.replay.values = {{keyAmount, 7.0}, {keyVibrance, 1.0}};
    return options;
}

// The real dialog's placeholders at 96 dots per inch, client coordinates.
constexpr Rect kPreviewPlaceholder = {8, 8, 483, 496};
constexpr Rect kNavigatorPlaceholder = {8, 510, 283, 752};

}  // namespace

TEST(DialogSession, TheRecordChangesOnOkOnlyAndEveryEndReleasesTheSession) {
    testutil::HostedRun run(scenes::darkRoom(900, 700), replayed(), testutil::RunStage::Started);
    ASSERT_EQ(run.stageResult, 0);
    const FilterParameters opened = *params;
    const int blocks = trackedBlockCount();
    const std::vector<uint8_t> firstAdjusted(adjustedPlane(runData, 0), adjustedPlane(runData, 0) + runData->planeSize);

    for (DialogEnd end : {DialogEnd::Cancel, DialogEnd::PreviewFailed, DialogEnd::Ok}) {
        DialogSession s;
        ASSERT_TRUE(openSession(&s, runDialogInputs(), kPreviewPlaceholder, kNavigatorPlaceholder));
        EXPECT_EQ(s.settings.amount, opened.amount);
        s.settings.amount = 19.0f;
        s.settings.vibrance = 0.0f;
        s.recomputePending = true;
        ASSERT_EQ(recomputeIfPending(&s), kPreviewDone);  // the preview follows the settings ...
        EXPECT_EQ(params->amount, opened.amount);         // ... the run's record does not
        EXPECT_EQ(params->vibrance, opened.vibrance);
        if (end == DialogEnd::Ok) {
            ASSERT_EQ(confirmSettings(&s), kPreviewDone);
        }
        endSession(&s, end);
        EXPECT_EQ(s.end, end);
        EXPECT_EQ(trackedBlockCount(), blocks) << int(end);
    }
    EXPECT_EQ(params->amount, 19.0f);
    EXPECT_EQ(params->vibrance, 0.0f);
    EXPECT_NE(params->mask.lumaGain, opened.mask.lumaGain);  // derived for the settings shown
    // The render will divide by the masks adjusted for them.
    EXPECT_TRUE(std::vector<uint8_t>(adjustedPlane(runData, 0), adjustedPlane(runData, 0) + runData->planeSize) !=
                firstAdjusted);
}

namespace {

// The preview's picture pixel showing image pixel (x, y) (filter-relative;
// F is at the origin here), at the session's current level.
const uint8_t* shownPixel(const DialogSession& s, int x, int y) {
    const PaneState& p = s.previewPane;
    int m = p.magnify > 1 ? p.magnify : 1;
    int col = (x - p.sourceRect.left) * m, row = (y - p.sourceRect.top) * m;
    return p.rgbBuffer + (ptrdiff_t(row) * paneShownWidth(p) + col) * 3;
}

// Where the navigator's picture starts over a placeholder.
int openedNavigatorLeft(const Rect& placeholder) {
    PaneState pane = {};
    layOutPane(placeholder, runDialogInputs().preview.filterRect, &pane);
    return pane.displayRect.left;
}

bool samePixel(const uint8_t* a, const uint8_t* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

}  // namespace

// Above 100 % the picture is the 100 % bytes, each enlarged without
// smoothing; the split view shows Before left of the divider and After right
// of it; a larger area gets larger buffers at the same scale; nothing leaks.
TEST(DialogSession, EnlargedLevelsSplitViewAndResizeShowTheOutputsPixels) {
    testutil::HostedRun run(scenes::darkRoom(900, 700), replayed(), testutil::RunStage::Started);
    ASSERT_EQ(run.stageResult, 0);
    const int blocks = trackedBlockCount();
    {
        DialogSession s;
        ASSERT_TRUE(openSession(&s, runDialogInputs(), kPreviewPlaceholder, kNavigatorPlaceholder));
        s.recomputePending = true;
        ASSERT_EQ(recomputeIfPending(&s), kPreviewDone);
        while (s.zoom.level < s.zoom.topLevel) zoomSession(&s, true);
        ASSERT_EQ(renderPreviewPane(&s), kPreviewDone);
        const PaneState atFull = s.previewPane;
        std::vector<uint8_t> full(atFull.rgbBuffer, atFull.rgbBuffer + size_t(atFull.pixelCount) * 3);

        for (int magnify : {2, 4}) {
            zoomSession(&s, true);
            ASSERT_EQ(s.previewPane.magnify, magnify);
            ASSERT_EQ(renderPreviewPane(&s), kPreviewDone);
            const Rect& src = s.previewPane.sourceRect;
            int checked = 0;
            for (int y = src.top; y < src.bottom; ++y)
                for (int x = src.left; x < src.right; ++x) {
                    const uint8_t* shown = shownPixel(s, x, y);
                    for (int j = 1; j < magnify; ++j)  // the block is one colour
                        ASSERT_TRUE(samePixel(shown, shown + (ptrdiff_t(j) * paneShownWidth(s.previewPane) + j) * 3));
                    if (x < atFull.sourceRect.left || x >= atFull.sourceRect.right || y < atFull.sourceRect.top ||
                        y >= atFull.sourceRect.bottom)
                        continue;
                    const uint8_t* at100 =
                        full.data() + (ptrdiff_t(y - atFull.sourceRect.top) * atFull.bufferWidth + x - atFull.sourceRect.left) * 3;
                    ASSERT_TRUE(samePixel(shown, at100)) << magnify << " at " << x << "," << y;
                    ++checked;
                }
            EXPECT_GT(checked, 1000) << magnify;
        }

        // Split at the middle of the picture at 400 %.
        s.split = true;
        s.splitAt = int16_t(s.previewPane.displayRect.left + 40);
        ASSERT_EQ(renderPreviewPane(&s), kPreviewDone);
        std::vector<uint8_t> split(s.previewPane.rgbBuffer,
                                   s.previewPane.rgbBuffer + size_t(paneShownWidth(s.previewPane)) * 3);
        s.split = false;
        s.mode = PreviewMode::Before;
        ASSERT_EQ(renderPreviewPane(&s), kPreviewDone);
        EXPECT_TRUE(std::equal(split.begin(), split.begin() + 40 * 3, s.previewPane.rgbBuffer));
        s.mode = PreviewMode::After;
        ASSERT_EQ(renderPreviewPane(&s), kPreviewDone);
        EXPECT_TRUE(std::equal(split.begin() + 40 * 3, split.end(), s.previewPane.rgbBuffer + 40 * 3));
        EXPECT_FALSE(std::equal(split.begin(), split.begin() + 40 * 3, s.previewPane.rgbBuffer));  // it was lifted

        // A larger area: larger buffers, still 400 %.
        Rect larger = kPreviewPlaceholder;
        larger.right = int16_t(larger.right + 300);
        larger.bottom = int16_t(larger.bottom + 100);
        Rect navigator = kNavigatorPlaceholder;
        moveRectTo(&navigator, &navigator, navigator.top, navigator.left + 300);
        int before = s.previewPane.bufferWidth;
        ASSERT_TRUE(resizeSession(&s, larger, navigator));
        EXPECT_EQ(s.previewPane.magnify, 4);
        EXPECT_EQ(s.previewPane.bufferWidth, before + 300 / 4);
        EXPECT_EQ(s.navigatorPane.displayRect.left, openedNavigatorLeft(kNavigatorPlaceholder) + 300);
        ASSERT_EQ(renderPreviewPane(&s), kPreviewDone);
        endSession(&s, DialogEnd::Cancel);
    }
    EXPECT_EQ(trackedBlockCount(), blocks);
}
