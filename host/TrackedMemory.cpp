#include "host/TrackedMemory.h"

#include <cstdlib>
#include <cstring>

#include "host/HostSuites.h"
#include "host/PluginGlobals.h"

namespace {

struct TrackedBlock {
    TrackedBlock* next;  // newer neighbour
    TrackedBlock* prev;  // older neighbour
    void* block;
    BufferID bufferId;
    size_t size;
    int32_t fromHeap;
};

struct AllocationTracker {
    TrackedBlock* oldest;
    TrackedBlock* newest;
};

AllocationTracker tracker = {nullptr, nullptr};

int failAt = 0;                // the injected failure, see armTrackedAllocationFault
int allocationsSinceEmpty = 0;

void orResult(int16_t code) { *resultCell = int16_t(*resultCell | code); }

void releaseBlock(void* block, BufferID bufferId, bool fromHeap) {
    if (fromHeap) {
        std::free(block);
    } else {
        BufferProcs* procs = hostBufferProcs();
        procs->unlockProc(bufferId);
        procs->freeProc(bufferId);
    }
}

// Appends an entry; when the entry itself cannot be had, the block is given
// back and the failure reported, so no block is ever handed out untracked.
void* track(void* block, BufferID bufferId, size_t size, bool fromHeap) {
    TrackedBlock* entry = static_cast<TrackedBlock*>(std::malloc(sizeof(TrackedBlock)));
    if (entry == nullptr) {
        releaseBlock(block, bufferId, fromHeap);
        orResult(memFullErr);
        return nullptr;
    }
    *entry = {nullptr, tracker.newest, block, bufferId, size, fromHeap ? 1 : 0};
    if (tracker.newest != nullptr) tracker.newest->next = entry;
    else tracker.oldest = entry;
    tracker.newest = entry;
    return block;
}

void unlink(TrackedBlock* entry) {
    if (entry->prev != nullptr) entry->prev->next = entry->next;
    else tracker.oldest = entry->next;
    if (entry->next != nullptr) entry->next->prev = entry->prev;
    else tracker.newest = entry->prev;
}

void releaseEntry(TrackedBlock* entry) {
    unlink(entry);
    void* block = entry->block;
    BufferID bufferId = entry->bufferId;
    bool fromHeap = entry->fromHeap == 1;
    std::free(entry);
    releaseBlock(block, bufferId, fromHeap);
}

}  // namespace

void* trackedAlloc(size_t size) {
    if (failAt != 0 && ++allocationsSinceEmpty == failAt) {
        orResult(memFullErr);
        return nullptr;
    }
    BufferID bufferId = nullptr;
    BufferProcs* procs = hostBufferProcs();
    if (procs != nullptr && *resultCell == 0 && size <= size_t(INT32_MAX)) {
        orResult(procs->allocateProc(int32_t(size), &bufferId));
        if (*resultCell == 0) {
            void* p = procs->lockProc(bufferId, true);
            if (p != nullptr) {
                std::memset(p, 0, size);
                return track(p, bufferId, size, false);
            }
            procs->freeProc(bufferId);
            orResult(memFullErr);
        }
    }
    // The host refused, or an earlier failure is still in the result cell:
    // the process heap serves, and the host's code stays visible to the caller.
    void* p = std::calloc(size == 0 ? 1 : size, 1);
    if (p == nullptr) {
        orResult(memFullErr);
        return nullptr;
    }
    return track(p, bufferId, size, true);
}

int16_t trackedFree(void* block) {
    if (block == nullptr) return 0;
    for (TrackedBlock* entry = tracker.oldest; entry != nullptr; entry = entry->next) {
        if (entry->block == block) {
            releaseEntry(entry);
            return 0;
        }
    }
    return -1;
}

void freeAllTracked() {
    while (tracker.newest != nullptr) releaseEntry(tracker.newest);
    allocationsSinceEmpty = 0;
}

void releaseTrackedAtUnload() {
    while (TrackedBlock* entry = tracker.newest) {
        unlink(entry);
        if (entry->fromHeap == 1) std::free(entry->block);
        std::free(entry);
    }
    allocationsSinceEmpty = 0;
}

void armTrackedAllocationFault() {
    const char* n = std::getenv("VELMORA_FAIL_TRACKED_ALLOCATION");
    failAt = n ? std::atoi(n) : 0;
    allocationsSinceEmpty = 0;
}

int trackedBlockCount() {
    int count = 0;
    for (TrackedBlock* entry = tracker.oldest; entry != nullptr; entry = entry->next) ++count;
    return count;
}
