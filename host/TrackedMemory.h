// Tracked memory. Every working block of a run
// comes from trackedAlloc: a zero-filled host buffer when the host's buffer
// suite can give one, else a zero-filled block of the process heap. Blocks are
// listed oldest to newest so freeAllTracked can return everything of a run in
// one step (newest first) at Finish or after a failed call. The allocator ORs
// its failures into the result cell.
#pragma once
#include <cstdint>

void* trackedAlloc(uint32_t size);
int16_t trackedFree(void* block);  // -1 for a pointer it does not know
void freeAllTracked();
int trackedBlockCount();

