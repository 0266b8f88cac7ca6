#include "ui/DrawPixels.h"

bool drawInterleavedRgb(HDC dc, int x, int y, const uint8_t* pixels, ptrdiff_t rowBytes, int colBytes, int width,
                        int height) {
    if (width <= 0 || height <= 0) return true;
    const ptrdiff_t stride = (ptrdiff_t(width) * 3 + 3) & ~ptrdiff_t(3);  // DIB rows are padded to four bytes
    BYTE* bgr = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size_t(stride) * size_t(height)));
    if (bgr == nullptr) return false;
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            const uint8_t* p = pixels + ptrdiff_t(row) * rowBytes + ptrdiff_t(col) * colBytes;
            BYTE* q = bgr + ptrdiff_t(row) * stride + ptrdiff_t(col) * 3;
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, x, y, DWORD(width), DWORD(height), 0, 0, 0, UINT(height), bgr, &info, DIB_RGB_COLORS);
    HeapFree(GetProcessHeap(), 0, bgr);
    return true;
}
