// The dialog's preview images. The processed proxy is recomputed after the
// settings change; the preview pane is filled from it below 100 %, and at
// 100 % from the host's pixels processed exactly as OK will process them; the
// Before view and the navigator show the host's unprocessed pixels. With a
// selection, the processed pictures show it applied as the host will apply it.
//
// Every operation works on what its PreviewContext hands it: the pixel port,
// the run's working memory, the proxy's planes and the parameter record.
// Results: 1 success; -3 a host error (its code is in the run's result) or no
// memory (the allocator's -108 is in the run's result); -4 an internal error,
// whose message is left in the context for the dialog to show. Scratch is
// released before every successful return.
#pragma once

#include "engine/FilterParameters.h"
#include "planes/PaneState.h"
#include "planes/PixelPort.h"
#include "planes/RenderInputs.h"

constexpr int kPreviewDone = 1;
constexpr int kPreviewHostOrMemoryError = -3;
constexpr int kPreviewInternalError = -4;

struct PreviewContext {
    PixelPort* port;
    WorkMemory memory;
    Rect filterRect;
    ProxyImage proxy;
    bool haveMask;                // the host reports a selection mask
    FilterParameters* params;     // the settings the dialog edits
    const char* internalError;    // set with -4: the message to show
    // The proxy's three planes as the host delivered them, kept from the
    // first recomputation on (the image does not change while the dialog
    // runs); null until then. Planes of proxyPixelsWidth x proxyPixelsHeight.
    uint8_t* proxyPixels;
    int proxyPixelsWidth, proxyPixelsHeight;
};

// Re-runs the adjustment of the three masks with the current settings (1 or -4).
int readjustMasks(PreviewContext& ctx);
// Re-runs the adjustment with the current settings and recomputes the processed proxy.
int rebuildProxyResult(PreviewContext& ctx);
// Fills the preview pane's buffers for the mode, zoom and view: at 100 %
// (sampling step 1) the bytes OK will write there, and above 100 % the same
// bytes, each enlarged to magnify x magnify screen pixels.
int renderPreview(PreviewContext& ctx, PreviewMode mode, PaneState* pane);
// Fills a pane with the unprocessed pixels of its source rectangle.
int renderOriginalView(PreviewContext& ctx, PaneState* pane);
// Converts the preview's regionRect from filter-relative to proxy
// coordinates, onto the proxy pixels that sample the same image pixels.
void mapViewToProxy(const Rect& filterRect, int proxyWidth, int proxyHeight, const ZoomState& zoom, PaneState* pane);
