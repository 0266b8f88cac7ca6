// The preview render on the run record a replayed run leaves after Start: the
// processed proxy against its formula, the choice between the proxy and the
// host path, the Before view, and the mapping of the visible region.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/Controls.h"
#include "host/PluginGlobals.h"
#include "host/RunContext.h"
#include "planes/Bilinear.h"
#include "planes/PreviewRender.h"
#include "tests/util/HostedRun.h"
#include "testhost/TestHost.h"
#include "tests/util/SceneImages.h"

namespace {

// A run stopped after Start, with the plug-in's globals pointing at its records.
struct StartedRun : testutil::HostedRun {
    PreviewContext ctx = {};

    explicit StartedRun(bool selection = false)
        : HostedRun(scenes::darkRoom(420, 400), replayed(), testutil::RunStage::Started,
                    selection ? std::vector<uint8_t>(420 * 400, 200) : std::vector<uint8_t>()) {
        EXPECT_EQ(stageResult, 0);
        ctx = runPreviewContext();
    }

    static testhost::TestHostOptions replayed() {
        testhost::TestHostOptions options;
        options.replay.present = true;
        options.replay.values = {{keyAmount, 14.0}, {keyVibrance, 0.0}};
        return options;
    }
};

// A preview pane of w x h pixels over the proxy region `region`, requested from
// the host at sampling step `step`.
struct Pane {
    std::vector<uint8_t> rgb, mask;
    PaneState state = {};
    Pane(int w, int h, Rect region, int step) : rgb(size_t(w * h * 3), 0), mask(size_t(w * h), 77) {
        state.controlId = 32;
        state.bufferWidth = int16_t(w);
        state.bufferHeight = int16_t(h);
        state.planeCount = 3;
        state.pixelCount = w * h;
        state.rgbBuffer = rgb.data();
        state.maskBuffer = mask.data();
        state.regionRect = region;
        state.sourceRect = {int16_t(2 * region.top / step), int16_t(2 * region.left / step),
                            int16_t(2 * region.top / step + h), int16_t(2 * region.left / step + w)};
        state.samplingRate = step << 16;
    }
};

}  // namespace

TEST(PreviewRender, ProcessedProxyFollowsItsFormula) {
    StartedRun run;
    ASSERT_EQ(rebuildProxyResult(run.ctx), 1);
    // The host's image as it stands (Start has already rendered into it).
    const testhost::HostImage& original = run.host->image();
    int mismatches = 0;
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < runData->proxyHeight; ++y)
            for (int x = 0; x < runData->proxyWidth; ++x) {
                size_t at = size_t(y) * size_t(runData->proxyWidth) + size_t(x);
                float v = original.at(c, 2 * y, 2 * x);
                float n = float((double(v) - runData->maskMin[c]) * runData->maskScale[c]);
                uint8_t m = adjustedPlane(runData, c)[at];
                double divisor = m > 0 ? double(m) : double(n);
                float q = float(double(n) / divisor * 255.0);
                double back = double(float(runData->maskMin[c] + double(runData->maskInvScale[c]) * q));
                double clamped = !(back > 0) ? 0 : (!(back < 255) ? 255 : back);
                mismatches += previewPlane(runData, c)[at] != uint8_t(std::floor(clamped));
            }
    EXPECT_EQ(mismatches, 0);
}

TEST(PreviewRender, BeforeShowsTheHostPixels) {
    StartedRun run;
    Pane pane(105, 100, {0, 0, 200, 210}, 4);
    ASSERT_EQ(renderPreview(run.ctx, PreviewMode::Before, &pane.state), 1);
    std::vector<uint8_t> before = pane.rgb;
    ASSERT_EQ(renderOriginalView(run.ctx, &pane.state), 1);
    EXPECT_EQ(pane.rgb, before);
    const testhost::HostImage& original = run.host->image();
    EXPECT_EQ(pane.rgb[0], original.at(0, 0, 0));
    EXPECT_EQ(pane.rgb[3 * (10 * 105 + 7) + 1], original.at(1, 40, 28));  // sampled every fourth pixel
    EXPECT_EQ(pane.mask, std::vector<uint8_t>(105 * 100, 77));           // no selection: untouched
}

