#include "planes/FullRender.h"

#include "base/HostInterface.h"
#include "base/Parallel.h"
#include "planes/Bilinear.h"
#include "planes/PlaneConvert.h"

namespace {

constexpr int kChannels = 3;
constexpr int kMaxPieces = 64;  // workers a tile's rows are shared among, at most

// One worker's buffers: its rows of one plane of a tile.
struct PieceBuffers {
    float* tile;     // kTileSize x kTileSize floats
    uint8_t* bytes;  // kTileSize x kTileSize bytes, packed at the tile's width (8-bit images)
};

struct RenderPlan {
    Rect filter;
    int width, height;  // the filter rectangle
    int tileColumns, tileRows;
    int32_t total, done;  // progress, one step per tile
    int pieces;           // a tile's rows are shared among this many workers
    PieceBuffers* buffers;
    float* bandMask;  // per channel kTileSize rows of width floats: the enlarged mask of the band
};

size_t bandFloats(const RenderPlan& plan) { return size_t(kTileSize) * size_t(plan.width); }
// One worker's floats, then its bytes, rounded up so the next worker's floats stay aligned.
size_t pieceBytes() { return (size_t(kTileSize) * kTileSize * (sizeof(float) + 1) + 63) / 64 * 64; }

// The tile at (row t, column u) in image coordinates, cut to the filter rectangle.
Rect tileRect(const Rect& f, int t, int u) {
    Rect r;
    r.top = int16_t(f.top + kTileSize * t);
    r.left = int16_t(f.left + kTileSize * u);
    r.bottom = int16_t(r.top + kTileSize < f.bottom ? r.top + kTileSize : f.bottom);
    r.right = int16_t(r.left + kTileSize < f.right ? r.left + kTileSize : f.right);
    return r;
}

// Where the two depths differ, chosen by the type M of the samples between
// the division and the host: bytes for 8-bit images, floats for deep ones.
// The stages between are the same.
//
// 8-bit images (per pixel, v the host's byte):
//   n = float((v - maskMin) * maskScale)
//   q = float(min(n / d, 1)), d the enlarged mask where positive, else 1
//   b = truncate(clamp low-first(float(255 * q)))
//   out = truncate(clamp high-first(maskMin + maskInvScale * b))
// Deep images (h the host's 16-bit sample, 0..32768), where the 8-bit path
// truncates keeping the truncation's mean, mean(x, loss) = x - loss for
// 0 < x < 255, else x (engine/DeepSamples.h):
//   v = h * 255 / 32768 (exact in single precision)
//   n, q as above, the mask enlarged from the float adjusted masks
//   s = mean(clamp low-first(float(255 * q)), 0.5)
//   o = mean(float(clamp high-first(maskMin + maskInvScale * s)), loss), the
//       loss 0 where maskMin is 0 and maskInvScale 1 (whole numbers stay
//       whole), else 0.5
//   out = roundDeepSample(o): o * (32768 / 255) + 0.5 truncated, 0..32768.
// Intermediate arithmetic is double precision, as the plane routines state.
template <class M>
struct Edges;

template <>
struct Edges<uint8_t> {
    static const uint8_t* adjusted(const ProxyImage& proxy, int k) { return proxy.adjusted[k]; }
    static void keep(const PieceBuffers& b, const PlaneView& in, const MutablePlaneView& out, int k) {
        copyPlaneOut(in, k, b.bytes);
        copyPlaneIn(b.bytes, out, k);
    }
    static void enter(const PieceBuffers& b, const PlaneView& in, int k, const Rect& local) {
        copyPlaneOut(in, k, b.bytes);
        importTile(b.bytes, b.tile, local, rectWidth(local), kTileSize, kTileSize);
    }
    // The samples between the division and the host: packed bytes.
    static uint8_t* samples(const PieceBuffers& b) { return b.bytes; }
    static ptrdiff_t stride(const Rect& local) { return rectWidth(local); }
    static void denormalise(uint8_t* p, ptrdiff_t stride, const Rect& r, float min, float invScale) {
        denormaliseBytes(p, stride, r, min, invScale);
    }
    static void leave(const PieceBuffers& b, const MutablePlaneView& out, int k) { copyPlaneIn(b.bytes, out, k); }
};

template <>
struct Edges<float> {
    static const float* adjusted(const ProxyImage& proxy, int k) { return proxy.deepAdjusted[k]; }
    static void keep(const PieceBuffers&, const PlaneView& in, const MutablePlaneView& out, int k) {
        copyViewPlane(in, out, k);
    }
    static void enter(const PieceBuffers& b, const PlaneView& in, int k, const Rect&) {
        importViewPlane(in, k, b.tile, kTileSize);
    }
    // The samples between the division and the host: the tile itself, in place.
    static float* samples(const PieceBuffers& b) { return b.tile; }
    static ptrdiff_t stride(const Rect&) { return kTileSize; }
    static void denormalise(float* p, ptrdiff_t stride, const Rect& r, float min, float invScale) {
        denormaliseClamped(p, stride, r, min, invScale);
    }
    static void leave(const PieceBuffers& b, const MutablePlaneView& out, int k) {
        exportViewPlane(b.tile, kTileSize, out, k);
    }
};

// Rows of band t of each channel's adjusted mask enlarged to the filter
// rectangle: the same grid as one enlargement of the whole rectangle.
template <class M>
void enlargeBandMasks(RenderPlan& plan, const ProxyImage& proxy, int t) {
    Rect window = {0, 0, proxy.height, proxy.width};
    for (int k = 0; k < kChannels; ++k)
        resampleToFloatRows(Edges<M>::adjusted(proxy, k), proxy.width, proxy.height, proxy.width, window,
                            plan.bandMask + size_t(k) * bandFloats(plan), plan.width, plan.height, plan.width,
                            kTileSize * t, kTileSize);
}

// One channel of a block of 8-bit pixels, packed bytes of width(local) a
// row, filtered in place by renderRows' stages: normalised, divided by the mask samples at inMask (the
// block's rows and columns of the enlarged mask, capped at 1), scaled to
// bytes and the normalisation undone. `tile` holds the block as floats, rows
// tileStride samples apart. Every pixel is computed on its own, so how an
// image is cut into blocks changes no byte.
void filterBlock(uint8_t* bytes, const Rect& local, float* tile, ptrdiff_t tileStride, const float* mask,
                 const Rect& inMask, int maskWidth, int maskHeight, const ProxyImage& proxy, int k) {
    const int width = rectWidth(local);
    importTile(bytes, tile, local, width, tileStride, rectHeight(local));
    normalisePlane(tile, tileStride, local, proxy.maskMin[k], proxy.maskScale[k]);
    divideByMask(tile, inMask, tileStride, mask, maskWidth, maskHeight, tile);
    exportScaled(tile, tileStride, bytes, local, width, 255.0f);
    denormaliseBytes(bytes, width, local, proxy.maskMin[k], proxy.maskInvScale[k]);
}

// The rows `rows` (image coordinates) of plane k of a tile:
// normalise, divide by the enlarged mask (capped at 1), scale to 0..255 and
// undo the normalisation. Every pixel is computed on its own, so how the rows
// are shared changes no byte.
template <class M>
void renderRows(const RenderPlan& plan, const PieceBuffers& b, const ProxyImage& proxy, int k, int t,
                const Rect& tile, const Rect& rows, const PlaneView& in, const MutablePlaneView& out) {
    using E = Edges<M>;
    const int first = rows.top - tile.top;
    PlaneView pieceIn = {in.data + ptrdiff_t(first) * in.rowBytes, in.rowBytes, in.colBytes, in.width,
                         rectHeight(rows), in.sampleBytes};
    MutablePlaneView pieceOut = {out.data + ptrdiff_t(first) * out.rowBytes, out.rowBytes, out.colBytes, out.width,
                                 rectHeight(rows), out.sampleBytes};
    if (proxy.flat[k]) {  // nothing to divide by: the channel keeps its pixels
        E::keep(b, pieceIn, pieceOut, k);
        return;
    }
    Rect local = {0, 0, int16_t(rectHeight(rows)), int16_t(rectWidth(rows))};
    E::enter(b, pieceIn, k, local);
    normalisePlane(b.tile, kTileSize, local, proxy.maskMin[k], proxy.maskScale[k]);
    // The rows in the band's coordinates: band rows start at tile row t.
    Rect inBand = rows;
    moveRectTo(&inBand, &rows, rows.top - plan.filter.top - kTileSize * t, rows.left - plan.filter.left);
    int bandRows = plan.height - kTileSize * t < kTileSize ? plan.height - kTileSize * t : kTileSize;
    divideByMask(b.tile, inBand, kTileSize, plan.bandMask + size_t(k) * bandFloats(plan), plan.width, bandRows,
                 b.tile);
    M* samples = E::samples(b);
    exportScaled(b.tile, kTileSize, samples, local, E::stride(local), 255.0f);
    E::denormalise(samples, E::stride(local), local, proxy.maskMin[k], proxy.maskInvScale[k]);
    E::leave(b, pieceOut, k);
}

// The three planes of one tile, its rows shared among the workers.
template <class M>
void renderTile(const RenderPlan& plan, const ProxyImage& proxy, int t, const Rect& tile, const PlaneView& in,
                const MutablePlaneView& out) {
    const int height = rectHeight(tile);
    const int rowsPerPiece = (height + plan.pieces - 1) / plan.pieces;
    parallelFor(height, rowsPerPiece, [&](ptrdiff_t begin, ptrdiff_t end) {
        const PieceBuffers& b = plan.buffers[begin / rowsPerPiece];
        Rect rows = {int16_t(tile.top + begin), tile.left, int16_t(tile.top + end), tile.right};
        for (int k = 0; k < kChannels; ++k) renderRows<M>(plan, b, proxy, k, t, tile, rows, in, out);
    });
}

template <class M>
int16_t renderBand(RenderPlan& plan, PixelPort& port, const ProxyImage& proxy, int t) {
    if (port.aborted()) return userCanceledErr;
    enlargeBandMasks<M>(plan, proxy, t);
    for (int u = 0; u < plan.tileColumns; ++u) {
        Rect tile = tileRect(plan.filter, t, u);
        PlaneView in;
        MutablePlaneView out;
        if (int16_t code = port.openTile(tile, 0, kChannels - 1, &in, &out)) return code;
        renderTile<M>(plan, proxy, t, tile, in, out);
        port.progress(++plan.done, plan.total);
    }
    return noErr;
}

}  // namespace

