// The Start selector. The masks are built on the proxy (the image sampled at
// every second pixel by the host), one colour channel at a time, so only one
// float channel plane and one pyramid scratch block exist at once; the full
// render at the end is the only full-resolution pass.
#include "host/RunFilter.h"

#include <cstddef>

#include "base/Messages.h"
#include "base/Parallel.h"
#include "engine/EngineError.h"
#include "engine/LevelCount.h"
#include "host/HostPixelPort.h"
#include "host/HostSuites.h"
#include "host/PluginGlobals.h"
#include "host/RunContext.h"
#include "host/ScriptDescriptors.h"
#include "host/TrackedMemory.h"
#include "planes/AdjustStep.h"
#include "planes/FullRender.h"
#include "planes/ProxyStage.h"
#include "ui/Platform.h"

namespace {


// Shows the plug-in's own error box; -128 so the host adds no message.
bool failWithMessage(const char* text) {
    showErrorBox(text, kErrorCaption);
    *resultCell = userCanceledErr;
    return true;
}

bool screenTooSmall() {
    return (screenHeight() < 600 || screenWidth() < 800) &&
           failWithMessage(kMessageScreenTooSmall);
}

bool imageTooSmall() {
    return (hostRecord->wholeSize.h < kMinimumImageSide || hostRecord->wholeSize.v < kMinimumImageSide) &&
           failWithMessage(kMessageImageTooSmall);
}

bool notThreeChannels() {
    return filteredChannelCount() != 3 &&
           failWithMessage(kMessageNotThreeChannels);
}

// 8-bit samples (a host without the depth field leaves it 0) or 16-bit
// ones, and an image mode that says the same: RGB48 exactly for 16 bits.
bool unsupportedDepth() {
    const int32_t depth = hostRecord->depth;
    const bool deep = depth == 16, fits = depth == 0 || depth == 8 || deep;
    return (!fits || deep != (hostRecord->imageMode == plugInModeRGB48)) && failWithMessage(kMessageUnsupportedDepth);
}

void settleParameters(bool& showDialog, int filterWidth, int filterHeight) {
    if (hostRecord->descriptorParameters != nullptr) {
        loadLastSettings();
        readScriptParameters(showDialog);
    }
    deriveMaskGains(params);
    if (params->mask.levelCount == 0) params->mask.levelCount = estimateLevelCount(filterWidth, filterHeight);
}

// Copies the host's selection over the proxy rectangle into RunData.
bool readSelectionMask(const Rect& proxy) {
    PlaneView view;
    if (hostPixelPort().readMask(proxy, kRateTwo, &view) != noErr) return false;
    if (hostAbort()) {
        *resultCell = userCanceledErr;
        return false;
    }
    uint8_t* mask = static_cast<uint8_t*>(trackedAlloc(size_t(runData->planeSize)));
    if (mask == nullptr) return false;
    selectionMask(runData) = mask;
    for (int row = 0; row < runData->proxyHeight; ++row)
        for (int col = 0; col < runData->proxyWidth; ++col)
            mask[ptrdiff_t(row) * runData->proxyWidth + col] = view.data[ptrdiff_t(row) * view.rowBytes + col];
    return true;
}

bool allocatePlanes(int first, int count) {
    for (int slot = first; slot < first + count; ++slot) {
        runData->planeSlots[slot] = static_cast<uint8_t*>(trackedAlloc(size_t(runData->planeSize)));
        if (runData->planeSlots[slot] == nullptr) return false;
    }
    return true;
}

bool allocateDeepMasks() {
    for (int c = 0; c < 3; ++c) {
        deepMaskPlane(runData, c) = static_cast<float*>(trackedAlloc(size_t(runData->planeSize) * sizeof(float)));
        if (deepMaskPlane(runData, c) == nullptr) return false;
    }
    return true;
}

bool runProxyStage() {
    FilterRecord* r = hostRecord;
    ProxyStage s = planProxyStage(r->imageSize.h, r->imageSize.v, r->filterRect);
    runData->proxyHeight = int16_t(rectHeight(s.proxy));
    runData->proxyWidth = int16_t(rectWidth(s.proxy));
    runData->planeSize = int32_t(runData->proxyWidth) * runData->proxyHeight;

    // A deep run keeps its three adjusted masks (12 bytes a proxy pixel) in
    // the pyramid's scratch once the masks are built: the proxy is never
    // larger than the sampled image, so this adds a few bytes at most.
    const bool deep = runData->deep;
    const size_t adjustedBytes = deep ? 3 * sizeof(float) * size_t(runData->planeSize) : 0;
    if (deep ? !allocateDeepMasks() : !allocatePlanes(kMaskPlanes, 3)) return false;
    if (!allocateProxyStage(s, trackedWorkMemory(), adjustedBytes)) return false;
    hostProgress(2, kRunProgressSteps);

    if (r->haveMask && !readSelectionMask(s.proxy)) return false;
    ProxyMasks masks = {{}, {}, runData->maskMin, runData->maskScale, runData->maskInvScale};
    for (int c = 0; c < 3; ++c) {
        if (deep)
            masks.deepPlanes[c] = deepMaskPlane(runData, c);
        else
            masks.planes[c] = maskPlane(runData, c);
    }
    if (int16_t code = buildProxyMasks(hostPixelPort(), s, &params->mask, masks)) {
        *resultCell = code;
        return false;
    }
    if (!deep) {
        releaseProxyStage(s, trackedWorkMemory());
        return true;
    }
    trackedFree(s.channel);
    for (int c = 0; c < 3; ++c)
        deepAdjustedPlane(runData, c) = static_cast<float*>(s.scratch) + size_t(c) * size_t(runData->planeSize);
    return true;
}

// forPreview: the dialog will be shown.
bool adjustMasks(bool forPreview) {
    if (!allocatePlanes(kPreviewPlanes, 3) || !allocatePlanes(kAdjustedPlanes, 3)) return false;
    int adjusted = adjustProxyMasks(params, runProxyImage(), forPreview);
    // Masks of one brightness everywhere cannot be adjusted: an area too
    // small to have two proxy pixels, or a flat image. The user is told which,
    // not that memory ran out.
    if (adjusted == kEngineFlatLuma)
        return !failWithMessage(runData->planeSize <= 1 ? kMessageAreaTooSmall : kMessageNothingToReveal);
    if (adjusted != 0) {
        *resultCell = memFullErr;
        return false;
    }
    hostProgress(9, kRunProgressSteps);
    hostProgress(0, kRunProgressSteps);
    return true;
}

// The run's result for each way the dialog ends.
int16_t resultOf(DialogEnd end) {
    switch (end) {
        case DialogEnd::Ok: return noErr;
        // The user chose to stop, or has been told why the dialog could not run.
        case DialogEnd::Cancel:
        case DialogEnd::ScreenTooSmall:
        case DialogEnd::PreviewInternalError: return userCanceledErr;
        case DialogEnd::NotCreated:
        case DialogEnd::NoPaneMemory:
        case DialogEnd::PreviewFailed: break;
    }
    return memFullErr;
}

// Runs the dialog; true when the render should follow. The dialog writes the
// settings it shows into the parameter record on OK only.
bool dialogConfirmed() {
    DialogEnd end = ShowMainDialog(runDialogInputs());
    releasePreviewPixels();
    *resultCell = resultOf(end);
    return end == DialogEnd::Ok;
}

}  // namespace

void runFilter() {
    // One set of worker threads for all of Start's computation (the dialog's
    // recomputations included); they end with it.
    WorkerTeam team;
    resetHostPixelPort();
    armTrackedAllocationFault();
    hostProgress(1, kRunProgressSteps);
    const Rect& f = hostRecord->filterRect;
    int filterWidth = rectWidth(f), filterHeight = rectHeight(f);
    bool showDialog = true;

    if (screenTooSmall() || imageTooSmall() || notThreeChannels() || unsupportedDepth()) return;
    runData->deep = hostRecord->depth == 16;

    settleParameters(showDialog, filterWidth, filterHeight);

    if (!runProxyStage() || !adjustMasks(showDialog)) return;

    hostSetWatchSuspension(1);
    if (showDialog && !dialogConfirmed()) return;
    hostSetWatchSuspension(0);
    int16_t rendered = renderFullImage(hostPixelPort(), hostRecord->filterRect, runProxyImage(), trackedWorkMemory());
    if (rendered != noErr) *resultCell = rendered;
}
