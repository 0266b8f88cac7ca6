// What the tool writes of an input's metadata: the entry check, IPTC in its
// three wrappers, the plan per output format; and the alpha conversions that
// let a premultiplied TIFF come out as it went in.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/velmora/Alpha.h"
#include "tools/velmora/metadata/EntryCheck.h"
#include "tools/velmora/metadata/Iptc.h"
#include "tools/velmora/metadata/OutputMetadata.h"

namespace {

using Bytes = std::vector<uint8_t>;
using cli::tiff::Entry;

Entry text(uint16_t tag, const std::string& s, uint16_t type = cli::tiff::kAscii) {
    return {tag, type, uint32_t(s.size()), Bytes(s.begin(), s.end())};
}

Entry shortEntry(uint16_t tag, uint16_t v) { return {tag, cli::tiff::kShort, 1, {uint8_t(v), uint8_t(v >> 8)}}; }

const Entry* find(const std::vector<Entry>& entries, uint16_t tag) {
    auto at = std::find_if(entries.begin(), entries.end(), [tag](const Entry& e) { return e.tag == tag; });
    return at == entries.end() ? nullptr : &*at;
}

}  // namespace

TEST(EntryCheck, MendsWhatItCanLeavesOutTheRestAndSaysEach) {
    cli::tiff::Metadata m;
    m.main = {shortEntry(274, 9),                                      // no such orientation
              text(271, "Cam"),                                        // no closing NUL
              text(272, std::string("Model\0junk\0", 11)),             // a NUL inside
              {282, cli::tiff::kRational, 1, {0, 0, 0, 0, 1, 0, 0, 0}},  // 0/1: no resolution
              {283, cli::tiff::kRational, 1, {72, 0, 0, 0, 1, 0, 0, 0}},
              {296, cli::tiff::kLong, 1, {2, 0, 0, 0}},                // a unit stored as a long
              text(315, std::string("First\0", 6)), text(315, std::string("Second\0", 7)),
              text(305, std::string("ok\0", 3))};
    m.exif = {text(36864, std::string("0230\0", 5)), {50000, 7, 3, {1, 2, 3}}};
    cli::tiff::checkEntries(&m);

    EXPECT_EQ(m.find(274), nullptr);
    EXPECT_EQ(m.find(271)->value, (Bytes{'C', 'a', 'm', 0}));
    EXPECT_EQ(m.find(272)->value, (Bytes{'M', 'o', 'd', 'e', 'l', 0}));
    EXPECT_EQ(m.find(272)->count, 6u);
    EXPECT_EQ(m.find(282), nullptr);
    EXPECT_EQ(m.find(283), nullptr);  // a lone YResolution says nothing
    EXPECT_EQ(m.find(296)->type, cli::tiff::kShort);
    EXPECT_EQ(m.find(296)->value, (Bytes{2, 0}));
    EXPECT_EQ(m.find(315)->value, (Bytes{'F', 'i', 'r', 's', 't', 0}));
    EXPECT_EQ(std::count_if(m.main.begin(), m.main.end(), [](const Entry& e) { return e.tag == 315; }), 1);
    EXPECT_EQ(find(m.exif, 36864)->type, cli::tiff::kUndefined);
    EXPECT_EQ(find(m.exif, 36864)->value, (Bytes{'0', '2', '3', '0'}));
    ASSERT_NE(find(m.exif, 50000), nullptr);  // unknown tags stay as they are
    std::string notes;
    for (const std::string& note : m.mended) notes += note + "\n";
    EXPECT_EQ(m.mended.size(), 8u) << notes;

    cli::tiff::Metadata again = m;
    again.mended.clear();
    cli::tiff::checkEntries(&again);
    EXPECT_TRUE(again.mended.empty()) << again.mended.front();
}