int16_t renderFullImage(PixelPort& port, const Rect& filterRect, const ProxyImage& proxy, const WorkMemory& memory) {
    WorkerTeam team;  // one set of workers for every tile and band
    RenderPlan plan = {};
    plan.filter = filterRect;
    plan.width = rectWidth(filterRect);
    plan.height = rectHeight(filterRect);
    plan.tileColumns = (plan.width + kTileSize - 1) / kTileSize;
    plan.tileRows = (plan.height + kTileSize - 1) / kTileSize;
    plan.total = plan.tileColumns * plan.tileRows;
    plan.pieces = threadLimit() < kMaxPieces ? threadLimit() : kMaxPieces;

    PieceBuffers buffers[kMaxPieces];
    plan.buffers = buffers;
    uint8_t* pieceMemory = static_cast<uint8_t*>(memory.allocate(size_t(plan.pieces) * pieceBytes()));
    plan.bandMask = pieceMemory ? static_cast<float*>(memory.allocate(kChannels * bandFloats(plan) * sizeof(float)))
                                : nullptr;
    if (plan.bandMask == nullptr) return memFullErr;
    for (int p = 0; p < plan.pieces; ++p) {
        uint8_t* base = pieceMemory + size_t(p) * pieceBytes();
        buffers[p] = {reinterpret_cast<float*>(base), base + size_t(kTileSize) * kTileSize * sizeof(float)};
    }

    // The depth is chosen here, once, for the whole render.
    auto band = proxy.deep ? renderBand<float> : renderBand<uint8_t>;
    for (int t = 0; t < plan.tileRows; ++t)
        if (int16_t code = band(plan, port, proxy, t)) return code;
    memory.release(plan.bandMask);
    memory.release(pieceMemory);
    return port.closeTiles();
}

