#include "planes/PreviewRender.h"

#include <cstring>

#include "base/Messages.h"
#include "base/Parallel.h"
#include "planes/AdjustStep.h"
#include "planes/Bilinear.h"
#include "planes/FullRender.h"
#include "planes/PlaneConvert.h"

namespace {

constexpr int kChannels = 3;

int internalError(PreviewContext& ctx, const char* text) {
    ctx.internalError = text;
    return kPreviewInternalError;
}

// One proxy channel: normalise, divide by the adjusted mask (not capped),
// undo the normalisation, back to bytes.
void processProxyChannel(const ProxyImage& proxy, float* plane, int c) {
    Rect whole = {0, 0, proxy.height, proxy.width};
    if (proxy.flat[c]) {  // nothing to divide by: the channel keeps its pixels
        exportPlane(plane, proxy.preview[c], whole, proxy.width);
        return;
    }
    normalisePlane(plane, proxy.width, whole, proxy.maskMin[c], proxy.maskScale[c]);
    divideByProxyMask(plane, whole, proxy.width, proxy.adjusted[c], proxy.width, proxy.height, plane);
    denormalisePlane(plane, proxy.width, whole, proxy.maskMin[c], proxy.maskInvScale[c]);
    exportPlane(plane, proxy.preview[c], whole, proxy.width);
}

int proxyPath(PreviewContext& ctx, PaneState* pane) {
    const ProxyImage& proxy = ctx.proxy;
    size_t count = size_t(pane->pixelCount);
    uint8_t* scratch = static_cast<uint8_t*>(ctx.memory.allocate(count * size_t(pane->planeCount)));
    if (scratch == nullptr) return kPreviewHostOrMemoryError;
    for (int c = 0; c < kChannels; ++c)
        resampleBytes(proxy.preview[c], proxy.width, proxy.height, proxy.width, pane->regionRect,
                      scratch + size_t(c) * count, pane->bufferWidth, pane->bufferHeight, pane->bufferWidth);
    interleavePlanes(scratch, pane->bufferWidth, pane->bufferHeight, pane->rgbBuffer);
    if (ctx.haveMask && proxy.selection != nullptr)
        resampleBytes(proxy.selection, proxy.width, proxy.height, proxy.width, pane->regionRect, pane->maskBuffer,
                      pane->bufferWidth, pane->bufferHeight, pane->bufferWidth);
    ctx.memory.release(scratch);
    return kPreviewDone;
}

// The selection over the pane's source rectangle, stretched over its buffer.
bool fetchPaneMask(PreviewContext& ctx, PaneState* pane) {
    PlaneView mask;
    if (ctx.port->readMask(pane->sourceRect, pane->samplingRate, &mask) != 0) return false;
    Rect local = {0, 0, int16_t(mask.height), int16_t(mask.width)};
    resampleBytes(mask.data, mask.width, mask.height, mask.rowBytes, local, pane->maskBuffer, pane->bufferWidth,
                  pane->bufferHeight, pane->bufferWidth);
    return true;
}

// A filtered sample as the host applies the selection to it: unselected
// pixels keep their value, partly selected ones are blended, rounded to nearest.
uint8_t selected(uint8_t original, uint8_t filtered, uint8_t mask) {
    return uint8_t((original * (255 - mask) + filtered * mask + 127) / 255);
}

// 100 %: the bytes OK will write into the visible region, which the full
// render's own arithmetic computes from the host's pixels there, with the
// selection applied as the host will apply it.
int hostPath(PreviewContext& ctx, PaneState* pane) {
    const int w = pane->bufferWidth, h = pane->bufferHeight;
    if (ctx.haveMask && !fetchPaneMask(ctx, pane)) return kPreviewHostOrMemoryError;
    PlaneView pixels;
    if (ctx.port->readPlanes(pane->sourceRect, 0, kChannels - 1, pane->samplingRate, &pixels) != 0)
        return kPreviewHostOrMemoryError;
    if (pixels.width != w || pixels.height != h) return kPreviewHostOrMemoryError;
    MutablePlaneView shown = {pane->rgbBuffer, 3 * ptrdiff_t(w), 3, w, h};
    if (!renderRegion(ctx.filterRect, ctx.proxy, pane->sourceRect, pixels, shown, ctx.memory))
        return kPreviewHostOrMemoryError;
    if (!ctx.haveMask) return kPreviewDone;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* original = pixels.data + ptrdiff_t(y) * pixels.rowBytes + ptrdiff_t(x) * pixels.colBytes;
            uint8_t* out = pane->rgbBuffer + (ptrdiff_t(y) * w + x) * 3;
            uint8_t m = pane->maskBuffer[ptrdiff_t(y) * w + x];
            for (int c = 0; c < kChannels; ++c) out[c] = selected(original[c], out[c], m);
        }
    return kPreviewDone;
}

