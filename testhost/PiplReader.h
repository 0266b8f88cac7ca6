// Reading a filter's property list (PIPL resource) as a host does: the
// header, then properties of vendor, key, id, padded length and data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testhost {

constexpr uint32_t kCodeKeyX86 = 0x77783836;  // 'wx86'
constexpr uint32_t kCodeKeyX64 = 0x38363634;  // '8664'

// The entry point's export name stored under `codeKey`; false with a message
// when the list is missing, truncated, of another version, or has no such property.
bool readEntryPoint(const uint8_t* pipl, size_t size, uint32_t codeKey, std::string* name, std::string* error);

}  // namespace testhost
