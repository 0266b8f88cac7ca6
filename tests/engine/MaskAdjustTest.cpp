// The mask adjustment's worked examples and failures.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "engine/EngineError.h"
#include "engine/MaskAdjust.h"

namespace {

MaskSettings gains(float luma, float chroma) { return {64.0f, 5.0f, 0.0f, luma, chroma, 255}; }

struct Planes {
    std::vector<uint8_t> r, g, b;
};

Planes adjust(const Planes& in, const MaskSettings& s, int* result) {
    Planes out{std::vector<uint8_t>(in.r.size()), std::vector<uint8_t>(in.r.size()), std::vector<uint8_t>(in.r.size())};
    *result = adjustMask(in.r.data(), in.g.data(), in.b.data(), int(in.r.size()), 1, out.r.data(), out.g.data(),
                         out.b.data(), &s);
    return out;
}

Planes greyRamp() {
    Planes p;
    for (int v = 0; v < 256; ++v) {
        p.r.push_back(uint8_t(v));
        p.g.push_back(uint8_t(v));
        p.b.push_back(uint8_t(v));
    }
    return p;
}

}  // namespace

TEST(MaskAdjust, NeutralRoundTripLosesOneLevelOfRedAndBlue) {
    int result = -9;
    Planes out = adjust(greyRamp(), gains(0.0f, 1.0f), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(out.r[0], 0);
    EXPECT_EQ(out.g[0], 0);
    EXPECT_EQ(out.b[0], 0);
    for (int v = 1; v < 256; ++v) {
        EXPECT_EQ(out.r[size_t(v)], v - 1) << v;
        EXPECT_EQ(out.g[size_t(v)], v) << v;
        EXPECT_EQ(out.b[size_t(v)], v - 1) << v;
    }
}

TEST(MaskAdjust, LumaLiftAndChromaScale) {
    // Luma 40..200 with gain 0.5 becomes 120..200: 40 -> 120, 120 -> 160.
    std::vector<uint8_t> y = {40, 120, 200}, lifted(3);
    remapPlane(y.data(), 3, lifted.data(), 200, 40, 200, 40 + 0.5f * (200 - 40));
    EXPECT_EQ(lifted, (std::vector<uint8_t>{120, 160, 200}));

    // Chroma scale 0.5: low 63.75, high 191.25; 0 -> 63, 128 -> 127, 255 -> 191.
    std::vector<uint8_t> c = {0, 128, 255}, scaled(3);
    remapPlane(c.data(), 3, scaled.data(), 255, 0, 191.25f, 63.75f);
    EXPECT_EQ(scaled, (std::vector<uint8_t>{63, 127, 191}));

    // Gain 1 flattens the luma; chroma 0 makes the mask neutral up to the same cast.
    Planes colours{{200, 30, 90, 250}, {20, 180, 90, 10}, {60, 60, 200, 128}};
    int result = -9;
    Planes flat = adjust(colours, gains(1.0f, 0.0f), &result);
    ASSERT_EQ(result, 0);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(flat.g[i], flat.g[0]);
        EXPECT_EQ(flat.r[i] + 1, flat.g[i]);
        EXPECT_EQ(flat.b[i] + 1, flat.g[i]);
    }
}

TEST(MaskAdjust, FailuresLeaveLumaAndColourDifferences) {
    Planes grey{{90, 90, 90}, {90, 90, 90}, {90, 90, 90}};
    int result = 0;
    Planes out = adjust(grey, gains(0.5f, 0.5f), &result);
    EXPECT_EQ(result, -2);
    EXPECT_STREQ(engineError.routine, "adjustMask");
    EXPECT_STREQ(engineError.message, "Image max is <= image min");
    EXPECT_EQ(out.r, grey.r);                                  // Y
    EXPECT_EQ(out.g, (std::vector<uint8_t>{127, 127, 127}));  // Cb

    for (float bad : {-0.01f, 1.01f}) {
        adjust(greyRamp(), gains(bad, 0.5f), &result);
        EXPECT_EQ(result, -3) << bad;
        EXPECT_STREQ(engineError.message, "Luma gain is outside the range of 0 to 1");
    }
    for (float edge : {0.0f, 1.0f}) {
        adjust(greyRamp(), gains(edge, 0.5f), &result);
        EXPECT_EQ(result, 0) << edge;
    }
}

TEST(MaskAdjust, ConversionsClampBeforeRounding) {
    // Saturated colours drive the colour differences past both ends.
    std::vector<uint8_t> r = {255, 0}, g = {0, 0}, b = {0, 255}, y(2), cb(2), cr(2);
    rgbToYcc(r.data(), g.data(), b.data(), y.data(), cb.data(), cr.data(), 2, 1, 255);
    EXPECT_EQ(y[0], 76);    // 0.299 * 255 = 76.245
    EXPECT_EQ(cr[0], 255);  // (255 - 76.245) * 0.73 + 127.5 > 255
    EXPECT_EQ(cb[0], 84);   // (0 - 76.245) * 0.564 + 127.5 = 84.5
    EXPECT_EQ(cb[1], 254);  // (255 - 29.07) * 0.564 + 127.5 = 254.92
    // Back from extreme differences clamps at both ends.
    std::vector<uint8_t> Y = {0, 255}, Cb = {0, 255}, Cr = {255, 0}, R(2), G(2), B(2);
    yccToRgb(R.data(), G.data(), B.data(), Y.data(), Cb.data(), Cr.data(), 2, 1, 255);
    EXPECT_EQ(R[0], 178);  // 0 + 1.4025 * 127.5 = 178.81875
    EXPECT_EQ(B[0], 0);
    EXPECT_EQ(G[1], 255);
}

TEST(MaskAdjust, ChromaScaleBeyondTheControlsSaturates) {
    // A scripted Color Intensity below -2 gives a chroma scale above 1: more
    // colour. The colour differences then run past 0..255 and must saturate,
    // not wrap: a blue mask pixel stays at least as blue, a red one as red.
    Planes colours{{0, 255, 40, 220}, {0, 0, 40, 220}, {255, 0, 40, 220}};  // blue, red, two greys
    int result = -9;
    Planes usual = adjust(colours, gains(0.0f, 1.0f), &result);
    ASSERT_EQ(result, 0);
    for (float scale : {1.5f, 1e30f}) {
        Planes more = adjust(colours, gains(0.0f, scale), &result);
        ASSERT_EQ(result, 0) << scale;
        EXPECT_GE(more.b[0], usual.b[0]) << scale;
        EXPECT_LE(more.r[0], usual.r[0]) << scale;
        EXPECT_GE(more.r[1], usual.r[1]) << scale;
        EXPECT_LE(more.b[1], usual.b[1]) << scale;
    }
    // Scales that are not finite still give a defined mask (the sanitizers
    // of the fuzzing build watch the conversions).
    for (float scale : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::quiet_NaN()}) {
        adjust(colours, gains(0.5f, scale), &result);
        EXPECT_EQ(result, 0) << scale;
    }
}
