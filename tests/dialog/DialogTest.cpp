// The dialogs of the real Velmora.8bf under Wine, driven as a user would:
// the controls and the parameter record, the timer, Before/After, zoom, the
// navigator, OK and Cancel, Help and the About box; and the screenshots of
// the README when a folder for them is named.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Messages.h"
#include "base/ProductIdentity.h"
#include "engine/Controls.h"
#include "host/PluginGlobals.h"
#include "host/RunContext.h"
#include "planes/Bilinear.h"
#include "planes/PlaneConvert.h"
#include "planes/PreviewRender.h"
#include "tests/dialog/DialogDriver.h"
#include "tests/scenarios/PluginUnderTest.h"
#include "tests/util/FaultSweep.h"
#include "tests/util/HostedRun.h"
#include "tests/util/SceneImages.h"
#include "tools/velmora/FilterImage.h"
#include "tools/velmora/ImageIo.h"
#include "ui/DialogIds.h"

using dialogtest::DialogDriver;
using testhost::TestHost;

namespace {

constexpr const char* kDialogCaption = "VELMORA  v" VELMORA_VERSION;

// The host's main window: the dialogs' owner, with an arrow class cursor.
HWND hostWindow() {
    static HWND window = [] {
        WNDCLASSA c = {};
        c.lpfnWndProc = DefWindowProcA;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hCursor = LoadCursor(nullptr, IDC_ARROW);
        c.lpszClassName = "VelmoraTestHostWindow";
        RegisterClassA(&c);
        return CreateWindowA(c.lpszClassName, "Test host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                             c.hInstance, nullptr);
    }();
    return window;
}

// A recorded step that shows the dialog; Color Intensity as shown (-2..2).
testhost::TestHostOptions interactive(double amount = 10, double color = 0) {
    testhost::TestHostOptions o;
    o.parentWindow = reinterpret_cast<intptr_t>(hostWindow());
    o.replay.present = true;
    o.replay.playInfo = plugInDialogDisplay;
    o.replay.values = {{keyAmount, amount}, {keyVibrance, color}};
    return o;
}

// The dialog's parameter record, read while the dialog runs.
struct Shown {
    float amount, vibrance;
};
Shown recordOf(TestHost& host) {
    const float* p = *reinterpret_cast<float* const*>(host.record().parameters);
    return {p[0], p[1]};
}

// The dialog as it opens (as large as the screen allows, or as it was left).
int16_t runDialogAsOpened(TestHost& host, const std::function<void(DialogDriver&)>& user) {
    usePluginUnderTest(host);
    int16_t result = 0;
    dialogtest::runWithUser([&] { result = host.runFilter(); }, kDialogCaption, user);
    return result;
}

// The dialog at its smallest size, its layout's own, where the places the
// tests click at are known.
int16_t runDialog(TestHost& host, const std::function<void(DialogDriver&)>& user) {
    return runDialogAsOpened(host, [&](DialogDriver& d) {
        d.resizeTo(1, 1);
        user(d);
    });
}

// The last pictures handed to displayPixels for each pane: the navigator sits
// right of the preview.
const testhost::DisplayCall* lastCall(const TestHost& host, bool navigator) {
    int32_t navigatorCol = 0;
    for (const auto& call : host.displayCalls()) navigatorCol = std::max(navigatorCol, call.dstCol);
    const testhost::DisplayCall* found = nullptr;
    for (const auto& call : host.displayCalls())
        if ((call.dstCol == navigatorCol) == navigator) found = &call;
    return found;
}

double mean(const std::vector<uint8_t>& bytes) {
    double sum = 0;
    for (uint8_t b : bytes) sum += b;
    return bytes.empty() ? 0 : sum / double(bytes.size());
}

}  // namespace

// The dialog shows the values truncated and works on its own copy of them:
// the run's parameter record stays as it was while the dialog runs and after
// Cancel.
TEST(MainDialog, OpensWithTheValuesTruncatedAndCancelLeavesTheRecordAlone) {
    TestHost host(scenes::darkRoom(1200, 900), interactive(7.6, -0.5));
    const std::vector<uint8_t> original = host.image().data;
    Shown opened = {}, atCancel = {};
    int16_t result = runDialog(host, [&](DialogDriver& d) {
        EXPECT_EQ(d.text(ID_BRIGHTNESS_EDIT), "7");
        EXPECT_EQ(d.text(ID_INTENSITY_EDIT), "0");
        opened = recordOf(host);
        EXPECT_EQ(d.trackbarPosition(ID_BRIGHTNESS_SLIDER), 7);
        EXPECT_EQ(d.trackbarPosition(ID_INTENSITY_SLIDER), 2);
        EXPECT_TRUE(d.checked(ID_AFTER));
        EXPECT_FALSE(d.checked(ID_BEFORE));
        EXPECT_FALSE(d.enabled(ID_ZOOM_OUT));
        EXPECT_TRUE(d.enabled(ID_ZOOM_IN));
        EXPECT_EQ(d.text(ID_TITLE_TEXT), "Automatically Reveals Details Hidden in Shadows");
        char caption[64] = {};
        GetWindowTextA(d.dialog(), caption, sizeof caption);
        EXPECT_STREQ(caption, kDialogCaption);
        d.typeInto(ID_BRIGHTNESS_EDIT, "12");
        d.clickButton(ID_DEFAULTS);
        d.waitForTimer();
        atCancel = recordOf(host);
        d.pressKey(VK_ESCAPE);
    });
    EXPECT_TRUE(host.image().data == original);
    EXPECT_EQ(opened.amount, 7.6f);
    EXPECT_EQ(opened.vibrance, 1.5f);
    EXPECT_EQ(atCancel.amount, 7.6f);  // the edit is the dialog's until OK
    EXPECT_EQ(atCancel.vibrance, 1.5f);
    EXPECT_EQ(result, userCanceledErr);
    EXPECT_TRUE(host.recordedDescriptor().empty());  // nothing of the edit is recorded
    EXPECT_TRUE(host.leaks().empty());
    EXPECT_TRUE(host.violations().empty());
}

// The trackbars' positions are the settings the dialog holds (amount, and
// vibrance = Color Intensity + 2); the run's record is written on OK only.
TEST(MainDialog, EditBoxesAndTrackbarsKeepTheSettingsInStep) {
    TestHost host(scenes::darkRoom(1200, 900), interactive());
    int16_t result = runDialog(host, [&](DialogDriver& d) {
        auto amount = [&] { return d.trackbarPosition(ID_BRIGHTNESS_SLIDER); };
        auto vibrance = [&] { return d.trackbarPosition(ID_INTENSITY_SLIDER); };
        d.type(ID_BRIGHTNESS_EDIT, "25");  // clamped and written back
        EXPECT_EQ(d.text(ID_BRIGHTNESS_EDIT), "20");
        EXPECT_EQ(amount(), 20);
        EXPECT_EQ(recordOf(host).amount, 10.0f);  // not the record's until OK
        d.type(ID_INTENSITY_EDIT, "3");
        EXPECT_EQ(d.text(ID_INTENSITY_EDIT), "2");
        EXPECT_EQ(vibrance(), 4);
        d.type(ID_INTENSITY_EDIT, "x");  // not a number: the box shows the value again
        EXPECT_EQ(vibrance(), 4);
        EXPECT_EQ(d.text(ID_INTENSITY_EDIT), "2");

        d.key(ID_BRIGHTNESS_SLIDER, VK_PRIOR);  // page: 5 steps
        EXPECT_EQ(amount(), 15);
        EXPECT_EQ(d.text(ID_BRIGHTNESS_EDIT), "15");
        d.key(ID_INTENSITY_SLIDER, VK_PRIOR);  // page: 1 step
        EXPECT_EQ(vibrance(), 3);
        d.key(ID_INTENSITY_SLIDER, VK_HOME);
        EXPECT_EQ(vibrance(), 0);
        EXPECT_EQ(d.text(ID_INTENSITY_EDIT), "-2");
        d.key(ID_BRIGHTNESS_SLIDER, VK_END);
        EXPECT_EQ(amount(), 20);
        d.thumb(ID_BRIGHTNESS_SLIDER, TB_THUMBTRACK, 3);
        EXPECT_EQ(amount(), 3);
        EXPECT_EQ(d.text(ID_BRIGHTNESS_EDIT), "3");

        d.paste(ID_BRIGHTNESS_EDIT, "65535");  // beyond the range: clamped and shown
        EXPECT_EQ(amount(), 20);
        EXPECT_EQ(d.text(ID_BRIGHTNESS_EDIT), "20");
        d.paste(ID_INTENSITY_EDIT, "65534");
        EXPECT_EQ(vibrance(), 4);
        EXPECT_EQ(d.text(ID_INTENSITY_EDIT), "2");

        d.click(ID_DEFAULTS);
        EXPECT_EQ(d.text(ID_BRIGHTNESS_EDIT), "10");
        EXPECT_EQ(d.text(ID_INTENSITY_EDIT), "0");
        EXPECT_EQ(d.trackbarPosition(ID_BRIGHTNESS_SLIDER), 10);
        EXPECT_EQ(d.trackbarPosition(ID_INTENSITY_SLIDER), 2);
        d.type(ID_BRIGHTNESS_EDIT, "4");
        d.click(ID_OK);
    });
    EXPECT_EQ(result, 0);
    auto recorded = host.recordedDescriptor();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].second, 4.0);
    EXPECT_EQ(recorded[1].second, 0.0);
    EXPECT_TRUE(host.leaks().empty());
}

