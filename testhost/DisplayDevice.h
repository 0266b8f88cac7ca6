// Where the test host draws what the plug-in hands to displayPixels: into the
// given device context on Windows; nowhere in native builds (the pixels are
// recorded either way).
#pragma once
#include "base/HostInterface.h"

namespace testhost {
OSErr displayOnDevice(const PSPixelMap* map, const VRect* rect, int32_t dstRow, int32_t dstCol, void* context);
}
