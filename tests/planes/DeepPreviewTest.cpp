// The dialog's preview of a deep image: it works on 8-bit pictures made where
// the host's 16-bit pixels enter it (round(h * 255 / 32768)), and on the
// adjusted masks rounded to bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/Controls.h"
#include "host/PluginGlobals.h"
#include "host/RunContext.h"
#include "planes/PreviewRender.h"
#include "tests/util/HostedRun.h"
#include "tests/util/SceneImages.h"

namespace {

testhost::TestHostOptions replayed() {
    testhost::TestHostOptions options;
    options.replay.present = true;
    options.replay.values = {{keyAmount, 14.0}, {keyVibrance, 0.0}};
    return options;
}

uint8_t displayed(int h) { return uint8_t(std::floor(h * 255.0 / 32768.0 + 0.5)); }

}  // namespace

TEST(DeepPreview, ShowsTheHostPixelsAndTheAdjustedMasksAt8Bits) {
    testutil::HostedRun run(scenes::deepRoom(420, 400), replayed(), testutil::RunStage::Started);
    ASSERT_EQ(run.stageResult, 0);
    PreviewContext ctx = runPreviewContext();
    const int w = 105, h = 100;
    std::vector<uint8_t> rgb(size_t(3 * w * h)), mask(size_t(w * h));
    PaneState pane = {};
    pane.bufferWidth = w;
    pane.bufferHeight = h;
    pane.planeCount = 3;
    pane.pixelCount = w * h;
    pane.rgbBuffer = rgb.data();
    pane.maskBuffer = mask.data();
    pane.sourceRect = {0, 0, int16_t(h), int16_t(w)};
    pane.samplingRate = 4 << 16;
    ASSERT_EQ(renderOriginalView(ctx, &pane), 1);
    const testhost::HostImage& image = run.host->image();  // as Start left it
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                wrong += rgb[size_t(3 * (y * w + x) + c)] != displayed(image.sample(c, 4 * y, 4 * x));
    EXPECT_EQ(wrong, 0);

    ASSERT_EQ(rebuildProxyResult(ctx), 1);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < runData->planeSize; i += 31)
            ASSERT_EQ(adjustedPlane(runData, c)[i], uint8_t(std::floor(deepAdjustedPlane(runData, c)[i] + 0.5)));
    pane.regionRect = {10, 20, 90, 119};  // finer than the proxy: the host path
    pane.samplingRate = 1 << 16;
    EXPECT_EQ(renderPreview(ctx, PreviewMode::After, &pane), 1);
    EXPECT_TRUE(run.host->violations().empty());
}
