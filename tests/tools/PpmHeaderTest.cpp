// The Windows tool's PPM header check: short files and bad maxvals are
// refused before the codec, which takes them without a word, sees them;
// maxvals above 255 are 16-bit samples.
#include <gtest/gtest.h>

#include <string>

#include "tools/velmora/PpmHeader.h"

namespace {

bool read(const std::string& head, uint64_t fileSize, cli::PpmHeader* h, std::string* why) {
    return cli::readPpmHeader(reinterpret_cast<const uint8_t*>(head.data()), head.size(), fileSize, h, why);
}

}  // namespace

TEST(PpmHeader, AWholeFileIsTakenAndAShortOrOddOneRefused) {
    cli::PpmHeader h;
    std::string why;
    const std::string head = "P6\n# a comment\n400 350\n255\n";
    const uint64_t whole = head.size() + 400 * 350 * 3;
    ASSERT_TRUE(read(head, whole, &h, &why)) << why;
    EXPECT_EQ(h.width, 400);
    EXPECT_EQ(h.height, 350);
    EXPECT_EQ(h.dataOffset, head.size());

    EXPECT_FALSE(read(head, whole - 400 * 3, &h, &why));  // the last row missing
    EXPECT_NE(why.find("cut short (" + std::to_string(400 * 349 * 3) + " of"), std::string::npos) << why;
    EXPECT_FALSE(read("P6\n400 350\n0\n", whole, &h, &why));
    EXPECT_NE(why.find("maxval"), std::string::npos) << why;
    // 16-bit samples: two bytes each, so an 8-bit file's worth of them is cut short.
    const std::string deep = "P6\n400 350\n65535\n";
    EXPECT_TRUE(read(deep, deep.size() + 400 * 350 * 6, &h, &why)) << why;
    EXPECT_EQ(h.maxval, 65535);
    EXPECT_FALSE(read(deep, deep.size() + 400 * 350 * 3, &h, &why));
    EXPECT_NE(why.find("cut short"), std::string::npos) << why;
    EXPECT_FALSE(read("P6\n400 350", whole, &h, &why));
    EXPECT_FALSE(read("P3\n400 350\n255\n", whole, &h, &why));

    uint8_t samples[] = {0, 50, 100, 101};
    cli::stretchPpmSamples(samples, 4, 100);
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[1], 128);  // 127.5 rounds up
    EXPECT_EQ(samples[2], 255);
    EXPECT_EQ(samples[3], 255);
    uint16_t wide[] = {0, 500, 1000, 1001};
    cli::stretchPpmSamples(wide, 4, 1000);
    EXPECT_EQ(wide[1], 32768);  // 32767.5 rounds up
    EXPECT_EQ(wide[2], 65535);
    EXPECT_EQ(wide[3], 65535);
}
