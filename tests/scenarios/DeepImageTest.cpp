// Deep images (16 bits a sample, 0..32768) through whole runs in the strict
// test host: what a host sees of the result at the range's ends, at odd sizes,
// in a rectangle and through a selection; smoothness where the 8-bit run
// steps; every host behaviour; and the refusals of what does not fit. These
// run in-process natively and against the real DLL under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/Controls.h"
#include "testhost/TestHost.h"
#include "tests/scenarios/PluginUnderTest.h"
#include "tests/util/SceneImages.h"
#ifndef _WIN32
#include "ui/headless/Headless.h"
#endif

using testhost::HostImage;
using testhost::TestHost;
using testhost::TestHostOptions;

namespace {

TestHostOptions replayed(double amount, double color) {
    TestHostOptions options;
    options.replay.present = true;
    options.replay.playInfo = plugInDialogDontDisplay;
    options.replay.values = {{keyAmount, amount}, {keyVibrance, color}};
    return options;
}

struct Outcome {
    int16_t result;
    HostImage image;
    std::vector<std::string> violations, leaks;
};

Outcome run(const HostImage& image, const TestHostOptions& options, const std::vector<uint8_t>& selection = {}) {
    TestHost host(image, options);
    if (!selection.empty()) host.setSelection(selection);
    host.setEntry(pluginUnderTest());
    int16_t result = host.runFilter();
    return {result, host.image(), host.violations(), host.leaks()};
}

// A dark ramp, 2 to 40 levels across and down from column 100, a bright
// band left of it, as the host holds it at 8 or 16 bits.
constexpr int kRampStart = 100;
HostImage darkRamp(int depth) {
    HostImage image = testhost::makeImage(400, 360, 3, depth);
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 400; ++x) {
            double level = x < kRampStart ? 230 : 2 + 38 * (0.75 * (x - kRampStart) / 299 + 0.25 * y / 359);
            for (int p = 0; p < 3; ++p)
                image.setSample(p, y, x, int(depth == 16 ? level * 32768 / 255 + 0.5 : level + 0.5));
        }
    return image;
}

// The largest difference between neighbours, and the distinct values, of a
// plane over the ramp.
int largestStep(const HostImage& image, int p) {
    int most = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = kRampStart; x < image.width; ++x) {
            if (x > kRampStart) most = std::max(most, std::abs(image.sample(p, y, x) - image.sample(p, y, x - 1)));
            if (y > 0) most = std::max(most, std::abs(image.sample(p, y, x) - image.sample(p, y - 1, x)));
        }
    return most;
}
size_t distinctValues(const HostImage& image, int p) {
    std::set<int> values;
    for (int y = 0; y < image.height; ++y)
        for (int x = kRampStart; x < image.width; ++x) values.insert(image.sample(p, y, x));
    return values.size();
}

}  // namespace

TEST(DeepImages, OddSizeWithBlackAndFullWhiteStaysInRangeOutsideTheRectangleUntouched) {
    HostImage input = scenes::deepRoom(401, 373);
    TestHostOptions options = replayed(20, -2);
    options.filterRect = {7, 3, 360, 391};
    Outcome out = run(input, options);
    ASSERT_EQ(out.result, 0);
    // The host checks that no sample written exceeds 32768.
    EXPECT_TRUE(out.violations.empty()) << out.violations.front();
    EXPECT_TRUE(out.leaks.empty());
    int changed = 0, dark = 0, brighter = 0, outsideChanged = 0;
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < 373; ++y)
            for (int x = 0; x < 401; ++x) {
                const int before = input.sample(p, y, x), after = out.image.sample(p, y, x);
                if (y < 7 || y >= 360 || x < 3 || x >= 391) {
                    outsideChanged += after != before;
                    continue;
                }
                changed += after != before;
                dark += before < 4096;
                brighter += before < 4096 && after > before;
            }
    EXPECT_EQ(outsideChanged, 0);
    EXPECT_GT(changed, 3 * 353 * 388 / 2);
    EXPECT_GT(brighter, dark * 9 / 10);  // the dark room's shadows are lifted
}

TEST(DeepImages, SmoothWhereThe8BitRunSteps) {
    Outcome eight = run(darkRamp(8), replayed(20, 0)), deep = run(darkRamp(16), replayed(20, 0));
    ASSERT_EQ(eight.result, 0);
    ASSERT_EQ(deep.result, 0);
    for (int p = 0; p < 3; ++p) {
        EXPECT_GE(largestStep(eight.image, p), 4) << p;    // 8-bit levels
        EXPECT_LE(largestStep(deep.image, p), 128) << p;   // host units: one 8-bit level
        EXPECT_GE(distinctValues(deep.image, p), 10 * distinctValues(eight.image, p)) << p;
    }
}

