// The Start selector: checks, settings, the proxy stage, the masks, the
// adjustment, the dialog and the full render. Reports through the result cell.
#pragma once

void runFilter();
