// The two host handles that carry the plug-in's records between calls: the
// parameter handle (FilterParameters, in the filter record's `parameters`) and
// the data handle (RunData, in the host's data cell). Each operation assigns
// the result cell on failure: -108 when a handle cannot be made or locked,
// -30100 when a handle to lock is missing.
#pragma once

void newParameterHandle();
void newDataHandle();
void lockHandles();
void unlockHandles();
void disposeHandles();
