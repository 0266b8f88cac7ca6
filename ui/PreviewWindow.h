// The preview pane's own window (class "VelmoraPreview", a control of the
// main dialog): it draws the picture, takes the focus, and turns the wheel,
// a drag on the picture, the arrow keys and "+", "-", "S" into zoom, pan
// and split view.
#pragma once

// The class is registered for the dialog's life, with the plug-in's module.
bool registerPreviewClass(void* module);
void unregisterPreviewClass(void* module);
