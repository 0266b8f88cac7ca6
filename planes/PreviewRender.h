// The dialog's preview images. The processed proxy is recomputed after the
// settings change; the preview pane is filled from it when the pane shows the
// image at proxy resolution or coarser, and from the host's pixels, processed
// on the spot, when it shows finer detail; the Before view and the navigator
// show the host's unprocessed pixels.
//
// Results: 1 success; -3 a host error (its code stays in the result cell) or
// no memory (the allocator's -108 is in the result cell); -4 an internal
// error, after its message. Scratch comes from the tracked allocator and is
// released before every successful return.
#pragma once

#include "planes/PreviewState.h"

// Re-runs the adjustment of the three masks with the current settings (1 or -4).
int readjustMasks();
// Re-runs the adjustment with the current settings and recomputes previewPlanes.
int rebuildProxyResult();
// Fills the preview pane's buffers for the current mode, zoom and view.
int renderPreview(PaneState* pane);
// Fills a pane with the unprocessed pixels of its source rectangle.
int renderOriginalView(PaneState* pane);
// Converts the preview's regionRect from filter-relative to proxy coordinates.
void mapViewToProxy(const Rect& filterRect, const ZoomState& zoom, PaneState* pane);
