// The renders' one way to the host's pixels. Every request of pixels or of the
// selection mask, every tile written back, every progress report and abort poll
// of the proxy stage, the full render and the preview goes through a PixelPort,
// one operation per kind of request. The plug-in's implementation over the
// filter record (host/HostPixelPort.h) is where every host quirk is handled:
// hosts that do not sample, hosts that answer single-plane requests wrongly or
// keep stale buffers, and hosts that deliver nothing or a buffer that does not
// fit the request. The renders see only correct views or a result code.
//
// Views: sample (row, column) of plane p of a view starts at byte
// data[row * rowBytes + column * colBytes + p * sampleBytes], for the view's
// width x height samples; the planes asked for are samples 0, 1, ... of each
// pixel, which is colBytes bytes wide. Samples are the host's: bytes for
// 8-bit images, 16-bit values 0..32768 (32768 is full) in the machine's byte
// order for deep ones. A view is valid until the next request through the
// same port.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/Rect.h"
#include "base/SamplingRate.h"

struct PlaneView {
    const uint8_t* data;
    ptrdiff_t rowBytes;
    int colBytes;  // bytes per pixel
    int width, height;
    int sampleBytes = 1;  // 1: 8-bit samples; 2: 16-bit samples
};

struct MutablePlaneView {
    uint8_t* data;
    ptrdiff_t rowBytes;
    int colBytes;
    int width, height;
    int sampleBytes = 1;
};


class PixelPort {
public:
    // Planes lo..hi of r (in the image sampled at `rate`), interleaved.
    // Returns 0, or the host's or the port's result code (the port has also
    // stored it in the run's result).
    virtual int16_t readPlanes(const Rect& r, int lo, int hi, int32_t rate, PlaneView* pixels) = 0;
    // The selection mask over r (in the image sampled at `rate`), one byte a pixel.
    virtual int16_t readMask(const Rect& r, int32_t rate, PlaneView* mask) = 0;
    // Planes lo..hi of r at full resolution to read, and a buffer for the same
    // planes of r to write: what is written replaces the image's pixels.
    virtual int16_t openTile(const Rect& r, int lo, int hi, PlaneView* in, MutablePlaneView* out) = 0;
    // Hands the last tile written back to the host and leaves no request
    // open: a host that re-reads an open request from its unfiltered image
    // at the next selector would otherwise put the original back over it.
    virtual int16_t closeTiles() = 0;
    // True when the user asked to stop.
    virtual bool aborted() = 0;
    virtual void progress(int32_t done, int32_t total) = 0;

protected:
    ~PixelPort() = default;
};

// Plane p of an 8-bit view into a packed byte plane of view.width x view.height.
void copyPlaneOut(const PlaneView& view, int p, uint8_t* dst);
// Plane p of a view as floats on the 0..255 scale (deepToScale for 16-bit
// samples), into a float plane packed or with rows dstStride samples apart.
void importViewPlane(const PlaneView& view, int p, float* dst);
void importViewPlane(const PlaneView& view, int p, float* dst, ptrdiff_t dstStride);
// A packed byte plane of view.width x view.height into plane p of an 8-bit view.
void copyPlaneIn(const uint8_t* src, const MutablePlaneView& view, int p);
// Plane p of a deep view from a float plane on the 0..255 scale (rows
// srcStride samples apart), each sample roundDeepSample of its value.
void exportViewPlane(const float* src, ptrdiff_t srcStride, const MutablePlaneView& view, int p);
// Plane p of `in` into plane p of `out`, sample for sample (views of one size and depth).
void copyViewPlane(const PlaneView& in, const MutablePlaneView& out, int p);
