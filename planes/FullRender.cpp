#include "planes/FullRender.h"

#include "host/HostSuites.h"
#include "host/PluginGlobals.h"
#include "host/TrackedMemory.h"
#include "planes/Bilinear.h"
#include "planes/PlaneConvert.h"

namespace {

struct RenderPlan {
    int width, height;       // the filter rectangle
    int tileColumns, tileRows;
    int planeCount;
    int32_t total, done;     // progress, one step per tile
    float* tile;             // kTileSize x kTileSize floats
    float* fullMask;         // width x height floats: the current plane's enlarged mask
};

int renderPlaneCount() {
    return hostRecord->filterCase > filterCaseFlatImageWithSelection ? hostRecord->inLayerPlanes
                                                                     : hostRecord->planes;
}

// The tile at (row t, column u) in image coordinates, cut to the filter rectangle.
Rect tileRect(const Rect& f, int t, int u) {
    Rect r;
    r.top = int16_t(f.top + kTileSize * t);
    r.left = int16_t(f.left + kTileSize * u);
    r.bottom = int16_t(r.top + kTileSize < f.bottom ? r.top + kTileSize : f.bottom);
    r.right = int16_t(r.left + kTileSize < f.right ? r.left + kTileSize : f.right);
    return r;
}

// One tile of plane k: normalise, divide by the enlarged mask (capped at 1),
// scale to bytes and undo the normalisation in the host's output buffer.
bool renderTile(RenderPlan& plan, int k, int t, int u) {
    FilterRecord* r = hostRecord;
    const Rect& f = r->filterRect;
    r->inRect = tileRect(f, t, u);
    r->outRect = r->inRect;
    r->maskRect = r->inRect;
    if ((*resultCell = hostAdvanceState()) != noErr) return false;
    if (r->inData == nullptr || r->outData == nullptr) {  // accepted but not delivered
        *resultCell = filterBadParameters;
        return false;
    }
    importTile(static_cast<const uint8_t*>(r->inData), plan.tile, r->inRect, r->inRowBytes, kTileSize, kTileSize);
    Rect relative = r->inRect;
    moveRectTo(&relative, &relative, r->inRect.top - f.top, r->inRect.left - f.left);
    Rect local = {0, 0, int16_t(rectHeight(relative)), int16_t(rectWidth(relative))};
    normalisePlane(plan.tile, kTileSize, local, runData->maskMin[k], runData->maskScale[k]);
    divideByMask(plan.tile, relative, kTileSize, plan.fullMask, plan.width, plan.height, plan.tile);
    uint8_t* out = static_cast<uint8_t*>(r->outData);
    exportScaled(plan.tile, kTileSize, out, r->outRect, r->outRowBytes, 255.0f);
    denormaliseBytes(out, r->outRowBytes, local, runData->maskMin[k], runData->maskInvScale[k]);
    hostProgress(++plan.done, plan.total);
    return true;
}

bool renderPlane(RenderPlan& plan, int k) {
    FilterRecord* r = hostRecord;
    r->outLoPlane = r->outHiPlane = r->inLoPlane = r->inHiPlane = int16_t(k);
    if (hostAbort()) {
        *resultCell = userCanceledErr;
        return false;
    }
    Rect window = {0, 0, runData->proxyHeight, runData->proxyWidth};
    resampleToFloat(adjustedPlane(runData, k), runData->proxyWidth, runData->proxyHeight, runData->proxyWidth, window,
                    plan.fullMask, plan.width, plan.height, plan.width);
    for (int t = 0; t < plan.tileRows; ++t)
        for (int u = 0; u < plan.tileColumns; ++u)
            if (!renderTile(plan, k, t, u)) return false;
    return true;
}

}  // namespace

void renderFullImage() {
    FilterRecord* r = hostRecord;
    RenderPlan plan = {};
    plan.width = rectWidth(r->filterRect);
    plan.height = rectHeight(r->filterRect);
    plan.tileColumns = (plan.width + kTileSize - 1) / kTileSize;
    plan.tileRows = (plan.height + kTileSize - 1) / kTileSize;

    plan.tile = static_cast<float*>(trackedAlloc(kTileSize * kTileSize * sizeof(float)));
    if (plan.tile == nullptr) return;
    plan.fullMask = static_cast<float*>(trackedAlloc(uint32_t(size_t(plan.width) * size_t(plan.height) * sizeof(float))));
    if (plan.fullMask == nullptr) return;

    plan.planeCount = renderPlaneCount();
    r->inRect = r->filterRect;
    r->outRect = r->filterRect;
    r->inputRate = 0x10000;
    r->maskRate = r->inputRate;
    if (r->supportsPadding) r->inputPadding = r->outputPadding = r->maskPadding = 0;
    plan.total = plan.planeCount * plan.tileColumns * plan.tileRows;
    plan.done = 0;

    for (int k = 0; k < plan.planeCount; ++k)
        if (!renderPlane(plan, k)) return;
    trackedFree(plan.tile);
    trackedFree(plan.fullMask);
}