namespace {

// The tool's bytes: the image filtered at the settings (as shown) by a
// replayed step without the dialog, as the command-line tool runs it.
testhost::HostImage toolOutput(const testhost::HostImage& image, double amount, double color) {
    testhost::TestHostOptions replayed;
    replayed.replay.present = true;
    replayed.replay.values = {{keyAmount, amount}, {keyVibrance, color}};
    TestHost reference(image, replayed);
    reference.setEntry(pluginUnderTest());
    EXPECT_EQ(reference.runFilter(), 0);
    return reference.image();
}

}  // namespace

// What the user sees is what they get: OK right after a change, before the
// recomputation's wait is over, renders with the new setting, as a run without the dialog does.
TEST(MainDialog, OkRendersWithTheSettingsShownEvenBeforeTheTimerFires) {
    TestHost host(scenes::darkRoom(1200, 900), interactive(10, 0));
    double previewAt10 = 0, previewAt20 = 0;
    int16_t result = runDialog(host, [&](DialogDriver& d) {
        d.settle();
        previewAt10 = mean(lastCall(host, false)->pixels);
        d.type(ID_BRIGHTNESS_EDIT, "20");
        d.waitForTimer();
        previewAt20 = mean(lastCall(host, false)->pixels);
        d.type(ID_BRIGHTNESS_EDIT, "3");
        d.click(ID_OK);
    });
    EXPECT_EQ(result, 0);
    EXPECT_GT(previewAt20, previewAt10 + 1.0);  // the timer recomputed the preview

    EXPECT_TRUE(host.image().data == toolOutput(scenes::darkRoom(1200, 900), 3, 0).data);
}

namespace {

// Pixels of a preview picture that differ from the host's own at the last
// request's rectangle and sampling step (the unprocessed view).
int differencesFromHost(const TestHost& host, const testhost::HostImage& original) {
    const testhost::DisplayCall* shown = lastCall(host, false);
    const testhost::AdvanceRequest& r = host.requests().back();
    int k = r.inputRate >> 16;
    int w = shown->srcRect.right, h = shown->srcRect.bottom;
    int differences = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                if (shown->pixels[(size_t(y) * size_t(w) + size_t(x)) * 3 + size_t(c)] !=
                    original.at(c, (r.inRect.top + y) * k, (r.inRect.left + x) * k))
                    ++differences;
    return differences;
}

// Recomputations of the processed proxy: each asks for one float plane of the
// proxy's size (the 1200 x 900 image's proxy is 600 x 450), as does the proxy
// stage for its channel plane.
int recomputations(const TestHost& host) {
    int planes = 0;
    for (int32_t size : host.bufferRequests()) planes += size == 600 * 450 * 4;
    return planes;
}

}  // namespace

TEST(MainDialog, BeforeShowsTheHostsUnprocessedPixels) {
    TestHost host(scenes::darkRoom(1200, 900), interactive());
    const testhost::HostImage original = host.image();
    int16_t result = runDialog(host, [&](DialogDriver& d) {
        d.click(ID_BEFORE);
        d.settle();
        EXPECT_EQ(differencesFromHost(host, original), 0);
        double beforeMean = mean(lastCall(host, false)->pixels);
        d.click(ID_AFTER);
        d.settle();
        EXPECT_GT(mean(lastCall(host, false)->pixels), beforeMean + 5.0);  // shadows lifted
        d.click(ID_CANCEL);
    });
    EXPECT_EQ(result, userCanceledErr);
}

namespace {

// The overview the dialog shows after its first paint, computed by the
// plug-in's own code linked into this program: the processed proxy of a
// replayed run at the same settings, resampled whole into a w x h pane.
std::vector<uint8_t> processedProxyResampled(const testhost::HostImage& image, int w, int h) {
    testhost::TestHostOptions options;
    options.replay.present = true;
    options.replay.values = {{keyAmount, 10}, {keyVibrance, 0}};
    // The run's records stay locked until Finish: recompute the preview planes
    // as the dialog does, from the unfiltered image.
    testutil::HostedRun reference(image, options, testutil::RunStage::Started);
    std::vector<uint8_t> pane(size_t(w) * size_t(h) * 3);
    if (reference.stageResult != 0) return {};
    reference.host->image() = image;
    PreviewContext preview = runPreviewContext();
    if (rebuildProxyResult(preview) != 1) return {};
    int16_t pw = runData->proxyWidth, ph = runData->proxyHeight;
    std::vector<uint8_t> planar(pane.size());
    for (int c = 0; c < 3; ++c)
        resampleBytes(previewPlane(runData, c), pw, ph, pw, Rect{0, 0, ph, pw}, planar.data() + size_t(c) * w * h, w,
                      h, w);
    interleavePlanes(planar.data(), int16_t(w), int16_t(h), pane.data());
    return pane;
}

}  // namespace

TEST(MainDialog, TheOverviewIsTheProcessedProxyResampled) {
    TestHost host(scenes::darkRoom(1200, 900), interactive());
    testhost::DisplayCall overview;
    runDialog(host, [&](DialogDriver& d) {
        overview = *lastCall(host, false);
        d.click(ID_CANCEL);
    });
    std::vector<uint8_t> expected =
        processedProxyResampled(scenes::darkRoom(1200, 900), overview.srcRect.right, overview.srcRect.bottom);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(overview.pixels == expected);
}

TEST(MainDialog, TheTimerRecomputesOnceAfterTheLastChange) {
    TestHost host(scenes::darkRoom(1200, 900), interactive());
    runDialog(host, [&](DialogDriver& d) {
        d.waitForTimer();  // set-up's own edit-box writes started the timer: it has fired
        int opened = recomputations(host);
        d.waitForTimer();
        EXPECT_EQ(recomputations(host), opened);  // the timer was killed
        // A burst of changes costs one recomputation.
        d.type(ID_BRIGHTNESS_EDIT, "1");
        d.key(ID_BRIGHTNESS_SLIDER, VK_RIGHT);
        d.thumb(ID_INTENSITY_SLIDER, TB_THUMBTRACK, 3);
        d.waitForTimer();
        EXPECT_EQ(recomputations(host), opened + 1);
        // The half-resolution image is read from the host once for the masks
        // and once for the first recomputation; later ones reuse it.
        int halfResolutionReads = 0;
        for (const auto& r : host.requests()) halfResolutionReads += r.inputRate == 0x20000 && !rectIsEmpty(r.inRect);
        EXPECT_EQ(halfResolutionReads, 2);
        d.click(ID_CANCEL);
    });
}

// The first recomputation fetches the half-resolution image from the host
// (the masks' read is the run's first request, the navigator's the second):
// a host error there ends the dialog as out of memory.
TEST(MainDialog, AHostErrorDuringRecomputationEndsTheDialog) {
    testhost::TestHostOptions options = interactive();
    options.faults.failAdvanceState = 3;
    options.faults.advanceStateError = -1;
    TestHost host(scenes::darkRoom(1200, 900), options);
    bool stillOpen = false;  // the dialog may close before the user sees it
    int16_t result = runDialog(host, [&](DialogDriver& d) {
        for (int i = 0; i < 150 && IsWindow(d.dialog()); ++i) Sleep(20);
        stillOpen = IsWindow(d.dialog()) != FALSE;
    });
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(result, memFullErr);
    ASSERT_GE(host.requests().size(), 3u);
    EXPECT_EQ(host.requests()[2].inputRate, 0x20000);  // the failed request was the recomputation's
    EXPECT_TRUE(host.leaks().empty());
}

