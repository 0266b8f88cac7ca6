// The path choice: names, and forcing a path the processor may lack.
#include <gtest/gtest.h>

#include <cstdio>

#include "base/Cpu.h"

TEST(Cpu, NamesParseBackAndOthersAreRefused) {
    for (Isa isa : {Isa::Scalar, Isa::Sse2, Isa::Avx2, Isa::Avx512}) {
        Isa parsed = Isa::Scalar;
        ASSERT_TRUE(parseIsa(isaName(isa), &parsed));
        EXPECT_EQ(parsed, isa);
    }
    Isa untouched = Isa::Avx2;
    for (const char* bad : {"", "AVX2", "avx", "avx2 ", "sse4"}) EXPECT_FALSE(parseIsa(bad, &untouched)) << bad;
    EXPECT_EQ(untouched, Isa::Avx2);
}

TEST(Cpu, AForcedPathFallsToTheBestTheProcessorHas) {
    const Isa before = activeIsa(), top = processorIsa();
    std::printf("processor's best path: %s\n", isaName(top));  // says in the log which paths the tests ran
    for (Isa wanted : {Isa::Scalar, Isa::Sse2, Isa::Avx2, Isa::Avx512}) {
        const Isa got = setActiveIsa(wanted);
        EXPECT_EQ(got, int(wanted) <= int(top) ? wanted : top);
        EXPECT_EQ(activeIsa(), got);
    }
#if defined(__x86_64__) || defined(__SSE2__)
    EXPECT_TRUE(processorHasSse2());
    EXPECT_GE(int(top), int(Isa::Sse2));
#endif
    setActiveIsa(before);
}