TEST(Iptc, RecordsComeOutOfEveryWrapperAndGoBackIntoEach) {
    const Bytes records = {0x1c, 2, 0, 0, 2, 0, 4, 0x1c, 2, 25, 0, 4, 's', 'e', 'e', 'd'};
    size_t dropped = 99;
    Bytes jpeg = cli::iptc::forJpeg(records);
    EXPECT_EQ(std::string(jpeg.begin(), jpeg.begin() + 14), std::string("Photoshop 3.0\0", 14));
    EXPECT_EQ(cli::iptc::records(jpeg.data(), jpeg.size(), &dropped), records);
    EXPECT_EQ(dropped, 0u);
    Bytes tiff = cli::iptc::forTiff(records);
    EXPECT_EQ(tiff.size() % 4, 0u);
    EXPECT_EQ(cli::iptc::records(tiff.data(), tiff.size(), &dropped), records);
    EXPECT_EQ(dropped, 0u);  // padding is not loss
    std::string png = cli::iptc::forPng(records);
    EXPECT_EQ(cli::iptc::records(reinterpret_cast<const uint8_t*>(png.data()), png.size(), &dropped), records);
    // What a library handed over as-is, with bytes that are not records after them.
    Bytes garbage = records;
    garbage.insert(garbage.end(), {0x50, 0x68, 0x6f});
    EXPECT_EQ(cli::iptc::records(garbage.data(), garbage.size(), &dropped), records);
    EXPECT_EQ(dropped, 3u);
    Bytes none = {'P', 'h', 'o'};
    EXPECT_TRUE(cli::iptc::records(none.data(), none.size(), &dropped).empty());
}

TEST(OutputMetadata, SoundExifIsCarriedAsReadAndALargeOneFitsAJpegOrIsSaid) {
    cli::tiff::Metadata m;
    m.main = {shortEntry(274, 6), text(271, std::string("Cam\0", 4))};
    cli::meta::Carried in;
    in.format = cli::meta::Format::Png;
    in.exif = cli::tiff::buildExif(m);
    in.exif.push_back(0);  // a byte the reader does not look at: carried as read
    cli::meta::Planned p = cli::meta::plan(in, cli::meta::Format::Jpeg);
    EXPECT_EQ(p.head.exif, in.exif);
    EXPECT_TRUE(p.notes.empty());
    cli::meta::Planned tiff = cli::meta::plan(in, cli::meta::Format::Tiff);
    ASSERT_NE(tiff.directories.find(274), nullptr);
    EXPECT_EQ(tiff.directories.find(274)->value, (Bytes{6, 0}));

    // A maker note of 70000 bytes: whole in PNG, left out of a JPEG, and said.
    m.exif = {{37500, cli::tiff::kUndefined, 70000, Bytes(70000, 7)}};
    in.exif = cli::tiff::buildExif(m);
    EXPECT_EQ(cli::meta::plan(in, cli::meta::Format::Png).head.exif, in.exif);
    p = cli::meta::plan(in, cli::meta::Format::Jpeg);
    EXPECT_LE(p.head.exif.size(), 65527u);
    EXPECT_FALSE(p.head.exif.empty());
    ASSERT_EQ(p.notes.size(), 1u);
    EXPECT_NE(p.notes[0].find("maker note"), std::string::npos) << p.notes[0];

    // An orientation that is no orientation is not written, and said.
    m.main = {shortEntry(274, 0)};
    m.exif.clear();
    in.exif = cli::tiff::buildExif(m);
    p = cli::meta::plan(in, cli::meta::Format::Png);
    cli::tiff::Metadata out;
    std::string why;
    ASSERT_TRUE(cli::tiff::parseExif(p.head.exif.data(), p.head.exif.size(), &out, &why)) << why;
    EXPECT_EQ(out.find(274), nullptr);
    EXPECT_EQ(cli::meta::summary(p.notes).rfind("metadata: Orientation", 0), 0u) << cli::meta::summary(p.notes);
}

TEST(Alpha, EveryPremultipliedValueComesBackExactly) {
    cli::Pixels p{256, 256, 4, {}};
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c < 256; ++c) p.data.insert(p.data.end(), {uint8_t(std::min(c, a)), 0, uint8_t(a / 2), uint8_t(a)});
    cli::Pixels straight = p;
    cli::unpremultiply(straight);
    for (size_t i = 0; i < p.data.size(); i += 4) {
        double exact = p.data[i + 3] ? p.data[i] * 255.0 / p.data[i + 3] : 0;
        ASSERT_LE(std::abs(straight.data[i] - exact), 0.5) << int(p.data[i]) << " / " << int(p.data[i + 3]);
    }
    cli::Pixels back = straight;
    cli::premultiply(back);
    EXPECT_EQ(back.data, p.data);
}
