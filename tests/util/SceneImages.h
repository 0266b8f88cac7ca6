// Deterministic test photographs for scenario tests: a dark scene with a
// bright window, soft gradients, hard edges and texture, so the masks, the
// adjustment and every tile of the render have real work to do.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "testhost/TestHost.h"

namespace scenes {

inline uint8_t hashByte(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return uint8_t(x);
}

// planes 3 (RGB) or 4 (RGB + alpha); the alpha plane holds its own pattern.
inline testhost::HostImage darkRoom(int width, int height, int planes = 3) {
    testhost::HostImage image = testhost::makeImage(width, height, planes);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bool window = x > width / 2 && x < width * 3 / 4 && y > height / 5 && y < height / 2;
            int base = window ? 200 + (x + y) % 40 : 12 + (x * 30) / width + (y * 20) / height;
            int noise = hashByte(uint32_t(y * 65537 + x)) % 9;
            image.at(0, y, x) = uint8_t(base + noise);
            image.at(1, y, x) = uint8_t((base * 9) / 10 + noise);
            image.at(2, y, x) = uint8_t((base * 7) / 10 + (x % 17 == 0 ? 20 : 0));
            if (planes == 4) image.at(3, y, x) = uint8_t((x * 7 + y * 3) & 0xFF);
        }
    return image;
}

// True when plane `plane` of two images of one size holds the same bytes.
inline bool planeEqual(const testhost::HostImage& a, const testhost::HostImage& b, int plane) {
    size_t n = size_t(a.width) * size_t(a.height);
    return std::equal(a.data.begin() + ptrdiff_t(n * size_t(plane)), a.data.begin() + ptrdiff_t(n * size_t(plane + 1)),
                      b.data.begin() + ptrdiff_t(n * size_t(plane)));
}

// A deep (16-bit) dark room: the scene above at 128 host units a level, with
// fine gradations between the levels, pure black (0) in the lower left corner
// and full white (32768) in the middle of the window.
inline testhost::HostImage deepRoom(int width, int height) {
    const testhost::HostImage eight = darkRoom(width, height);
    testhost::HostImage image = testhost::makeImage(width, height, 3, 16);
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                int v = eight.at(p, y, x) * 128 + (x * 7 + y * 3 + p * 41) % 128;
                if (x < width / 8 && y > height * 7 / 8) v = 0;
                if (x > width * 5 / 8 && x < width * 11 / 16 && y > height / 4 && y < height * 2 / 5) v = 32768;
                image.setSample(p, y, x, v > 32768 ? 32768 : v);
            }
    return image;
}

}  // namespace scenes
