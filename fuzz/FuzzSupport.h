// What the fuzz targets share: the input read as a stream of choices, a check
// that stops the run with a message, and the plug-in globals a reader needs.
//
// Every target reads its input front to back; once the input is used up every
// read gives zero, so any prefix of an input is itself a meaningful input and
// the fuzzer can shrink findings freely.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "host/PluginGlobals.h"

// A broken expectation is a finding: print it and abort, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition, ...)                                                          \
    do {                                                                                     \
        if (!(condition)) {                                                                  \
            std::fprintf(stderr, "fuzz check failed at %s:%d: %s: ", __FILE__, __LINE__, #condition); \
            std::fprintf(stderr, __VA_ARGS__);                                               \
            std::fprintf(stderr, "\n");                                                      \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)

namespace fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool flag() { return (byte() & 1) != 0; }
    uint16_t u16() { return uint16_t(byte() | byte() << 8); }
    uint32_t u32() { return uint32_t(u16()) | uint32_t(u16()) << 16; }
    int16_t i16() { return int16_t(u16()); }
    uint64_t u64() { return uint64_t(u32()) | uint64_t(u32()) << 32; }

    // A double: one of the values a stored setting may plausibly or
    // pathologically hold (in range, at the edges, beyond float, not finite),
    // a small whole or half number, or any bit pattern.
    double number() {
        static const double table[] = {
            0.0, -0.0, 1.0, 2.0, -2.0, 4.0, 10.0, 12.5, 15.0, 20.0, -1.0, 1.5,
            24.28, 24.29, 24.3, -4.28, -4.29, -4.3, 6.0, -6.0, 4.0000001, -2.0000001, 1e-300, -1e-300,
            1e30, -1e30, 1e300, -1e300, std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
            std::numeric_limits<double>::denorm_min(), double(std::numeric_limits<float>::max()),
            double(std::numeric_limits<float>::max()) * 2.0, 2147483648.0, -2147483649.0, 65536.0,
            std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
            std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
            std::numeric_limits<double>::signaling_NaN(),
        };
        constexpr unsigned kTable = sizeof table / sizeof table[0];
        unsigned choice = byte();
        if (choice < kTable) return table[choice];
        if (choice < 200) return double(int(choice) - int(kTable) - 60) * 0.5;  // -30 .. +49.5 in halves
        uint64_t bits = u64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // An error code of a host call: success most often, else one of the
    // codes hosts return, or any value.
    int16_t error() {
        static const int16_t codes[] = {-50, -108, -109, -128, -30100, -30900, -30901, -39, 1, -1};
        uint8_t choice = byte();
        if (choice < 128) return 0;
        if (choice < 128 + sizeof codes / sizeof codes[0]) return codes[choice - 128];
        return i16();
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Equal as stored: the same bits, or both not a number.
inline bool sameFloat(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}
inline bool sameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// The plug-in globals for a call that reads settings: the given filter record,
// a fresh parameter record at its initial values and a run record.
struct PluginState {
    int16_t result = 0;
    intptr_t data = 0;
    FilterParameters p = {};
    RunData r = {};

    explicit PluginState(FilterRecord* record) {
        hostRecord = record;
        resultCell = &result;
        dataCell = &data;
        params = &p;
        runData = &r;
        setDefaultParameters();
        r.showDialogByDefault = 1;
    }
    ~PluginState() {
        hostRecord = nullptr;
        params = nullptr;
        runData = nullptr;
    }
    PluginState(const PluginState&) = delete;
    PluginState& operator=(const PluginState&) = delete;
};

// What consumes the settings read: the derived gains, then the engine's
// adjustment of a small mask taken from the input. The engine must refuse a
// luma gain outside 0..1 with its code and otherwise run; nothing it is
// given may crash it or be undefined behaviour (the sanitizers watch).
void adjustWithSettings(Input& in, FilterParameters* p);

}  // namespace fuzz
