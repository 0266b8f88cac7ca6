// The full-resolution render: the image streamed through the host in
// 175 x 175 tiles, a band of tiles at a time, every output pixel written once.
// Each tile is asked for with its three colour planes at once, in and out (a
// request every host answers right), and each channel's adjusted mask is
// enlarged to full resolution one band of tile rows at a time, so memory stays
// a few tile rows whatever the image size. After the last tile the port is
// closed, so the host has stored every tile and no request stays open.
#pragma once
#include <cstdint>

#include "base/Rect.h"
#include "planes/PixelPort.h"
#include "planes/RenderInputs.h"

constexpr int kTileSize = 175;

// Renders filterRect (image coordinates) from the proxy's adjusted masks and
// statistics. Returns 0; -128 when the user aborted (polled once per band);
// -108 when working memory cannot be had; or the port's code.
int16_t renderFullImage(PixelPort& port, const Rect& filterRect, const ProxyImage& proxy, const WorkMemory& memory);

// The bytes renderFullImage writes into `region` (image coordinates, inside
// filterRect), from the region's own pixels: `in` holds its three planes at
// full resolution and `out` receives them (both width(region) x
// height(region)). False when working memory cannot be had.
bool renderRegion(const Rect& filterRect, const ProxyImage& proxy, const Rect& region, const PlaneView& in,
                  const MutablePlaneView& out, const WorkMemory& memory);