TEST(PreviewRender, ProxyPathCopiesTheProcessedProxyAtItsOwnSize) {
    StartedRun run;
    ASSERT_EQ(rebuildProxyResult(run.ctx), 1);
    Pane pane(runData->proxyWidth, runData->proxyHeight, {0, 0, runData->proxyHeight, runData->proxyWidth}, 2);
    size_t requests = run.host->requests().size();
    ASSERT_EQ(renderPreview(run.ctx, PreviewMode::After, &pane.state), 1);
    EXPECT_EQ(run.host->requests().size(), requests);  // no host request on the proxy path
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < runData->planeSize; i += 97) ASSERT_EQ(pane.rgb[size_t(3 * i + c)], previewPlane(runData, c)[i]);
}

TEST(PreviewRender, HostPathWhenFinerThanTheProxy) {
    StartedRun run;
    ASSERT_EQ(rebuildProxyResult(run.ctx), 1);
    // One pixel narrower than the buffer: the host is asked at the pane's own rate.
    Pane pane(100, 80, {10, 20, 90, 119}, 1);
    ASSERT_EQ(renderPreview(run.ctx, PreviewMode::After, &pane.state), 1);
    const testhost::AdvanceRequest& last = run.host->requests().back();
    EXPECT_EQ(last.inputRate, 0x10000);
    EXPECT_EQ(last.inRect.top, pane.state.sourceRect.top);
    EXPECT_EQ(last.inRect.right, pane.state.sourceRect.right);
    EXPECT_EQ(last.inLoPlane, 0);  // the three planes at once
    EXPECT_EQ(last.inHiPlane, 2);
    EXPECT_TRUE(run.host->violations().empty());
    EXPECT_EQ(pane.mask, std::vector<uint8_t>(100 * 80, 77));
}

TEST(PreviewRender, SelectionReachesTheMaskBuffer) {
    StartedRun run(true);
    ASSERT_EQ(rebuildProxyResult(run.ctx), 1);
    Pane pane(50, 40, {0, 0, 160, 200}, 4);
    ASSERT_EQ(renderPreview(run.ctx, PreviewMode::After, &pane.state), 1);
    EXPECT_EQ(pane.mask, std::vector<uint8_t>(50 * 40, 200));
}

TEST(PreviewRender, FailuresReportTheirCodes) {
    StartedRun run;
    const uint8_t* mask = run.ctx.proxy.masks[1];
    run.ctx.proxy.masks[1] = nullptr;
    EXPECT_EQ(rebuildProxyResult(run.ctx), -4);
    EXPECT_STREQ(run.ctx.internalError, "Internal Error #1");
    run.ctx.proxy.masks[1] = mask;

    Pane pane(60, 50, {0, 0, 25, 30}, 1);
    pane.state.sourceRect = {0, 0, 50, 600};  // wider than the image: the host refuses it
    EXPECT_EQ(renderPreview(run.ctx, PreviewMode::After, &pane.state), -3);
    EXPECT_EQ(run.result, filterBadParameters);
}

TEST(PreviewRender, VisibleRegionMapsIntoTheProxy) {
    ZoomState zoom = {};
    zoom.level = 1;
    zoom.levelWidth[1] = 250;
    zoom.levelHeight[1] = 250;
    PaneState pane = {};
    pane.regionRect = {100, 200, 351, 477};
    mapViewToProxy({0, 0, 1000, 1000}, 500, 500, zoom, &pane);
    EXPECT_EQ(pane.regionRect.top, 50);
    EXPECT_EQ(pane.regionRect.left, 100);
    EXPECT_EQ(pane.regionRect.bottom, 175);
    EXPECT_EQ(pane.regionRect.right, 238);

    // A region past the proxy's edge moves back inside, keeping its size.
    pane.regionRect = {900, 800, 1200, 1100};
    mapViewToProxy({0, 0, 1000, 1000}, 500, 500, zoom, &pane);
    EXPECT_EQ(pane.regionRect.top, 250);
    EXPECT_EQ(pane.regionRect.left, 250);
    EXPECT_EQ(rectHeight(pane.regionRect), 150);
    EXPECT_EQ(rectWidth(pane.regionRect), 150);
}
