#include "gegl/ImageRun.h"

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "base/FloatEnvironment.h"
#include "base/HostInterface.h"
#include "base/Messages.h"
#include "base/Parallel.h"
#include "base/SamplingRate.h"
#include "engine/Controls.h"
#include "engine/EngineError.h"
#include "engine/FilterParameters.h"
#include "planes/AdjustStep.h"
#include "planes/FullRender.h"
#include "planes/ProxyStage.h"
#include "planes/SampleScales.h"

namespace {

// The engine's error record and level-count cache are module state: one run at a time.
std::mutex runLock;

// The run's working memory: zero-filled blocks, every one still held released
// when the run ends, whatever its outcome (as the plug-in's tracked memory is
// at Finish). Used under runLock only.
std::vector<void*> blocks;

void* allocateBlock(size_t bytes) {
    void* block = std::calloc(bytes > 0 ? bytes : 1, 1);
    if (block == nullptr) return nullptr;
    try {
        blocks.push_back(block);
    } catch (...) {
        std::free(block);
        return nullptr;
    }
    return block;
}

void releaseBlock(void* block) {
    for (size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i] == block) {
            blocks[i] = blocks.back();
            blocks.pop_back();
            std::free(block);
            return;
        }
}

struct RunMemory {
    RunMemory() = default;
    RunMemory(const RunMemory&) = delete;
    RunMemory& operator=(const RunMemory&) = delete;
    ~RunMemory() {
        for (void* block : blocks) std::free(block);
        blocks.clear();
    }
    WorkMemory work() const { return WorkMemory{allocateBlock, releaseBlock}; }
};

// The caller's thread cap, for the length of a run.
struct ThreadCap {
    explicit ThreadCap(int threads) { setThreadLimit(threads > 0 ? threads : 0); }
    ~ThreadCap() { setThreadLimit(0); }
    ThreadCap(const ThreadCap&) = delete;
    ThreadCap& operator=(const ThreadCap&) = delete;
};

// The pixel port over the caller's buffers: a sampled request is a view with
// k times the strides (pixel (row, column) at step k is image pixel
// (k * row, k * column), as a host samples), a tile a view of the buffers
// themselves. Progress: the proxy stage's steps (3 to 8 of the run's) fill the
// first half, the render's tiles the second.
class ImagePort final : public PixelPort {
public:
    ImagePort(const ImageBuffers& image, const RunCallbacks& callbacks) : image_(image), callbacks_(callbacks) {}

    int16_t readPlanes(const Rect& r, int lo, int hi, int32_t rate, PlaneView* pixels) override {
        if (!isWholeStep(rate) || !fits(r, lo, hi, stepOfRate(rate))) return filterBadParameters;
        const int k = stepOfRate(rate);
        *pixels = {image_.in + offset(r, k) + lo * image_.sampleBytes, k * image_.rowBytes, k * image_.pixelBytes,
                   rectWidth(r), rectHeight(r), image_.sampleBytes};
        return noErr;
    }

    // A front without a selection: the renders never ask.
    int16_t readMask(const Rect&, int32_t, PlaneView*) override { return filterBadParameters; }

    int16_t openTile(const Rect& r, int lo, int hi, PlaneView* in, MutablePlaneView* out) override {
        if (!fits(r, lo, hi, 1)) return filterBadParameters;
        const ptrdiff_t first = offset(r, 1) + lo * image_.sampleBytes;
        *in = {image_.in + first, image_.rowBytes, image_.pixelBytes, rectWidth(r), rectHeight(r), image_.sampleBytes};
        *out = {image_.out + first, image_.rowBytes, image_.pixelBytes, rectWidth(r), rectHeight(r),
                image_.sampleBytes};
        rendering_ = true;
        return noErr;
    }

    // Tiles are written straight into the caller's buffer: nothing stays open.
    int16_t closeTiles() override { return noErr; }

    bool aborted() override { return callbacks_.aborted != nullptr && callbacks_.aborted(callbacks_.context); }

    void progress(int32_t done, int32_t total) override {
        if (callbacks_.progress == nullptr || total <= 0) return;
        double fraction = rendering_ ? 0.5 + 0.5 * done / total : 0.5 * (done - 2) / kRunProgressSteps;
        callbacks_.progress(callbacks_.context, fraction < 0 ? 0 : (fraction > 1 ? 1 : fraction));
    }

private:
    bool fits(const Rect& r, int lo, int hi, int k) const {
        return !rectIsEmpty(r) && r.top >= 0 && r.left >= 0 && k * (r.bottom - 1) < image_.height &&
               k * (r.right - 1) < image_.width && lo >= 0 && lo <= hi && hi < 3;
    }
    ptrdiff_t offset(const Rect& r, int k) const {
        return ptrdiff_t(k) * r.top * image_.rowBytes + ptrdiff_t(k) * r.left * image_.pixelBytes;
    }

    ImageBuffers image_;
    RunCallbacks callbacks_;
    bool rendering_ = false;
};

RunOutcome outcomeOfCode(int16_t code) {
    return code == userCanceledErr ? RunOutcome::Cancelled : RunOutcome::OutOfMemory;
}

