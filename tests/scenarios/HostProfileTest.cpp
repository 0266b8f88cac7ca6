// Whole runs in each host profile: wherever a host delivers the same pixels,
// the plug-in must give the reference host's bytes, whatever the host's own
// faults (no sampling, planes served from plane 0, stale buffers, refused
// property calls, missing suites). Natively, hosts without scripting run the
// dialog with a scripted user; against the DLL those runs are the dialog tests'.
#include <gtest/gtest.h>

#include "engine/Controls.h"
#include "testhost/TestHost.h"
#include "tests/scenarios/PluginUnderTest.h"
#include "tests/util/SceneImages.h"
#ifndef _WIN32
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "ui/headless/Headless.h"
#endif

using testhost::HostImage;
using testhost::TestHost;
using testhost::TestHostOptions;

namespace {

constexpr double kAmount = 14, kColor = -1;

struct Outcome {
    int16_t result = 0;
    HostImage image;
    std::vector<std::string> violations, leaks;
    std::vector<intptr_t> watch;
};

TestHostOptions inProfile(const std::string& profile) {
    TestHostOptions options;
    EXPECT_TRUE(testhost::applyHostProfile(profile, &options)) << profile;
    options.replay.present = true;
    options.replay.playInfo = plugInDialogDontDisplay;
    options.replay.values = {{keyAmount, kAmount}, {keyVibrance, kColor}};
    return options;
}

#ifndef _WIN32
// For its life, the dialogs that open meet a scripted user who sets the same
// values and presses OK (none when `present` is false).
struct ScriptedUser {
    HeadlessUser user;
    explicit ScriptedUser(bool present = true) {
        user.setValues = true;
        user.amount = float(kAmount);
        user.vibrance = float(kColor + kColorIntensity.shownOffset);
        setHeadlessUser(present ? &user : nullptr);
    }
    ~ScriptedUser() { setHeadlessUser(nullptr); }
};
#endif

// A run of `image` in the host of `options`; hosts that cannot replay get a
// scripted dialog user who sets the same values and presses OK.
Outcome run(const HostImage& image, TestHostOptions options, const std::vector<uint8_t>& selection = {}) {
    Outcome out;
#ifndef _WIN32
    ScriptedUser user(!testhost::hostProfileReplays(options));
#else
    if (!testhost::hostProfileReplays(options)) {
        out.result = -1;
        return out;
    }
#endif
    TestHost host(image, options);
    if (!selection.empty()) host.setSelection(selection);
    usePluginUnderTest(host);
    out.result = host.runFilter();
    out.image = host.image();
    out.violations = host.violations();
    out.leaks = host.leaks();
    out.watch = host.watchSuspensions();
    return out;
}

bool replaysOrRunsNatively(const std::string& profile) {
#ifdef _WIN32
    TestHostOptions options;
    testhost::applyHostProfile(profile, &options);
    return testhost::hostProfileReplays(options);
#else
    (void)profile;
    return true;
#endif
}

class EveryProfile : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(EveryProfile, GivesTheReferenceBytes) {
    if (!replaysOrRunsNatively(GetParam())) GTEST_SKIP() << "runs with the dialog only: see the dialog tests";
    // Whole image, a filter rectangle away from the origin at odd coordinates, a layer with transparency.
    struct Case {
        HostImage image;
        Rect filter;
        int16_t filterCase;
    } cases[] = {
        {scenes::darkRoom(523, 411), {0, 0, 0, 0}, filterCaseFlatImageNoSelection},
        {scenes::darkRoom(611, 437), {9, 5, 401, 583}, filterCaseFlatImageNoSelection},
        {scenes::darkRoom(480, 390, 4), {0, 0, 0, 0}, filterCaseEditableTransparencyNoSelection},
    };
    for (const Case& c : cases) {
        TestHostOptions reference = inProfile("reference"), other = inProfile(GetParam());
        for (TestHostOptions* o : {&reference, &other}) {
            o->filterRect = c.filter;
            o->filterCase = c.filterCase;
            o->inLayerPlanes = 3;
        }
        Outcome want = run(c.image, reference), got = run(c.image, other);
        ASSERT_EQ(want.result, 0);
        ASSERT_EQ(got.result, 0) << GetParam();
        EXPECT_TRUE(got.violations.empty()) << got.violations.front();
        EXPECT_TRUE(got.leaks.empty()) << got.leaks.front();
        EXPECT_FALSE(got.image.data == c.image.data);
        EXPECT_TRUE(got.image.data == want.image.data) << GetParam() << " " << c.image.width;
        if (c.image.planes == 4) {
            EXPECT_TRUE(scenes::planeEqual(got.image, c.image, 3)) << "transparency changed";
        }
    }
}

TEST_P(EveryProfile, SelectionKeepsUnselectedPixelsAndFiltersSelectedOnesAlike) {
    if (!replaysOrRunsNatively(GetParam())) GTEST_SKIP() << "runs with the dialog only: see the dialog tests";
    HostImage image = scenes::darkRoom(500, 420);
    std::vector<uint8_t> selection(500 * 420, 0);
    for (int y = 40; y < 380; ++y)
        for (int x = 30; x < 470; ++x) selection[size_t(y) * 500 + size_t(x)] = x < 250 ? 255 : uint8_t(x - 200);
    TestHostOptions reference = inProfile("reference"), other = inProfile(GetParam());
    reference.filterRect = other.filterRect = {40, 30, 380, 470};
    Outcome want = run(image, reference, selection), got = run(image, other, selection);
    ASSERT_EQ(got.result, 0) << GetParam();
    int changedOutside = 0, differentInside = 0, changedInside = 0;
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < 420; ++y)
            for (int x = 0; x < 500; ++x) {
                uint8_t m = selection[size_t(y) * 500 + size_t(x)];
                if (m == 0) changedOutside += got.image.at(p, y, x) != image.at(p, y, x);
                if (m == 255) differentInside += got.image.at(p, y, x) != want.image.at(p, y, x);
                if (m == 255) changedInside += got.image.at(p, y, x) != image.at(p, y, x);
            }
    EXPECT_EQ(changedOutside, 0);
    EXPECT_EQ(differentInside, 0);
    EXPECT_GT(changedInside, 10000);
}