TEST(MainDialog, ZoomButtonsStepThroughTheLevelsAndFullSizeComesFromTheHost) {
    TestHost host(scenes::darkRoom(1200, 900), interactive());
    runDialog(host, [&](DialogDriver& d) {
        std::string overview = d.text(ID_ZOOM_LABEL);
        int levels = 0;
        while (d.enabled(ID_ZOOM_IN) && levels < 17) {
            d.click(ID_ZOOM_IN);
            ++levels;
        }
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), "400%");
        EXPECT_TRUE(d.enabled(ID_ZOOM_OUT));
        EXPECT_EQ(d.focused(), d.item(ID_ZOOM_OUT));
        d.click(ID_ZOOM_OUT);
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), "200%");
        d.click(ID_ZOOM_OUT);
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), "100%");
        levels -= 2;
        EXPECT_GE(levels, 2);
        d.settle();  // the zoom's own repaint is over before counting
        size_t before = host.requests().size();
        InvalidateRect(d.dialog(), nullptr, FALSE);
        d.settle();
        // At 100 % the processed pixels come from the host, its three planes at step 1.
        int fullSizeReads = 0;
        for (size_t i = before; i < host.requests().size(); ++i) {
            const auto& r = host.requests()[i];
            if (r.inputRate == 0x10000 && r.inLoPlane == 0 && r.inHiPlane == 2 && rectIsEmpty(r.outRect))
                ++fullSizeReads;
        }
        EXPECT_GE(fullSizeReads, 1);
        d.click(ID_ZOOM_OUT);
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), "50%");
        for (int i = 1; i < levels; ++i) d.click(ID_ZOOM_OUT);
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), overview);
        EXPECT_FALSE(d.enabled(ID_ZOOM_OUT));
        d.click(ID_CANCEL);
    });
    EXPECT_TRUE(host.leaks().empty());
}

namespace {

// The red frame's top-left corner inside the navigator, as drawn on screen.
POINT frameCorner(const DialogDriver& d, const testhost::DisplayCall& navigator) {
    POINT corner = {-1, -1};
    for (int y = navigator.dstRow; y < navigator.dstRow + navigator.srcRect.bottom && corner.x < 0; ++y)
        for (int x = navigator.dstCol; x < navigator.dstCol + navigator.srcRect.right; ++x)
            if (d.screenPixel(x, y) == RGB(255, 0, 0)) {
                corner = {x, y};
                break;
            }
    return corner;
}

}  // namespace

TEST(MainDialog, DraggingTheNavigatorFrameMovesTheViewAndAClickBesideItCentresIt) {
    TestHost host(scenes::darkRoom(1200, 900), interactive());
    const testhost::HostImage original = host.image();
    runDialog(host, [&](DialogDriver& d) {
        d.click(ID_ZOOM_IN);
        d.click(ID_ZOOM_IN);
        d.settle();
        const testhost::DisplayCall navigator = *lastCall(host, true);
        POINT start = frameCorner(d, navigator);
        // The frame's size on screen: the red of its top edge right of the corner, of its left edge below it.
        int frameW = 0, frameH = 0;
        for (int x = start.x + 1; x < navigator.dstCol + navigator.srcRect.right; ++x)
            if (d.screenPixel(x, start.y) == RGB(255, 0, 0)) frameW = x - start.x;
        for (int y = start.y + 1; y < navigator.dstRow + navigator.srcRect.bottom; ++y)
            if (d.screenPixel(start.x, y) == RGB(255, 0, 0)) frameH = y - start.y;
        ASSERT_GT(frameW, 10);
        ASSERT_GE(start.x, navigator.dstCol);
        // Grab the frame near its corner and drag it right and down.
        int x = start.x + 5, y = start.y + 5;
        d.mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        d.settle();
        EXPECT_EQ(differencesFromHost(host, original), 0);  // unprocessed while dragging
        d.mouse(WM_MOUSEMOVE, x + 10, y + 8, MK_LBUTTON);
        d.mouse(WM_MOUSEMOVE, x + 10, y + 8, MK_LBUTTON | MK_SHIFT);  // with Shift: only hovering
        d.mouse(WM_MOUSEMOVE, x + 20, y + 15, MK_LBUTTON);
        d.mouse(WM_LBUTTONUP, x + 20, y + 15, 0);
        d.settle();
        POINT moved = frameCorner(d, navigator);
        EXPECT_NEAR(moved.x - start.x, 20, 1);
        EXPECT_NEAR(moved.y - start.y, 15, 1);

        // Dragged far beyond the navigator, the view stops at the image's corner.
        d.mouse(WM_LBUTTONDOWN, moved.x + 5, moved.y + 5, MK_LBUTTON);
        d.mouse(WM_MOUSEMOVE, moved.x - 2000, moved.y - 2000, MK_LBUTTON);
        d.mouse(WM_LBUTTONUP, moved.x - 2000, moved.y - 2000, 0);
        d.settle();
        POINT corner = frameCorner(d, navigator);
        EXPECT_EQ(corner.x, navigator.dstCol);
        EXPECT_EQ(corner.y, navigator.dstRow);

        // A click beside the frame centres the view on it.
        int cx = navigator.dstCol + navigator.srcRect.right * 3 / 5;
        int cy = navigator.dstRow + navigator.srcRect.bottom * 3 / 5;
        d.mouse(WM_LBUTTONDOWN, cx, cy, MK_LBUTTON);
        d.mouse(WM_LBUTTONUP, cx, cy, 0);
        d.settle();
        POINT centred = frameCorner(d, navigator);
        EXPECT_NEAR(centred.x, cx - frameW / 2, 2);
        EXPECT_NEAR(centred.y, cy - frameH / 2, 2);
        EXPECT_TRUE(d.checked(ID_AFTER));
        d.click(ID_CANCEL);
    });
    EXPECT_TRUE(host.leaks().empty());
}

// A small image is shown whole at 100 % from the start (it fits the pane),
// then enlarged to 200 % and 400 %.
TEST(MainDialog, ASmallImageIsWholeAtFullSizeAndEnlargesTo400Percent) {
    TestHost host(scenes::darkRoom(350, 350), interactive());
    runDialog(host, [&](DialogDriver& d) {
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), "100%");
        EXPECT_FALSE(d.enabled(ID_ZOOM_OUT));
        d.settle();
        // 100 %: the pane's pixels at sampling step 1, the whole image.
        const testhost::DisplayCall* preview = lastCall(host, false);
        EXPECT_EQ(preview->srcRect.right, 350);
        EXPECT_EQ(host.requests().back().inputRate, 0x10000);
        d.click(ID_ZOOM_IN);
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), "200%");
        d.click(ID_ZOOM_IN);
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), "400%");
        EXPECT_FALSE(d.enabled(ID_ZOOM_IN));
        EXPECT_EQ(d.focused(), d.item(ID_ZOOM_OUT));  // the disabled button loses the focus to "-"
        d.click(ID_CANCEL);
    });
}

