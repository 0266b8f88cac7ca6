// The tiled full render against the per-pixel formula it implements, computed
// here from the run record the proxy stage left behind: two routes that must
// give the same bytes, for a filter rectangle at the origin and off it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/Controls.h"
#include "host/PluginGlobals.h"
#include "host/RunContext.h"
#include "planes/Bilinear.h"
#include "planes/FullRender.h"
#include "tests/util/HostedRun.h"
#include "testhost/TestHost.h"
#include "tests/util/SceneImages.h"

namespace {

double clampLow(double v) { return !(v > 0) ? 0 : (!(v < 255) ? 255 : v); }
double clampHigh(double v) { return !(v < 255) ? 255 : (!(v > 0) ? 0 : v); }

// out = trunc(clampHigh(min + inv * trunc(clampLow(255 * min(((v - min) * scale) / d, 1)))))
uint8_t expectedPixel(uint8_t v, float m, float maskMin, float scale, float invScale) {
    float n = float((double(v) - maskMin) * scale);
    float d = m > 0 ? m : 1.0f;
    float q = float(double(n) / d);
    if (q > 1) q = 1;
    float scaled = float(255.0 * double(q));
    int b = int(std::floor(clampLow(scaled)));
    double back = double(maskMin) + double(invScale) * b;
    return uint8_t(std::floor(clampHigh(back)));
}

void checkRenderAgainstFormula(const Rect& filterRect) {
    testhost::HostImage input = scenes::darkRoom(430, 410);
    testhost::TestHostOptions options;
    options.filterRect = filterRect;
    options.replay.present = true;
    options.replay.values = {{keyAmount, 16.0}, {keyVibrance, -1.0}};
    testutil::HostedRun started(input, options, testutil::RunStage::Started);
    testhost::TestHost& host = *started.host;
    ASSERT_EQ(started.stageResult, 0);
    ASSERT_TRUE(host.violations().empty()) << host.violations().front();

    const RunData* run = runData;
    const Rect& f = host.record().filterRect;
    int w = rectWidth(f), h = rectHeight(f);
    std::vector<float> fullMask(size_t(w) * size_t(h));
    Rect window = {0, 0, run->proxyHeight, run->proxyWidth};
    int mismatches = 0;
    for (int k = 0; k < 3; ++k) {
        resampleToFloat(run->planeSlots[kAdjustedPlanes + k], run->proxyWidth, run->proxyHeight, run->proxyWidth,
                        window, fullMask.data(), w, h, w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t want = expectedPixel(input.at(k, f.top + y, f.left + x), fullMask[size_t(y) * size_t(w) + size_t(x)],
                                             run->maskMin[k], run->maskScale[k], run->maskInvScale[k]);
                mismatches += host.image().at(k, f.top + y, f.left + x) != want;
            }
    }
    EXPECT_EQ(mismatches, 0);

    // Any region rendered on its own gives the full render's bytes there.
    const Rect regions[] = {f, {int16_t(f.top + 1), int16_t(f.left + 3), int16_t(f.top + 180), int16_t(f.left + 250)},
                            {int16_t(f.bottom - 7), int16_t(f.right - 300), f.bottom, f.right}};
    for (const Rect& r : regions) {
        const int rw = rectWidth(r), rh = rectHeight(r);
        std::vector<uint8_t> in(size_t(rw) * size_t(rh) * 3), out(in.size());
        for (int y = 0; y < rh; ++y)
            for (int x = 0; x < rw; ++x)
                for (int c = 0; c < 3; ++c) in[(size_t(y) * size_t(rw) + size_t(x)) * 3 + size_t(c)] = input.at(c, r.top + y, r.left + x);
        ASSERT_TRUE(renderRegion(f, runProxyImage(), r, PlaneView{in.data(), 3 * rw, 3, rw, rh},
                                 MutablePlaneView{out.data(), 3 * rw, 3, rw, rh}, trackedWorkMemory()));
        int differences = 0;
        for (int y = 0; y < rh; ++y)
            for (int x = 0; x < rw; ++x)
                for (int c = 0; c < 3; ++c)
                    differences += out[(size_t(y) * size_t(rw) + size_t(x)) * 3 + size_t(c)] != host.image().at(c, r.top + y, r.left + x);
        EXPECT_EQ(differences, 0) << "region at " << r.top << ", " << r.left;
    }
    EXPECT_EQ(started.finish(), 0);
    EXPECT_TRUE(host.leaks().empty());
}

}  // namespace

