// Whole filter runs through the strict test host: a replayed action that does
// not ask for the dialog, from Parameters to Finish. These run in-process
// natively and against the real DLL under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "engine/Controls.h"
#include "testhost/TestHost.h"
#include "tests/scenarios/PluginUnderTest.h"
#include "tests/util/SceneImages.h"

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
    int abortPolls, advanceCalls;
};

Outcome run(const HostImage& image, const TestHostOptions& options, const std::vector<uint8_t>& selection = {}) {
    TestHost host(image, options);
    if (!selection.empty()) host.setSelection(selection);
    host.setEntry(pluginUnderTest());
    int16_t result = host.runFilter();
    return {result, host.image(), host.violations(), host.leaks(), host.abortPolls(), int(host.requests().size())};
}

double meanOver(const HostImage& image, int plane, int top, int left, int bottom, int right) {
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) sum += image.at(plane, y, x);
    return sum / double((bottom - top) * (right - left));
}

}  // namespace

TEST(RunFilter, ReplayedActionFiltersTheImageAndRecordsTheStep) {
    HostImage input = scenes::darkRoom(400, 380);
    TestHost host(input, replayed(15, 1));
    host.setEntry(pluginUnderTest());
    ASSERT_EQ(host.runFilter(), 0);
    EXPECT_TRUE(host.violations().empty()) << host.violations().front();
    EXPECT_TRUE(host.leaks().empty()) << host.leaks().front();

    // Shadows come up, in proportion far more than the bright window does.
    double darkIn = meanOver(input, 1, 300, 20, 370, 150), darkOut = meanOver(host.image(), 1, 300, 20, 370, 150);
    double brightIn = meanOver(input, 1, 100, 220, 180, 290), brightOut = meanOver(host.image(), 1, 100, 220, 180, 290);
    EXPECT_GT(darkOut - darkIn, 10.0);
    EXPECT_GT(darkOut / darkIn, 1.5 * (brightOut / brightIn));

    // Selectors: Parameters, Prepare, Start, Finish: Start leaves no rectangle
    // set, so the host has nothing to continue.
    std::vector<int16_t> selectors;
    for (auto& call : host.selectorCalls()) selectors.push_back(call.selector);
    EXPECT_EQ(selectors, (std::vector<int16_t>{1, 2, 3, 5}));
    EXPECT_EQ(host.liveHandles(), 1);  // only the recorded descriptor, which the host keeps

    auto recorded = host.recordedDescriptor();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0], (std::pair<uint32_t, double>(keyAmount, 15.0)));
    EXPECT_EQ(recorded[1], (std::pair<uint32_t, double>(keyVibrance, 1.0)));
    EXPECT_EQ(host.recordInfo(), plugInDialogOptional);
    EXPECT_EQ(host.watchSuspensions(), (std::vector<intptr_t>{1, 0}));
}

