// Controls of the headless stand-in, for tests of native builds.
#pragma once

#include <string>

// The screen size the stand-in reports (1920 x 1080 until changed).
void setHeadlessScreenSize(int width, int height);

// A scripted user for the stand-in's main dialog. Without one the dialog
// cannot be created (-1). With one, the dialog runs as the real one does with
// a user who opens it, sets the two values (if asked), waits for the
// recomputation and presses OK or Cancel: the panes are laid out, the
// navigator and preview rendered, the processed proxy rebuilt, and OK adjusts
// the masks for the final values.
struct HeadlessUser {
    bool setValues = false;
    float amount = 10.0f;    // the record's amount (Shadow Brightness)
    float vibrance = 2.0f;   // the record's vibrance (Color Intensity + 2)
    bool confirm = true;     // OK, else Cancel
    int previewsRendered = 0;  // told back: preview renders made
};
// The user of the next dialogs; null for none. The stand-in writes previewsRendered.
void setHeadlessUser(HeadlessUser* user);

// The text of the last error box since the last call, then forgets it ("" for none).
std::string takeHeadlessMessage();
// Error boxes are only kept for takeHeadlessMessage, not also written to
// standard error (for a caller that reports them itself).
void quietHeadlessMessages();
