#include "engine/EngineError.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

EngineError engineError = {0, "", ""};

int setEngineError(int code, const char* routine, const char* format, ...) {
    engineError.code = code;
    std::snprintf(engineError.routine, sizeof engineError.routine, "%s", routine);
    va_list args;
    va_start(args, format);
    std::vsnprintf(engineError.message, sizeof engineError.message, format, args);
    va_end(args);
    return code;
}
