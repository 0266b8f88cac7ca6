// One dialog session on the run a replayed Start leaves: the dialog works on
// its own copy of the settings, which reaches the run's record on OK only,
// and whatever it allocated goes back when it ends, however it ends.
#include <gtest/gtest.h>

#include <vector>

#include "engine/Controls.h"
#include "host/RunContext.h"
#include "host/TrackedMemory.h"
#include "tests/util/HostedRun.h"
#include "tests/util/SceneImages.h"
#include "ui/model/DialogSession.h"

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
