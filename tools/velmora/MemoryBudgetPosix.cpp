#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/velmora/MemoryBudget.h"

namespace cli {

namespace {

// A "Name:   1234 kB" line of a /proc file, in bytes; 0 when absent.
uint64_t procField(const char* file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
        std::istringstream fields(line.substr(name.size() + 1));
        uint64_t kib = 0;
        fields >> kib;
        return kib * 1024;
    }
    return 0;
}

bool readNumber(const std::string& file, uint64_t* value) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text) || text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *value = std::stoull(text);
    return true;
}

// What the process's control group (version 2) and each group above it still allow.
uint64_t controlGroupRoom() {
    std::ifstream in("/proc/self/cgroup");
    std::string line, path;
    while (std::getline(in, line))
        if (line.rfind("0::", 0) == 0) path = line.substr(3);
    uint64_t room = UINT64_MAX;
    while (!path.empty()) {
        std::string folder = "/sys/fs/cgroup" + (path == "/" ? std::string() : path);
        uint64_t max = 0, current = 0;
        if (readNumber(folder + "/memory.max", &max) && readNumber(folder + "/memory.current", &current))
            room = std::min(room, max > current ? max - current : 0);
        if (path == "/") break;
        size_t slash = path.find_last_of('/');
        path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
    }
    return room;
}

// A resource limit on address space or data, as resident memory: a run's
// address space exceeds its resident memory by about half (thread stacks,
// allocator arenas, freed blocks); a 24-megapixel run resident at 390 MiB
// needs some 830 MiB of address space.
uint64_t limitRoom(int resource, const char* usedField) {
    struct rlimit limit;
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
    uint64_t used = procField("/proc/self/status", usedField);
    return limit.rlim_cur > used ? (limit.rlim_cur - used) / 3 * 2 : 0;
}

}  // namespace

uint64_t memoryAvailable() {
    uint64_t room = UINT64_MAX;
    uint64_t physical = procField("/proc/meminfo", "MemAvailable");
    if (physical > 0) room = physical + procField("/proc/meminfo", "SwapFree");
    room = std::min(room, controlGroupRoom());
    room = std::min(room, limitRoom(RLIMIT_AS, "VmSize"));
    room = std::min(room, limitRoom(RLIMIT_DATA, "VmData"));
    return room;
}

}  // namespace cli
