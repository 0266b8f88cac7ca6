#include "host/RunContext.h"

#include <cmath>

#include "host/HostPixelPort.h"
#include "host/PluginGlobals.h"
#include "host/TrackedMemory.h"
#include "planes/DisplayPort.h"

namespace {

void* allocateTracked(size_t bytes) { return trackedAlloc(bytes); }
void releaseTracked(void* block) { trackedFree(block); }

// The preview's port for deep images: 8-bit pictures from the host's 16-bit pixels.
EightBitPort displayPort;

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
        p.deepMasks[c] = deepMaskPlane(runData, c);
        p.deepAdjusted[c] = deepAdjustedPlane(runData, c);
    }
    p.deep = runData->deep != 0;
    p.selection = selectionMask(runData);
    return p;
}

WorkMemory trackedWorkMemory() { return WorkMemory{allocateTracked, releaseTracked}; }

PreviewContext runPreviewContext() {
    PixelPort* port = &hostPixelPort();
    if (runData->deep) {
        displayPort.attach(port, trackedWorkMemory());
        port = &displayPort;
    }
    return PreviewContext{port, trackedWorkMemory(), hostRecord->filterRect, runProxyImage(),
                          hostRecord->haveMask != 0, params, nullptr, nullptr, 0, 0};
}

void releasePreviewPixels() { displayPort.release(); }

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
    const bool rgb = f->imageMode == plugInModeRGBColor || f->imageMode == plugInModeRGB48;
    if (f->filterCase == filterCaseNotSet && rgb && f->planes == 4) return 3;
    return f->planes;
}
