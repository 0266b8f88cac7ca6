// One run of the filter on a whole image held in memory, for a front that
// hands over the whole image at once (the GEGL operation): the plug-in's
// proxy stage, mask adjustment and full render, with the plug-in's initial
// engine settings, over a pixel port on the caller's buffers. Without a
// dialog and a selection, it gives the bytes a replayed run of the plug-in
// gives. Runs are serialised (the engine keeps module state), and each uses
// worker threads as the plug-in's run does.
#pragma once
#include <cstddef>
#include <cstdint>

// Interleaved pixels: width x height pixels of pixelBytes bytes, rows rowBytes
// apart, the colour samples red, green, blue first in each pixel. Whatever
// follows them in a pixel (alpha) is not read and not written. Samples of one
// byte go through the 8-bit path; of two bytes (0..65535, native byte order)
// through the deep path.
struct ImageBuffers {
    const uint8_t* in;
    uint8_t* out;  // the same layout; receives the filtered colour samples
    int width, height;
    int pixelBytes;
    ptrdiff_t rowBytes;
    int sampleBytes;  // 1 or 2
};

// What the caller is asked while the run works; both may be null.
struct RunCallbacks {
    bool (*aborted)(void* context);                    // true: stop, the result is not wanted
    void (*progress)(void* context, double fraction);  // 0..1
    void* context;
};

enum class RunOutcome {
    Filtered,         // out holds the result
    TooSmall,         // less than the plug-in's minimum side
    TooLarge,         // more than the host interface's largest side
    NothingToReveal,  // one brightness everywhere
    OutOfMemory,
    Cancelled,
};

// Filters `image` with Shadow Brightness and Color Intensity as the user sees
// them; threads caps the worker threads (0: the plug-in's own choice). Unless
// the outcome is Filtered, out is not written.
RunOutcome runOnImage(const ImageBuffers& image, double brightness, double color, int threads,
                      const RunCallbacks& callbacks);

// Why a run did not filter, in the user's words ("" for Filtered).
const char* outcomeText(RunOutcome outcome);