namespace {

// Runs the dialog on a 1300 x 950 image filtering `f`, zooms in once and
// returns the frame's corner relative to the navigator's.
POINT frameOffsetAfterZoomIn(const Rect& f, const std::function<void(TestHost&, DialogDriver&)>& check) {
    testhost::TestHostOptions options = interactive();
    options.filterRect = f;
    options.filterCase = filterCaseFlatImageWithSelection;
    TestHost host(scenes::darkRoom(1300, 950), options);
    std::vector<uint8_t> selection(size_t(1300) * 950);
    for (int y = 0; y < 950; ++y)
        for (int x = 0; x < 1300; ++x) selection[size_t(y) * 1300 + size_t(x)] = uint8_t((x / 3 + y / 2) & 0xFF);
    host.setSelection(selection);
    POINT offset = {-1, -1};
    int16_t result = runDialog(host, [&](DialogDriver& d) {
        check(host, d);
        d.click(ID_ZOOM_IN);
        d.settle();
        const testhost::DisplayCall navigator = *lastCall(host, true);
        POINT corner = frameCorner(d, navigator);
        offset = {corner.x - navigator.dstCol, corner.y - navigator.dstRow};
        d.click(ID_OK);
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(host.violations().empty());
    EXPECT_TRUE(host.leaks().empty());
    return offset;
}

}  // namespace

// A filter rectangle away from the origin with a selection: the panes show
// that rectangle, the selection travels with the pixels, and the frame sits
// where it sits for the same rectangle at the origin.
TEST(MainDialog, AFilterRectangleAwayFromTheOriginWithASelection) {
    POINT away = frameOffsetAfterZoomIn({101, 203, 801, 1103}, [](TestHost& host, DialogDriver& d) {
        const testhost::HostImage original = host.image();
        d.click(ID_BEFORE);
        d.settle();
        EXPECT_EQ(differencesFromHost(host, original), 0);
        const testhost::DisplayCall* before = lastCall(host, false);
        // The selection is asked for just before the pixels, over the same rectangle.
        const auto& requests = host.requests();
        ASSERT_GE(requests.size(), 2u);
        const testhost::AdvanceRequest& r = requests[requests.size() - 2];
        EXPECT_EQ(r.maskRect.top, requests.back().inRect.top);
        EXPECT_EQ(r.maskRect.left, requests.back().inRect.left);
        // The pictures show the selection applied; none goes with them for the host to show again.
        EXPECT_FALSE(before->hasMask);
        d.click(ID_AFTER);
    });
    POINT atOrigin = frameOffsetAfterZoomIn({0, 0, 700, 900}, [](TestHost&, DialogDriver&) {});
    EXPECT_GT(away.x, 0);
    EXPECT_NEAR(away.x, atOrigin.x, 1);  // rounding to even coordinates may differ by one
    EXPECT_NEAR(away.y, atOrigin.y, 1);
}

// A host without displayPixels: the dialog draws the panes itself.
TEST(MainDialog, WithoutTheHostsDisplayPixelsThePanesAreStillDrawn) {
    testhost::DisplayCall shown;
    {
        TestHost host(scenes::darkRoom(1200, 900), interactive());
        runDialog(host, [&](DialogDriver& d) {
            d.click(ID_BEFORE);
            d.settle();
            shown = *lastCall(host, false);
            d.click(ID_CANCEL);
        });
    }
    testhost::TestHostOptions options = interactive();
    options.withholdDisplayPixels = true;
    TestHost host(scenes::darkRoom(1200, 900), options);
    int differences = 0, samples = 0;
    runDialog(host, [&](DialogDriver& d) {
        d.click(ID_BEFORE);
        d.settle();
        int w = shown.srcRect.right, h = shown.srcRect.bottom;
        for (int y = 0; y < h; y += 17)
            for (int x = 0; x < w; x += 13, ++samples) {
                const uint8_t* p = &shown.pixels[(size_t(y) * size_t(w) + size_t(x)) * 3];
                differences += d.screenPixel(shown.dstCol + x, shown.dstRow + y) != RGB(p[0], p[1], p[2]);
            }
        d.click(ID_CANCEL);
    });
    EXPECT_GT(samples, 100);
    EXPECT_EQ(differences, 0);
    EXPECT_TRUE(host.displayCalls().empty());
}

namespace {

constexpr const char* kHelpKey = "SOFTWARE\\TARVIC\\MLX Plug-Ins\\VLM\\10";

void setHelpValue(DWORD type, const void* data, DWORD size) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kHelpKey);
    if (data == nullptr) return;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kHelpKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "HelpFile", 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

// Presses Help and returns the message it shows ("" when none within a few seconds).
std::string helpMessage(DialogDriver& d) {
    d.clickLater(ID_HELP_BUTTON);
    HWND box = dialogtest::waitForWindow(kErrorCaption, 5000);
    return box ? dialogtest::answerMessageBox(box) : "";
}

}  // namespace

TEST(MainDialog, HelpFindsItsFolderInTheRegistry) {
    TestHost host(scenes::darkRoom(1200, 900), interactive());
    runDialog(host, [&](DialogDriver& d) {
        setHelpValue(REG_SZ, nullptr, 0);
        EXPECT_EQ(helpMessage(d), kMessageNoHelpLocation);
        DWORD number = 7;
        setHelpValue(REG_DWORD, &number, sizeof number);
        EXPECT_EQ(helpMessage(d), kMessageNoHelpLocation);
        const char unterminated[] = {'C', ':', '\\'};
        setHelpValue(REG_SZ, unterminated, sizeof unterminated);
        EXPECT_EQ(helpMessage(d), kMessageNoHelpLocation);
        // A valid folder reaches the shell; the test run has no browser for it.
        const char folder[] = "C:\\velmora\\";
        setHelpValue(REG_SZ, folder, sizeof folder);
        EXPECT_EQ(helpMessage(d), "Help could not be opened");
        setHelpValue(REG_SZ, nullptr, 0);
        EXPECT_TRUE(IsWindow(d.dialog()));  // the dialog stays open
        d.click(ID_CANCEL);
    });
}

// A pane buffer the host's buffer suite refuses comes from the process heap:
// the dialog works, OK filters the image, and nothing leaks.
TEST(MainDialog, PaneBuffersTheHostRefusesComeFromTheHeap) {
    std::vector<int32_t> requests;
    int32_t previewPixels = 0;
    {
        TestHost probe(scenes::darkRoom(1200, 900), interactive());
        runDialogAsOpened(probe, [&](DialogDriver& d) {
            RECT pane = d.itemRect(ID_PREVIEW_PANE);  // the picture's area lies inside its border
            previewPixels = (pane.right - pane.left - 4) * (pane.bottom - pane.top - 4);
            d.click(ID_CANCEL);
        });
        requests = probe.bufferRequests();
    }
    // The preview's RGB buffer (for its whole area) is the first request of its size, its mask the next.
    auto first = std::find(requests.begin(), requests.end(), previewPixels * 3);
    ASSERT_NE(first, requests.end());
    int firstPane = int(first - requests.begin()) + 1;
    EXPECT_EQ(requests[size_t(firstPane)], previewPixels);
    for (int n = firstPane; n < firstPane + 4; ++n) {
        testhost::TestHostOptions options = interactive();
        options.faults.failBufferAllocation = n;
        TestHost host(scenes::darkRoom(1200, 900), options);
        const std::vector<uint8_t> original = host.image().data;
        int16_t result = runDialogAsOpened(host, [&](DialogDriver& d) { d.click(ID_OK); });
        EXPECT_EQ(result, 0) << n;
        EXPECT_TRUE(host.image().data != original) << n;
        EXPECT_TRUE(host.leaks().empty()) << n;
        EXPECT_TRUE(host.violations().empty()) << n;
    }
}

TEST(AboutBox, ShowsTheVersionAndClosesWithOkOrEsc) {
    for (int closeWith : {ID_ABOUT_OK, IDCANCEL}) {
        testhost::TestHostOptions options;
        options.parentWindow = reinterpret_cast<intptr_t>(hostWindow());
        TestHost host(scenes::darkRoom(400, 400), options);
        host.setEntry(pluginUnderTest());
        int16_t result = -1;
        std::string version;
        dialogtest::runWithUser([&] { result = host.runAbout(); }, "VELMORA Plug-In", [&](DialogDriver& d) {
            version = d.text(ID_ABOUT_VERSION);
            if (closeWith == ID_ABOUT_OK)
                d.click(ID_ABOUT_OK);
            else
                SendMessageA(d.dialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        });
        EXPECT_EQ(version, "Version " VELMORA_VERSION "  (10/2004)");
        EXPECT_EQ(result, 0);
    }
}

// The README's pictures: the dialog on a real photo at a size that reads
// well on a page, After, Before, split at 100 % and at 400 %, and the About
// box; at another text size than 96 dots per inch the dialog's pictures are
// named with it. Runs when VELMORA_SCREENSHOTS names a folder and
// VELMORA_DIALOG_PHOTO a PPM or PNG photo.
TEST(Screenshots, DialogAndAboutBox) {
    const char* folder = std::getenv("VELMORA_SCREENSHOTS");
    const char* photo = std::getenv("VELMORA_DIALOG_PHOTO");
    if (folder == nullptr || photo == nullptr) GTEST_SKIP() << "no screenshot folder or photo named";
    cli::SourceImage source;
    std::string error;
    ASSERT_TRUE(cli::readImage(photo, &source, &error)) << error;
    std::string dir = folder;
    const char* dpi = std::getenv("VELMORA_DIALOG_DPI");
    const std::string suffix = dpi == nullptr || std::string(dpi) == "96" ? "" : std::string("-") + dpi + "dpi";
    TestHost host(cli::toPlanar(source.pixels), interactive(12, 0));
    runDialogAsOpened(host, [&](DialogDriver& d) {
        d.resizeTo(1, 1);
        SIZE smallest = d.windowSize();
        d.resizeTo(smallest.cx * 13 / 10, smallest.cy * 13 / 10);
        d.waitForTimer();
        EXPECT_TRUE(d.saveScreenshot(dir + "/dialog-after" + suffix + ".png"));
        if (!suffix.empty()) return;
        d.click(ID_BEFORE);
        d.settle();
        EXPECT_TRUE(d.saveScreenshot(dir + "/dialog-before.png"));
        d.click(ID_AFTER);
        while (d.text(ID_ZOOM_LABEL) != "100%") d.click(ID_ZOOM_IN);
        d.click(ID_SPLIT);
        d.settle();
        EXPECT_TRUE(d.saveScreenshot(dir + "/dialog-split-100-percent.png"));
        d.click(ID_SPLIT);
        // From the whole image the wheel zooms in on the seed head, left of the middle.
        while (d.enabled(ID_ZOOM_OUT)) d.click(ID_ZOOM_OUT);
        const testhost::DisplayCall whole = *lastCall(host, false);
        int x = whole.dstCol + whole.srcRect.right * 33 / 100, y = whole.dstRow + whole.srcRect.bottom * 40 / 100;
        for (int i = 0; i < 16 && d.enabled(ID_ZOOM_IN); ++i) d.wheelAt(x, y, 1);
        d.settle();
        EXPECT_TRUE(d.saveScreenshot(dir + "/dialog-400-percent.png"));
        d.click(ID_CANCEL);
    });
    if (!suffix.empty()) return;
    testhost::TestHostOptions options;
    options.parentWindow = reinterpret_cast<intptr_t>(hostWindow());
    TestHost about(scenes::darkRoom(400, 400), options);
    about.setEntry(pluginUnderTest());
    dialogtest::runWithUser([&] { about.runAbout(); }, "VELMORA Plug-In", [&](DialogDriver& d) {
        d.settle();
        EXPECT_TRUE(d.saveScreenshot(dir + "/about-box.png"));
        d.click(ID_ABOUT_OK);
    });
}

// In every host profile a user who opens the dialog on a real photo, zooms to
// 100 % and back, sets the values and presses OK gets the reference host's
// bytes: in the hosts without scripting this is the only way to run the filter.
// Then the user undoes the run and repeats it in a freshly loaded plug-in: the
// hosts with scripting replay the recorded step without the dialog, the others
// open it again; the bytes are the reference's again.
TEST(HostProfiles, AnInteractiveRunAndItsRepeatGiveTheReferenceBytes) {
    const char* photo = std::getenv("VELMORA_DIALOG_PHOTO");
    if (photo == nullptr) GTEST_SKIP() << "no photo named";
    cli::SourceImage source;
    std::string error;
    ASSERT_TRUE(cli::readImage(photo, &source, &error)) << error;
    testhost::HostImage image = cli::toPlanar(source.pixels);
    testhost::HostImage want;
    auto setValuesAndConfirm = [](DialogDriver& d) {
        d.type(ID_BRIGHTNESS_EDIT, "14");
        d.type(ID_INTENSITY_EDIT, "-1");
        d.waitForTimer();
        d.click(ID_OK);
    };
    for (const std::string& profile : testhost::hostProfileNames()) {
        testhost::TestHostOptions options = interactive(10, 0);
        ASSERT_TRUE(testhost::applyHostProfile(profile, &options));
        TestHost host(image, options);
        int16_t result = runDialog(host, [&](DialogDriver& d) {
            d.settle();
            while (d.text(ID_ZOOM_LABEL) != "100%") d.click(ID_ZOOM_IN);
            d.click(ID_BEFORE);
            d.click(ID_AFTER);
            while (d.enabled(ID_ZOOM_OUT)) d.click(ID_ZOOM_OUT);
            setValuesAndConfirm(d);
        });
        ASSERT_EQ(result, 0) << profile;
        EXPECT_TRUE(host.violations().empty()) << profile << ": " << host.violations().front();
        if (profile == "reference") want = host.image();
        EXPECT_FALSE(host.image().data == image.data) << profile;
        EXPECT_TRUE(host.image().data == want.data) << profile;

        host.image() = image;
        host.reloadPlugin();
        int16_t repeated = -1;
        dialogtest::runWithUser([&] { repeated = host.repeatFilter(); }, kDialogCaption, setValuesAndConfirm);
        ASSERT_EQ(repeated, 0) << profile;
        EXPECT_TRUE(host.violations().empty()) << profile << ": " << host.violations().front();
        EXPECT_TRUE(host.leaks().empty()) << profile << ": " << host.leaks().front();
        EXPECT_TRUE(host.image().data == want.data) << profile << ", repeated";
    }
}

// Every failure point of an interactive run of the real DLL, in turn, with a
// user who presses OK, and one who presses Cancel, as soon as the dialog is up.
TEST(FaultSweep, DialogConfirmedAndCancelled) {
    testhost::HostImage input = scenes::darkRoom(420, 390);
    for (bool cancel : {false, true}) {
        auto run = [&](const testhost::Faults& faults, int trackedFault) {
            testhost::TestHostOptions options = testutil::sweptStep(true);
            options.parentWindow = reinterpret_cast<intptr_t>(hostWindow());
            options.faults = faults;
            testutil::failTrackedAllocation(trackedFault);
            testutil::SweepOutcome out;
            {
                TestHost host(input, options);
                out.result = runDialog(host, [&](DialogDriver& d) { d.click(cancel ? ID_CANCEL : ID_OK); });
                out.image = host.image();
                out.leaks = host.leaks();
                out.points = host.faultPoints();
            }
            testutil::failTrackedAllocation(0);
            return out;
        };
        testutil::sweepFaults(cancel ? "DLL dialog, Cancel" : "DLL dialog, OK", input, true, cancel, run);
    }
}

// ------------------------------------------------------------------ what the dialog shows is so
// A photographer's checks, with real mouse and keyboard input on the virtual
// screen, reading the pictures back from the screen.

namespace {

// The photo a variable names (PPM or PNG) as the host's image; empty when none is named.
testhost::HostImage photoNamed(const char* variable) {
    const char* path = std::getenv(variable);
    cli::SourceImage source;
    std::string error;
    if (path == nullptr || !cli::readImage(path, &source, &error)) return {};
    return cli::toPlanar(source.pixels);
}

// A pane's picture as it stands on the screen, packed RGB.
std::vector<uint8_t> onScreen(const DialogDriver& d, const testhost::DisplayCall& pane) {
    return d.screenRgb({pane.dstCol, pane.dstRow, pane.dstCol + pane.srcRect.right, pane.dstRow + pane.srcRect.bottom});
}

// The image's pixels over r, packed RGB.
std::vector<uint8_t> pixelsOf(const testhost::HostImage& image, const Rect& r) {
    std::vector<uint8_t> rgb;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            for (int c = 0; c < 3; ++c) rgb.push_back(image.at(c, y, x));
    return rgb;
}

int differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
    return n;
}

// A soft selection: nothing at the left, fully selected at the right.
std::vector<uint8_t> rampSelection(int width, int height) {
    std::vector<uint8_t> mask(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) mask[size_t(y) * width + x] = uint8_t(std::min(255, std::max(0, (x - width / 4) * 510 / width)));
    return mask;
}

}  // namespace

// At 100 % the After picture on the screen is, pixel for pixel, what OK then
// writes there: on photos of even and odd sizes, at two settings each, with
// and without a soft selection, in a part of the image away from its centre.
TEST(TruthfulDialog, AtFullSizeTheAfterPictureIsWhatOkWrites) {
    struct Case {
        const char* photo;
        const char* brightness;
        const char* color;
        bool selection;
    };
    const Case cases[] = {{"VELMORA_DIALOG_PHOTO", "10", "0", false},
                          {"VELMORA_DIALOG_PHOTO", "20", "-2", true},
                          {"VELMORA_DIALOG_PHOTO_ODD", "10", "0", true},
                          {"VELMORA_DIALOG_PHOTO_ODD", "20", "-2", false}};
    for (const Case& c : cases) {
        const testhost::HostImage image = photoNamed(c.photo);
        if (image.data.empty()) GTEST_SKIP() << "no photo named by " << c.photo;
        const std::string name = std::string(c.photo) + " at (" + c.brightness + ", " + c.color + ")";
        testhost::TestHostOptions options = interactive();
        std::vector<uint8_t> selection;
        if (c.selection) {
            options.filterCase = filterCaseFlatImageWithSelection;
            selection = rampSelection(image.width, image.height);
        }
        TestHost host(image, options);
        if (c.selection) host.setSelection(selection);
        std::vector<uint8_t> shown;
        Rect region = {};
        int16_t result = runDialog(host, [&](DialogDriver& d) {
            d.typeInto(ID_BRIGHTNESS_EDIT, c.brightness);
            d.typeInto(ID_INTENSITY_EDIT, c.color);
            for (int i = 0; i < 15 && d.text(ID_ZOOM_LABEL) != "100%"; ++i) d.clickButton(ID_ZOOM_IN);
            EXPECT_EQ(d.text(ID_ZOOM_LABEL), "100%");
            const testhost::DisplayCall navigator = *lastCall(host, true);
            // A click beside the frame moves the view there.
            d.clickAt(navigator.dstCol + navigator.srcRect.right * 5 / 6,
                      navigator.dstRow + navigator.srcRect.bottom * 5 / 6);
            d.waitForTimer();  // the recomputation for the typed values
            const testhost::DisplayCall preview = *lastCall(host, false);
            shown = onScreen(d, preview);
            const testhost::AdvanceRequest& read = host.requests().back();
            ASSERT_EQ(read.inputRate, 0x10000);
            region = read.inRect;
            EXPECT_EQ(rectWidth(region), preview.srcRect.right);
            EXPECT_EQ(rectHeight(region), preview.srcRect.bottom);
            EXPECT_GT(region.left + rectWidth(region) / 2, image.width / 2);  // not the centre the view opened on
            d.clickToClose(ID_OK);
        });
        ASSERT_EQ(result, 0) << name;
        EXPECT_EQ(differences(shown, pixelsOf(host.image(), region)), 0) << name;
        EXPECT_TRUE(host.leaks().empty()) << name;
    }
}

namespace {

// Edge strength of the green channel at each pixel of a packed RGB picture.
std::vector<int> edges(const std::vector<uint8_t>& rgb, int w, int h) {
    std::vector<int> g(size_t(w) * size_t(h), 0);
    auto at = [&](int x, int y) { return int(rgb[(size_t(y) * w + x) * 3 + 1]); };
    for (int y = 1; y + 1 < h; ++y)
        for (int x = 1; x + 1 < w; ++x)
            g[size_t(y) * w + x] = std::abs(at(x + 1, y) - at(x - 1, y)) + std::abs(at(x, y + 1) - at(x, y - 1));
    return g;
}

// The shift of b against a (each -2..2) under which their edges agree best.
POINT bestShift(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int w, int h) {
    std::vector<int> ea = edges(a, w, h), eb = edges(b, w, h);
    POINT best = {99, 99};
    double bestScore = -1;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            double product = 0, na = 0, nb = 0;
            for (int y = 3; y < h - 3; ++y)
                for (int x = 3; x < w - 3; ++x) {
                    double p = ea[size_t(y) * w + x], q = eb[size_t(y + dy) * w + x + dx];
                    product += p * q, na += p * p, nb += q * q;
                }
            double score = product / std::sqrt(na * nb + 1);
            if (score > bestScore) bestScore = score, best = {dx, dy};
        }
    return best;
}

}  // namespace

