// What the renders are handed besides the pixel port: the proxy stage's planes
// and per-channel statistics, and the run's working memory. The renders keep
// no pointer to the host's records; the host side builds these from its own.
#pragma once
#include <cstddef>
#include <cstdint>

// The proxy (the filter rectangle at half resolution) and what the run built on
// it, channel order red, green, blue. The planes are packed planes of
// width x height; the pointers refer to the run's own blocks.
//
// 8-bit images have byte masks. Deep images (16-bit samples) keep their masks
// and adjusted masks as floats (deepMasks, deepAdjusted: what the full render
// divides by); their byte masks are null, and `adjusted` holds the adjusted
// masks rounded to bytes, for the preview, which shows 8-bit pictures.
struct ProxyImage {
    int16_t width, height;
    uint8_t* preview[3];      // the processed proxy shown by the preview
    const uint8_t* masks[3];  // each channel's normalised mask
    uint8_t* adjusted[3];     // the adjusted masks the renders divide by
    const uint8_t* selection; // the selection at proxy resolution, or null
    float maskMin[3], maskScale[3], maskInvScale[3];
    // The channel's mask has one value everywhere (no finite scale): there is
    // nothing to divide by, and the channel keeps its pixels.
    bool flat[3];
    bool deep;
    const float* deepMasks[3];
    float* deepAdjusted[3];
};

// Zero-filled blocks of the run's tracked memory. allocate returns null when
// memory cannot be had (the failure is already recorded for the host).
struct WorkMemory {
    void* (*allocate)(size_t bytes);
    void (*release)(void* block);
};
