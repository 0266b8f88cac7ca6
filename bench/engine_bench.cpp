// Engine and plane routines on the sizes of a 24-megapixel photo's proxy
// (3000 x 2000), on every vector path the processor has and on 1 and 2
// threads: prints milliseconds, best of 3 runs: wall time, and on one thread
// also the thread's processor time (what a busy machine leaves unchanged).
// Usage: velmora_engine_bench [PHOTO] (default: the shared 20 MP photo;
// without it, a synthetic plane).
#include <vips/vips.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <functional>
#include <vector>

#include "base/Cpu.h"
#include "base/Parallel.h"
#include "engine/LevelFilter.h"
#include "engine/MaskAdjust.h"
#include "engine/MaskPyramid.h"
#include "engine/Resample.h"
#include "planes/Bilinear.h"
#include "planes/PlaneConvert.h"

namespace {

constexpr int kW = 3000, kH = 2000;
constexpr size_t kN = size_t(kW) * kH;

// The photo's three channels at 3000 x 2000 (the proxy of a 6000 x 4000 image).
bool loadChannels(const char* path, std::vector<uint8_t>* bytes) {
    VipsImage* in = vips_image_new_from_file(path, nullptr);
    VipsImage* sized = nullptr;
    if (in == nullptr) return false;
    int ok = vips_resize(in, &sized, double(kW) / vips_image_get_width(in), "vscale",
                         double(kH) / vips_image_get_height(in), nullptr);
    g_object_unref(in);
    if (ok != 0) return false;
    size_t size = 0;
    auto* pixels = static_cast<uint8_t*>(vips_image_write_to_memory(sized, &size));
    int bands = vips_image_get_bands(sized);
    g_object_unref(sized);
    bytes->resize(kN * 3);
    for (size_t i = 0; i < kN; ++i)
        for (int b = 0; b < 3; ++b) (*bytes)[size_t(b) * kN + i] = pixels[i * size_t(bands) + size_t(b % bands)];
    g_free(pixels);
    return true;
}

void syntheticChannels(std::vector<uint8_t>* bytes) {
    bytes->resize(kN * 3);
    uint32_t s = 12345;
    for (size_t i = 0; i < bytes->size(); ++i) {
        const size_t p = i % kN, x = p % kW, y = p / kW;
        s = s * 1664525u + 1013904223u;
        (*bytes)[i] = uint8_t((x / 7 + y / 5) % 200 + (s >> 29) + (x > kW / 2 ? 40 : 0));
    }
}

// The calling thread's processor time, user and system, in milliseconds.
double threadCpuMs() {
    rusage usage;
    getrusage(RUSAGE_THREAD, &usage);
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Times {
    double wall = 1e30, cpu = 1e30;
};

Times bestMs(const std::function<void()>& prepare, const std::function<void()>& work) {
    Times best;
    for (int i = 0; i < 3; ++i) {
        prepare();
        const double cpu = threadCpuMs();
        auto start = std::chrono::steady_clock::now();
        work();
        best.wall = std::min(best.wall, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        best.cpu = std::min(best.cpu, threadCpuMs() - cpu);
    }
    return best;
}

struct Routine {
    const char* name;
    std::function<void()> prepare, work;
};

}  // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]) != 0) return 1;
    const char* path = argc > 1 ? argv[1] : VELMORA_SHARED_PHOTOS "/kleiber.jpg";
    std::vector<uint8_t> rgb;
    const bool photo = loadChannels(path, &rgb);
    if (!photo) syntheticChannels(&rgb);
    std::printf("Velmora engine on 3000 x 2000 planes (%s), best of 3, milliseconds\n",
                photo ? path : "synthetic plane: photo not found");
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    std::printf("processor's best path: %s; load average %.2f\n", isaName(processorIsa()), load);
    std::printf("per path: 1 thread wall, 1 thread processor time, 2 threads wall\n\n");

    MaskSettings settings = {64.0f, 5.5f, 0.0f, 0.5f, 0.5f, 255};
    std::vector<float> plane(kN), level(kN), other(kN), half(kN / 4), scratch(size_t(8) * 6000 * 4000 / 4);
    std::vector<float> three(3 * kN), big(size_t(6000) * 4000);
    std::vector<uint8_t> bytes(kN), out(3 * kN);
    const Rect all = {0, 0, int16_t(kH), int16_t(kW)};
    const int scratchBytes = 8 * 6000 * 4000;
    auto channelToFloat = [&] { std::copy(rgb.begin(), rgb.begin() + ptrdiff_t(kN), plane.begin()); };
    auto nothing = [] {};
    std::copy(rgb.begin(), rgb.begin() + ptrdiff_t(kN), level.begin());
    for (size_t i = 0; i < kN; ++i) other[i] = float(rgb[kN + i]) + 1.0f;  // a mask for the divisions
    // A deep image's masks: the channels as floats, with fractions.
    std::vector<float> deep(3 * kN), deepOut(3 * kN);
    for (size_t i = 0; i < 3 * kN; ++i) deep[i] = float(rgb[i]) + float(i % 7) / 7.0f;

    const Routine routines[] = {
        {"smoothLevel (g 64)", nothing, [&] { smoothLevel(level.data(), kW, kH, plane.data(), 64.0f, 0.0f); }},
        {"DownSampleBy2", nothing,
         [&] { DownSampleBy2(level.data(), kW, kH, half.data(), scratch.data(), scratchBytes); }},
        {"BicubicUpsample 1500 x 1000 -> 3000 x 2000", nothing,
         [&] { BicubicUpsample(half.data(), kW / 2, kH / 2, plane.data(), kW, kH, scratch.data(), scratchBytes); }},
        {"createMaskPyramid (one channel)", channelToFloat,
         [&] { createMaskPyramid(plane.data(), kW, kH, &settings, scratch.data(), scratchBytes, 1); }},
        {"createMaskPyramid x 3 (the proxy stage's pyramids)",
         [&] { std::copy(rgb.begin(), rgb.end(), three.begin()); },
         [&] {
             for (int c = 0; c < 3; ++c)
                 createMaskPyramid(three.data() + c * kN, kW, kH, &settings, scratch.data(), scratchBytes, 1);
         }},
        {"adjustMask (3 planes)", nothing,
         [&] {
             adjustMask(rgb.data(), rgb.data() + kN, rgb.data() + 2 * kN, kW, kH, out.data(), out.data() + kN,
                        out.data() + 2 * kN, &settings);
         }},
        {"adjustMask (3 float planes, deep images)", nothing,
         [&] {
             adjustMask(deep.data(), deep.data() + kN, deep.data() + 2 * kN, kW, kH, deepOut.data(),
                        deepOut.data() + kN, deepOut.data() + 2 * kN, &settings);
         }},
        {"importPlane", nothing, [&] { importPlane(rgb.data(), plane.data(), all, kW); }},
        {"exportPlane", nothing, [&] { exportPlane(level.data(), bytes.data(), all, kW); }},
        {"exportScaled (gain 255)", nothing,
         [&] { exportScaled(level.data(), kW, bytes.data(), all, kW, 255.0f / 256.0f); }},
        {"normalisePlane", channelToFloat, [&] { normalisePlane(plane.data(), kW, all, 12.0f, 1.2f); }},
        {"denormalisePlane", channelToFloat, [&] { denormalisePlane(plane.data(), kW, all, 12.0f, 0.8f); }},
        {"normaliseBytes", [&] { std::copy(rgb.begin(), rgb.begin() + ptrdiff_t(kN), bytes.begin()); },
         [&] { normaliseBytes(bytes.data(), kW, all, 12.0f, 1.2f); }},
        {"denormaliseBytes", [&] { std::copy(rgb.begin(), rgb.begin() + ptrdiff_t(kN), bytes.begin()); },
         [&] { denormaliseBytes(bytes.data(), kW, all, 12.0f, 0.8f); }},
        {"divideByMask", channelToFloat,
         [&] { divideByMask(plane.data(), all, kW, other.data(), kW, kH, plane.data()); }},
        {"divideByProxyMask", channelToFloat,
         [&] { divideByProxyMask(plane.data(), all, kW, rgb.data() + kN, kW, kH, plane.data()); }},
        {"resampleToFloat 3000 x 2000 -> 6000 x 4000", nothing,
         [&] { resampleToFloat(rgb.data(), kW, kH, kW, all, big.data(), 6000, 4000, 6000); }},
        {"deep: normaliseClamped", channelToFloat, [&] { normaliseClamped(plane.data(), kW, all, 12.0f, 1.2f); }},
        {"deep: exportScaled to floats (gain 255)", nothing,
         [&] { exportScaled(level.data(), kW, plane.data(), all, kW, 255.0f / 256.0f); }},
        {"deep: denormaliseClamped", channelToFloat, [&] { denormaliseClamped(plane.data(), kW, all, 12.0f, 0.8f); }},
        {"deep: resampleToFloat from floats, 3000 x 2000 -> 6000 x 4000", nothing,
         [&] { resampleToFloat(deep.data(), kW, kH, kW, all, big.data(), 6000, 4000, 6000); }},
    };

    std::vector<Isa> paths;
    for (Isa isa : {Isa::Scalar, Isa::Sse2, Isa::Avx2, Isa::Avx512})
        if (setActiveIsa(isa) == isa) paths.push_back(isa);

    std::printf("%-50s", "routine");
    for (Isa isa : paths) std::printf(" | %-20s", isaName(isa));
    std::printf("\n%-50s", "");
    for (size_t i = 0; i < paths.size(); ++i) std::printf(" | %6s %6s %6s", "1", "1 cpu", "2");
    std::printf("\n");
    for (const Routine& r : routines) {
        std::printf("%-50s", r.name);
        for (Isa isa : paths) {
            setActiveIsa(isa);
            setThreadLimit(1);
            const Times one = bestMs(r.prepare, r.work);
            setThreadLimit(2);
            const Times two = bestMs(r.prepare, r.work);
            std::printf(" | %6.1f %6.1f %6.1f", one.wall, one.cpu, two.wall);
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    setThreadLimit(0);
    return 0;
}
