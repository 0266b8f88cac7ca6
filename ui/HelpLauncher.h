// The Help button: finds the help document's folder in the registry and opens
// the page with the shell. Failures are reported in a message box.
#pragma once

void openHelp();
