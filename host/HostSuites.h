// Safe access to the host's callbacks. A host fills only the slots it
// supports, so every table pointer, slot count and slot is checked before a
// call; a missing callback behaves as the plug-in's callers expect of a host
// that cannot help (no handle, no buffer suite, never aborts, no progress).
#pragma once
#include <cstdint>

#include "base/HostInterface.h"

// The buffer suite when all four routines the allocator uses are there, else null.
BufferProcs* hostBufferProcs();

Handle hostNewHandle(int32_t size);
void hostDisposeHandle(Handle h);
Ptr hostLockHandle(Handle h);
// The handle's size in bytes; -1 when the host cannot tell.
int32_t hostHandleSize(Handle h);
void hostUnlockHandle(Handle h);

// advanceState's code (filterBadParameters when the host has none).
int16_t hostAdvanceState();
// True when the user asked to stop.
bool hostAbort();
void hostProgress(int32_t done, int32_t total);
// Suspends (1) or resumes (0) the host's watch cursor; the result is ignored.
void hostSetWatchSuspension(intptr_t value);
// Hands pixels to the host's displayPixels; paramErr when the host has none.
OSErr hostDisplayPixels(const PSPixelMap* source, const VRect* srcRect, int32_t dstRow, int32_t dstCol, void* context);
