// What the renders and the dialog are handed of the current run: the proxy's
// planes and statistics out of RunData, the tracked allocator as working
// memory, and the preview's context over the pixel port.
#pragma once

#include "planes/PreviewRender.h"
#include "planes/RenderInputs.h"
#include "ui/Platform.h"

ProxyImage runProxyImage();
WorkMemory trackedWorkMemory();
// For a deep image, the preview reads through a port that hands it 8-bit
// pixels (planes/DisplayPort.h); releasePreviewPixels frees what that port
// keeps, once the dialog has ended.
PreviewContext runPreviewContext();
void releasePreviewPixels();
// The main dialog's inputs: the preview context, the result cell, the module
// and the host's window and drawing.
DialogInputs runDialogInputs();
// The channels the host filters: inLayerPlanes for a layer with transparency
// (filterCase above 2), 3 for four RGB planes of a host that does not report
// the case (the fourth is the transparency), else the record's planes.
int filteredChannelCount();
