// The two host handles that carry the plug-in's records between calls: the
// parameter handle (FilterParameters, in the filter record's `parameters`) and
// the data handle (RunData, in the host's data cell). Each operation assigns
// the result cell on failure: -108 when a handle cannot be made or locked,
// -30100 when a handle to lock is missing.
#pragma once

// A record handle the host hands in at a size other than its record's is not
// one the plug-in made (a host's saved copy cut short, or something else):
// locking it would read and write past its end. Such a handle is disposed
// (and its slot emptied), so the step makes a fresh one or finds it missing.
void disposeForeignHandles();
void newParameterHandle();
void newDataHandle();
void lockHandles();
void unlockHandles();
void disposeHandles();
