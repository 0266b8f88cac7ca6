// Opening the dialog and recomputing its preview, timed on the real DLL under
// Wine as a host runs it: the interactive filter on a photo (PPM or PNG),
// with a user who waits for the first paint, changes Shadow Brightness once,
// zooms to 100 % and cancels.
//   velmora_dialog_bench.exe PLUGIN.8bf PHOTO
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "base/Product.h"
#include "engine/Controls.h"
#include "testhost/PluginLoader.h"
#include "testhost/TestHost.h"
#include "tests/dialog/DialogDriver.h"
#include "tools/velmora/FilterImage.h"
#include "tools/velmora/ImageIo.h"
#include "ui/DialogIds.h"

using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

bool loadPhoto(const char* path, testhost::HostImage* image) {
    cli::SourceImage source;
    std::string error;
    if (!cli::readImage(path, &source, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    *image = cli::toPlanar(source.pixels);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: velmora_dialog_bench PLUGIN.8bf PHOTO\n");
        return 2;
    }
    LoadedPlugin plugin = {};
    std::string error;
    if (!loadPlugin(argv[1], &plugin, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    testhost::HostImage image;
    if (!loadPhoto(argv[2], &image)) return 1;
    int width = image.width, height = image.height;

    testhost::TestHostOptions options;
    options.replay.present = true;
    options.replay.playInfo = plugInDialogDisplay;
    options.replay.values = {{keyAmount, 10.0}, {keyVibrance, 0.0}};
    options.rowPadding = 0;
    // The dialog is opened right after the last progress report before it;
    // a paint draws the navigator and the preview: the second picture ends
    // the first paint. Every picture's time is kept.
    Clock::time_point beforeDialog, firstPaint;
    std::vector<Clock::time_point> pictures;
    options.onProgress = [&](int32_t done, int32_t) {
        if (done == 0) beforeDialog = Clock::now();
    };
    options.onDisplay = [&](const testhost::DisplayCall&) {
        pictures.push_back(Clock::now());
        if (pictures.size() == 2) firstPaint = pictures.back();
    };
    testhost::TestHost host(std::move(image), options);
    host.setEntry(plugin.entry);
    // From a typed value (the last input) to the first picture after it: only
    // the preview repaints then, once the recomputation is done.
    auto changeToScreen = [&](dialogtest::DialogDriver& d, const char* value) {
        size_t seen = pictures.size();
        Clock::time_point typed = Clock::now();
        d.paste(ID_BRIGHTNESS_EDIT, value);
        Sleep(1500);
        d.settle();
        return pictures.size() > seen ? ms(typed, pictures[seen]) : -1.0;
    };
    double recomputeMs = 0, fullSizeMs = 0, latencyFit = 0, latencyFull = 0;
    dialogtest::runWithUser([&] { host.runFilter(); }, kDialogTitle, [&](dialogtest::DialogDriver& d) {
        d.settle();
        latencyFit = changeToScreen(d, "15");
        // One recomputation, timed from the timer's mark to the end of the paint.
        SendMessageA(d.dialog(), WM_TIMER, 1, 0);
        Clock::time_point t0 = Clock::now();
        d.settle();
        recomputeMs = ms(t0, Clock::now());
        // A repaint at 100 %: the visible region fetched and rendered as OK will render it.
        while (d.text(ID_ZOOM_LABEL) != "100%") d.click(ID_ZOOM_IN);
        d.settle();
        InvalidateRect(d.item(ID_PREVIEW_PANE), nullptr, FALSE);
        Clock::time_point t1 = Clock::now();
        d.settle();
        fullSizeMs = ms(t1, Clock::now());
        latencyFull = changeToScreen(d, "12");
        d.click(ID_CANCEL);
    });
    std::printf("Velmora dialog, %d x %d photo, %s, %u processors\n", width, height,
                sizeof(void*) == 8 ? "64-bit" : "32-bit", std::thread::hardware_concurrency());
    std::printf("%-40s %8.0f ms\n", "opening (set-up to first paint)", pictures.size() >= 2 ? ms(beforeDialog, firstPaint) : -1.0);
    std::printf("%-40s %8.0f ms\n", "recomputation (timer to painted)", recomputeMs);
    std::printf("%-40s %8.0f ms\n", "repaint at 100 %", fullSizeMs);
    std::printf("%-40s %8.0f ms\n", "typed value to screen, whole image", latencyFit);
    std::printf("%-40s %8.0f ms\n", "typed value to screen, 100 %", latencyFull);
    return 0;
}
