// The plug-in's floating-point environment, independent of the host's.
// A host built with another compiler may run with the x87 unit at 53-bit
// precision (MSVC's default for 32-bit programs), which would round every
// extended-precision step to double; it may also unmask exceptions or set
// flush-to-zero. The scope below sets the IEEE defaults the plug-in's
// arithmetic is written for (round to nearest, all exceptions masked, no
// flush-to-zero or denormals-are-zero, 64-bit x87 precision) and restores the
// host's settings when the entry point returns.
#pragma once
#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
#include <xmmintrin.h>

class FloatEnvironmentScope {
public:
    FloatEnvironmentScope() {
        __asm__ volatile("fnstcw %0" : "=m"(savedControl_));
        savedCsr_ = _mm_getcsr();
        uint16_t control = 0x037F;  // all exceptions masked, 64-bit precision, round to nearest
        __asm__ volatile("fldcw %0" : : "m"(control));
        _mm_setcsr(0x1F80);  // all exceptions masked, round to nearest, no FTZ/DAZ
    }
    ~FloatEnvironmentScope() {
        _mm_setcsr(savedCsr_);
        __asm__ volatile("fldcw %0" : : "m"(savedControl_));
    }
    FloatEnvironmentScope(const FloatEnvironmentScope&) = delete;
    FloatEnvironmentScope& operator=(const FloatEnvironmentScope&) = delete;

private:
    uint16_t savedControl_ = 0;
    uint32_t savedCsr_ = 0;
};
#else
class FloatEnvironmentScope {};
#endif
