// The plug-in globals and the private run record. One set per loaded library,
// written by the entry point on the host's calling thread and read everywhere.
#pragma once
#include <cstdint>

#include "base/HostInterface.h"
#include "host/Parameters.h"

// Plane slots of RunData, channel order red, green, blue within each group.
enum : int {
    kPreviewPlanes = 0,   // slots 0..2: processed proxy shown by the preview
    kMaskPlanes = 3,      // slots 3..5: each channel's mask, cropped and normalised
    kAdjustedPlanes = 6,  // slots 6..8: the outputs of adjustMask
    kSelectionMask = 9,   // slot 9: the host's selection at proxy resolution
    kPlaneSlotCount = 10,
};

// Float planes of a deep image's run (16-bit samples): each channel's mask
// and adjusted mask, kept in floating point. The byte mask slots stay empty
// then, and the adjusted slots hold the adjusted masks rounded to bytes, for
// the preview. The adjusted masks lie in one block, the proxy stage's
// pyramid scratch, which the run keeps for them.
enum : int {
    kDeepMaskPlanes = 0,      // 0..2
    kDeepAdjustedPlanes = 3,  // 3..5
    kDeepPlaneCount = 6,
};

struct RunData {
    uint8_t showDialogByDefault;
    uint8_t* planeSlots[kPlaneSlotCount];
    int16_t proxyWidth;
    int16_t proxyHeight;
    int32_t planeSize;
    float maskMin[3];
    float maskScale[3];
    float maskInvScale[3];
    uint8_t deep;  // the host's samples are 16-bit
    float* deepPlanes[kDeepPlaneCount];
};

inline uint8_t*& previewPlane(RunData* r, int c) { return r->planeSlots[kPreviewPlanes + c]; }
inline uint8_t*& maskPlane(RunData* r, int c) { return r->planeSlots[kMaskPlanes + c]; }
inline uint8_t*& adjustedPlane(RunData* r, int c) { return r->planeSlots[kAdjustedPlanes + c]; }
inline uint8_t*& selectionMask(RunData* r) { return r->planeSlots[kSelectionMask]; }
inline float*& deepMaskPlane(RunData* r, int c) { return r->deepPlanes[kDeepMaskPlanes + c]; }
inline float*& deepAdjustedPlane(RunData* r, int c) { return r->deepPlanes[kDeepAdjustedPlanes + c]; }

extern FilterRecord* hostRecord;  // the current call's filter record (null during About)
extern AboutRecord* aboutRecord;  // the About call's record
extern intptr_t* dataCell;        // the host's cell that keeps the data handle
extern int16_t* resultCell;       // the current call's result; 0 means success
extern FilterParameters* params;  // valid while the parameter handle is locked
extern RunData* runData;          // valid while the data handle is locked
extern void* moduleInstance;      // the library's own module (HINSTANCE)

void initRunData();
void clearHostRects();
// The library is being unloaded: releases what the plug-in holds of its own
// (a host may unload it after a run that had no Finish).
void releaseAtUnload();

// The entry point. Exported undecorated from the DLL; called in-process natively.
extern "C" void PI_CALL PluginMain(int16_t selector, void* paramBlock, intptr_t* data, int16_t* result);
