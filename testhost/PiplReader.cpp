#include "testhost/PiplReader.h"

#include <cstring>

namespace testhost {

namespace {

uint32_t read32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

constexpr uint32_t kVendor = 0x3842494D;  // '8BIM'

}  // namespace

bool readEntryPoint(const uint8_t* pipl, size_t size, uint32_t codeKey, std::string* name, std::string* error) {
    if (pipl == nullptr || size < 10) {
        *error = "no PIPL resource, or one too short for its header";
        return false;
    }
    if (read16(pipl) != 1 || read32(pipl + 2) != 0) {
        *error = "PIPL of an unknown version";
        return false;
    }
    uint32_t count = read32(pipl + 6);
    size_t at = 10;
    for (uint32_t i = 0; i < count; ++i) {
        if (size - at < 16) {
            *error = "PIPL property " + std::to_string(i + 1) + " runs past the end of the resource";
            return false;
        }
        uint32_t vendor = read32(pipl + at), key = read32(pipl + at + 4), length = read32(pipl + at + 12);
        size_t padded = (size_t(length) + 3) & ~size_t(3);
        if (length > size || padded > size - at - 16) {
            *error = "PIPL property " + std::to_string(i + 1) + " runs past the end of the resource";
            return false;
        }
        const uint8_t* data = pipl + at + 16;
        if (vendor == kVendor && key == codeKey) {
            const void* nul = std::memchr(data, 0, length);
            if (nul == nullptr || nul == data) {
                *error = "the PIPL's entry-point name is empty or not terminated";
                return false;
            }
            name->assign(reinterpret_cast<const char*>(data));
            return true;
        }
        at += 16 + padded;
    }
    *error = std::string("the PIPL names no entry point for ") + (codeKey == kCodeKeyX64 ? "64-bit" : "32-bit") +
             " Windows";
    return false;
}

}  // namespace testhost
