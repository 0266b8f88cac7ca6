// The full-resolution render: each channel's adjusted mask enlarged to the
// filter rectangle, the image streamed through the host in 175 x 175 tiles,
// one plane at a time, every output pixel written once.
#pragma once

constexpr int kTileSize = 175;

// Reads the filter record and RunData; reports through the result cell.
void renderFullImage();
