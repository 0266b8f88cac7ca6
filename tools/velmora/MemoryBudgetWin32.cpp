#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "tools/velmora/MemoryBudget.h"

namespace cli {

uint64_t memoryAvailable() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return UINT64_MAX;
    // Commit charge left, and for a 32-bit process its own address space.
    return std::min<uint64_t>(status.ullAvailPageFile, status.ullAvailVirtual);
}

}  // namespace cli
