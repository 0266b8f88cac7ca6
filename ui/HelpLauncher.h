// Help (the button and F1): finds the help document's folder in the registry
// and opens the page with the shell. Failures are reported in a message box
// owned by the dialog, which waits for it.
#pragma once

#include <string>

void openHelp(void* ownerWindow);

// The folder (ending with its separator) named by the registry value that Help
// reads, or "" when the value is missing or malformed. Also read by the
// installer's tests.
std::string helpFolder();
