// The proxy stage of a run: each colour channel's mask over the proxy (the
// filter rectangle at half resolution). The whole image is read once at half
// resolution, every second pixel, through the pixel port; each channel of it
// in turn is turned into its mask by the pyramid over the whole sampled image
// (so the masks see the image around the filter rectangle), and the part over
// the proxy is kept as a byte plane (a float plane for a deep image), measured
// and normalised. One float channel plane and one pyramid scratch block serve
// the three channels.
//
// The plug-in's run and the GEGL operation both build their masks here; each
// owns the mask planes and statistics the stage fills.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/Rect.h"
#include "engine/MaskSettings.h"
#include "planes/PixelPort.h"
#include "planes/RenderInputs.h"

// The smallest image side, in either direction, that the filter takes.
constexpr int kMinimumImageSide = 350;

// A run reports its progress in these steps (the host's progress total); the
// stage reports steps 3 to 8.
constexpr int kRunProgressSteps = 6;

struct ProxyStage {
    Rect sampledImage;  // the whole image at half resolution
    Rect proxy;         // the filter rectangle at half resolution
    int sampledWidth, sampledHeight;
    float* channel;  // one colour channel of the sampled image
    void* scratch;   // the pyramid's work memory, reused for every channel
    size_t scratchBytes;
};

// Where the stage puts each channel's mask, a packed plane of the proxy's
// size (bytes; floats for a deep image, whose byte planes are null), and its
// statistics: maskMin, maskScale (computed in extended precision, stored as
// float) and maskInvScale (from the stored float).
struct ProxyMasks {
    uint8_t* planes[3];
    float* deepPlanes[3];
    float* maskMin;  // three of each
    float* maskScale;
    float* maskInvScale;
};

// The stage's rectangles for an image of imageWidth x imageHeight pixels and a
// filter rectangle within it; nothing allocated yet.
ProxyStage planProxyStage(int imageWidth, int imageHeight, const Rect& filterRect);
// The channel plane, then exactly the scratch the pyramid of the sampled image
// needs (about 12 bytes a sample), or scratchAtLeast bytes if more (a deep
// run keeps its adjusted masks in the scratch once the masks are built).
// False when memory cannot be had.
bool allocateProxyStage(ProxyStage& s, const WorkMemory& memory, size_t scratchAtLeast = 0);
void releaseProxyStage(ProxyStage& s, const WorkMemory& memory);

// Reads the sampled image through the port and builds the three masks into
// `out`. The port is polled for an abort before each channel. Returns 0;
// -128 when aborted; -108 when the pyramid fails; or the port's code.
int16_t buildProxyMasks(PixelPort& port, const ProxyStage& s, const MaskSettings* settings, const ProxyMasks& out);