TEST(RunFilter, ProgressAndRequestsFollowTheProxyStageAndTheTiles) {
    HostImage input = scenes::darkRoom(400, 380);
    TestHost host(input, replayed(10, 0));
    host.setEntry(pluginUnderTest());
    ASSERT_EQ(host.runFilter(), 0);

    // Run driver steps over 6, then one step per tile: 3 x 3 tiles.
    std::vector<std::pair<int, int>> progress;
    for (auto& p : host.progress()) progress.emplace_back(p.done, p.total);
    ASSERT_EQ(progress.size(), 10u + 9u);
    std::vector<std::pair<int, int>> driver(progress.begin(), progress.begin() + 10);
    EXPECT_EQ(driver, (std::vector<std::pair<int, int>>{{1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}, {7, 6},
                                                        {8, 6}, {9, 6}, {0, 6}}));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(progress[size_t(10 + i)], (std::pair<int, int>(i + 1, 9)));

    // The three channels of the whole image at half resolution in one request,
    // then 9 tiles, each with its three planes in and out, then one request of
    // nothing that hands the last tile back.
    const auto& requests = host.requests();
    ASSERT_EQ(requests.size(), 11u);
    const testhost::AdvanceRequest& closing = requests.back();
    EXPECT_TRUE(rectIsEmpty(closing.inRect) && rectIsEmpty(closing.outRect) && rectIsEmpty(closing.maskRect));
    const auto& proxy = requests.front();
    EXPECT_EQ(proxy.inputRate, 0x20000);
    EXPECT_EQ(proxy.inLoPlane, 0);
    EXPECT_EQ(proxy.inHiPlane, 2);
    EXPECT_EQ(proxy.inRect.bottom, 190);
    EXPECT_EQ(proxy.inRect.right, 200);
    EXPECT_TRUE(rectIsEmpty(proxy.outRect));
    const auto& lastTile = requests[requests.size() - 2];
    EXPECT_EQ(lastTile.inputRate, 0x10000);
    EXPECT_EQ(lastTile.outLoPlane, 0);
    EXPECT_EQ(lastTile.outHiPlane, 2);
    EXPECT_EQ(lastTile.inHiPlane, 2);
    EXPECT_EQ(lastTile.outRect.top, 350);
    EXPECT_EQ(lastTile.outRect.left, 350);
    EXPECT_EQ(lastTile.outRect.bottom, 380);
    EXPECT_EQ(lastTile.outRect.right, 400);
}

TEST(RunFilter, FilterRectangleOffTheOriginWithOddCoordinates) {
    HostImage input = scenes::darkRoom(420, 400);
    TestHostOptions options = replayed(12, 0);
    options.filterRect = {3, 5, 371, 391};
    Outcome out = run(input, options);
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(out.violations.empty()) << out.violations.front();
    int changed = 0;
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 420; ++x) {
                bool inside = y >= 3 && y < 371 && x >= 5 && x < 391;
                if (!inside) {
                    ASSERT_EQ(out.image.at(p, y, x), input.at(p, y, x)) << p << " " << y << " " << x;
                }
                changed += inside && out.image.at(p, y, x) != input.at(p, y, x);
            }
    EXPECT_GT(changed, 1000);
}

TEST(RunFilter, SelectionMaskIsReadAtTheProxyRate) {
    HostImage input = scenes::darkRoom(400, 380);
    std::vector<uint8_t> selection(400 * 380, 0);
    for (int y = 50; y < 300; ++y)
        for (int x = 60; x < 330; ++x) selection[size_t(y) * 400 + size_t(x)] = 255;
    TestHostOptions options = replayed(10, 0);
    options.filterRect = {50, 60, 300, 330};
    TestHost host(input, options);
    host.setSelection(selection);
    host.setEntry(pluginUnderTest());
    ASSERT_EQ(host.runFilter(), 0);
    EXPECT_TRUE(host.violations().empty()) << host.violations().front();
    const auto& first = host.requests().front();
    EXPECT_EQ(first.maskRate, 0x20000);
    EXPECT_EQ(first.maskRect.top, 25);
    EXPECT_EQ(first.maskRect.left, 30);
    EXPECT_EQ(first.maskRect.bottom, 150);
    EXPECT_EQ(first.maskRect.right, 165);
    EXPECT_TRUE(rectIsEmpty(host.requests()[1].maskRect));  // emptied after the copy
}

TEST(RunFilter, LayerWithTransparencyFiltersThreePlanesAndKeepsAlpha) {
    HostImage input = scenes::darkRoom(400, 380, 4);
    TestHostOptions options = replayed(10, 0);
    options.filterCase = filterCaseEditableTransparencyNoSelection;
    options.inLayerPlanes = 3;
    Outcome out = run(input, options);
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(scenes::planeEqual(out.image, input, 3));
    EXPECT_FALSE(scenes::planeEqual(out.image, input, 0));

    // A host that does not report the case gives the same layer as four RGB
    // planes: the same bytes, the transparency kept.
    TestHostOptions unreported = replayed(10, 0);
    unreported.filterCase = filterCaseNotSet;
    unreported.inLayerPlanes = 3;
    Outcome same = run(input, unreported);
    ASSERT_EQ(same.result, 0);
    EXPECT_EQ(same.image.data, out.image.data);

    // A flat image with four planes, four planes of another mode, and two
    // planes are refused with the plug-in's own message.
    TestHostOptions flat = replayed(10, 0), lab = unreported, two = unreported;
    lab.imageMode = plugInModeLabColor;
    two.planesOverride = 2;
    for (const TestHostOptions& o : {flat, lab, two}) {
        Outcome refused = run(input, o);
        EXPECT_EQ(refused.result, userCanceledErr);
        EXPECT_EQ(refused.image.data, input.data);
        EXPECT_TRUE(refused.leaks.empty());
    }
}