// At 50 % the After and Before pictures of a photo of odd size show the same
// place: toggling them does not move the picture.
TEST(TruthfulDialog, AtHalfSizeAfterAndBeforeLineUp) {
    const testhost::HostImage image = photoNamed("VELMORA_DIALOG_PHOTO_ODD");
    if (image.data.empty()) GTEST_SKIP() << "no photo of odd size named";
    ASSERT_EQ(image.width % 2, 1);
    TestHost host(image, interactive());
    std::vector<uint8_t> after, before;
    int w = 0, h = 0;
    runDialog(host, [&](DialogDriver& d) {
        for (int i = 0; i < 15 && d.text(ID_ZOOM_LABEL) != "50%" && d.enabled(ID_ZOOM_IN); ++i)
            d.clickButton(ID_ZOOM_IN);
        ASSERT_EQ(d.text(ID_ZOOM_LABEL), "50%");
        d.waitForTimer();
        const testhost::DisplayCall preview = *lastCall(host, false);
        w = preview.srcRect.right, h = preview.srcRect.bottom;
        after = onScreen(d, preview);
        d.clickButton(ID_BEFORE);
        before = onScreen(d, *lastCall(host, false));
        d.clickToClose(ID_CANCEL);
    });
    ASSERT_GT(w, 20);
    ASSERT_EQ(after.size(), before.size());
    POINT shift = bestShift(after, before, w, h);
    EXPECT_EQ(shift.x, 0);
    EXPECT_EQ(shift.y, 0);
}

