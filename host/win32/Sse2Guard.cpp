// The 32-bit plug-in's entry point as the host calls it. All of the plug-in's
// code needs SSE2; this file alone is built without it, so that on a processor
// that lacks SSE2 a call ends with the plug-in's own message and -128 instead
// of an illegal instruction that would take the host down.
#include <windows.h>

#include <cpuid.h>

#include "base/HostInterface.h"
#include "base/Messages.h"

extern "C" void PI_CALL PluginMain(int16_t selector, void* paramBlock, intptr_t* data, int16_t* result);

namespace {

bool processorRunsSse2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) != 0 && (d & bit_SSE2) != 0;
}

}  // namespace

extern "C" void PI_CALL PluginMainChecked(int16_t selector, void* paramBlock, intptr_t* data, int16_t* result) {
    static int sse2 = -1;  // asked once
    static bool told = false;
    if (sse2 < 0) sse2 = processorRunsSse2() ? 1 : 0;
    if (sse2 == 1) {
        PluginMain(selector, paramBlock, data, result);
        return;
    }
    if (!told) {
        told = true;
        MessageBoxA(nullptr, kMessageNoSse2, kErrorCaption, MB_ICONERROR | MB_SETFOREGROUND);
    }
    if (result != nullptr) *result = selector == filterSelectorAbout ? int16_t(noErr) : int16_t(userCanceledErr);
}
