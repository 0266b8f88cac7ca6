// Random access to bytes being read or written (a file through its
// descriptor, or memory), and the byte-order helpers the metadata code uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace cli {

// Reads `size` bytes at `offset`; false when they are not all there.
using ReadAt = std::function<bool(uint64_t offset, void* out, size_t size)>;
using WriteAt = std::function<bool(uint64_t offset, const void* data, size_t size)>;

inline ReadAt readMemory(const uint8_t* data, size_t length) {
    return [data, length](uint64_t offset, void* out, size_t size) {
        if (offset > length || size > length - offset) return false;
        if (size > 0) std::memcpy(out, data + offset, size);
        return true;
    };
}

inline uint16_t big16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t big32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
inline uint16_t little16(const uint8_t* p) { return uint16_t(p[1] << 8 | p[0]); }
inline uint32_t little32(const uint8_t* p) {
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
inline void putLittle16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void putLittle32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
inline void putBig16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}
inline void putBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace cli
