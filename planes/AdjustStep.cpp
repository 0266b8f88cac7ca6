#include "planes/AdjustStep.h"

#include "engine/MaskAdjust.h"

int adjustProxyMasks(FilterParameters* p, const ProxyImage& proxy) {
    deriveMaskGains(p);
    for (const uint8_t* mask : proxy.masks)
        if (mask == nullptr) return kAdjustMasksMissing;
    return adjustMask(proxy.masks[0], proxy.masks[1], proxy.masks[2], proxy.width, proxy.height, proxy.adjusted[0],
                      proxy.adjusted[1], proxy.adjusted[2], &p->mask);
}
