// The whole replayed filter on a 24-megapixel photo through the native test
// host: wall time and peak memory of the proxy stage, the adjustment and the
// full render, for the photo at 8 bits and as a 16-bit image (each sample
// v x 257 before the photo is stretched, so the stretch makes 16-bit
// gradations; on the host's 0..32768 scale), and the 16-bit figures over the
// 8-bit ones (wall and processor time). Usage: velmora_run_bench [--depth 8|16] [PHOTO] (default: both
// depths, the shared 20 MP photo stretched to 6000 x 4000).
#include <vips/vips.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
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

bool loadPhoto(const char* path, int depth, testhost::HostImage* image) {
    VipsImage* in = vips_image_new_from_file(path, nullptr);
    if (in == nullptr) return false;
    if (depth == 16) {
        VipsImage *scaled = nullptr, *cast = nullptr;
        if (vips_linear1(in, &scaled, 257.0, 0.0, nullptr) != 0 || vips_cast_ushort(scaled, &cast, nullptr) != 0)
            return false;
        g_object_unref(in);
        g_object_unref(scaled);
        in = cast;
    }
    VipsImage* sized = nullptr;
    double h = 6000.0 / vips_image_get_width(in), v = 4000.0 / vips_image_get_height(in);
    if (vips_resize(in, &sized, h, "vscale", v, nullptr) != 0) return false;
    g_object_unref(in);
    size_t size = 0;
    void* pixels = vips_image_write_to_memory(sized, &size);
    int w = vips_image_get_width(sized), ht = vips_image_get_height(sized), bands = vips_image_get_bands(sized);
    g_object_unref(sized);
    *image = testhost::makeImage(w, ht, 3, depth);
    for (int y = 0; y < ht; ++y)
        for (int x = 0; x < w; ++x)
            for (int b = 0; b < 3; ++b) {
                const size_t at = (size_t(y) * size_t(w) + size_t(x)) * size_t(bands) + size_t(b);
                if (depth == 16) {  // a file's 0..65535 on the host's 0..32768, to nearest
                    const uint32_t s = static_cast<const uint16_t*>(pixels)[at];
                    image->setSample(b, y, x, int((uint64_t(s) * 65536 + 65535) / 131070));
                } else {
                    image->at(b, y, x) = static_cast<const uint8_t*>(pixels)[at];
                }
            }
    g_free(pixels);
    return true;
}

double ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// Processor time of the whole process (every thread), in ms: on a machine
// shared with other work it varies far less than the wall time.
double cpuMs() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

struct Figures {
    double proxyMs = 0, adjustMs = 0, renderMs = 0, startMs = 0, firstRecomputeMs = 0, recomputeMs = 0;
    double proxyCpu = 0, adjustCpu = 0, renderCpu = 0, startCpu = 0;
    double proxyPeak = 0, adjustPeak = 0, renderPeak = 0, startPeak = 0, imageMiB = 0;
};

