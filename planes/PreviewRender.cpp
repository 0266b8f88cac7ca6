#include "planes/PreviewRender.h"

#include "engine/MaskAdjust.h"
#include "host/Controls.h"
#include "host/HostSuites.h"
#include "host/PluginGlobals.h"
#include "host/TrackedMemory.h"
#include "planes/Bilinear.h"
#include "planes/PlaneConvert.h"
#include "ui/Platform.h"

namespace {

constexpr int kHostOrMemoryError = -3;
constexpr int kInternalError = -4;

int internalError(const char* text) {
    showErrorBox(text, kInternalErrorCaption);
    return kInternalError;
}

// advanceState's code goes into the result cell every time.
bool advance() { return (*resultCell = hostAdvanceState()) == noErr; }

int planeCount() {
    return hostRecord->filterCase > filterCaseFlatImageWithSelection ? hostRecord->inLayerPlanes : hostRecord->planes;
}

// One proxy channel: normalise, divide by the adjusted mask (not capped),
// undo the normalisation, back to bytes.
void processProxyChannel(float* plane, int c) {
    Rect whole = {0, 0, runData->proxyHeight, runData->proxyWidth};
    int16_t w = runData->proxyWidth, h = runData->proxyHeight;
    normalisePlane(plane, w, whole, runData->maskMin[c], runData->maskScale[c]);
    divideByProxyMask(plane, whole, w, adjustedPlane(runData, c), w, h, plane);
    denormalisePlane(plane, w, whole, runData->maskMin[c], runData->maskInvScale[c]);
    exportPlane(plane, previewPlane(runData, c), whole, w);
}

int proxyPath(PaneState* pane) {
    size_t count = size_t(pane->pixelCount);
    uint8_t* scratch = static_cast<uint8_t*>(trackedAlloc(uint32_t(count * size_t(pane->planeCount))));
    if (scratch == nullptr) return kHostOrMemoryError;
    int16_t pw = runData->proxyWidth, ph = runData->proxyHeight;
    for (int c = 0; c < 3; ++c)
        resampleBytes(previewPlane(runData, c), pw, ph, pw, pane->regionRect, scratch + size_t(c) * count,
                      pane->bufferWidth, pane->bufferHeight, pane->bufferWidth);
    interleavePlanes(scratch, pane->bufferWidth, pane->bufferHeight, pane->rgbBuffer);
    if (hostRecord->haveMask && selectionMask(runData) != nullptr)
        resampleBytes(selectionMask(runData), pw, ph, pw, pane->regionRect, pane->maskBuffer, pane->bufferWidth,
                      pane->bufferHeight, pane->bufferWidth);
    trackedFree(scratch);
    return 1;
}

int hostPath(PaneState* pane) {
    size_t count = size_t(pane->pixelCount);
    float* scratch = static_cast<float*>(trackedAlloc(uint32_t(count * size_t(pane->planeCount) * sizeof(float))));
    if (scratch == nullptr) return kHostOrMemoryError;
    FilterRecord* r = hostRecord;
    int sw = rectWidth(pane->sourceRect), sh = rectHeight(pane->sourceRect);
    Rect local = {0, 0, pane->bufferHeight, pane->bufferWidth};
    r->inRect = pane->sourceRect;
    clearRect(&r->outRect);
    r->inputRate = pane->samplingRate;
    if (r->haveMask) {
        r->maskRect = r->inRect;
        r->maskRate = r->inputRate;
        if (!advance() || r->maskData == nullptr) return kHostOrMemoryError;
        resampleBytes(static_cast<const uint8_t*>(r->maskData), sw, sh, r->maskRowBytes, local, pane->maskBuffer,
                      pane->bufferWidth, pane->bufferHeight, pane->bufferWidth);
        clearRect(&r->maskRect);
    }
    for (int c = 0; c < 3; ++c) {
        float* plane = scratch + size_t(c) * count;
        r->inLoPlane = r->inHiPlane = int16_t(c);
        if (!advance() || r->inData == nullptr) return kHostOrMemoryError;
        resampleToFloat(static_cast<const uint8_t*>(r->inData), sw, sh, r->inRowBytes, local, plane, pane->bufferWidth,
                        pane->bufferHeight, pane->bufferWidth);
        normalisePlane(plane, pane->bufferWidth, local, runData->maskMin[c], runData->maskScale[c]);
        divideBySampledMask(adjustedPlane(runData, c), runData->proxyWidth, runData->proxyHeight, runData->proxyWidth,
                            pane->regionRect, plane, pane->bufferWidth, pane->bufferHeight, pane->bufferWidth);
        denormalisePlane(plane, pane->bufferWidth, local, runData->maskMin[c], runData->maskInvScale[c]);
    }
    exportInterleaved(scratch, pane->bufferWidth, pane->bufferHeight, pane->rgbBuffer, 1.0f);
    trackedFree(scratch);
    return 1;
}

}  // namespace