TEST(DeepImages, TheHostBlendsTheFilteredPixelsThroughTheSelection) {
    HostImage input = scenes::deepRoom(400, 380);
    std::vector<uint8_t> selection(400 * 380);
    for (size_t i = 0; i < selection.size(); ++i) selection[i] = uint8_t(i % 400 < 100 ? 0 : i % 400 < 250 ? 128 : 255);
    // The host filters the selection's bounding rectangle, then blends.
    TestHostOptions bounded = replayed(12, 1);
    bounded.filterRect = {0, 100, 380, 400};
    Outcome whole = run(input, bounded), selected = run(input, replayed(12, 1), selection);
    ASSERT_EQ(selected.result, 0);
    EXPECT_TRUE(selected.violations.empty()) << selected.violations.front();
    int wrong = 0;
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < 380; ++y)
            for (int x = 0; x < 400; ++x) {
                const int m = selection[size_t(y) * 400 + size_t(x)], before = input.sample(p, y, x);
                const int want = (before * (255 - m) + whole.image.sample(p, y, x) * m + 127) / 255;
                wrong += selected.image.sample(p, y, x) != want;
            }
    EXPECT_EQ(wrong, 0);
}

// Each host's own ways (no sampling, planes from 0, stale buffers, no
// padding, no scripting), met with a deep image, give the reference bytes;
// and so does a run whose dialog is shown (its preview shows the image at 8
// bits). Natively, a scripted user sets the values in the dialog and presses
// OK; against the DLL the dialog runs are the dialog tests'.
TEST(DeepImages, EveryHostBehaviourAndTheDialogGiveTheReferenceBytes) {
    HostImage input = scenes::deepRoom(400, 380);
    Outcome want = run(input, replayed(14, -1));
    ASSERT_EQ(want.result, 0);
    std::vector<std::string> profiles = testhost::hostProfileNames();
    profiles.push_back("reference, dialog shown");
    for (const std::string& profile : profiles) {
        TestHostOptions options = replayed(14, -1);
        if (!testhost::applyHostProfile(profile, &options)) options.replay.playInfo = plugInDialogDisplay;
        options.quirks.offersDeep = true;  // as if the host had 16-bit documents
        const bool dialog = !testhost::hostProfileReplays(options) || options.replay.playInfo == plugInDialogDisplay;
#ifndef _WIN32
        HeadlessUser user;
        user.setValues = true;
        user.amount = 14;
        user.vibrance = float(-1 + kColorIntensity.shownOffset);
        setHeadlessUser(dialog ? &user : nullptr);
#else
        if (dialog) continue;
#endif
        Outcome out = run(input, options);
#ifndef _WIN32
        setHeadlessUser(nullptr);
        EXPECT_EQ(user.previewsRendered, dialog ? 2 : 0) << profile;
#endif
        EXPECT_EQ(out.result, 0) << profile;
        EXPECT_TRUE(out.image.data == want.image.data) << profile;
    }
}

TEST(DeepImages, DepthsAndModesThatDoNotFitAreRefusedWithTheMessage) {
    struct Case {
        int depth;        // of the image
        int32_t told;     // the depth reported (0: the image's)
        int16_t mode;     // the mode reported (-1: the image's)
    };
    for (Case c : {Case{16, 32, -1}, Case{16, 0, plugInModeRGBColor}, Case{8, 0, plugInModeRGB48}, Case{8, 16, -1}}) {
        HostImage input = c.depth == 16 ? scenes::deepRoom(400, 380) : scenes::darkRoom(400, 380);
        TestHostOptions options = replayed(10, 0);
        options.depth = c.told;
        options.imageMode = c.mode;
#ifndef _WIN32
        takeHeadlessMessage();
#endif
        Outcome out = run(input, options);
        EXPECT_EQ(out.result, userCanceledErr) << c.depth << " " << c.told << " " << c.mode;
#ifndef _WIN32
        EXPECT_EQ(takeHeadlessMessage(), "This plug-in filters RGB images of 8 or 16 bits per channel.");
#endif
        EXPECT_TRUE(out.image.data == input.data);
        EXPECT_TRUE(out.leaks.empty());
    }
}

TEST(DeepImages, BuffersThatDoNotFitEndTheRunWithNothingLeaked) {
    HostImage input = scenes::deepRoom(400, 380);
    // The proxy request is the first; a tile request comes later.
    for (int at : {1, 3}) {
        for (int fault = 0; fault < 3; ++fault) {
            TestHostOptions options = replayed(10, 0);
            (fault == 0 ? options.faults.shortRowBytesAt
                        : fault == 1 ? options.faults.eightBitDataAt : options.faults.overRangeAt) = at;
            Outcome out = run(input, options);
            EXPECT_EQ(out.result, filterBadParameters) << "fault " << fault << " at " << at;
            EXPECT_TRUE(out.leaks.empty()) << out.leaks.front();
        }
    }
}