bool runCase(const char* path, int depth, Figures* f) {
    testhost::HostImage image;
    if (!loadPhoto(path, depth, &image)) {
        std::fprintf(stderr, "cannot load %s\n", path);
        return false;
    }
    f->imageMiB = double(image.data.size()) / 1048576.0;
    testhost::TestHostOptions options;
    options.replay.present = true;
    options.replay.values = {{keyAmount, 10.0}, {keyVibrance, 0.0}};
    options.rowPadding = 0;
    Clock::time_point start, proxyDone, adjustDone, end;
    double cpu[4] = {};
    options.onProgress = [&](int32_t done, int32_t total) {
        if (total == 6 && done == 1) {
            takePeakMiB();
            start = Clock::now();
            cpu[0] = cpuMs();
        } else if (total == 6 && done == 8) {
            proxyDone = Clock::now();
            cpu[1] = cpuMs();
            f->proxyPeak = takePeakMiB();
        } else if (total == 6 && done == 9) {
            adjustDone = Clock::now();
            cpu[2] = cpuMs();
            f->adjustPeak = takePeakMiB();
        }
    };
    testhost::TestHost host(std::move(image), options);
    host.setEntry(&PluginMain);
    int16_t result = host.call(filterSelectorParameters);
    if (result == 0) result = host.call(filterSelectorPrepare);
    if (result == 0) result = host.call(filterSelectorStart);
    end = Clock::now();
    cpu[3] = cpuMs();
    f->renderPeak = takePeakMiB();

    // One preview recomputation, as the dialog runs it after a change: the
    // adjustment and processed proxy, then a 375 x 250 pane from the proxy.
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
        f->firstRecomputeMs = ms(first, Clock::now());
        params->amount = 12.0f;
        Clock::time_point t0 = Clock::now();
        if (ok && rebuildProxyResult(preview) == 1 && renderPreview(preview, PreviewMode::After, &pane) == 1)
            f->recomputeMs = ms(t0, Clock::now());
    }
    if (result == 0) result = host.call(filterSelectorFinish);
    if (result != 0) {
        std::fprintf(stderr, "filter failed: %d\n", result);
        return false;
    }
    f->proxyMs = ms(start, proxyDone);
    f->adjustMs = ms(proxyDone, adjustDone);
    f->renderMs = ms(adjustDone, end);
    f->startMs = ms(start, end);
    f->proxyCpu = cpu[1] - cpu[0];
    f->adjustCpu = cpu[2] - cpu[1];
    f->renderCpu = cpu[3] - cpu[2];
    f->startCpu = cpu[3] - cpu[0];
    f->startPeak = std::max(f->proxyPeak, std::max(f->adjustPeak, f->renderPeak));
    return true;
}

void print(const char* path, int depth, const Figures& f) {
    std::printf("Velmora whole run, 6000 x 4000 (%s), %d-bit, native test host\n", path, depth);
    std::printf("%-22s %10s %10s %14s\n", "stage", "ms", "cpu ms", "peak MiB");
    std::printf("%-22s %10.0f %10.0f %14.0f\n", "proxy stage", f.proxyMs, f.proxyCpu, f.proxyPeak);
    std::printf("%-22s %10.0f %10.0f %14.0f\n", "adjustment", f.adjustMs, f.adjustCpu, f.adjustPeak);
    std::printf("%-22s %10.0f %10.0f %14.0f\n", "full render", f.renderMs, f.renderCpu, f.renderPeak);
    std::printf("%-22s %10.0f %10.0f %14.0f\n", "whole Start", f.startMs, f.startCpu, f.startPeak);
    std::printf("%-22s %10.0f\n", "first recomputation", f.firstRecomputeMs);
    std::printf("%-22s %10.0f\n", "preview recomputation", f.recomputeMs);
    std::printf("(peak memory includes the test host's own copy of the image, %.0f MiB)\n\n", f.imageMiB);
}

}  // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]) != 0) return 1;
    std::vector<int> depths = {8, 16};
    const char* path = VELMORA_SHARED_PHOTOS "/kleiber.jpg";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--depth") == 0 && i + 1 < argc) depths = {std::atoi(argv[++i])};
        else path = argv[i];
    }
    Figures figures[2];
    for (size_t k = 0; k < depths.size(); ++k) {
        if (!runCase(path, depths[k], &figures[k])) return 1;
        print(path, depths[k], figures[k]);
    }
    if (depths.size() == 2)
        std::printf("16-bit over 8-bit: whole Start time %.2f (processor time %.2f), its peak memory %.2f; "
                    "preview recomputation %.2f\n",
                    figures[1].startMs / figures[0].startMs, figures[1].startCpu / figures[0].startCpu,
                    figures[1].startPeak / figures[0].startPeak, figures[1].recomputeMs / figures[0].recomputeMs);
    return 0;
}