// Typed values are the values: a typed minus counts, values beyond the range
// are clamped and shown clamped, text that is no number is answered with the
// value; the record is the run's own until OK, which gives the tool's bytes.
TEST(TruthfulDialog, TypedValuesAreTheValuesAndOkGivesTheToolsBytes) {
    testhost::HostImage image = photoNamed("VELMORA_DIALOG_PHOTO_ODD");
    if (image.data.empty()) image = scenes::darkRoom(701, 523);
    TestHost host(image, interactive());
    int16_t result = runDialog(host, [&](DialogDriver& d) {
        auto shows = [&](int edit, const char* text, int position, const char* typed) {
            EXPECT_EQ(d.text(edit), text) << typed;
            EXPECT_EQ(d.trackbarPosition(edit == ID_INTENSITY_EDIT ? ID_INTENSITY_SLIDER : ID_BRIGHTNESS_SLIDER),
                      position)
                << typed;
        };
        struct Entry {
            int edit;
            const char* typed;
            bool pasted;
            const char* shown;
            int position;  // the slider's: the value held
        };
        const Entry entries[] = {{ID_INTENSITY_EDIT, "-1", false, "-1", 1},  {ID_INTENSITY_EDIT, "-9", false, "-2", 0},
                                 {ID_INTENSITY_EDIT, "abc", false, "-2", 0}, {ID_BRIGHTNESS_EDIT, "25", false, "20", 20},
                                 {ID_BRIGHTNESS_EDIT, "brighter", true, "20", 20},
                                 {ID_BRIGHTNESS_EDIT, "99999999999", true, "20", 20}};
        for (const Entry& e : entries) {
            if (e.pasted)
                d.pasteInto(e.edit, e.typed);
            else
                d.typeInto(e.edit, e.typed);
            shows(e.edit, e.shown, e.position, e.typed);
        }
        // Arrow and page keys on the focused slider step as before.
        d.clickButton(ID_BRIGHTNESS_SLIDER);
        d.pressKey(VK_HOME);
        d.pressKey(VK_NEXT);
        shows(ID_BRIGHTNESS_EDIT, "5", 5, "Home, Page Down");
        for (int i = 0; i < 12; ++i) d.pressKey(VK_NEXT);  // many fast changes, past the end
        shows(ID_BRIGHTNESS_EDIT, "20", 20, "Page Down past the end");
        d.typeInto(ID_BRIGHTNESS_EDIT, "14");
        d.typeInto(ID_INTENSITY_EDIT, "-1");
        shows(ID_INTENSITY_EDIT, "-1", 1, "-1");
        EXPECT_EQ(recordOf(host).amount, 10.0f);
        EXPECT_EQ(recordOf(host).vibrance, 2.0f);
        d.clickToClose(ID_OK);
    });
    ASSERT_EQ(result, 0);
    auto recorded = host.recordedDescriptor();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].second, 14.0);
    EXPECT_EQ(recorded[1].second, -1.0);
    EXPECT_TRUE(host.image().data == toolOutput(image, 14, -1).data);
}

// At every level the zoom label names the scale the picture is shown at:
// the Before picture on the screen is the image sampled at that step, and
// above 100 % each image pixel is a block of m x m screen pixels.
TEST(TruthfulDialog, TheZoomLabelIsTheScaleShownAtEveryLevel) {
    for (testhost::HostImage image : {scenes::darkRoom(1600, 900), scenes::darkRoom(3088, 2056), photoNamed("VELMORA_DIALOG_PHOTO_ODD")}) {
        if (image.data.empty()) continue;
        const std::string name = std::to_string(image.width) + " x " + std::to_string(image.height);
        TestHost host(image, interactive());
        const testhost::HostImage original = host.image();
        int levels = 0;
        runDialog(host, [&](DialogDriver& d) {
            d.waitForTimer();  // set-up's recomputation is over: nothing else repaints meanwhile
            d.clickButton(ID_BEFORE);
            for (;; ++levels) {
                const testhost::DisplayCall preview = *lastCall(host, false);
                const testhost::AdvanceRequest& read = host.requests().back();
                int k = read.inputRate >> 16;
                int m = preview.srcRect.right / std::max(1, rectWidth(read.inRect));
                ASSERT_GE(m, 1);
                std::vector<uint8_t> sampled;
                for (int y = 0; y < preview.srcRect.bottom; ++y)
                    for (int x = 0; x < preview.srcRect.right; ++x)
                        for (int c = 0; c < 3; ++c)
                            sampled.push_back(original.at(c, (read.inRect.top + y / m) * k, (read.inRect.left + x / m) * k));
                EXPECT_EQ(differences(onScreen(d, preview), sampled), 0) << name << ", level " << levels;
                double labelled = std::atof(d.text(ID_ZOOM_LABEL).c_str());
                EXPECT_NEAR(labelled, 100.0 * m / k, 0.05) << name << ", level " << levels << ": " << d.text(ID_ZOOM_LABEL);
                if (!d.enabled(ID_ZOOM_IN) || levels > 16) break;
                d.clickButton(ID_ZOOM_IN);
            }
            EXPECT_EQ(d.text(ID_ZOOM_LABEL), "400%") << name;
            d.clickToClose(ID_CANCEL);
        });
        EXPECT_GE(levels, 1) << name;  // at least one step from the fit level to 100 %
    }
}

