#include <windows.h>

#include "testhost/DisplayDevice.h"
#include "ui/DrawPixels.h"

namespace testhost {

// Draws interleaved 8-bit RGB into the device context, as a host does.
OSErr displayOnDevice(const PSPixelMap* map, const VRect* rect, int32_t dstRow, int32_t dstCol, void* context) {
    if (context == nullptr || map->colBytes < 3) return noErr;
    const BYTE* first = static_cast<const BYTE*>(map->baseAddr) + ptrdiff_t(rect->top) * map->rowBytes +
                        ptrdiff_t(rect->left) * map->colBytes;
    bool drawn = drawInterleavedRgb(static_cast<HDC>(context), dstCol, dstRow, first, map->rowBytes, map->colBytes,
                                    rect->right - rect->left, rect->bottom - rect->top);
    return drawn ? noErr : memFullErr;
}

}  // namespace testhost
