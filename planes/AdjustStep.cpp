#include "planes/AdjustStep.h"

#include "engine/MaskAdjust.h"
#include "planes/PlaneConvert.h"

namespace {

// A deep image's masks adjusted in floating point, then each as bytes for the
// preview: rounded to nearest, which gives back the byte the 8-bit path would
// hold where the float stands for its truncation's mean (engine/DeepSamples.h).
int adjustDeep(FilterParameters* p, const ProxyImage& proxy, bool previewBytes) {
    for (const float* mask : proxy.deepMasks)
        if (mask == nullptr) return kAdjustMasksMissing;
    int adjusted = adjustMask(proxy.deepMasks[0], proxy.deepMasks[1], proxy.deepMasks[2], proxy.width, proxy.height,
                              proxy.deepAdjusted[0], proxy.deepAdjusted[1], proxy.deepAdjusted[2], &p->mask);
    if (adjusted != 0 || !previewBytes) return adjusted;
    const size_t count = size_t(proxy.width) * size_t(proxy.height);
    for (int c = 0; c < 3; ++c)
        for (size_t i = 0; i < count; ++i) proxy.adjusted[c][i] = uint8_t(roundSample(proxy.deepAdjusted[c][i]));
    return 0;
}

}  // namespace

int adjustProxyMasks(FilterParameters* p, const ProxyImage& proxy, bool previewBytes) {
    deriveMaskGains(p);
    if (proxy.deep) return adjustDeep(p, proxy, previewBytes);
    for (const uint8_t* mask : proxy.masks)
        if (mask == nullptr) return kAdjustMasksMissing;
    return adjustMask(proxy.masks[0], proxy.masks[1], proxy.masks[2], proxy.width, proxy.height, proxy.adjusted[0],
                      proxy.adjusted[1], proxy.adjusted[2], &p->mask);
}