#ifndef _WIN32
// The bundled photo (2390 x 1345: its last tile column and row are partial).
HostImage photo() {
    int w = 0, h = 0, bands = 0;
    uint8_t* pixels = stbi_load(VELMORA_SOURCE_DIR "/samples/seeding.jpg", &w, &h, &bands, 3);
    EXPECT_NE(pixels, nullptr);
    if (pixels == nullptr) return {};
    HostImage image = testhost::makeImage(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) image.at(c, y, x) = pixels[(size_t(y) * size_t(w) + size_t(x)) * 3 + size_t(c)];
    stbi_image_free(pixels);
    return image;
}

// A user who opens the dialog on the bundled photo, sets the values and presses
// OK gets the bytes of the replayed run, in every host.
TEST_P(EveryProfile, AnInteractiveRunOfAPhotoGivesTheReplayedBytes) {
    HostImage image = photo();
    Outcome want = run(image, inProfile("reference"));
    TestHostOptions options = inProfile(GetParam());
    options.replay.playInfo = plugInDialogDisplay;
    ScriptedUser user;
    TestHost host(image, options);
    usePluginUnderTest(host);
    ASSERT_EQ(host.runFilter(), 0);
    EXPECT_EQ(user.user.previewsRendered, 2);
    EXPECT_TRUE(host.violations().empty()) << host.violations().front();
    EXPECT_TRUE(host.image().data == want.image.data) << GetParam();
}
#endif

