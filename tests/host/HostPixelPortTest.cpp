// The pixel port against hosts with faults: whatever the host does wrong, a
// request through the port yields the pixels a correct host delivers, or a
// result code. Each case fails when the port's handling of that fault is gone.
#include <gtest/gtest.h>

#include "host/HostPixelPort.h"
#include "host/PluginGlobals.h"
#include "tests/util/HostedRun.h"
#include "testhost/TestHost.h"
#include "tests/util/SceneImages.h"

namespace {

// A host between Prepare and Finish, with the plug-in's globals on it.
struct PortOnHost : testutil::HostedRun {
    explicit PortOnHost(const testhost::HostQuirks& quirks, bool withSelection = false)
        : HostedRun(scenes::darkRoom(400, 380), options(quirks), testutil::RunStage::Prepared,
                    withSelection ? selection() : std::vector<uint8_t>()) {
        EXPECT_EQ(stageResult, 0);
        resetHostPixelPort();
    }

    static testhost::TestHostOptions options(const testhost::HostQuirks& quirks) {
        testhost::TestHostOptions o;
        o.quirks = quirks;
        o.rowPadding = quirks.planesFromZero ? 0 : 13;
        return o;
    }
    static std::vector<uint8_t> selection() {
        std::vector<uint8_t> s(400 * 380);
        for (size_t i = 0; i < s.size(); ++i) s[i] = uint8_t(i * 7);
        return s;
    }

    // Pixels of the view that differ from planes lo.. of r at step k.
    int wrongPixels(const PlaneView& v, const Rect& r, int lo, int planes, int k) const {
        int wrong = 0;
        for (int y = 0; y < rectHeight(r); ++y)
            for (int x = 0; x < rectWidth(r); ++x)
                for (int p = 0; p < planes; ++p)
                    wrong += v.data[y * v.rowBytes + x * v.colBytes + p] !=
                             host->image().at(lo + p, k * (r.top + y), k * (r.left + x));
        return wrong;
    }
};

testhost::HostQuirks pspihostQuirks() {
    testhost::HostQuirks q;
    q.planesFromZero = q.refillOnRectChangeOnly = q.rateOnlyWithinImage = true;
    return q;
}

}  // namespace

TEST(HostPixelPort, HostsThatDoNotSampleGetSampledByThePort) {
    testhost::HostQuirks none;
    none.samplingSupport = 0;
    PortOnHost h(none, true);
    PlaneView v;
    Rect r = {3, 5, 190, 200};  // to the edge of the image at step 2
    ASSERT_EQ(hostPixelPort().readPlanes(r, 0, 2, kRateTwo, &v), 0);
    EXPECT_EQ(h.wrongPixels(v, r, 0, 3, 2), 0);
    PlaneView m;
    ASSERT_EQ(hostPixelPort().readMask(r, kRateTwo, &m), 0);
    int wrong = 0;
    for (int y = 0; y < rectHeight(r); ++y)
        for (int x = 0; x < rectWidth(r); ++x)
            wrong += m.data[y * m.rowBytes + x] != uint8_t((size_t(2 * (r.top + y)) * 400 + size_t(2 * (r.left + x))) * 7);
    EXPECT_EQ(wrong, 0);
    // Full-resolution strips: no request is larger than a few rows of the image.
    for (const auto& q : h.host->requests()) EXPECT_LE(rectHeight(q.inRect) * rectWidth(q.inRect), 400 * 400);
}

TEST(HostPixelPort, RatesHonouredOnlyInsideTheImageDividedByTheRate) {
    testhost::HostQuirks q;
    q.rateOnlyWithinImage = true;
    PortOnHost h(q);
    PlaneView v;
    Rect r = {0, 0, 127, 134};  // 380 / 3 = 126 rows: the last row lies past it
    ASSERT_EQ(hostPixelPort().readPlanes(r, 0, 2, 3 << 16, &v), 0);
    EXPECT_EQ(h.wrongPixels(v, r, 0, 3, 3), 0);
}

TEST(HostPixelPort, SinglePlanesAndStaleBuffers) {
    PortOnHost h(pspihostQuirks());
    PlaneView v;
    Rect r = {10, 20, 110, 140};
    ASSERT_EQ(hostPixelPort().readPlanes(r, 1, 1, kRateOne, &v), 0);
    EXPECT_EQ(h.wrongPixels(v, r, 1, 1, 1), 0);
    ASSERT_EQ(hostPixelPort().readPlanes(r, 2, 2, kRateOne, &v), 0);  // same rectangle, another plane
    EXPECT_EQ(h.wrongPixels(v, r, 2, 1, 1), 0);
    ASSERT_EQ(hostPixelPort().readPlanes(r, 0, 2, kRateTwo, &v), 0);  // same rectangle, another rate
    EXPECT_EQ(h.wrongPixels(v, r, 0, 3, 2), 0);

    // Writing planes 1 and 2 leaves plane 0 as it was.
    testhost::HostImage before = h.host->image();
    PlaneView in;
    MutablePlaneView out;
    ASSERT_EQ(hostPixelPort().openTile(r, 1, 2, &in, &out), 0);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            out.data[y * out.rowBytes + x * out.colBytes] = 1;
            out.data[y * out.rowBytes + x * out.colBytes + 1] = 2;
        }
    ASSERT_EQ(hostPixelPort().readPlanes({0, 0, 1, 1}, 0, 0, kRateOne, &v), 0);  // the host takes the tile
    int wrong = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            wrong += h.host->image().at(0, y, x) != before.at(0, y, x) || h.host->image().at(1, y, x) != 1 ||
                     h.host->image().at(2, y, x) != 2;
    EXPECT_EQ(wrong, 0);
}
