// Interleaved 8-bit RGB onto the screen: the one copy into a device
// context, shared by the dialog (for hosts without displayPixels) and the
// test host's own displayPixels.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

// Draws width x height pixels, red first in each, rows rowBytes and pixels
// colBytes apart, with the top-left one at (x, y) of the device context.
// False when the conversion buffer cannot be had (nothing is drawn).
bool drawInterleavedRgb(HDC dc, int x, int y, const uint8_t* pixels, ptrdiff_t rowBytes, int colBytes, int width,
                        int height);
