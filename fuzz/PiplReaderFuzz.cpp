// The test host's PIPL reader: the input is the property list, searched for
// the entry point of both Windows architectures. Compared with a plain walk
// of the list written here in 64-bit arithmetic: the same lists are accepted,
// with the same name; a refusal always says why.
#include <string>

#include "fuzz/FuzzSupport.h"
#include "testhost/PiplReader.h"

namespace {

uint64_t le(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

// The name, or false: header 1 and version 0; properties of 16 header bytes
// and data padded to 4 bytes, all inside the list; the first '8BIM' property
// with the key holds a non-empty NUL-terminated name within its length.
bool reference(const uint8_t* p, uint64_t size, uint32_t codeKey, std::string* name) {
    if (size < 10 || le(p, 2) != 1 || le(p + 2, 4) != 0) return false;
    const uint64_t count = le(p + 6, 4);
    uint64_t at = 10;
    for (uint64_t i = 0; i < count; ++i) {
        if (at + 16 > size) return false;
        const uint64_t length = le(p + at + 12, 4), padded = (length + 3) / 4 * 4;
        if (at + 16 + padded > size) return false;
        if (le(p + at, 4) == 0x3842494D && le(p + at + 4, 4) == codeKey) {
            uint64_t end = 0;
            while (end < length && p[at + 16 + end] != 0) ++end;
            if (end == 0 || end == length) return false;
            name->assign(reinterpret_cast<const char*>(p + at + 16), size_t(end));
            return true;
        }
        at += 16 + padded;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (uint32_t key : {testhost::kCodeKeyX86, testhost::kCodeKeyX64}) {
        std::string name, error, expected;
        const bool ok = testhost::readEntryPoint(size ? data : nullptr, size, key, &name, &error);
        const bool refOk = reference(data, size, key, &expected);
        FUZZ_CHECK(ok == refOk, "reader %s, reference %s (%s)", ok ? "accepts" : "refuses",
                   refOk ? "accepts" : "refuses", error.c_str());
        if (ok) FUZZ_CHECK(name == expected, "name %s, expected %s", name.c_str(), expected.c_str());
        else FUZZ_CHECK(!error.empty(), "a refusal without a message");
    }
    return 0;
}
