// The whole replayed filter on a 24-megapixel photo through the native test
// host: wall time and peak memory of the proxy stage, the adjustment and the
// full render. Usage: velmora_run_bench [PHOTO] (default: the shared 20 MP photo,
// stretched to 6000 x 4000).
#include <vips/vips.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/Controls.h"
#include "host/PluginGlobals.h"
#include "host/RunContext.h"
#include "planes/PreviewRender.h"
#include "testhost/TestHost.h"

namespace {

using Clock = std::chrono::steady_clock;

// Peak resident memory since the last reset, in MiB; then resets the peak.
double takePeakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    double kib = 0;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) kib = std::stod(line.substr(6));
    std::ofstream("/proc/self/clear_refs") << "5";
    return kib / 1024.0;
}

bool loadPhoto(const char* path, testhost::HostImage* image) {
    VipsImage* in = vips_image_new_from_file(path, nullptr);
    if (in == nullptr) return false;
    VipsImage* sized = nullptr;
    double h = 6000.0 / vips_image_get_width(in), v = 4000.0 / vips_image_get_height(in);
    if (vips_resize(in, &sized, h, "vscale", v, nullptr) != 0) return false;
    g_object_unref(in);
    size_t size = 0;
    auto* pixels = static_cast<uint8_t*>(vips_image_write_to_memory(sized, &size));
    int w = vips_image_get_width(sized), ht = vips_image_get_height(sized), bands = vips_image_get_bands(sized);
    g_object_unref(sized);
    *image = testhost::makeImage(w, ht, 3);
    for (int y = 0; y < ht; ++y)
        for (int x = 0; x < w; ++x)
            for (int b = 0; b < 3; ++b) image->at(b, y, x) = pixels[(size_t(y) * size_t(w) + size_t(x)) * size_t(bands) + size_t(b)];
    g_free(pixels);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]) != 0) return 1;
    const char* path = argc > 1 ? argv[1] : VELMORA_SHARED_PHOTOS "/kleiber.jpg";
    testhost::HostImage image;
    if (!loadPhoto(path, &image)) {
        std::fprintf(stderr, "cannot load %s\n", path);
        return 1;
    }
    testhost::TestHostOptions options;
    options.replay.present = true;
    options.replay.values = {{keyAmount, 10.0}, {keyVibrance, 0.0}};
    options.rowPadding = 0;
    auto ms = [](Clock::time_point a, Clock::time_point b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    };
    Clock::time_point start, proxyDone, adjustDone, end;
    double proxyPeak = 0, adjustPeak = 0;
    options.onProgress = [&](int32_t done, int32_t total) {
        if (total == 6 && done == 1) {
            takePeakMiB();
            start = Clock::now();
        } else if (total == 6 && done == 8) {
            proxyDone = Clock::now();
            proxyPeak = takePeakMiB();
        } else if (total == 6 && done == 9) {
            adjustDone = Clock::now();
            adjustPeak = takePeakMiB();
        }
    };
    testhost::TestHost host(std::move(image), options);
    host.setEntry(&PluginMain);
    int16_t result = host.call(filterSelectorParameters);
    if (result == 0) result = host.call(filterSelectorPrepare);
    if (result == 0) result = host.call(filterSelectorStart);
    end = Clock::now();
    double renderPeak = takePeakMiB();

    // One preview recomputation, as the dialog runs it after a change: the
    // adjustment and processed proxy, then a 375 x 250 pane from the proxy.
    double recomputeMs = 0, firstRecomputeMs = 0;
    if (result == 0) {
        int16_t cell = 0;
        hostRecord = &host.record();
        resultCell = &cell;
        params = *reinterpret_cast<FilterParameters**>(host.record().parameters);
        runData = *reinterpret_cast<RunData**>(host.dataCell());
        std::vector<uint8_t> rgb(375 * 250 * 3), mask(375 * 250);
        PaneState pane = {};
        pane.bufferWidth = 375;
        pane.bufferHeight = 250;
        pane.planeCount = 3;
        pane.pixelCount = 375 * 250;
        pane.rgbBuffer = rgb.data();
        pane.maskBuffer = mask.data();
        pane.regionRect = {0, 0, runData->proxyHeight, runData->proxyWidth};
        params->amount = 15.0f;
        // The dialog's first recomputation also fetches the proxy from the
        // host; the one timed is a later one, after a change of the settings.
        PreviewContext preview = runPreviewContext();
        Clock::time_point first = Clock::now();
        bool ok = rebuildProxyResult(preview) == 1 && renderPreview(preview, PreviewMode::After, &pane) == 1;
        firstRecomputeMs = ms(first, Clock::now());
        params->amount = 12.0f;
        Clock::time_point t0 = Clock::now();
        if (ok && rebuildProxyResult(preview) == 1 && renderPreview(preview, PreviewMode::After, &pane) == 1)
            recomputeMs = ms(t0, Clock::now());
    }
    if (result == 0) result = host.call(filterSelectorFinish);
    if (result != 0) {
        std::fprintf(stderr, "filter failed: %d\n", result);
        return 1;
    }
    std::printf("Velmora whole run, 6000 x 4000 (%s), native test host\n", path);
    std::printf("%-22s %10s %14s\n", "stage", "ms", "peak MiB");
    std::printf("%-22s %10.0f %14.0f\n", "proxy stage", ms(start, proxyDone), proxyPeak);
    std::printf("%-22s %10.0f %14.0f\n", "adjustment", ms(proxyDone, adjustDone), adjustPeak);
    std::printf("%-22s %10.0f %14.0f\n", "full render", ms(adjustDone, end), renderPeak);
    std::printf("%-22s %10.0f %14.0f\n", "whole Start", ms(start, end),
                std::max(proxyPeak, std::max(adjustPeak, renderPeak)));
    std::printf("%-22s %10.0f\n", "first recomputation", firstRecomputeMs);
    std::printf("%-22s %10.0f\n", "preview recomputation", recomputeMs);
    std::printf("(peak memory includes the test host's own copy of the image, %.0f MiB)\n",
                6000.0 * 4000 * 3 / 1048576.0);
    return 0;
}
