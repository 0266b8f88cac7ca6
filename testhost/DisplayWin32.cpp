#include <windows.h>

#include "testhost/DisplayDevice.h"

namespace testhost {

// Draws interleaved 8-bit RGB into the device context, as a host does.
OSErr displayOnDevice(const PSPixelMap* map, const VRect* rect, int32_t dstRow, int32_t dstCol, void* context) {
    if (context == nullptr) return noErr;
    int width = rect->right - rect->left, height = rect->bottom - rect->top;
    if (width <= 0 || height <= 0 || map->colBytes < 3) return noErr;
    int stride = (width * 3 + 3) & ~3;
    BYTE* bgr = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size_t(stride) * size_t(height)));
    if (bgr == nullptr) return memFullErr;
    const BYTE* base = static_cast<const BYTE*>(map->baseAddr);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const BYTE* p = base + ptrdiff_t(rect->top + y) * map->rowBytes + ptrdiff_t(rect->left + x) * map->colBytes;
            BYTE* q = bgr + ptrdiff_t(y) * stride + x * 3;
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(static_cast<HDC>(context), dstCol, dstRow, DWORD(width), DWORD(height), 0, 0, 0, UINT(height),
                      bgr, &info, DIB_RGB_COLORS);
    HeapFree(GetProcessHeap(), 0, bgr);
    return noErr;
}

}  // namespace testhost
