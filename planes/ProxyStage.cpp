#include "planes/ProxyStage.h"

#include "base/HostInterface.h"
#include "base/SamplingRate.h"
#include "engine/MaskPyramid.h"
#include "planes/PlaneConvert.h"

namespace {

// The normalisation of a mask plane: bytes truncate, a deep image's floats
// keep their values.
void normaliseMask(uint8_t* plane, const Rect& r, float min, float scale) {
    normaliseBytes(plane, rectWidth(r), r, min, scale);
}
void normaliseMask(float* plane, const Rect& r, float min, float scale) {
    normaliseClamped(plane, rectWidth(r), r, min, scale);
}

// Measures one channel's mask plane over r, then normalises it.
template <class M>
void measureAndNormalise(const ProxyMasks& out, int c, M* plane, const Rect& r) {
    M hi = 0, lo = 0;
    sampleRange(plane, r, rectWidth(r), &hi, &lo);
    out.maskMin[c] = float(lo);
    out.maskScale[c] = float((long double)hi / ((long double)hi - (long double)out.maskMin[c]));
    out.maskInvScale[c] = 1.0f / out.maskScale[c];
    normaliseMask(plane, r, out.maskMin[c], out.maskScale[c]);
}

// The part of the channel's pyramid result over the proxy, into its plane.
template <class M>
void keepMask(const ProxyStage& s, const ProxyMasks& out, int c, M* plane) {
    const Rect planeRect = {0, 0, int16_t(rectHeight(s.proxy)), int16_t(rectWidth(s.proxy))};
    exportRegion(s.channel, s.sampledWidth, plane, s.proxy, rectWidth(s.proxy));
    measureAndNormalise(out, c, plane, planeRect);
}

}  // namespace

ProxyStage planProxyStage(int imageWidth, int imageHeight, const Rect& filterRect) {
    ProxyStage s = {};
    s.proxy = filterRect;
    scaleRect(&s.proxy, 1, 2);
    s.sampledImage = {0, 0, int16_t(imageHeight), int16_t(imageWidth)};
    scaleRect(&s.sampledImage, 1, 2);
    s.sampledWidth = rectWidth(s.sampledImage);
    s.sampledHeight = rectHeight(s.sampledImage);
    return s;
}

bool allocateProxyStage(ProxyStage& s, const WorkMemory& memory, size_t scratchAtLeast) {
    s.channel = static_cast<float*>(memory.allocate(size_t(s.sampledWidth) * size_t(s.sampledHeight) * sizeof(float)));
    if (s.channel == nullptr) return false;
    s.scratchBytes = pyramidScratchBytes(s.sampledWidth, s.sampledHeight);
    if (s.scratchBytes < scratchAtLeast) s.scratchBytes = scratchAtLeast;
    s.scratch = memory.allocate(s.scratchBytes);
    return s.scratch != nullptr;
}

void releaseProxyStage(ProxyStage& s, const WorkMemory& memory) {
    memory.release(s.channel);
    memory.release(s.scratch);
    s.channel = nullptr;
    s.scratch = nullptr;
}

int16_t buildProxyMasks(PixelPort& port, const ProxyStage& s, const MaskSettings* settings, const ProxyMasks& out) {
    // The three channels of the whole image at half resolution, in one request.
    PlaneView sampled;
    if (int16_t code = port.readPlanes(s.sampledImage, 0, 2, kRateTwo, &sampled)) return code;
    for (int c = 0; c < 3; ++c) {
        if (port.aborted()) return userCanceledErr;
        port.progress(3 + 2 * c, kRunProgressSteps);
        importViewPlane(sampled, c, s.channel);
        if (createMaskPyramid(s.channel, s.sampledWidth, s.sampledHeight, settings, static_cast<float*>(s.scratch),
                              s.scratchBytes, 1) != 0)
            return memFullErr;
        if (out.planes[c] != nullptr)
            keepMask(s, out, c, out.planes[c]);
        else
            keepMask(s, out, c, out.deepPlanes[c]);
        port.progress(4 + 2 * c, kRunProgressSteps);
    }
    return noErr;
}
