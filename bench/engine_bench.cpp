// Engine and plane routines on the sizes of a 24-megapixel photo, single
// threaded: prints milliseconds and megapixels per second (best of a few runs).
// Usage: velmora_engine_bench [PHOTO] (default: the shared 20 MP photo).
#include <vips/vips.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "engine/MaskAdjust.h"
#include "engine/MaskPyramid.h"
#include "planes/Bilinear.h"

namespace {

// One channel of the photo at 3000 x 2000 (the proxy of a 6000 x 4000 image).
bool loadChannel(const char* path, std::vector<uint8_t>* bytes) {
    VipsImage* in = vips_image_new_from_file(path, nullptr);
    VipsImage* sized = nullptr;
    if (in == nullptr) return false;
    int ok = vips_resize(in, &sized, 3000.0 / vips_image_get_width(in), "vscale", 2000.0 / vips_image_get_height(in),
                         nullptr);
    g_object_unref(in);
    if (ok != 0) return false;
    size_t size = 0;
    auto* pixels = static_cast<uint8_t*>(vips_image_write_to_memory(sized, &size));
    int bands = vips_image_get_bands(sized);
    g_object_unref(sized);
    bytes->resize(3000 * 2000 * 3);
    for (size_t i = 0; i < 3000 * 2000; ++i)
        for (int b = 0; b < 3; ++b) (*bytes)[size_t(b) * 3000 * 2000 + i] = pixels[i * size_t(bands) + size_t(b)];
    g_free(pixels);
    return true;
}

double bestMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        prepare();
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void row(const char* name, double ms, double megapixels) {
    std::printf("%-44s %9.1f ms %9.1f MP/s\n", name, ms, megapixels / (ms / 1000.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]) != 0) return 1;
    const char* path = argc > 1 ? argv[1] : VELMORA_SHARED_PHOTOS "/kleiber.jpg";
    std::vector<uint8_t> rgb;
    if (!loadChannel(path, &rgb)) {
        std::fprintf(stderr, "cannot load %s\n", path);
        return 1;
    }
    const int w = 3000, h = 2000;
    const size_t n = size_t(w) * h;
    MaskSettings settings = {64.0f, 5.5f, 0.0f, 0.5f, 0.5f, 255};
    std::printf("Velmora engine, %s at 3000 x 2000, single thread, best of 3\n", path);

    std::vector<float> plane(n), scratch(size_t(8) * 6000 * 4000 / 4);
    double pyramid = bestMs(3, [&] { std::copy(rgb.begin(), rgb.begin() + ptrdiff_t(n), plane.begin()); },
                            [&] { createMaskPyramid(plane.data(), w, h, &settings, scratch.data(), 8 * 6000 * 4000, 1); });
    row("createMaskPyramid 3000 x 2000 (one channel)", pyramid, 6.0);

    std::vector<uint8_t> out(3 * n);
    double adjust = bestMs(3, [] {}, [&] {
        adjustMask(rgb.data(), rgb.data() + n, rgb.data() + 2 * n, w, h, out.data(), out.data() + n, out.data() + 2 * n,
                   &settings);
    });
    row("adjustMask 3 x 3000 x 2000 bytes", adjust, 6.0);

    std::vector<float> big(size_t(6000) * 4000);
    Rect window = {0, 0, int16_t(h), int16_t(w)};
    double enlarge = bestMs(3, [] {}, [&] { resampleToFloat(rgb.data(), w, h, w, window, big.data(), 6000, 4000, 6000); });
    row("resampleToFloat 3000 x 2000 -> 6000 x 4000", enlarge, 24.0);
    return 0;
}