int readjustMasks() {
    deriveMaskGains(params);
    for (int c = 0; c < 3; ++c)
        if (maskPlane(runData, c) == nullptr) return internalError("Internal Error #1");
    if (adjustMask(maskPlane(runData, 0), maskPlane(runData, 1), maskPlane(runData, 2), runData->proxyWidth,
                   runData->proxyHeight, adjustedPlane(runData, 0), adjustedPlane(runData, 1),
                   adjustedPlane(runData, 2), &params->mask) != 0)
        return internalError("Internal Error #2");
    return 1;
}

int rebuildProxyResult() {
    // Only the three colour channels have masks and statistics.
    int channels = planeCount() < 3 ? planeCount() : 3;
    int adjusted = readjustMasks();
    if (adjusted != 1) return adjusted;

    FilterRecord* r = hostRecord;
    r->inRect = r->filterRect;
    scaleRect(&r->inRect, 1, 2);
    r->inputRate = 0x20000;
    clearRect(&r->maskRect);
    clearRect(&r->outRect);
    float* scratch = static_cast<float*>(trackedAlloc(uint32_t(runData->planeSize) * 4u));
    if (scratch == nullptr) return kHostOrMemoryError;
    int16_t rows = int16_t(rectHeight(r->inRect) < runData->proxyHeight ? rectHeight(r->inRect) : runData->proxyHeight);
    int16_t cols = int16_t(rectWidth(r->inRect) < runData->proxyWidth ? rectWidth(r->inRect) : runData->proxyWidth);
    Rect firstRead = {0, 0, rows, cols};
    for (int c = 0; c < channels; ++c) {
        r->inLoPlane = r->inHiPlane = int16_t(c);
        if (!advance() || r->inData == nullptr) return kHostOrMemoryError;
        importPlane(static_cast<const uint8_t*>(r->inData), scratch, firstRead, r->inRowBytes);
        processProxyChannel(scratch, c);
    }
    trackedFree(scratch);
    return 1;
}

int renderPreview(PaneState* pane) {
    if (previewMode == PreviewMode::Before) {
        renderOriginalView(&previewPane);
        return 1;
    }
    bool coarse = rectWidth(pane->regionRect) >= pane->bufferWidth && rectHeight(pane->regionRect) >= pane->bufferHeight;
    return coarse ? proxyPath(pane) : hostPath(pane);
}

int renderOriginalView(PaneState* pane) {
    FilterRecord* r = hostRecord;
    r->inRect = pane->sourceRect;
    clearRect(&r->outRect);
    r->inputRate = pane->samplingRate;
    if (r->supportsPadding) r->maskPadding = r->inputPadding = 0;
    r->inLoPlane = 0;
    r->inHiPlane = 2;
    if (r->haveMask) {
        r->maskRect = r->inRect;
        r->maskRate = r->inputRate;
    }
    if (!advance() || r->inData == nullptr) return kHostOrMemoryError;
    int w = rectWidth(r->inRect), h = rectHeight(r->inRect);
    Rect local = {0, 0, int16_t(h), int16_t(w)};
    resampleInterleaved(static_cast<const uint8_t*>(r->inData), w, h, r->inRowBytes, local, pane->rgbBuffer,
                        pane->bufferWidth, pane->bufferHeight, 3 * ptrdiff_t(pane->bufferWidth));
    if (r->haveMask && r->maskData != nullptr)
        resampleBytes(static_cast<const uint8_t*>(r->maskData), w, h, r->maskRowBytes, local, pane->maskBuffer,
                      pane->bufferWidth, pane->bufferHeight, pane->bufferWidth);
    return 1;
}

void mapViewToProxy(const Rect& f, const ZoomState& zoom, PaneState* pane) {
    int pw = runData->proxyWidth, ph = runData->proxyHeight;
    if (pw <= 0 || ph <= 0) return;
    double fh = rectHeight(f), fw = rectWidth(f);
    // Each scaled coordinate is rounded to single precision, then truncated.
    auto scaled = [](int proxy, int v, double full) { return int16_t(float(double(proxy) * v / full)); };
    Rect& region = pane->regionRect;
    Rect mapped = {scaled(ph, region.top, fh), scaled(pw, region.left, fw), scaled(ph, region.bottom, fh),
                   scaled(pw, region.right, fw)};
    region = mapped;
    bool inside = mapped.left >= 0 && mapped.left <= pw && mapped.top >= 0 && mapped.top <= ph && mapped.bottom >= 0 &&
                  mapped.bottom <= ph && mapped.right >= 0 && mapped.right <= pw;
    if (inside) return;
    int top = mapped.top < ph - zoom.levelHeight[zoom.level] ? mapped.top : ph - zoom.levelHeight[zoom.level];
    int left = mapped.left < pw - zoom.levelWidth[zoom.level] ? mapped.left : pw - zoom.levelWidth[zoom.level];
    moveRectTo(&region, &region, top > 0 ? top : 0, left > 0 ? left : 0);
}
