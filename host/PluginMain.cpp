// The entry point: records the call's arguments in the plug-in globals,
// dispatches on the selector, and after any failed call releases everything of
// the run so nothing outlives it in host memory.
#include "base/FloatEnvironment.h"
#include "host/HostPixelPort.h"
#include "host/Parameters.h"
#include "host/PluginGlobals.h"
#include "host/RecordHandles.h"
#include "host/RunFilter.h"
#include "host/ScriptDescriptors.h"
#include "host/TrackedMemory.h"
#include "ui/Platform.h"

FilterRecord* hostRecord = nullptr;
AboutRecord* aboutRecord = nullptr;
intptr_t* dataCell = nullptr;
int16_t* resultCell = nullptr;
FilterParameters* params = nullptr;
RunData* runData = nullptr;
void* moduleInstance = nullptr;

void initRunData() {
    runData->showDialogByDefault = 1;
    runData->proxyWidth = 0;
    runData->proxyHeight = 0;
    runData->planeSize = 0;
    for (uint8_t*& slot : runData->planeSlots) slot = nullptr;
    runData->deep = 0;
    for (float*& plane : runData->deepPlanes) plane = nullptr;
}

void clearHostRects() {
    clearRect(&hostRecord->inRect);
    clearRect(&hostRecord->outRect);
    clearRect(&hostRecord->maskRect);
}

void releaseAtUnload() {
    releaseTrackedAtUnload();
    resetHostPixelPort();
}

namespace {

bool bothHandlesExist() { return hostRecord->parameters != nullptr && *dataCell != 0; }

// Both records at their initial values, whether or not the handles existed.
void initialiseRecords() {
    lockHandles();
    if (*resultCell == noErr) {
        setDefaultParameters();
        initRunData();
    }
}

void createMissingHandles() {
    if (hostRecord->parameters == nullptr) newParameterHandle();
    if (*dataCell == 0) newDataHandle();
}

void doParameters() {
    disposeForeignHandles();
    createMissingHandles();
    if (*resultCell != noErr) {
        disposeHandles();
        return;
    }
    initialiseRecords();
}

void doPrepare() {
    disposeForeignHandles();
    if (bothHandlesExist()) {
        lockHandles();  // the values left by Parameters stay
        // Values no step of the plug-in could have left (a host's saved
        // record gone bad) give way to the initial ones.
        if (*resultCell == noErr && !parametersInRange()) {
            setDefaultParameters();
            initRunData();
        }
    } else {
        createMissingHandles();
        if (*resultCell != noErr) disposeHandles();
        else initialiseRecords();
    }
    hostRecord->bufferSpace = 0;
}

void doStart() {
    lockHandles();
    if (*resultCell == noErr) runFilter();
}

void doFinish() {
    lockHandles();
    if (*resultCell == noErr) {
        if (hostRecord->descriptorParameters != nullptr) writeScriptParameters();
        saveLastSettings();
    }
    freeAllTracked();
    unlockHandles();
    disposeHandles();
}

// After a failed call: release all tracked memory, unlock and dispose both
// handles and empty the host rectangles, leaving the result code as it is.
void cleanUpAfterFailure() {
    int16_t result = *resultCell;
    freeAllTracked();
    unlockHandles();
    disposeHandles();
    clearHostRects();
    *resultCell = result;
}

// The selector's action.
void dispatch(int16_t selector) {
    switch (selector) {
        case filterSelectorParameters:
            doParameters();
            unlockHandles();
            break;
        case filterSelectorPrepare:
            doPrepare();
            unlockHandles();
            break;
        case filterSelectorStart:
            doStart();
            unlockHandles();
            break;
        case filterSelectorContinue:
            clearHostRects();
            break;
        case filterSelectorFinish:
            doFinish();
            break;
        default:
            *resultCell = filterBadParameters;
            break;
    }
}

}  // namespace

extern "C" void PI_CALL PluginMain(int16_t selector, void* paramBlock, intptr_t* data, int16_t* result) {
    if (result == nullptr) return;  // no way to report anything
    FloatEnvironmentScope floatEnvironment;
    resultCell = result;
    dataCell = data;
    if (selector == filterSelectorAbout) {
        // The About record is not a filter record: no filter-record field is read.
        hostRecord = nullptr;
        aboutRecord = static_cast<AboutRecord*>(paramBlock);
        const PlatformData* platform =
            aboutRecord ? static_cast<const PlatformData*>(aboutRecord->platformData) : nullptr;
        try {
            ShowAboutBox(moduleInstance, platform ? platform->hwnd : 0);
        } catch (...) {  // the box shows nothing that could be lost
        }
        // About always ends normally (a box that cannot be shown has said so
        // itself); some hosts preset the cell to non-zero and would report a failure.
        *resultCell = noErr;
        return;
    }
    hostRecord = static_cast<FilterRecord*>(paramBlock);
    if (hostRecord == nullptr || data == nullptr) {
        // Nothing to work on and nothing that could be cleaned up.
        *resultCell = filterBadParameters;
        return;
    }
    // Nothing may leave the plug-in as an exception: that would end the host
    // and lose the user's work. Whatever escapes a step ends it as out of memory.
    try {
        dispatch(selector);
    } catch (...) {
        *resultCell = memFullErr;
    }
    if (*resultCell != noErr) cleanUpAfterFailure();
}
