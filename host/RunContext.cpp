#include "host/RunContext.h"

#include <cmath>

#include "host/HostPixelPort.h"
#include "host/PluginGlobals.h"
#include "host/TrackedMemory.h"

namespace {

void* allocateTracked(size_t bytes) { return trackedAlloc(bytes); }
void releaseTracked(void* block) { trackedFree(block); }

}  // namespace

ProxyImage runProxyImage() {
    ProxyImage p = {};
    p.width = runData->proxyWidth;
    p.height = runData->proxyHeight;
    for (int c = 0; c < 3; ++c) {
        p.preview[c] = previewPlane(runData, c);
        p.masks[c] = maskPlane(runData, c);
        p.adjusted[c] = adjustedPlane(runData, c);
        p.maskMin[c] = runData->maskMin[c];
        p.maskScale[c] = runData->maskScale[c];
        p.maskInvScale[c] = runData->maskInvScale[c];
        p.flat[c] = !std::isfinite(runData->maskScale[c]);
    }
    p.selection = selectionMask(runData);
    return p;
}

WorkMemory trackedWorkMemory() { return WorkMemory{allocateTracked, releaseTracked}; }

PreviewContext runPreviewContext() {
    return PreviewContext{&hostPixelPort(), trackedWorkMemory(), hostRecord->filterRect, runProxyImage(),
                          hostRecord->haveMask != 0, params, nullptr, nullptr, 0, 0};
}

DialogInputs runDialogInputs() {
    const PlatformData* platform = static_cast<const PlatformData*>(hostRecord->platformData);
    return DialogInputs{runPreviewContext(), resultCell, moduleInstance, platform ? platform->hwnd : 0,
                        hostRecord->displayPixels, hostRecord->imageMode};
}

int filteredChannelCount() {
    const FilterRecord* f = hostRecord;
    if (f->filterCase > filterCaseFlatImageWithSelection) return f->inLayerPlanes;
    // A host that does not report the case hands a layer with transparency
    // over as four planes: the three colour planes are filtered, the fourth
    // (the transparency) is never asked for and so keeps its values.
    if (f->filterCase == filterCaseNotSet && f->imageMode == plugInModeRGBColor && f->planes == 4) return 3;
    return f->planes;
}
