// Extended-precision arithmetic that does not depend on the host's x87 setup.
// A host built with another compiler may run with the x87 unit at 53-bit
// precision (MSVC's default), which would silently round every long double
// operation to double. The scope below sets 64-bit precision for its lifetime
// and restores the host's control word afterwards.
#pragma once
#include <cstdint>

class ExtendedPrecisionScope {
public:
#if defined(__i386__) || defined(__x86_64__)
    ExtendedPrecisionScope() {
        __asm__ volatile("fnstcw %0" : "=m"(saved_));
        uint16_t extended = uint16_t(saved_ | 0x0300);  // precision control = 64-bit mantissa
        __asm__ volatile("fldcw %0" : : "m"(extended));
    }
    ~ExtendedPrecisionScope() { __asm__ volatile("fldcw %0" : : "m"(saved_)); }

private:
    uint16_t saved_ = 0;
#else
    ExtendedPrecisionScope() = default;
#endif
    ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
    ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;
};
