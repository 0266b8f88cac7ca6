// The level filter's interior rows on vectors, one kernel per instruction set
// (engine/LevelFilter{Sse2,Avx2,Avx512}.cpp, all from LevelFilterVector.h).
// Each gives, for every sample, the bits of the one-sample interior path:
// the same operations in the same order, doubles where that path uses
// doubles, no contraction.
#pragma once

// The weight factors of one smoothing: 1/g and (1 + A), (1 - A) in double.
struct LevelWeights {
    double invG, darker, brighter;
};

struct LevelFilterKernels {
    int lanes;  // samples per vector: a run must have at least this many
    // Interior samples x0 .. x0 + n - 1 of row y into out[0 .. n - 1].
    void (*interiorRun)(const float* src, int width, int y, int x0, int n, float* out, const LevelWeights* weights);
};

const LevelFilterKernels& levelFilterSse2();
const LevelFilterKernels& levelFilterAvx2();
const LevelFilterKernels& levelFilterAvx512();
