#include "host/RecordHandles.h"

#include "host/HostSuites.h"
#include "host/PluginGlobals.h"

// Each selector locks the handles at its start and unlocks them at its end, and
// the clean-up after a failed call unlocks whatever exists. The plug-in keeps
// track of which locks took, so a handle is never unlocked more often than it
// was locked (a host's lock count must not go below zero).

namespace {
bool parametersLocked = false;
bool dataLocked = false;

// True when the host says h is not `size` bytes (a host that cannot tell is trusted).
bool foreign(Handle h, size_t size) {
    int32_t held = hostHandleSize(h);
    return held >= 0 && size_t(held) != size;
}
}  // namespace

void disposeForeignHandles() {
    if (hostRecord->parameters != nullptr && foreign(hostRecord->parameters, sizeof(FilterParameters))) {
        hostDisposeHandle(hostRecord->parameters);
        hostRecord->parameters = nullptr;
    }
    if (*dataCell != 0 && foreign(reinterpret_cast<Handle>(*dataCell), sizeof(RunData))) {
        hostDisposeHandle(reinterpret_cast<Handle>(*dataCell));
        *dataCell = 0;
    }
}

void newParameterHandle() {
    hostRecord->parameters = hostNewHandle(int32_t(sizeof(FilterParameters)));
    if (hostRecord->parameters == nullptr) *resultCell = memFullErr;
}

void newDataHandle() {
    Handle h = hostNewHandle(int32_t(sizeof(RunData)));
    if (h != nullptr) *dataCell = reinterpret_cast<intptr_t>(h);
    else *resultCell = memFullErr;
}

void lockHandles() {
    disposeForeignHandles();
    if (hostRecord->parameters == nullptr || *dataCell == 0) {
        *resultCell = filterBadParameters;
        return;
    }
    params = reinterpret_cast<FilterParameters*>(hostLockHandle(hostRecord->parameters));
    parametersLocked = params != nullptr;
    runData = reinterpret_cast<RunData*>(hostLockHandle(reinterpret_cast<Handle>(*dataCell)));
    dataLocked = runData != nullptr;
    if (params == nullptr || runData == nullptr) *resultCell = memFullErr;
}

void unlockHandles() {
    if (*dataCell != 0 && dataLocked) hostUnlockHandle(reinterpret_cast<Handle>(*dataCell));
    if (hostRecord->parameters != nullptr && parametersLocked) hostUnlockHandle(hostRecord->parameters);
    dataLocked = parametersLocked = false;
}

void disposeHandles() {
    dataLocked = parametersLocked = false;
    if (hostRecord->parameters != nullptr) {
        hostDisposeHandle(hostRecord->parameters);
        hostRecord->parameters = nullptr;
    }
    if (*dataCell != 0) {
        hostDisposeHandle(reinterpret_cast<Handle>(*dataCell));
        *dataCell = 0;
    }
}