TEST(RunFilter, SizeCheckUsesTheWholeImage) {
    Outcome narrow = run(scenes::darkRoom(349, 400), replayed(10, 0));
    EXPECT_EQ(narrow.result, userCanceledErr);
    EXPECT_TRUE(narrow.leaks.empty());
    Outcome low = run(scenes::darkRoom(400, 349), replayed(10, 0));
    EXPECT_EQ(low.result, userCanceledErr);
    Outcome smallest = run(scenes::darkRoom(350, 350), replayed(10, 0));
    EXPECT_EQ(smallest.result, 0);
    EXPECT_TRUE(smallest.violations.empty()) << smallest.violations.front();
}

TEST(RunFilter, FlatOrTinyAreasAreRefusedWithTheirReasonAndLeftAsTheyAre) {
    // A uniformly coloured image, a one-pixel checkerboard and areas smaller
    // than two proxy pixels have masks of one brightness: nothing to adjust.
    HostImage grey = testhost::makeImage(400, 380, 3);
    std::fill(grey.data.begin(), grey.data.end(), uint8_t(90));
    HostImage checkers = testhost::makeImage(400, 380, 3);
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < 380; ++y)
            for (int x = 0; x < 400; ++x) checkers.at(p, y, x) = (x + y) % 2 ? 255 : 0;
    for (const HostImage* image : {&grey, &checkers}) {
        Outcome flat = run(*image, replayed(10, 0));
        EXPECT_EQ(flat.result, userCanceledErr);
        EXPECT_TRUE(flat.leaks.empty());
        EXPECT_EQ(flat.image.data, image->data);
    }
    for (Rect tiny : {Rect{0, 0, 1, 1}, Rect{10, 10, 12, 12}, Rect{5, 7, 7, 9}}) {
        TestHostOptions options = replayed(10, 0);
        options.filterRect = tiny;
        HostImage input = scenes::darkRoom(400, 380);
        Outcome out = run(input, options);
        EXPECT_EQ(out.result, userCanceledErr) << tiny.bottom - tiny.top;
        EXPECT_EQ(out.image.data, input.data);
    }

    // Amount 30 puts the luma gain below 0: the engine refuses it.
    Outcome tooBright = run(scenes::darkRoom(400, 380), replayed(30, 0));
    EXPECT_EQ(tooBright.result, memFullErr);
    EXPECT_TRUE(tooBright.leaks.empty());
}

// A channel whose mask is flat has nothing to be divided by: it keeps its
// pixels (an image without blue stays without blue), and the other channels
// are filtered as ever.
TEST(RunFilter, AChannelWithAFlatMaskKeepsItsValues) {
    HostImage input = scenes::darkRoom(400, 380);
    for (int y = 0; y < 380; ++y)
        for (int x = 0; x < 400; ++x) input.at(2, y, x) = 0;
    Outcome out = run(input, replayed(10, 0));
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(scenes::planeEqual(out.image, input, 2));
    EXPECT_FALSE(scenes::planeEqual(out.image, input, 0));
}