namespace {

// The red frame on the screen around the navigator: its box, and whether
// every red pixel lies on that one box's outline inside the navigator.
struct FrameOnScreen {
    RECT box = {0, 0, 0, 0};
    int red = 0, outside = 0, offOutline = 0;
};
FrameOnScreen frameAround(const DialogDriver& d, const testhost::DisplayCall& navigator) {
    const int margin = 12;
    RECT n = {navigator.dstCol, navigator.dstRow, navigator.dstCol + navigator.srcRect.right,
              navigator.dstRow + navigator.srcRect.bottom};
    RECT area = {n.left - margin, n.top - margin, n.right + margin, n.bottom + margin};
    std::vector<uint8_t> rgb = d.screenRgb(area);
    int w = area.right - area.left, h = area.bottom - area.top;
    FrameOnScreen f;
    f.box = {10000, 10000, -1, -1};
    std::vector<POINT> reds;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            if (p[0] != 255 || p[1] != 0 || p[2] != 0) continue;
            POINT q = {area.left + x, area.top + y};
            reds.push_back(q);
            f.outside += q.x < n.left || q.x >= n.right || q.y < n.top || q.y >= n.bottom;
            f.box = {std::min(f.box.left, q.x), std::min(f.box.top, q.y), std::max(f.box.right, q.x + 1),
                     std::max(f.box.bottom, q.y + 1)};
        }
    f.red = int(reds.size());
    for (POINT q : reds)
        f.offOutline += q.x != f.box.left && q.x != f.box.right - 1 && q.y != f.box.top && q.y != f.box.bottom - 1;
    int bw = f.box.right - f.box.left, bh = f.box.bottom - f.box.top;
    if (f.red > 0 && f.red != (bh <= 2 || bw <= 2 ? bw * bh : 2 * (bw + bh) - 4)) ++f.offOutline;  // an old frame left
    return f;
}

}  // namespace

// A 30000 x 400 panorama: the navigator's frame stays inside the navigator
// at every level and end, old frames are erased, zooming keeps the centre,
// and a frame over a sliver of the image can still be grabbed and dragged.
TEST(TruthfulDialog, ThePanoramasNavigatorFrameStaysInside) {
    TestHost host(scenes::darkRoom(30000, 400), interactive());
    runDialog(host, [&](DialogDriver& d) {
        const testhost::DisplayCall navigator = *lastCall(host, true);
        auto frame = [&](const std::string& when) {
            d.settle();
            FrameOnScreen f = frameAround(d, navigator);
            EXPECT_GT(f.red, 0) << when;
            EXPECT_EQ(f.outside, 0) << when;
            EXPECT_EQ(f.offOutline, 0) << when;
            return f.box;
        };
        auto centre = [](const RECT& r) { return (r.left + r.right) / 2; };
        RECT box = frame("opened");
        for (int i = 1; i <= 3; ++i) {
            d.clickButton(ID_ZOOM_IN);
            RECT zoomed = frame("zoomed in " + std::to_string(i) + " times");
            EXPECT_NEAR(centre(zoomed), centre(box), 2) << "zoom " << i;
            box = zoomed;
        }
        const int nRight = navigator.dstCol + navigator.srcRect.right;
        d.drag({centre(box), (box.top + box.bottom) / 2}, {nRight + 300, (box.top + box.bottom) / 2});
        box = frame("dragged to the right end");
        EXPECT_EQ(box.right, nRight);
        d.drag({centre(box), (box.top + box.bottom) / 2}, {navigator.dstCol - 300, (box.top + box.bottom) / 2});
        box = frame("dragged to the left end");
        EXPECT_EQ(box.left, navigator.dstCol);
        while (d.text(ID_ZOOM_LABEL) != "100%") d.clickButton(ID_ZOOM_IN);
        box = frame("at 100 %");
        EXPECT_GE(box.right - box.left, 5);
        // The sliver's frame is grabbed and dragged along.
        d.drag({centre(box), (box.top + box.bottom) / 2}, {centre(box) + 40, (box.top + box.bottom) / 2});
        RECT moved = frame("sliver dragged");
        EXPECT_NEAR(centre(moved) - centre(box), 40, 2);
        d.clickToClose(ID_CANCEL);
    });
    EXPECT_TRUE(host.leaks().empty());
}

// F1 opens help like the Help button; without a registered help folder the
// message says where the page is and how to register it, and the dialog
// waits behind it.
TEST(TruthfulDialog, F1OpensHelpAndItsMessageIsModalToTheDialog) {
    setHelpValue(REG_SZ, nullptr, 0);
    TestHost host(scenes::darkRoom(800, 600), interactive());
    runDialog(host, [&](DialogDriver& d) {
        d.pressKey(VK_F1);
        HWND box = dialogtest::waitForWindow(kErrorCaption, 5000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetWindow(box, GW_OWNER), d.dialog());
        EXPECT_FALSE(IsWindowEnabled(d.dialog()));  // nothing behind the box takes a click
        std::string message = dialogtest::answerMessageBox(box);
        EXPECT_NE(message.find("VelmoraHelp.htm"), std::string::npos) << message;
        EXPECT_NE(message.find("HelpFile"), std::string::npos) << message;
        EXPECT_TRUE(dialogtest::waitUntil([&] { return IsWindowEnabled(d.dialog()) != FALSE; }));
        d.clickToClose(ID_CANCEL);
    });
}

// At a text size at which the dialog does not fit the screen (192 dots per
// inch on the 1280 x 1024 virtual screen), it does not open; its message says
// what is too small, by how much, and what to do. Runs where VELMORA_DIALOG_DPI
// names that text size.
TEST(HighDpi, ADialogThatDoesNotFitSaysWhatToDo) {
    const char* dpi = std::getenv("VELMORA_DIALOG_DPI");
    if (dpi == nullptr || std::atoi(dpi) < 192) GTEST_SKIP() << "not at 192 dots per inch";
    TestHost host(scenes::darkRoom(800, 600), interactive());
    usePluginUnderTest(host);
    int16_t result = 0;
    std::string message;
    dialogtest::runWithUser([&] { result = host.runFilter(); }, kErrorCaption,
                            [&](DialogDriver& box) { message = dialogtest::answerMessageBox(box.dialog()); });
    int width = 0, height = 0, screenW = 0, screenH = 0;
    ASSERT_EQ(std::sscanf(message.c_str(), "The VELMORA dialog needs %d x %d pixels at the text size set for this "
                                           "screen, but the screen has %d x %d.", &width, &height, &screenW, &screenH),
              4)
        << message;
    EXPECT_EQ(screenW, 1280);
    EXPECT_EQ(screenH, 1024);
    EXPECT_TRUE(width > screenW || height > screenH) << message;
    EXPECT_NE(message.find("display scaling"), std::string::npos) << message;
    EXPECT_EQ(result, userCanceledErr);  // the plug-in has said why: the host adds nothing
    EXPECT_TRUE(host.leaks().empty());
}

// ------------------------------------------------------------------ a dialog of today

namespace {

void clearKeptSize() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\TARVIC\\MLX Plug-Ins\\VLM\\10", 0, KEY_SET_VALUE, &key) != 0) return;
    RegDeleteValueA(key, "Dialog Width");
    RegDeleteValueA(key, "Dialog Height");
    RegCloseKey(key);
}

void keepSizeValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\TARVIC\\MLX Plug-Ins\\VLM\\10", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              0);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

SIZE openedSize() {
    TestHost host(scenes::darkRoom(1200, 900), interactive());
    SIZE size = {};
    runDialogAsOpened(host, [&](DialogDriver& d) {
        size = d.windowSize();
        d.click(ID_CANCEL);
    });
    return size;
}

// The screen's picture of a pane against the image's pixels over `region`,
// each shown as an m x m block: the number of bytes that differ.
int differencesEnlarged(const std::vector<uint8_t>& shown, const testhost::DisplayCall& pane,
                        const testhost::HostImage& image, const Rect& region, int m, int fromColumn = 0,
                        int toColumn = -1) {
    int w = pane.srcRect.right, n = 0;
    if (toColumn < 0) toColumn = w;
    for (int y = 0; y < pane.srcRect.bottom; ++y)
        for (int x = fromColumn; x < toColumn; ++x)
            for (int c = 0; c < 3; ++c)
                n += shown[(size_t(y) * w + x) * 3 + c] != image.at(c, region.top + y / m, region.left + x / m);
    return n;
}

}  // namespace