// The proxy's pixels from the host, at the first recomputation only.
bool fetchProxyPixels(PreviewContext& ctx) {
    if (ctx.proxyPixels != nullptr) return true;
    Rect request = ctx.filterRect;
    scaleRect(&request, 1, 2);
    PlaneView pixels;
    if (ctx.port->readPlanes(request, 0, kChannels - 1, kRateTwo, &pixels) != 0) return false;
    size_t planeBytes = size_t(pixels.width) * size_t(pixels.height);
    uint8_t* kept = static_cast<uint8_t*>(ctx.memory.allocate(kChannels * planeBytes));
    if (kept == nullptr) return false;
    for (int c = 0; c < kChannels; ++c) copyPlaneOut(pixels, c, kept + size_t(c) * planeBytes);
    ctx.proxyPixels = kept;
    ctx.proxyPixelsWidth = pixels.width;
    ctx.proxyPixelsHeight = pixels.height;
    return true;
}

// Above 100 %: the rendered pixels, packed at bufferWidth, each enlarged to
// magnify x magnify in place (never smoothed: the picture stays the output's
// pixels). From the last row and column back, nothing is overwritten before
// it is read.
void enlargeInPlace(PaneState* pane) {
    const int m = pane->magnify, w = pane->bufferWidth, h = pane->bufferHeight;
    const ptrdiff_t shownRow = ptrdiff_t(w) * m * 3;
    uint8_t* rgb = pane->rgbBuffer;
    for (int y = h - 1; y >= 0; --y) {
        const uint8_t* from = rgb + ptrdiff_t(y) * w * 3;
        uint8_t* row = rgb + ptrdiff_t(y) * m * shownRow;
        for (int x = w - 1; x >= 0; --x) {
            uint8_t r = from[x * 3], g = from[x * 3 + 1], b = from[x * 3 + 2];
            for (int j = m - 1; j >= 0; --j) {
                uint8_t* to = row + (ptrdiff_t(x) * m + j) * 3;
                to[0] = r, to[1] = g, to[2] = b;
            }
        }
        for (int j = 1; j < m; ++j) std::memcpy(row + j * shownRow, row, size_t(shownRow));
    }
}

}  // namespace

int readjustMasks(PreviewContext& ctx) {
    int adjusted = adjustProxyMasks(ctx.params, ctx.proxy);
    if (adjusted == kAdjustMasksMissing) return internalError(ctx, kMessageMasksMissing);
    if (adjusted != 0) return internalError(ctx, kMessageAdjustmentFailed);
    return kPreviewDone;
}