bool renderRegion(const Rect& filterRect, const ProxyImage& proxy, const Rect& region, const PlaneView& in,
                  const MutablePlaneView& out, const WorkMemory& memory) {
    const int w = rectWidth(region), h = rectHeight(region);
    const size_t count = size_t(w) * size_t(h);
    float* mask = static_cast<float*>(memory.allocate(2 * count * sizeof(float)));
    uint8_t* bytes = mask ? static_cast<uint8_t*>(memory.allocate(count)) : nullptr;
    if (bytes == nullptr) {
        memory.release(mask);
        return false;
    }
    float* tile = mask + count;
    const Rect local = {0, 0, int16_t(h), int16_t(w)};
    // The region's samples of each mask enlarged over the whole filter rectangle.
    Rect part = region;
    moveRectTo(&part, &region, region.top - filterRect.top, region.left - filterRect.left);
    const Rect window = {0, 0, proxy.height, proxy.width};
    for (int k = 0; k < kChannels; ++k) {
        copyPlaneOut(in, k, bytes);
        if (!proxy.flat[k]) {
            resampleToFloatPart(proxy.adjusted[k], proxy.width, proxy.height, proxy.width, window, mask,
                                rectWidth(filterRect), rectHeight(filterRect), w, part);
            filterBlock(bytes, local, tile, w, mask, local, w, h, proxy, k);
        }
        copyPlaneIn(bytes, out, k);
    }
    memory.release(bytes);
    memory.release(mask);
    return true;
}
