#include "host/HostPixelPort.h"

#include <cstring>

#include "host/HostSuites.h"
#include "planes/PlaneConvert.h"
#include "host/PluginGlobals.h"
#include "host/TrackedMemory.h"

namespace {

// Full-resolution bytes a strip of a self-sampled request may take at most.
constexpr size_t kStripBytes = size_t(1) << 21;

bool sameRect(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// Bytes a sample of the host's image takes: 2 for deep images, else 1.
int sampleBytes() { return hostRecord->depth == 16 ? 2 : 1; }

bool oddAddress(const void* data, ptrdiff_t rowBytes) {
    return ((reinterpret_cast<uintptr_t>(data) | uintptr_t(rowBytes)) & 1) != 0;
}

// A deep buffer holds aligned 16-bit samples within the host's range.
bool deepBufferFits(const void* data, ptrdiff_t rowBytes, int width, int height, int planes) {
    if (oddAddress(data, rowBytes)) return false;
    for (int row = 0; row < height; ++row) {
        const uint16_t* p = reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(data) + row * rowBytes);
        uint16_t most = 0;
        for (ptrdiff_t i = 0; i < ptrdiff_t(width) * planes; ++i) most = p[i] > most ? p[i] : most;
        if (most > kDeepFull) return false;
    }
    return true;
}

// A block of the port's own, kept until the next request that needs one.
struct OwnBuffer {
    uint8_t* data = nullptr;
    size_t size = 0;

    uint8_t* reserve(size_t bytes) {
        if (data != nullptr && size >= bytes) return data;
        trackedFree(data);
        data = static_cast<uint8_t*>(trackedAlloc(bytes));
        size = data ? bytes : 0;
        return data;
    }
};

// What advanceState is asked, and what it delivered.
struct Request {
    Rect in, out, mask;
    int16_t hi;  // planes 0..hi of the input and of the output
    Fixed inputRate, maskRate;
};

class FilterRecordPort final : public PixelPort {
public:
    void reset() { *this = FilterRecordPort(); }

    int16_t readPlanes(const Rect& r, int lo, int hi, int32_t rate, PlaneView* pixels) override {
        if (rate != kRateOne && !hostSamples(r, rate)) return sampleItself(r, lo, hi, rate, pixels);
        Request q = {r, {0, 0, 0, 0}, {0, 0, 0, 0}, int16_t(hi), rate, kRateOne};
        if (int16_t code = send(q)) return code;
        if (rate != kRateOne && hostRecord->inputRate != rate) {
            // The host answered at another rate: from now on the port samples itself.
            refusesRates_ = true;
            return sampleItself(r, lo, hi, rate, pixels);
        }
        if (int16_t code = inputView(r, hi, pixels)) return code;
        pixels->data += lo * pixels->sampleBytes;  // the planes asked for start at plane lo
        return noErr;
    }

    int16_t readMask(const Rect& r, int32_t rate, PlaneView* mask) override {
        if (rate != kRateOne && !hostSamples(r, rate)) return sampleMaskItself(r, rate, mask);
        Request q = {{0, 0, 0, 0}, {0, 0, 0, 0}, r, 0, kRateOne, rate};
        if (int16_t code = send(q)) return code;
        if (rate != kRateOne && hostRecord->maskRate != rate) {
            refusesRates_ = true;
            return sampleMaskItself(r, rate, mask);
        }
        return maskView(r, mask);
    }

    int16_t openTile(const Rect& r, int lo, int hi, PlaneView* in, MutablePlaneView* out) override {
        Request q = {r, r, {0, 0, 0, 0}, int16_t(hi), kRateOne, kRateOne};
        if (int16_t code = send(q)) return code;
        if (int16_t code = inputView(r, hi, in)) return code;
        FilterRecord* f = hostRecord;
        int width = rectWidth(r), planes = hi + 1, sample = sampleBytes(), pixel = planes * sample;
        if (f->outData == nullptr || f->outRowBytes < ptrdiff_t(width) * pixel || !sameRect(f->outRect, r) ||
            (sample == 2 && oddAddress(f->outData, f->outRowBytes)))
            return fail(filterBadParameters);
        *out = {static_cast<uint8_t*>(f->outData), f->outRowBytes, pixel, width, rectHeight(r), sample};
        // Planes below lo keep their values: the output buffer is not assumed to hold them.
        for (int b = 0; b < lo * sample; ++b)
            for (int row = 0; row < out->height; ++row)
                for (int col = 0; col < width; ++col)
                    out->data[row * out->rowBytes + col * pixel + b] = in->data[row * in->rowBytes + col * pixel + b];
        in->data += lo * sample;
        out->data += lo * sample;
        return noErr;
    }

