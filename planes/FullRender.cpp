#include "planes/FullRender.h"

#include "base/HostInterface.h"
#include "planes/Bilinear.h"
#include "planes/PlaneConvert.h"

namespace {

constexpr int kChannels = 3;

struct RenderPlan {
    Rect filter;
    int width, height;  // the filter rectangle
    int tileColumns, tileRows;
    int32_t total, done;  // progress, one step per tile
    float* tile;          // kTileSize x kTileSize floats
    uint8_t* bytes;       // one plane of a tile, packed
    float* bandMask;      // per channel kTileSize rows of width floats: the enlarged mask of the band
};

size_t bandFloats(const RenderPlan& plan) { return size_t(kTileSize) * size_t(plan.width); }

// The tile at (row t, column u) in image coordinates, cut to the filter rectangle.
Rect tileRect(const Rect& f, int t, int u) {
    Rect r;
    r.top = int16_t(f.top + kTileSize * t);
    r.left = int16_t(f.left + kTileSize * u);
    r.bottom = int16_t(r.top + kTileSize < f.bottom ? r.top + kTileSize : f.bottom);
    r.right = int16_t(r.left + kTileSize < f.right ? r.left + kTileSize : f.right);
    return r;
}

// Rows of band t of each channel's adjusted mask enlarged to the filter
// rectangle: the same grid as one enlargement of the whole rectangle.
void enlargeBandMasks(RenderPlan& plan, const ProxyImage& proxy, int t) {
    Rect window = {0, 0, proxy.height, proxy.width};
    for (int k = 0; k < kChannels; ++k)
        resampleToFloatRows(proxy.adjusted[k], proxy.width, proxy.height, proxy.width, window,
                            plan.bandMask + size_t(k) * bandFloats(plan), plan.width, plan.height, plan.width,
                            kTileSize * t, kTileSize);
}

// One plane of a tile: normalise, divide by the enlarged mask (capped at 1),
// scale to bytes and undo the normalisation.
void renderTilePlane(RenderPlan& plan, const ProxyImage& proxy, int k, int t, const Rect& tile, const PlaneView& in,
                     const MutablePlaneView& out) {
    copyPlaneOut(in, k, plan.bytes);
    if (proxy.flat[k]) {  // nothing to divide by: the channel keeps its pixels
        copyPlaneIn(plan.bytes, out, k);
        return;
    }
    Rect local = {0, 0, int16_t(rectHeight(tile)), int16_t(rectWidth(tile))};
    importTile(plan.bytes, plan.tile, local, rectWidth(tile), kTileSize, kTileSize);
    normalisePlane(plan.tile, kTileSize, local, proxy.maskMin[k], proxy.maskScale[k]);
    // The tile in the band's coordinates: band rows start at tile row t.
    Rect inBand = tile;
    moveRectTo(&inBand, &tile, tile.top - plan.filter.top - kTileSize * t, tile.left - plan.filter.left);
    int bandRows = plan.height - kTileSize * t < kTileSize ? plan.height - kTileSize * t : kTileSize;
    divideByMask(plan.tile, inBand, kTileSize, plan.bandMask + size_t(k) * bandFloats(plan), plan.width, bandRows,
                 plan.tile);
    exportScaled(plan.tile, kTileSize, plan.bytes, local, rectWidth(tile), 255.0f);
    denormaliseBytes(plan.bytes, rectWidth(tile), local, proxy.maskMin[k], proxy.maskInvScale[k]);
    copyPlaneIn(plan.bytes, out, k);
}

int16_t renderBand(RenderPlan& plan, PixelPort& port, const ProxyImage& proxy, int t) {
    if (port.aborted()) return userCanceledErr;
    enlargeBandMasks(plan, proxy, t);
    for (int u = 0; u < plan.tileColumns; ++u) {
        Rect tile = tileRect(plan.filter, t, u);
        PlaneView in;
        MutablePlaneView out;
        if (int16_t code = port.openTile(tile, 0, kChannels - 1, &in, &out)) return code;
        for (int k = 0; k < kChannels; ++k) renderTilePlane(plan, proxy, k, t, tile, in, out);
        port.progress(++plan.done, plan.total);
    }
    return noErr;
}

}  // namespace

int16_t renderFullImage(PixelPort& port, const Rect& filterRect, const ProxyImage& proxy, const WorkMemory& memory) {
    RenderPlan plan = {};
    plan.filter = filterRect;
    plan.width = rectWidth(filterRect);
    plan.height = rectHeight(filterRect);
    plan.tileColumns = (plan.width + kTileSize - 1) / kTileSize;
    plan.tileRows = (plan.height + kTileSize - 1) / kTileSize;
    plan.total = plan.tileColumns * plan.tileRows;

    plan.tile = static_cast<float*>(memory.allocate(size_t(kTileSize) * kTileSize * sizeof(float)));
    plan.bytes = plan.tile ? static_cast<uint8_t*>(memory.allocate(size_t(kTileSize) * kTileSize)) : nullptr;
    plan.bandMask = plan.bytes ? static_cast<float*>(memory.allocate(kChannels * bandFloats(plan) * sizeof(float)))
                               : nullptr;
    if (plan.bandMask == nullptr) return memFullErr;

    for (int t = 0; t < plan.tileRows; ++t)
        if (int16_t code = renderBand(plan, port, proxy, t)) return code;
    memory.release(plan.bandMask);
    memory.release(plan.bytes);
    memory.release(plan.tile);
    return noErr;
}
