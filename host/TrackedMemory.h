// Tracked memory. Every working block of a run
// comes from trackedAlloc: a zero-filled host buffer when the host's buffer
// suite can give one, else a zero-filled block of the process heap. Blocks are
// listed oldest to newest so freeAllTracked can return everything of a run in
// one step (newest first) at Finish or after a failed call. The allocator ORs
// its failures into the result cell.
#pragma once
#include <cstddef>
#include <cstdint>

// A block of `size` bytes; sizes are as wide as the address space. Blocks the
// host's buffer suite cannot describe (beyond its 32-bit sizes) come from the heap.
void* trackedAlloc(size_t size);
int16_t trackedFree(void* block);  // -1 for a pointer it does not know
void freeAllTracked();
int trackedBlockCount();
// The library is being unloaded with blocks still listed (a host that ends
// runs without Finish): the plug-in's own heap blocks are freed and the host's
// buffers forgotten (the host's suite may be gone; the buffers are its own).
void releaseTrackedAtUnload();

// Testing aid: with VELMORA_FAIL_TRACKED_ALLOCATION=N in the environment, the
// Nth tracked allocation after the tracker was last empty fails as if neither
// the host nor the heap could give the block (0 or unset: never).
void armTrackedAllocationFault();