TEST(RunFilter, CancellingAtEveryPollEndsCleanly) {
    HostImage input = scenes::darkRoom(400, 380);
    Outcome clean = run(input, replayed(10, 0));
    ASSERT_EQ(clean.result, 0);
    ASSERT_EQ(clean.abortPolls, 6);  // three channels, then three bands of tiles of the render
    for (int poll = 1; poll <= clean.abortPolls; ++poll) {
        TestHostOptions options = replayed(10, 0);
        options.faults.abortAtPoll = poll;
        Outcome out = run(input, options);
        EXPECT_EQ(out.result, userCanceledErr) << "poll " << poll;
        EXPECT_TRUE(out.leaks.empty()) << "poll " << poll;
        EXPECT_TRUE(out.violations.empty()) << "poll " << poll << ": " << out.violations.front();
        // Bands rendered before the cancelled one keep their new pixels; the rest are untouched.
        int renderedRows = poll <= 3 ? 0 : 175 * (poll - 4);
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < 380; y += 7)
                for (int x = 0; x < 400; x += 5)
                    ASSERT_EQ(out.image.at(p, y, x), (y < renderedRows ? clean.image : input).at(p, y, x))
                        << "poll " << poll << " plane " << p << " at " << y << "," << x;
    }
}

TEST(RunFilter, FailingAdvanceStateAtEveryCallEndsWithItsCode) {
    HostImage input = scenes::darkRoom(400, 380);
    Outcome clean = run(input, replayed(10, 0));
    ASSERT_EQ(clean.result, 0);
    for (int call = 1; call <= clean.advanceCalls; ++call) {
        TestHostOptions options = replayed(10, 0);
        options.faults.failAdvanceState = call;
        options.faults.advanceStateError = -36;
        Outcome out = run(input, options);
        EXPECT_EQ(out.result, -36) << "call " << call;
        EXPECT_TRUE(out.leaks.empty()) << "call " << call;
    }
}

TEST(RunFilter, RefusedHostBuffersFallBackToTheHeapWithTheSameResult) {
    HostImage input = scenes::darkRoom(400, 380);
    Outcome clean = run(input, replayed(10, 0));
    for (int n = 1; n <= 12; ++n) {
        TestHostOptions options = replayed(10, 0);
        options.faults.failBufferAllocation = n;
        Outcome out = run(input, options);
        EXPECT_EQ(out.result, 0) << "allocation " << n;
        EXPECT_EQ(out.image.data, clean.image.data) << "allocation " << n;
        EXPECT_TRUE(out.leaks.empty()) << "allocation " << n;
    }
    TestHostOptions noBuffers = replayed(10, 0);
    noBuffers.withholdBufferProcs = true;
    Outcome heapOnly = run(input, noBuffers);
    EXPECT_EQ(heapOnly.result, 0);
    EXPECT_EQ(heapOnly.image.data, clean.image.data);
}

TEST(RunFilter, RefusedRecordHandleEndsWithOutOfMemory) {
    for (int n = 1; n <= 2; ++n) {
        TestHostOptions options = replayed(10, 0);
        options.faults.failHandleAllocation = n;
        Outcome out = run(scenes::darkRoom(400, 380), options);
        EXPECT_EQ(out.result, memFullErr);
        EXPECT_TRUE(out.leaks.empty());
    }
}

#ifndef _WIN32
// Nothing may leave the plug-in as an exception: one raised while a run works
// (here by the host's own progress callback, in-process) ends the run as out
// of memory, with everything released and no pixel half-made.
TEST(RunFilter, AnExceptionInsideTheRunEndsItAsOutOfMemory) {
    HostImage input = scenes::darkRoom(400, 380);
    Outcome clean = run(input, replayed(10, 0));
    ASSERT_EQ(clean.result, 0);
    for (int at : {1, 3, 11, 15}) {
        TestHostOptions options = replayed(10, 0);
        int reports = 0;
        options.onProgress = [&](int32_t, int32_t) {
            if (++reports == at) throw std::bad_alloc();
        };
        Outcome out = run(input, options);
        EXPECT_EQ(out.result, memFullErr) << "report " << at;
        EXPECT_TRUE(out.leaks.empty()) << "report " << at;
        for (size_t i = 0; i < input.data.size(); ++i)
            ASSERT_TRUE(out.image.data[i] == input.data[i] || out.image.data[i] == clean.image.data[i]) << at;
    }
}
#endif
