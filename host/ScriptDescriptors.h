// The settings outside one run: the host's descriptor registry keeps the last
// settings (whole numbers) across runs and host restarts; the scripting
// descriptor carries them in recorded and replayed actions. Each operation
// returns the first host error met, else 0; callers ignore the result.
#pragma once
#include <cstdint>

// The descriptor registry's key of the last settings; also the scope string
// of the plug-in's scripting terminology.
constexpr const char* settingsRegistryKey = "{011c2e9b-a11b-4c53-bb70-6f7b9f288f09}";

int16_t loadLastSettings();
int16_t saveLastSettings();

// Reading a replayed step also decides whether the dialog is shown.
int16_t readScriptParameters(bool& showDialog);
int16_t writeScriptParameters();
