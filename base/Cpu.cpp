#include "base/Cpu.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

struct Features {
    bool sse2 = false, avx2 = false, avx512 = false;
};

#if defined(__i386__) || defined(__x86_64__)
// The register state the operating system saves on a context switch (XCR0).
unsigned long long savedState() {
    unsigned eax = 0, edx = 0;
    __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
    return (static_cast<unsigned long long>(edx) << 32) | eax;
}

Features detect() {
    Features f;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return f;
    f.sse2 = (edx >> 26) & 1;
    const bool osxsave = (ecx >> 27) & 1, avx = (ecx >> 28) & 1;
    if (!osxsave || !avx) return f;
    const unsigned long long state = savedState();
    const bool ymmSaved = (state & 0x6) == 0x6;             // SSE and AVX state
    const bool zmmSaved = (state & 0xE6) == 0xE6;           // and opmask, upper ZMM, ZMM16-31
    unsigned leaf7b = 0;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) leaf7b = ebx;
    const bool avx2 = (leaf7b >> 5) & 1;
    const bool avx512 = ((leaf7b >> 16) & 1) && ((leaf7b >> 17) & 1) && ((leaf7b >> 30) & 1) && ((leaf7b >> 31) & 1);
    f.avx2 = f.sse2 && ymmSaved && avx2;
    f.avx512 = f.avx2 && zmmSaved && avx512;
    return f;
}
#else
Features detect() { return Features{}; }
#endif

const Features& features() {
    static const Features f = detect();
    return f;
}

Isa best() {
    const Features& f = features();
    return f.avx512 ? Isa::Avx512 : f.avx2 ? Isa::Avx2 : f.sse2 ? Isa::Sse2 : Isa::Scalar;
}

// The wanted path, or the best the processor has below it.
Isa available(Isa wanted) {
    const Isa top = best();
    return static_cast<int>(wanted) <= static_cast<int>(top) ? wanted : top;
}

Isa fromEnvironment() {
    const char* value = std::getenv("VELMORA_ISA");
    if (value == nullptr || *value == '\0') return best();
    Isa wanted;
    if (!parseIsa(value, &wanted)) {
        std::fprintf(stderr, "VELMORA_ISA=%s is not one of scalar, sse2, avx2, avx512; using %s\n", value,
                     isaName(best()));
        return best();
    }
    const Isa got = available(wanted);
    if (got != wanted)
        std::fprintf(stderr, "VELMORA_ISA=%s: this processor lacks it; using %s\n", value, isaName(got));
    return got;
}

std::atomic<int>& current() {
    static std::atomic<int> isa{static_cast<int>(fromEnvironment())};
    return isa;
}

}  // namespace

Isa processorIsa() { return best(); }

Isa activeIsa() { return static_cast<Isa>(current().load(std::memory_order_relaxed)); }

Isa setActiveIsa(Isa wanted) {
    const Isa got = available(wanted);
    current().store(static_cast<int>(got), std::memory_order_relaxed);
    return got;
}

const char* isaName(Isa isa) {
    switch (isa) {
    case Isa::Scalar: return "scalar";
    case Isa::Sse2: return "sse2";
    case Isa::Avx2: return "avx2";
    case Isa::Avx512: return "avx512";
    }
    return "scalar";
}

bool parseIsa(const char* name, Isa* isa) {
    for (Isa candidate : {Isa::Scalar, Isa::Sse2, Isa::Avx2, Isa::Avx512})
        if (std::strcmp(name, isaName(candidate)) == 0) {
            *isa = candidate;
            return true;
        }
    return false;
}

bool processorHasSse2() { return features().sse2; }
