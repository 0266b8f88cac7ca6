// What the tests of the vector paths share: the paths to run (each the
// processor has; the others are skipped), scopes that force a path and a
// thread count, and the planes they run on: random values, and the hard ones.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/Cpu.h"
#include "base/Parallel.h"

// Forces a path for the life of the scope; the test is skipped where the
// processor lacks it.
class PathScope {
public:
    explicit PathScope(Isa isa) : saved_(activeIsa()), ran_(setActiveIsa(isa) == isa) {}
    ~PathScope() { setActiveIsa(saved_); }
    bool available() const { return ran_; }
    PathScope(const PathScope&) = delete;
    PathScope& operator=(const PathScope&) = delete;

private:
    Isa saved_;
    bool ran_;
};

#define SKIP_UNLESS_PATH(scope) \
    if (!(scope).available()) GTEST_SKIP() << "this processor lacks " << isaName(GetParam())

class ThreadScope {
public:
    explicit ThreadScope(int n) { setThreadLimit(n); }
    ~ThreadScope() { setThreadLimit(0); }
};

constexpr Isa kAllPaths[] = {Isa::Scalar, Isa::Sse2, Isa::Avx2, Isa::Avx512};
constexpr int kThreadCounts[] = {1, 2, 4};

inline std::string pathName(const testing::TestParamInfo<Isa>& info) { return isaName(info.param); }

// A small deterministic generator, the same on every build.
class TestRandom {
public:
    explicit TestRandom(uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    uint32_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    float unit() { return float(next() & 0xFFFFFF) / 16777216.0f; }  // 0 .. 1 - 2^-24
    uint8_t byte() { return uint8_t(next() >> 4); }

private:
    uint32_t state_;
};

inline bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
// Same bits, or both NaN: which NaN an operation on two NaNs returns depends
// on the order of its operands, which compilers may swap; every consumer of a
// NaN tests it by comparison, so its sign and payload never reach a byte.
inline bool sameValue(float a, float b) { return sameBits(a, b) || (a != a && b != b); }

// Kinds of plane content every family is run on.
enum class Content { RandomFloat, RandomByte, Flat, Steps, Extremes, Unusual };

inline const char* contentName(Content c) {
    switch (c) {
    case Content::RandomFloat: return "random floats";
    case Content::RandomByte: return "random bytes";
    case Content::Flat: return "flat";
    case Content::Steps: return "equal neighbours and steps";
    case Content::Extremes: return "0 and 255";
    case Content::Unusual: return "NaN, infinities, negatives, tiny";
    }
    return "";
}

constexpr Content kContents[] = {Content::RandomFloat, Content::RandomByte, Content::Flat,
                                 Content::Steps,       Content::Extremes,   Content::Unusual};

// A float plane on the 0..255 scale of the given content.
inline std::vector<float> testPlane(Content content, int width, int height, uint32_t seed) {
    TestRandom random(seed);
    std::vector<float> p(size_t(width) * size_t(height));
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float unusual[] = {nan, inf, -inf, -0.0f, 0.0f, -3.5f, 1e-40f, 255.0f, 254.99998f, 300.0f, 1e30f};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float v = 0;
            switch (content) {
            case Content::RandomFloat: v = random.unit() * 255.0f; break;
            case Content::RandomByte: v = float(random.byte()); break;
            case Content::Flat: v = 87.0f; break;
            case Content::Steps: v = (x / 3 + y / 2) % 3 == 0 ? 30.0f : (x < width / 2 ? 130.0f : 131.5f); break;
            case Content::Extremes: v = random.next() & 1 ? 255.0f : 0.0f; break;
            case Content::Unusual:
                v = random.next() % 4 == 0 ? unusual[random.next() % 11] : random.unit() * 255.0f;
                break;
            }
            p[size_t(y) * size_t(width) + size_t(x)] = v;
        }
    return p;
}

// A byte plane of the given content (Unusual gives random bytes).
inline std::vector<uint8_t> testBytes(Content content, int width, int height, uint32_t seed) {
    const std::vector<float> f = testPlane(content == Content::Unusual ? Content::RandomByte : content, width,
                                           height, seed);
    std::vector<uint8_t> b(f.size());
    for (size_t i = 0; i < f.size(); ++i) b[i] = uint8_t(f[i] < 0 ? 0 : (f[i] > 255 ? 255 : int(f[i])));
    return b;
}

// Sizes: the smallest planes, sizes below every vector width, odd sizes,
// and ones long enough for several vectors and a tail.
struct PlaneSize {
    int width, height;
};
constexpr PlaneSize kSizes[] = {{4, 4}, {5, 5}, {7, 6}, {9, 4}, {13, 7}, {21, 9}, {37, 23}, {100, 5}, {301, 17}};