    // An advanceState with every rectangle empty: the host stores the last
    // tile and no rectangle stays set when Start returns.
    int16_t closeTiles() override {
        return send(Request{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, kRateOne, kRateOne});
    }

    bool aborted() override { return hostAbort(); }
    void progress(int32_t done, int32_t total) override { hostProgress(done, total); }

private:
    // True when the host can be trusted to deliver r at this rate itself.
    bool hostSamples(const Rect& r, int32_t rate) const {
        const FilterRecord* f = hostRecord;
        if (f->samplingSupport == 0 || refusesRates_ || !isWholeStep(rate)) return false;
        int k = stepOfRate(rate);
        // Some hosts honour a rate only while the sampled rectangle fits the image divided by the rate.
        return r.bottom <= f->imageSize.v / k && r.right <= f->imageSize.h / k;
    }

    // Sets the record for q and calls advanceState; the code goes into the result cell.
    int16_t send(const Request& q) {
        FilterRecord* f = hostRecord;
        if (sameRect(q.in, last_.in) && !rectIsEmpty(q.in) && (q.hi != last_.hi || q.inputRate != last_.inputRate)) {
            // A host that refills only when the rectangle changes would hand back the last planes.
            Rect other = q.in.top == 0 && q.in.left == 0 && q.in.bottom == 1 && q.in.right == 1 ? Rect{0, 1, 1, 2}
                                                                                              : Rect{0, 0, 1, 1};
            Request bust = {other, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, kRateOne, kRateOne};
            if (int16_t code = send(bust)) return code;
        }
        if (f->supportsPadding) f->inputPadding = f->outputPadding = f->maskPadding = 0;
        f->inRect = q.in;
        f->outRect = q.out;
        f->maskRect = q.mask;
        f->inLoPlane = f->outLoPlane = 0;
        f->inHiPlane = f->outHiPlane = q.hi;
        f->inputRate = q.inputRate;
        f->maskRate = q.maskRate;
        last_ = q;
        return fail(hostAdvanceState());
    }

    int16_t fail(int16_t code) {
        *resultCell = code;
        return code;
    }

    // The host's input buffer for r, planes 0..hi, checked against the request.
    int16_t inputView(const Rect& r, int hi, PlaneView* view) {
        const FilterRecord* f = hostRecord;
        int width = rectWidth(r), planes = hi + 1, sample = sampleBytes();
        if (f->inData == nullptr || f->inRowBytes < ptrdiff_t(width) * planes * sample || !sameRect(f->inRect, r) ||
            (sample == 2 && !deepBufferFits(f->inData, f->inRowBytes, width, rectHeight(r), planes)))
            return fail(filterBadParameters);
        *view = {static_cast<const uint8_t*>(f->inData), f->inRowBytes, planes * sample, width, rectHeight(r), sample};
        return noErr;
    }

    int16_t maskView(const Rect& r, PlaneView* view) {
        const FilterRecord* f = hostRecord;
        int width = rectWidth(r), height = rectHeight(r);
        if (f->maskData == nullptr) {
            // A host that reports a selection but sends none: nothing is selected.
            uint8_t* none = none_.reserve(size_t(width) * size_t(height) + 1);
            if (none == nullptr) return fail(memFullErr);
            std::memset(none, 0, size_t(width) * size_t(height) + 1);
            *view = {none, width, 1, width, height};
            return noErr;
        }
        if (f->maskRowBytes < width || !sameRect(f->maskRect, r)) return fail(filterBadParameters);
        *view = {static_cast<const uint8_t*>(f->maskData), f->maskRowBytes, 1, width, height};
        return noErr;
    }

