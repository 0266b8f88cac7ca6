// How much memory filtering one image takes, and how much the machine can
// give: an image whose run would not fit is refused before it is decoded,
// with its size and the memory it would need.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// Bytes one run holds at its peak: the decoded image, the host's planar copy,
// the plug-in's working planes and, with a selection, the mask and its copy;
// depth is the image's bits per sample, 8 or 16.
uint64_t memoryNeeded(int width, int height, int bands, int depth, bool selection);

// Bytes the process can still get (physical memory and swap, control-group
// and resource limits); UINT64_MAX when nothing says. MemoryBudgetPosix.cpp,
// MemoryBudgetWin32.cpp.
uint64_t memoryAvailable();

// False, with one line in *error, when `needed` exceeds `available`.
bool checkMemory(int width, int height, uint64_t needed, uint64_t available, std::string* error);

// "512 MiB", "3.2 GiB".
std::string formatBytes(uint64_t bytes);

}  // namespace cli
