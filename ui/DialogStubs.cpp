// Until the dialogs exist: the main dialog cannot be created and the About
// box shows nothing.
#include "ui/Platform.h"

int ShowMainDialog() { return -1; }
void ShowAboutBox() {}