    // Sampled rows per strip of a self-sampled request of `width` sampled
    // columns and `planes` planes at step k.
    static int stripRows(int width, int planes, int k) {
        size_t fullRow = (size_t(width - 1) * size_t(k) + 1) * size_t(planes);
        size_t rows = kStripBytes / (fullRow * size_t(k));
        return rows < 1 ? 1 : (rows > 4096 ? 4096 : int(rows));
    }

    // The full-resolution rectangle whose every k-th pixel is sampled rows y0..y1-1 of r.
    static Rect fullStrip(const Rect& r, int y0, int y1, int k) {
        return Rect{int16_t(k * y0), int16_t(k * r.left), int16_t(k * (y1 - 1) + 1), int16_t(k * (r.right - 1) + 1)};
    }

    // Planes lo..hi of r at step k, taken from full-resolution strips: pixel
    // (row, column) of r is image pixel (k * row, k * column).
    int16_t sampleItself(const Rect& r, int lo, int hi, int32_t rate, PlaneView* pixels) {
        if (!isWholeStep(rate)) return fail(filterBadParameters);
        int k = stepOfRate(rate), width = rectWidth(r), height = rectHeight(r), sample = sampleBytes();
        // Bytes of a pixel's planes lo..hi, copied as they are.
        int planes = (hi - lo + 1) * sample;
        uint8_t* out = pixels_.reserve(size_t(width) * size_t(height) * size_t(planes) + 1);
        if (out == nullptr) return fail(memFullErr);
        int step = stripRows(width, (hi + 1) * sample, k);
        for (int y0 = r.top; y0 < r.bottom; y0 += step) {
            int y1 = y0 + step < r.bottom ? y0 + step : r.bottom;
            Rect strip = fullStrip(r, y0, y1, k);
            Request q = {strip, {0, 0, 0, 0}, {0, 0, 0, 0}, int16_t(hi), kRateOne, kRateOne};
            PlaneView full;
            if (int16_t code = send(q)) return code;
            if (int16_t code = inputView(strip, hi, &full)) return code;
            for (int y = y0; y < y1; ++y) {
                const uint8_t* src = full.data + ptrdiff_t(k) * (y - y0) * full.rowBytes + lo * sample;
                uint8_t* dst = out + (size_t(y - r.top) * size_t(width)) * size_t(planes);
                for (int x = 0; x < width; ++x)
                    for (int p = 0; p < planes; ++p)
                        dst[size_t(x) * size_t(planes) + size_t(p)] = src[ptrdiff_t(k) * x * full.colBytes + p];
            }
        }
        *pixels = {out, ptrdiff_t(width) * planes, planes, width, height, sample};
        return noErr;
    }

    int16_t sampleMaskItself(const Rect& r, int32_t rate, PlaneView* mask) {
        if (!isWholeStep(rate)) return fail(filterBadParameters);
        int k = stepOfRate(rate), width = rectWidth(r), height = rectHeight(r);
        uint8_t* out = mask_.reserve(size_t(width) * size_t(height) + 1);
        if (out == nullptr) return fail(memFullErr);
        int step = stripRows(width, 1, k);
        for (int y0 = r.top; y0 < r.bottom; y0 += step) {
            int y1 = y0 + step < r.bottom ? y0 + step : r.bottom;
            Rect strip = fullStrip(r, y0, y1, k);
            Request q = {{0, 0, 0, 0}, {0, 0, 0, 0}, strip, 0, kRateOne, kRateOne};
            PlaneView full;
            if (int16_t code = send(q)) return code;
            if (int16_t code = maskView(strip, &full)) return code;
            for (int y = y0; y < y1; ++y) {
                const uint8_t* src = full.data + ptrdiff_t(k) * (y - y0) * full.rowBytes;
                uint8_t* dst = out + size_t(y - r.top) * size_t(width);
                for (int x = 0; x < width; ++x) dst[x] = src[ptrdiff_t(k) * x];
            }
        }
        *mask = {out, width, 1, width, height};
        return noErr;
    }

    Request last_ = {};
    bool refusesRates_ = false;
    OwnBuffer pixels_, mask_, none_;  // self-sampled pixels and mask; an empty selection
};

FilterRecordPort port;

}  // namespace

PixelPort& hostPixelPort() { return port; }
void resetHostPixelPort() { port.reset(); }
