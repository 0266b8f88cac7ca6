// The processor's vector instruction sets and the path the compute routines
// take. The processor and the operating system are asked once (cpuid, and
// xgetbv for the register state the system saves); the path starts as the
// best they support, or as VELMORA_ISA=scalar|sse2|avx2|avx512 asks. A path
// the processor lacks falls to the best one below it, said once on standard
// error. Every path gives the same bits; only the speed differs.
#pragma once

enum class Isa : int {
    Scalar = 0,  // the one-sample reference code, in the build's baseline instructions
    Sse2 = 1,    // 128-bit vectors: the floor of the 32-bit DLL
    Avx2 = 2,    // 256-bit vectors (AVX and AVX2, no fused multiply-add)
    Avx512 = 3,  // 512-bit vectors (AVX-512 F, BW, DQ and VL)
};

// The best path this processor and operating system run.
Isa processorIsa();
// The path the routines take now.
Isa activeIsa();
// Forces a path (tests, benchmarks, the command line); one the processor
// lacks falls to the best below it. Returns the path now active. Not to be
// called while compute routines run on other threads.
Isa setActiveIsa(Isa wanted);
// "scalar", "sse2", "avx2" or "avx512".
const char* isaName(Isa isa);

// A routine family's kernel table for `isa`, from its one table per wider
// instruction set; null on the scalar path (the family's one-sample code).
template <class Table>
const Table* kernelsFor(Isa isa, const Table& (*sse2)(), const Table& (*avx2)(), const Table& (*avx512)()) {
    switch (isa) {
    case Isa::Sse2: return &sse2();
    case Isa::Avx2: return &avx2();
    case Isa::Avx512: return &avx512();
    case Isa::Scalar: break;
    }
    return nullptr;
}
// Parses a name as above; false for anything else.
bool parseIsa(const char* name, Isa* isa);
// The 32-bit DLL's code needs SSE2: false means it cannot run here.
bool processorHasSse2();