// The colour samples of a deep image, all pixels: to(original, current).
template <class F>
void eachColourSample(const ImageBuffers& image, const uint8_t* from, uint8_t* to, F convert) {
    for (int y = 0; y < image.height; ++y) {
        const uint16_t* in = reinterpret_cast<const uint16_t*>(from + ptrdiff_t(y) * image.rowBytes);
        uint16_t* out = reinterpret_cast<uint16_t*>(to + ptrdiff_t(y) * image.rowBytes);
        const int step = image.pixelBytes / 2;
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < 3; ++c) out[x * step + c] = convert(in[x * step + c], out[x * step + c]);
    }
}

// The run on pixels of the host's scale (a deep image's were converted).
RunOutcome runOnHostScale(const ImageBuffers& image, double brightness, double color, const RunCallbacks& callbacks,
                          const WorkMemory& memory) {
    ImagePort port(image, callbacks);
    FilterParameters params = initialParameters();
    params.amount = storedValue(kShadowBrightness, brightness);
    params.vibrance = storedValue(kColorIntensity, color);

    const Rect whole = {0, 0, int16_t(image.height), int16_t(image.width)};
    ProxyStage stage = planProxyStage(image.width, image.height, whole);
    ProxyImage proxy = {};
    proxy.width = int16_t(rectWidth(stage.proxy));
    proxy.height = int16_t(rectHeight(stage.proxy));
    proxy.deep = image.sampleBytes == 2;
    const size_t planeSize = size_t(proxy.width) * size_t(proxy.height);
    ProxyMasks built = {{}, {}, proxy.maskMin, proxy.maskScale, proxy.maskInvScale};
    for (int c = 0; c < 3; ++c) {
        if (proxy.deep) {
            built.deepPlanes[c] = static_cast<float*>(memory.allocate(planeSize * sizeof(float)));
            proxy.deepAdjusted[c] = static_cast<float*>(memory.allocate(planeSize * sizeof(float)));
            if (built.deepPlanes[c] == nullptr || proxy.deepAdjusted[c] == nullptr) return RunOutcome::OutOfMemory;
            proxy.deepMasks[c] = built.deepPlanes[c];
        } else {
            built.planes[c] = static_cast<uint8_t*>(memory.allocate(planeSize));
            proxy.adjusted[c] = static_cast<uint8_t*>(memory.allocate(planeSize));
            if (built.planes[c] == nullptr || proxy.adjusted[c] == nullptr) return RunOutcome::OutOfMemory;
            proxy.masks[c] = built.planes[c];
        }
    }
    if (!allocateProxyStage(stage, memory)) return RunOutcome::OutOfMemory;
    if (int16_t code = buildProxyMasks(port, stage, &params.mask, built)) return outcomeOfCode(code);
    releaseProxyStage(stage, memory);
    for (int c = 0; c < 3; ++c) proxy.flat[c] = !std::isfinite(proxy.maskScale[c]);

    int adjusted = adjustProxyMasks(&params, proxy, false);
    if (adjusted == kEngineFlatLuma) return RunOutcome::NothingToReveal;
    if (adjusted != 0) return RunOutcome::OutOfMemory;
    if (int16_t code = renderFullImage(port, whole, proxy, memory)) return outcomeOfCode(code);
    return RunOutcome::Filtered;
}

}  // namespace

RunOutcome runOnImage(const ImageBuffers& image, double brightness, double color, int threads,
                      const RunCallbacks& callbacks) {
    if (image.width < kMinimumImageSide || image.height < kMinimumImageSide) return RunOutcome::TooSmall;
    if (image.width > INT16_MAX || image.height > INT16_MAX) return RunOutcome::TooLarge;

    std::lock_guard<std::mutex> lock(runLock);
    FloatEnvironmentScope floatEnvironment;
    ThreadCap cap(threads);
    WorkerTeam team;
    RunMemory memory;
    if (image.sampleBytes == 1) return runOnHostScale(image, brightness, color, callbacks, memory.work());

    // A deep image's samples on the host's scale, read from a copy; the
    // result, written on that scale, goes back to the caller's.
    ImageBuffers onHostScale = image;
    uint8_t* copy = static_cast<uint8_t*>(allocateBlock(size_t(image.height) * size_t(image.rowBytes)));
    if (copy == nullptr) return RunOutcome::OutOfMemory;
    eachColourSample(image, image.in, copy, [](uint16_t v, uint16_t) { return hostSample(v); });
    onHostScale.in = copy;
    RunOutcome outcome = runOnHostScale(onHostScale, brightness, color, callbacks, memory.work());
    if (outcome == RunOutcome::Filtered) eachColourSample(image, image.in, image.out, filteredFileSample);
    return outcome;
}

const char* outcomeText(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Filtered: return "";
        case RunOutcome::TooSmall: return kMessageImageTooSmall;
        case RunOutcome::TooLarge: return "The image is larger than 32767 pixels in one direction.";
        case RunOutcome::NothingToReveal: return kMessageNothingToReveal;
        case RunOutcome::OutOfMemory: return "Not enough memory to filter the image.";
        case RunOutcome::Cancelled: return "Cancelled.";
    }
    return "";
}
