// The engine's last-error record. A failing engine routine fills all three
// fields and returns the same code; a successful call leaves the record alone.
// Module-level state: engine calls never overlap (one host thread).
#pragma once
#include <cstdint>

struct EngineError {
    int32_t code;
    char routine[255];
    char message[256];
};

extern EngineError engineError;

// Engine return codes.
constexpr int kEngineOk = 0;
constexpr int kEngineNoMemory = -1;       // too little scratch or work memory
constexpr int kEngineFlatLuma = -2;       // the mask's luma is constant
constexpr int kEngineBadLumaGain = -3;    // lumaGain outside 0..1

// Fills engineError and returns code. The message is a printf format.
int setEngineError(int code, const char* routine, const char* format, ...);