// Deep images: h * 255 / 32768 in; where the 8-bit formula truncates, the
// truncation's mean (half a level off inside 0..255, none where the step maps
// whole numbers to whole numbers); rounded to nearest on 0..32768 at the end.
float truncationMean(float v, float loss) { return v > 0 && v < 255 ? v - loss : v; }
uint16_t expectedDeepPixel(uint16_t h, float m, float maskMin, float invScale, float scale) {
    float v = float(h * 255) / 32768.0f;
    float n = float((double(v) - maskMin) * scale);
    float d = m > 0 ? m : 1.0f;
    float q = float(double(n) / d);
    if (q > 1) q = 1;
    float s = truncationMean(float(clampLow(float(255.0 * double(q)))), 0.5f);
    float loss = invScale == 1.0f && maskMin == std::floor(maskMin) ? 0.0f : 0.5f;
    float o = truncationMean(float(clampHigh(double(maskMin) + double(invScale) * s)), loss);
    return uint16_t(std::floor(clampHigh(o) * (32768.0 / 255.0) + 0.5));
}

void checkDeepRenderAgainstFormula(const Rect& filterRect) {
    testhost::HostImage input = scenes::deepRoom(431, 409);
    testhost::TestHostOptions options;
    options.filterRect = filterRect;
    options.replay.present = true;
    options.replay.values = {{keyAmount, 18.0}, {keyVibrance, 1.0}};
    testutil::HostedRun started(input, options, testutil::RunStage::Started);
    testhost::TestHost& host = *started.host;
    ASSERT_EQ(started.stageResult, 0);
    ASSERT_TRUE(host.violations().empty()) << host.violations().front();
    RunData* run = runData;
    ASSERT_TRUE(run->deep);
    const Rect& f = host.record().filterRect;
    int w = rectWidth(f), h = rectHeight(f);
    std::vector<float> fullMask(size_t(w) * size_t(h));
    Rect window = {0, 0, run->proxyHeight, run->proxyWidth};
    int mismatches = 0;
    for (int k = 0; k < 3; ++k) {
        resampleToFloat(deepAdjustedPlane(run, k), run->proxyWidth, run->proxyHeight, run->proxyWidth, window,
                        fullMask.data(), w, h, w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint16_t want = expectedDeepPixel(uint16_t(input.sample(k, f.top + y, f.left + x)),
                                                  fullMask[size_t(y) * size_t(w) + size_t(x)], run->maskMin[k],
                                                  run->maskInvScale[k], run->maskScale[k]);
                mismatches += host.image().sample(k, f.top + y, f.left + x) != want;
            }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(started.finish(), 0);
    EXPECT_TRUE(host.leaks().empty());
}

TEST(FullRender, DeepImageMatchesItsPixelFormulaAtOddSizeAndOffTheOrigin) {
    checkDeepRenderAgainstFormula({0, 0, 409, 431});
    checkDeepRenderAgainstFormula({7, 3, 401, 379});
}

TEST(FullRender, MatchesThePixelFormulaOverTheWholeImage) { checkRenderAgainstFormula({0, 0, 410, 430}); }

TEST(FullRender, MatchesThePixelFormulaOffTheOriginAtOddCoordinates) { checkRenderAgainstFormula({7, 3, 401, 379}); }

TEST(FullRender, FormulaEdgeCases) {
    // Reaching or passing the mask value caps at 255 before denormalisation.
    EXPECT_EQ(expectedPixel(200, 100.0f, 10.0f, 1.0f, 0.95f), 252);
    // A mask of 0 divides by 1; darker than maskMin gives maskMin.
    EXPECT_EQ(expectedPixel(5, 0.0f, 10.0f, 1.0f, 1.0f), 10);
}
