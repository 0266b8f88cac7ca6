#include "host/HostSuites.h"

#include "host/PluginGlobals.h"

namespace {

// Slot i of a classic table is usable when the table has more than i slots.
template <typename Table>
bool hasSlots(const Table* table, int16_t count, int needed) {
    return table != nullptr && count >= needed;
}

HandleProcs* handleProcs() {
    HandleProcs* procs = hostRecord->handleProcs;
    return hasSlots(procs, procs ? procs->numHandleProcs : 0, 6) ? procs : nullptr;
}

}  // namespace

BufferProcs* hostBufferProcs() {
    BufferProcs* procs = hostRecord->bufferProcs;
    if (!hasSlots(procs, procs ? procs->numBufferProcs : 0, 4)) return nullptr;
    if (!procs->allocateProc || !procs->lockProc || !procs->unlockProc || !procs->freeProc) return nullptr;
    return procs;
}

Handle hostNewHandle(int32_t size) {
    HandleProcs* procs = handleProcs();
    return procs && procs->newProc ? procs->newProc(size) : nullptr;
}

void hostDisposeHandle(Handle h) {
    HandleProcs* procs = handleProcs();
    if (procs && procs->disposeProc) procs->disposeProc(h);
}

Ptr hostLockHandle(Handle h) {
    HandleProcs* procs = handleProcs();
    return procs && procs->lockProc ? procs->lockProc(h, true) : nullptr;
}

int32_t hostHandleSize(Handle h) {
    HandleProcs* procs = handleProcs();
    return procs && procs->getSizeProc ? procs->getSizeProc(h) : -1;
}

void hostUnlockHandle(Handle h) {
    HandleProcs* procs = handleProcs();
    if (procs && procs->unlockProc) procs->unlockProc(h);
}

int16_t hostAdvanceState() {
    return hostRecord->advanceState ? hostRecord->advanceState() : int16_t(filterBadParameters);
}

bool hostAbort() { return hostRecord->abortProc && hostRecord->abortProc() != 0; }

void hostProgress(int32_t done, int32_t total) {
    if (hostRecord->progressProc) hostRecord->progressProc(done, total);
}

// Several hosts accept property calls only with the signature '8BIM' (any
// other, their own hostSig included, is refused), so that signature is used
// whatever hostSig says.
void hostSetWatchSuspension(intptr_t value) {
    PropertyProcs* procs = hostRecord->propertyProcs;
    if (hasSlots(procs, procs ? procs->numPropertyProcs : 0, 2) && procs->setPropertyProc)
        procs->setPropertyProc(kPhotoshopSignature, propWatchSuspension, 0, value, nullptr);
}

OSErr hostDisplayPixels(const PSPixelMap* source, const VRect* srcRect, int32_t dstRow, int32_t dstCol, void* context) {
    DisplayPixelsProc display = hostRecord->displayPixels;
    return display ? display(source, srcRect, dstRow, dstCol, context) : OSErr(paramErr);
}
