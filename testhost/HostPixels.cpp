// The pixels the host hands out and takes back: request checks, the input,
// mask and output areas with their junk padding and guards, the hosts'
// sampling and plane quirks, the selection blend, progress, abort and display.
#include "testhost/TestHostImpl.h"

#include <cstring>

#include "base/SamplingRate.h"
#include "testhost/DisplayDevice.h"

namespace testhost {

bool TestHost::Impl::checkRect(const Rect& r, int height, int width, Fixed rate, const char* name) {
    if (r.bottom < r.top || r.right < r.left) {
        violation(std::string(name) + " inverted: " + rectText(r));
        return false;
    }
    if (rectIsEmpty(r)) return true;
    if (!isWholeStep(rate)) {
        violation(std::string(name) + " requested at a rate this host does not serve: " + std::to_string(rate));
        return false;
    }
    int k = stepOfRate(rate);
    if (r.top < 0 || r.left < 0 || r.bottom > ceilDiv(height, k) || r.right > ceilDiv(width, k)) {
        violation(std::string(name) + " " + rectText(r) + " outside the image at rate " + std::to_string(k));
        return false;
    }
    return true;
}

bool TestHost::Impl::checkPlanes(int16_t lo, int16_t hi, const char* name) {
    if (lo < 0 || hi < lo || hi >= host.image_.planes) {
        violation(std::string(name) + " plane range " + std::to_string(lo) + ".." + std::to_string(hi) +
                  " outside the image's planes");
        return false;
    }
    return true;
}

const uint8_t* TestHost::Impl::imageRow(int plane, int r) const {
    const HostImage& img = host.image_;
    return img.data.data() + (size_t(plane) * size_t(img.height) + size_t(r)) * size_t(img.width) * sampleBytes();
}

int TestHost::Impl::rowPadding() const {
    // Rows of 16-bit samples stay at even addresses, as in every host.
    const int padding = host.options_.rowPadding;
    return sampleBytes() == 2 ? padding + (padding & 1) : padding;
}

const uint8_t* TestHost::Impl::servedRow(int plane, int r) const {
    if (!quirks().servesUnfilteredImage || host.unfiltered_.data.empty()) return imageRow(plane, r);
    const HostImage& img = host.unfiltered_;
    return img.data.data() + img.index(plane, r, 0) * size_t(sampleBytes());
}

bool TestHost::Impl::blendsSelection() const {
    return !host.selection_.empty() && (host.record_->haveMask || quirks().withholdsMask);
}

int TestHost::Impl::servedStep(const Rect& r, Fixed rate) const {
    int k = stepOfRate(rate);
    if (quirks().samplingSupport == 0 || faults().otherRateAt == advanceCalls) return 1;
    const HostImage& img = host.image_;
    if (quirks().rateOnlyWithinImage && k > 1 && (r.bottom > img.height / k || r.right > img.width / k)) return 1;
    return k;
}

namespace {

// Samples 0, k, 2k, ... of `count` from n source rows into interleaved dst.
template <class T>
void interleaveRows(const uint8_t* const* rows, int n, int k, int count, uint8_t* out) {
    T* dst = reinterpret_cast<T*>(out);
    if (k == 1 && n == 3) {  // the common request: three planes at full resolution
        const T *a = reinterpret_cast<const T*>(rows[0]), *b = reinterpret_cast<const T*>(rows[1]),
                *c = reinterpret_cast<const T*>(rows[2]);
        for (int x = 0; x < count; ++x, dst += 3) {
            dst[0] = a[x];
            dst[1] = b[x];
            dst[2] = c[x];
        }
        return;
    }
    for (int p = 0; p < n; ++p)
        for (int x = 0; x < count; ++x) dst[x * n + p] = reinterpret_cast<const T*>(rows[p])[size_t(k) * size_t(x)];
}

void interleaveRows(int sampleBytes, const uint8_t* const* rows, int n, int k, int count, uint8_t* out) {
    if (sampleBytes == 2) interleaveRows<uint16_t>(rows, n, k, count, out);
    else interleaveRows<uint8_t>(rows, n, k, count, out);
}

}  // namespace

void TestHost::Impl::serveInput(const FilterRecord& rec) {
    int k = servedStep(rec.inRect, rec.inputRate);
    int n = rec.inHiPlane - rec.inLoPlane + 1;
    int w = rectWidth(rec.inRect), h = rectHeight(rec.inRect);
    const int sb = sampleBytes();
    input.allocate(h, w * n * sb, rowPadding());
    servedIn = rec.inRect;
    std::vector<const uint8_t*> src(static_cast<size_t>(n), nullptr);
    for (int r = 0; r < h; ++r) {
        int y = k * (rec.inRect.top + r);
        for (int p = 0; p < n; ++p)
            src[size_t(p)] =
                servedRow(servedLo(rec.inLoPlane) + p, y) + size_t(k) * size_t(rec.inRect.left) * size_t(sb);
        interleaveRows(sb, src.data(), n, k, w, input.row(r));
    }
}

void TestHost::Impl::serveMask(const FilterRecord& rec) {
    const HostImage& img = host.image_;
    int k = servedStep(rec.maskRect, rec.maskRate);
    int w = rectWidth(rec.maskRect), h = rectHeight(rec.maskRect);
    mask.allocate(h, w, host.options_.rowPadding);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            mask.row(r)[c] =
                host.selection_[size_t(k * (rec.maskRect.top + r)) * size_t(img.width) + size_t(k * (rec.maskRect.left + c))];
}

void TestHost::Impl::serveOutput(const FilterRecord& rec) {
    int n = rec.outHiPlane - rec.outLoPlane + 1;
    int w = rectWidth(rec.outRect), h = rectHeight(rec.outRect);
    const int sb = sampleBytes();
    output.allocate(h, w * n * sb, rowPadding());
    std::vector<const uint8_t*> src(static_cast<size_t>(n), nullptr);
    for (int r = 0; r < h; ++r) {
        for (int p = 0; p < n; ++p)
            src[size_t(p)] =
                servedRow(servedLo(rec.outLoPlane) + p, rec.outRect.top + r) + size_t(rec.outRect.left) * size_t(sb);
        interleaveRows(sb, src.data(), n, 1, w, output.row(r));
    }
    committedOut = rec.outRect;
    committedLo = servedLo(rec.outLoPlane);
    committedHi = int16_t(committedLo + rec.outHiPlane - rec.outLoPlane);
    outputPending = true;
}

void TestHost::Impl::commitOutput() {
    if (!outputPending) return;
    outputPending = false;
    if (!output.intact()) violation("the plug-in wrote outside outRect " + rectText(committedOut));
    if (sampleBytes() == 2) commitRows<uint16_t>();
    else commitRows<uint8_t>();
}

template <class T>
void TestHost::Impl::commitRows() {
    int n = committedHi - committedLo + 1, w = rectWidth(committedOut);
    bool selected = blendsSelection();
    bool overRange = false;
    for (int r = 0; r < output.rows; ++r)
        for (int p = 0; p < n; ++p) {
            int plane = committedLo + p, row = committedOut.top + r;
            T* dst = reinterpret_cast<T*>(const_cast<uint8_t*>(imageRow(plane, row))) + committedOut.left;
            const T* original = reinterpret_cast<const T*>(servedRow(plane, row)) + committedOut.left;
            const T* src = reinterpret_cast<const T*>(output.row(r)) + p;
            for (int c = 0; c < w; ++c) {
                // A deep image's samples end at 32768, its full value.
                overRange = overRange || (sizeof(T) == 2 && src[c * n] > 32768);
                dst[c] = selected ? T(blended(original[c], src[c * n], row, committedOut.left + c)) : src[c * n];
            }
        }
    if (overRange) violation("the plug-in wrote 16-bit samples above 32768 in " + rectText(committedOut));
}

int TestHost::Impl::blended(int original, int filtered, int row, int col) const {
    int m = host.selection_[size_t(row) * size_t(host.image_.width) + size_t(col)];
    if (quirks().blend == SelectionBlend::Shifted)
        return m == 0 ? original : (original * (256 - (m + 1)) + filtered * (m + 1)) >> 8;
    return (original * (255 - m) + filtered * m + 127) / 255;
}

int16_t TestHost::Impl::advanceState() {
    commitOutput();
    FilterRecord& rec = *host.record_;
    ++advanceCalls;
    AdvanceRequest request = {rec.inRect,     rec.outRect,    rec.maskRect,  rec.inLoPlane, rec.inHiPlane,
                              rec.outLoPlane, rec.outHiPlane, rec.inputRate, rec.maskRate,  noErr};
    const Faults& faults = host.options_.faults;
    if (faults.failAdvanceState != 0 && advanceCalls == faults.failAdvanceState) {
        request.result = faults.advanceStateError;
        host.requests_.push_back(request);
        return request.result;
    }
    const HostImage& img = host.image_;
    bool ok = checkRect(rec.inRect, img.height, img.width, rateOfStep(servedStep(rec.inRect, rec.inputRate)), "inRect") &&
              checkRect(rec.outRect, img.height, img.width, kRateOne, "outRect");
    bool wantInput = ok && !rectIsEmpty(rec.inRect);
    bool wantOutput = ok && !rectIsEmpty(rec.outRect);
    bool wantMask = ok && rec.haveMask && !rectIsEmpty(rec.maskRect);
    if (wantInput) ok = checkPlanes(rec.inLoPlane, rec.inHiPlane, "input");
    if (ok && wantOutput) ok = checkPlanes(rec.outLoPlane, rec.outHiPlane, "output");
    if (ok && wantMask)
        ok = checkRect(rec.maskRect, img.height, img.width, rateOfStep(servedStep(rec.maskRect, rec.maskRate)), "maskRect");
    if (!ok) {
        request.result = filterBadParameters;
        host.requests_.push_back(request);
        return request.result;
    }
    // A host that refills only when the rectangle changes keeps its last
    // buffer for the same rectangle, whatever planes or rate are asked now.
    bool stale = quirks().refillOnRectChangeOnly && wantInput && input.rows > 0 && sameRect(servedIn, rec.inRect);
    if (!stale) input.clear();
    mask.clear();
    if (wantInput && !stale) serveInput(rec);
    if (wantOutput) serveOutput(rec);
    if (wantMask) serveMask(rec);
    rec.inData = wantInput ? input.base() : nullptr;
    rec.inRowBytes = wantInput ? input.rowBytes : 0;
    rec.outData = wantOutput ? output.base() : nullptr;
    rec.outRowBytes = wantOutput ? output.rowBytes : 0;
    rec.maskData = wantMask ? mask.base() : nullptr;
    rec.maskRowBytes = wantMask ? mask.rowBytes : 0;
    deliverBadly(rec);
    host.requests_.push_back(request);
    return noErr;
}

void TestHost::Impl::deliverBadly(FilterRecord& rec) {
    const Faults& f = faults();
    if (f.deliverNothingAt == advanceCalls) rec.inData = rec.outData = rec.maskData = nullptr;
    if (f.shortRowBytesAt == advanceCalls && rec.inRowBytes > 0)
        rec.inRowBytes = ((rec.inHiPlane - rec.inLoPlane + 1) * rectWidth(rec.inRect) - 1) * sampleBytes();
    if (f.movedRectAt == advanceCalls && rectHeight(rec.inRect) > 1) --rec.inRect.bottom;
    if (f.otherRateAt == advanceCalls) rec.inputRate = rec.maskRate = kRateOne;
    if (f.eightBitDataAt == advanceCalls && rec.inRowBytes > 0)
        rec.inRowBytes = (rec.inHiPlane - rec.inLoPlane + 1) * rectWidth(rec.inRect);
    if (f.overRangeAt == advanceCalls && rec.inData != nullptr && sampleBytes() == 2) {
        const uint16_t over = 40000;
        std::memcpy(rec.inData, &over, 2);
    }
}

void TestHost::Impl::logAbort(int polls) {
    host.abortPolls_ = polls;
    host.log_.push_back("abort");
}

void TestHost::Impl::progress(int32_t done, int32_t total) {
    host.progress_.push_back({done, total});
    if (host.options_.onProgress) host.options_.onProgress(done, total);
    host.log_.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
}

OSErr TestHost::Impl::display(const PSPixelMap* map, const VRect* rect, int32_t row, int32_t col, void* context) {
    if (map == nullptr || rect == nullptr || map->rowBytes <= 0 || map->colBytes <= 0) {
        violation("displayPixels with a missing map, rectangle or row bytes");
        return filterBadParameters;
    }
    DisplayCall call = {*rect, row, col, map->imageMode, map->rowBytes, map->colBytes, map->planeBytes,
                        map->version >= 1 && map->masks != nullptr, {}, {}};
    const auto* base = static_cast<const uint8_t*>(map->baseAddr);
    for (int32_t y = rect->top; y < rect->bottom; ++y)
        for (int32_t x = rect->left; x < rect->right; ++x)
            for (int32_t k = 0; k < map->colBytes; ++k)
                call.pixels.push_back(base[ptrdiff_t(y) * map->rowBytes + ptrdiff_t(x) * map->colBytes + k]);
    if (call.hasMask) {
        const auto* m = static_cast<const uint8_t*>(map->masks->maskData);
        for (int32_t y = rect->top; y < rect->bottom; ++y)
            for (int32_t x = rect->left; x < rect->right; ++x)
                call.mask.push_back(m[ptrdiff_t(y) * map->masks->rowBytes + ptrdiff_t(x) * map->masks->colBytes]);
    }
    host.displayCalls_.push_back(std::move(call));
    OSErr drawn = displayOnDevice(map, rect, row, col, context);
    if (host.options_.onDisplay) host.options_.onDisplay(host.displayCalls_.back());
    return drawn;
}

}  // namespace testhost