// The user undoes a run and repeats it: the plug-in is loaded afresh and gets
// back what the host kept (the parameters handle, or the step recorded for a
// replay without the dialog), and the repeat gives the reference bytes again.
// Natively on the photo; against the DLL in the hosts that replay (the others'
// repeats are the dialog tests').
TEST_P(EveryProfile, ARepeatInAFreshlyLoadedPlugInGivesTheReferenceBytes) {
    if (!replaysOrRunsNatively(GetParam())) GTEST_SKIP() << "runs with the dialog only: see the dialog tests";
#ifndef _WIN32
    HostImage image = photo();
#else
    HostImage image = scenes::darkRoom(611, 437);
#endif
    Outcome want = run(image, inProfile("reference"));
#ifndef _WIN32
    ScriptedUser user(!testhost::hostProfileReplays(inProfile(GetParam())));
#endif
    TestHost host(image, inProfile(GetParam()));
    usePluginUnderTest(host);
    ASSERT_EQ(host.runFilter(), 0);
    host.image() = image;
    host.reloadPlugin();
    ASSERT_EQ(host.repeatFilter(), 0);
    EXPECT_TRUE(host.violations().empty()) << host.violations().front();
    EXPECT_TRUE(host.leaks().empty()) << host.leaks().front();
    EXPECT_TRUE(host.image().data == want.image.data) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Hosts, EveryProfile, ::testing::ValuesIn(testhost::hostProfileNames()),
                         [](const auto& info) { return info.param; });

TEST(HostProfiles, WatchCursorCallsUseTheSignatureHostsAccept) {
    // These hosts refuse any signature but '8BIM'; the reference host records it.
    for (const char* profile : {"reference", "psfilterpdn"}) {
        Outcome out = run(scenes::darkRoom(400, 380), inProfile(profile));
        ASSERT_EQ(out.result, 0);
        EXPECT_EQ(out.watch, (std::vector<intptr_t>{1, 0})) << profile;
        EXPECT_TRUE(out.violations.empty()) << out.violations.front();
    }
}

TEST(HostProfiles, AboutEndsWithSuccessWhereTheHostPresetsFailure) {
    TestHost host(scenes::darkRoom(400, 380), inProfile("pspihost"));
    host.setEntry(pluginUnderTest());
    EXPECT_EQ(host.runAbout(), 0);
}

TEST(HostProfiles, MissingCallbacksAreNeverCalled) {
    TestHostOptions options = inProfile("reference");
    options.withholdProgress = options.withholdAbort = options.withholdPropertyProcs = true;
    options.withholdDisplayPixels = options.withholdBasicSuite = true;
    Outcome bare = run(scenes::darkRoom(400, 380), options);
    Outcome full = run(scenes::darkRoom(400, 380), inProfile("reference"));
    ASSERT_EQ(bare.result, 0);
    EXPECT_TRUE(bare.image.data == full.image.data);
}

TEST(HostProfiles, DeliveriesThatDoNotFitTheRequestEndTheRun) {
    HostImage image = scenes::darkRoom(400, 380);
    // The proxy request is the first; a tile request comes later.
    for (int at : {1, 3}) {
        for (int fault = 0; fault < 3; ++fault) {
            TestHostOptions options = inProfile("reference");
            (fault == 0 ? options.faults.deliverNothingAt
                        : fault == 1 ? options.faults.shortRowBytesAt : options.faults.movedRectAt) = at;
            Outcome out = run(image, options);
            EXPECT_EQ(out.result, filterBadParameters) << "fault " << fault << " at " << at;
            EXPECT_TRUE(out.leaks.empty()) << out.leaks.front();
        }
    }
    // A host that answers with another rate: the plug-in samples the image itself.
    TestHostOptions options = inProfile("reference");
    options.faults.otherRateAt = 1;
    Outcome resampled = run(image, options), want = run(image, inProfile("reference"));
    ASSERT_EQ(resampled.result, 0);
    EXPECT_TRUE(resampled.image.data == want.image.data);
}