int rebuildProxyResult(PreviewContext& ctx) {
    int adjusted = readjustMasks(ctx);
    if (adjusted != kPreviewDone) return adjusted;

    WorkerTeam team;  // one set of workers for the passes below
    const ProxyImage& proxy = ctx.proxy;
    size_t samples = size_t(proxy.width) * size_t(proxy.height);
    float* scratch = static_cast<float*>(ctx.memory.allocate(samples * sizeof(float)));
    if (scratch == nullptr || !fetchProxyPixels(ctx)) return kPreviewHostOrMemoryError;
    const int w = ctx.proxyPixelsWidth, h = ctx.proxyPixelsHeight;
    Rect firstRead = {0, 0, int16_t(h < proxy.height ? h : proxy.height), int16_t(w < proxy.width ? w : proxy.width)};
    for (int c = 0; c < kChannels; ++c) {
        const uint8_t* original = ctx.proxyPixels + size_t(c) * size_t(w) * size_t(h);
        importPlane(original, scratch, firstRead, w);
        processProxyChannel(proxy, scratch, c);
        // The processed proxy with the selection applied, as the host will apply it.
        if (ctx.haveMask && proxy.selection != nullptr)
            for (int y = 0; y < firstRead.bottom; ++y)
                for (int x = 0; x < firstRead.right; ++x) {
                    uint8_t& shown = proxy.preview[c][ptrdiff_t(y) * proxy.width + x];
                    shown = selected(original[ptrdiff_t(y) * w + x], shown, proxy.selection[ptrdiff_t(y) * proxy.width + x]);
                }
    }
    ctx.memory.release(scratch);
    return kPreviewDone;
}

int renderPreview(PreviewContext& ctx, PreviewMode mode, PaneState* pane) {
    int rendered = kPreviewDone;
    if (mode == PreviewMode::Before)
        renderOriginalView(ctx, pane);
    else  // at 100 % and above the host's pixels, processed as OK will process them; coarser levels resample the processed proxy
        rendered = pane->samplingRate == kRateOne ? hostPath(ctx, pane) : proxyPath(ctx, pane);
    if (rendered == kPreviewDone && pane->magnify > 1) enlargeInPlace(pane);
    return rendered;
}

int renderOriginalView(PreviewContext& ctx, PaneState* pane) {
    if (ctx.haveMask && !fetchPaneMask(ctx, pane)) return kPreviewHostOrMemoryError;
    PlaneView pixels;
    if (ctx.port->readPlanes(pane->sourceRect, 0, kChannels - 1, pane->samplingRate, &pixels) != 0)
        return kPreviewHostOrMemoryError;
    Rect local = {0, 0, int16_t(pixels.height), int16_t(pixels.width)};
    resampleInterleaved(pixels.data, pixels.width, pixels.height, pixels.rowBytes, local, pane->rgbBuffer,
                        pane->bufferWidth, pane->bufferHeight, 3 * ptrdiff_t(pane->bufferWidth));
    return kPreviewDone;
}

void mapViewToProxy(const Rect& f, int pw, int ph, const ZoomState& zoom, PaneState* pane) {
    if (pw <= 0 || ph <= 0) return;
    // Proxy pixel j is image pixel 2 * (F's origin / 2 + j): image coordinate
    // v (relative to F) lies at (origin + v) / 2 - origin / 2, the same pixel
    // the host's own sampling shows.
    auto halved = [](int origin, int v) { return int16_t((origin + v) / 2 - origin / 2); };
    Rect& region = pane->regionRect;
    Rect mapped = {halved(f.top, region.top), halved(f.left, region.left), halved(f.top, region.bottom),
                   halved(f.left, region.right)};
    region = mapped;
    bool inside = mapped.left >= 0 && mapped.left <= pw && mapped.top >= 0 && mapped.top <= ph && mapped.bottom >= 0 &&
                  mapped.bottom <= ph && mapped.right >= 0 && mapped.right <= pw;
    if (inside) return;
    int top = mapped.top < ph - zoom.levelHeight[zoom.level] ? mapped.top : ph - zoom.levelHeight[zoom.level];
    int left = mapped.left < pw - zoom.levelWidth[zoom.level] ? mapped.left : pw - zoom.levelWidth[zoom.level];
    moveRectTo(&region, &region, top > 0 ? top : 0, left > 0 ? left : 0);
}