// It opens larger than the layout on a large screen, at the size it was left
// the next time, a resize gives the picture the room, and a kept size that
// is unsound is not used.
TEST(DialogOfToday, OpensLargeReopensAtItsSizeAndAResizeEnlargesThePreview) {
    clearKeptSize();
    const SIZE first = openedSize();
    TestHost host(scenes::darkRoom(3000, 2000), interactive());
    SIZE smallest = {}, left = {};
    runDialogAsOpened(host, [&](DialogDriver& d) {
        d.resizeTo(1, 1);
        smallest = d.windowSize();
        RECT small = d.itemRect(ID_PREVIEW_PANE);
        int smallPicture = lastCall(host, false)->srcRect.right;
        RECT client = {};
        GetClientRect(d.dialog(), &client);
        const int okFromRight = client.right - d.itemRect(ID_OK).left;
        d.resizeTo(smallest.cx + 300, smallest.cy + 120);
        RECT large = d.itemRect(ID_PREVIEW_PANE);
        EXPECT_EQ(large.right - large.left, small.right - small.left + 300);
        EXPECT_EQ(large.bottom - large.top, small.bottom - small.top + 120);
        EXPECT_GT(lastCall(host, false)->srcRect.right, smallPicture);
        // The buttons follow the corner; the navigator stays right of the preview.
        GetClientRect(d.dialog(), &client);
        EXPECT_EQ(client.right - d.itemRect(ID_OK).left, okFromRight);
        EXPECT_GT(d.itemRect(ID_NAVIGATOR_PANE).left, large.right);
        d.resizeTo(10000, 300);  // wider than the screen: nothing breaks
        d.resizeTo(smallest.cx + 200, smallest.cy + 100);
        left = d.windowSize();
        d.click(ID_CANCEL);
    });
    EXPECT_TRUE(host.leaks().empty());
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_GT(first.cx, smallest.cx) << "screen " << screenW << " x " << screenH;
    EXPECT_GT(first.cy, smallest.cy);
    EXPECT_GE(first.cx, screenW * 7 / 10);
    SIZE again = openedSize();
    EXPECT_EQ(again.cx, left.cx);
    EXPECT_EQ(again.cy, left.cy);

    const char text[] = "900";
    keepSizeValue("Dialog Width", REG_SZ, text, sizeof text);  // the wrong type
    EXPECT_EQ(openedSize().cx, first.cx);
    DWORD negative = DWORD(-800), absurd = 90000, fine = DWORD(smallest.cx + 10);
    keepSizeValue("Dialog Width", REG_DWORD, &negative, sizeof negative);
    EXPECT_EQ(openedSize().cx, first.cx);
    keepSizeValue("Dialog Width", REG_DWORD, &absurd, sizeof absurd);
    EXPECT_EQ(openedSize().cx, first.cx);
    keepSizeValue("Dialog Width", REG_DWORD, &fine, sizeof fine);
    EXPECT_EQ(openedSize().cx, LONG(fine));
    clearKeptSize();
}

// The wheel zooms around the pointer up to 400 %, where the After picture is
// the tool's output enlarged; the picture is dragged and moved with the arrow
// keys; split view shows the original left of the divider; OK then gives the
// tool's bytes for the values shown.
TEST(DialogOfToday, WheelDragArrowsAndSplitViewShowTheOutputAndOkGivesTheToolsBytes) {
    testhost::HostImage image = photoNamed("VELMORA_DIALOG_PHOTO_ODD");
    if (image.data.empty()) image = scenes::darkRoom(701, 523);
    const testhost::HostImage expected = toolOutput(image, 15, 1);
    TestHost host(image, interactive());
    int16_t result = runDialogAsOpened(host, [&](DialogDriver& d) {
        d.typeInto(ID_BRIGHTNESS_EDIT, "15");
        d.typeInto(ID_INTENSITY_EDIT, "1");
        d.waitForTimer();
        RECT pane = d.itemRect(ID_PREVIEW_PANE);
        POINT centre = {(pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2};
        d.clickAt(centre.x, centre.y);  // the preview takes the focus
        EXPECT_EQ(d.focused(), d.item(ID_PREVIEW_PANE));
        std::vector<std::string> labels;
        for (int i = 0; i < 20 && d.text(ID_ZOOM_LABEL) != "400%"; ++i) {
            d.wheelAt(centre.x, centre.y, 1);
            labels.push_back(d.text(ID_ZOOM_LABEL));
        }
        ASSERT_GE(labels.size(), 2u);
        EXPECT_EQ(labels[labels.size() - 2], "200%");
        EXPECT_EQ(labels.back(), "400%");
        EXPECT_FALSE(d.enabled(ID_ZOOM_IN));
        d.wheelAt(centre.x, centre.y, 5);  // a flood beyond the last level
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), "400%");

        auto check = [&](int m, const char* what) {
            const testhost::DisplayCall preview = *lastCall(host, false);
            const testhost::AdvanceRequest& read = host.requests().back();
            EXPECT_EQ(read.inputRate, 0x10000) << what;
            EXPECT_EQ(preview.srcRect.right, rectWidth(read.inRect) * m) << what;
            if (preview.srcRect.right == rectWidth(read.inRect) * m) {
                EXPECT_EQ(differencesEnlarged(onScreen(d, preview), preview, expected, read.inRect, m), 0) << what;
            }
            return read.inRect;
        };
        Rect at400 = check(4, "400 %");
        // Dragging the picture 80 pixels left and 40 up shows what lay 20 and 10 image pixels beyond.
        d.drag(centre, {centre.x - 80, centre.y - 40});
        Rect dragged = check(4, "dragged");
        EXPECT_EQ(dragged.left - at400.left, 20);
        EXPECT_EQ(dragged.top - at400.top, 10);
        d.pressKey(VK_LEFT);
        Rect arrowed = check(4, "arrow");
        EXPECT_LT(arrowed.left, dragged.left);
        EXPECT_EQ(arrowed.top, dragged.top);
        d.wheelAt(centre.x, centre.y, -1);
        EXPECT_EQ(d.text(ID_ZOOM_LABEL), "200%");
        Rect at200 = check(2, "200 %");

        d.pressKey('S');  // split view: the original left of the divider
        EXPECT_TRUE(d.checked(ID_SPLIT));
        d.settle();
        const testhost::DisplayCall preview = *lastCall(host, false);
        std::vector<uint8_t> shown = onScreen(d, preview);
        int middle = preview.srcRect.right / 2;
        EXPECT_EQ(differencesEnlarged(shown, preview, host.image(), at200, 2, 0, middle - 2), 0);
        EXPECT_EQ(differencesEnlarged(shown, preview, expected, at200, 2, middle + 2), 0);
        EXPECT_GT(differencesEnlarged(shown, preview, expected, at200, 2, 0, middle - 2), 0);
        d.clickToClose(ID_OK);
    });
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(host.image().data == expected.data);
    EXPECT_TRUE(host.leaks().empty());
}

// Moved to a monitor of 144 dots per inch and back, in the middle of dragging
// the picture: the logo is drawn for the scale, the preview stays inside the
// dialog, and OK still gives the tool's bytes.
TEST(DialogOfToday, AChangeOfScaleMidDragRelaysTheDialogOut) {
    const testhost::HostImage image = scenes::darkRoom(1200, 900);
    TestHost host(image, interactive(12, 0));
    int16_t result = runDialogAsOpened(host, [&](DialogDriver& d) {
        auto logoWidth = [&] {
            BITMAP bitmap = {};
            HANDLE shown = reinterpret_cast<HANDLE>(SendMessageA(d.item(ID_LOGO), STM_GETIMAGE, IMAGE_BITMAP, 0));
            GetObjectA(shown, sizeof bitmap, &bitmap);
            return bitmap.bmWidth;
        };
        EXPECT_EQ(logoWidth(), 70);
        RECT pane = d.itemRect(ID_PREVIEW_PANE);
        POINT centre = {(pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2};
        d.wheelAt(centre.x, centre.y, 2);
        d.sendMouseDown(centre.x, centre.y);
        RECT window = {};
        GetWindowRect(d.dialog(), &window);
        for (int dpi : {144, 96}) {
            RECT suggested = window;
            suggested.right = window.left + (window.right - window.left) * dpi / 96;
            suggested.bottom = window.top + (window.bottom - window.top) * dpi / 96;
            SendMessageA(d.dialog(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            d.settle();
            EXPECT_EQ(logoWidth(), dpi == 144 ? 105 : 70);
            RECT client = {}, moved = d.itemRect(ID_PREVIEW_PANE);
            GetClientRect(d.dialog(), &client);
            EXPECT_LE(moved.right, client.right) << dpi;
            EXPECT_LE(moved.bottom, client.bottom) << dpi;
            EXPECT_LT(d.itemRect(ID_OK).right, client.right + 1) << dpi;
        }
        d.sendMouseUp(centre.x - 30, centre.y - 30);
        d.clickToClose(ID_OK);
    });
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(host.image().data == toolOutput(image, 12, 0).data);
    EXPECT_TRUE(host.leaks().empty());
}
