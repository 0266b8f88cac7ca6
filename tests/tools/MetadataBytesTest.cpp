// The metadata bytes the tool carries from input to output: TIFF directories
// (EXIF blocks and TIFF files) and the heads of JPEG and PNG streams. Inputs
// are built here byte by byte; hostile ones (cut short at every length,
// offsets outside the data, absurd counts) must be refused or skipped, never
// read out of bounds (the sanitizer build runs these).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/velmora/metadata/HeadSplice.h"
#include "tools/velmora/metadata/TiffDirectory.h"

namespace {

using Bytes = std::vector<uint8_t>;
using cli::tiff::Entry;

void be16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
void be32(Bytes& b, uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
}
void le16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void le32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
uint32_t readLe32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// A big-endian EXIF block laid out by hand:
//   8: IFD0 (4 entries) Make "Cam" (inline), Orientation 6, XResolution 1/1 (at 62), ExifIFD -> 70
//  70: EXIF IFD (1 entry) DateTimeOriginal, 20 bytes at 88
Bytes bigEndianExif() {
    Bytes b = {'M', 'M', 0, 42};
    be32(b, 8);
    be16(b, 4);
    be16(b, 271), be16(b, 2), be32(b, 4), b.insert(b.end(), {'C', 'a', 'm', 0});
    be16(b, 274), be16(b, 3), be32(b, 1), be16(b, 6), be16(b, 0);
    be16(b, 282), be16(b, 5), be32(b, 1), be32(b, 62);
    be16(b, 34665), be16(b, 4), be32(b, 1), be32(b, 70);
    be32(b, 0);
    EXPECT_EQ(b.size(), 62u);
    be32(b, 1), be32(b, 1);
    be16(b, 1);
    be16(b, 36867), be16(b, 2), be32(b, 20), be32(b, 88);
    be32(b, 0);
    EXPECT_EQ(b.size(), 88u);
    const char* date = "2024:05:06 07:08:09";
    b.insert(b.end(), date, date + 20);
    return b;
}

const Entry* find(const std::vector<Entry>& entries, uint16_t tag) {
    for (const Entry& e : entries)
        if (e.tag == tag) return &e;
    return nullptr;
}

// A little-endian TIFF as a TIFF writer leaves it: header, 4 pixel bytes at 8,
// IFD0 at 12 with width, height, orientation 1 and the strip offset.
Bytes smallTiff() {
    Bytes b = {'I', 'I', 42, 0};
    le32(b, 12);
    b.insert(b.end(), {10, 20, 30, 40});
    le16(b, 4);
    le16(b, 256), le16(b, 3), le32(b, 1), le32(b, 2);
    le16(b, 257), le16(b, 3), le32(b, 1), le32(b, 2);
    le16(b, 274), le16(b, 3), le32(b, 1), le32(b, 1);
    le16(b, 273), le16(b, 4), le32(b, 1), le32(b, 8);
    le32(b, 0);
    b.push_back(0);  // an odd size: the new directory must still start at an even offset
    return b;
}

Bytes segment(uint8_t marker, const std::string& payload) {
    Bytes s = {0xff, marker};
    be16(s, uint32_t(payload.size() + 2));
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}

Bytes chunk(const char* type, const std::string& data) {
    return cli::head::makePngChunk(type, Bytes(data.begin(), data.end()));
}

void append(Bytes& to, const Bytes& b) { to.insert(to.end(), b.begin(), b.end()); }

}  // namespace

TEST(TiffDirectory, ReadsABigEndianExifBlockIntoLittleEndianValues) {
    Bytes block = bigEndianExif();
    cli::tiff::Metadata m;
    std::string why;
    ASSERT_TRUE(cli::tiff::parseExif(block.data(), block.size(), &m, &why)) << why;
    const Entry* orientation = m.find(274);
    ASSERT_NE(orientation, nullptr);
    EXPECT_EQ(orientation->value, (Bytes{6, 0}));
    const Entry* xres = m.find(282);
    ASSERT_NE(xres, nullptr);
    EXPECT_EQ(xres->value, (Bytes{1, 0, 0, 0, 1, 0, 0, 0}));
    ASSERT_NE(m.find(271), nullptr);
    EXPECT_EQ(m.find(271)->value, (Bytes{'C', 'a', 'm', 0}));
    EXPECT_EQ(m.find(34665), nullptr);  // the pointer becomes the exif directory
    const Entry* date = find(m.exif, 36867);
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(std::string(date->value.begin(), date->value.end() - 1), "2024:05:06 07:08:09");

    // The "Exif\0\0" prefix of JPEG's APP1 is accepted too, and a block we build reads back the same.
    Bytes prefixed = {'E', 'x', 'i', 'f', 0, 0};
    append(prefixed, cli::tiff::buildExif(m));
    EXPECT_EQ(prefixed[6], 'I');
    cli::tiff::Metadata again;
    ASSERT_TRUE(cli::tiff::parseExif(prefixed.data(), prefixed.size(), &again, &why)) << why;
    ASSERT_EQ(again.main.size(), m.main.size());
    for (const Entry& e : m.main) {
        ASSERT_NE(again.find(e.tag), nullptr) << e.tag;
        EXPECT_EQ(again.find(e.tag)->value, e.value) << e.tag;
    }
    ASSERT_NE(find(again.exif, 36867), nullptr);
    EXPECT_EQ(find(again.exif, 36867)->value, date->value);
}

TEST(TiffDirectory, HostileBlocksAreRefusedOrSkippedNeverOverread) {
    Bytes block = bigEndianExif();
    // Cut short at every length: never out of bounds; IFD0's entries end at 58.
    for (size_t n = 0; n < block.size(); ++n) {
        Bytes cut(block.begin(), block.begin() + ptrdiff_t(n));
        cli::tiff::Metadata m;
        std::string why;
        bool ok = cli::tiff::parseExif(cut.data(), cut.size(), &m, &why);
        if (n < 58) {
            EXPECT_FALSE(ok) << n;
        } else if (ok) {
            EXPECT_EQ(m.find(282) != nullptr, n >= 70) << n;  // its value lies at 62..70
        }
    }
    // A directory claiming 65535 entries, an IFD0 offset past the end.
    Bytes many = block;
    many[8] = 0xff, many[9] = 0xff;
    cli::tiff::Metadata m;
    std::string why;
    EXPECT_FALSE(cli::tiff::parseExif(many.data(), many.size(), &m, &why));
    Bytes far = block;
    far[4] = 0x7f;
    EXPECT_FALSE(cli::tiff::parseExif(far.data(), far.size(), &m, &why));
    // A value offset outside the data skips that entry only; an EXIF pointer to IFD0 itself is read once.
    Bytes skip = block;
    skip[8 + 2 + 12 * 2 + 8] = 0x7f;  // XResolution's offset
    skip[8 + 2 + 12 * 3 + 11] = 8;    // ExifIFD -> IFD0
    ASSERT_TRUE(cli::tiff::parseExif(skip.data(), skip.size(), &m, &why)) << why;
    EXPECT_EQ(m.find(282), nullptr);
    EXPECT_NE(m.find(274), nullptr);
    EXPECT_NE(find(m.exif, 274), nullptr);
}

TEST(TiffDirectory, MetadataAddedToATiffReplacesTheSameTagsAndKeepsTheRest) {
    Bytes file = smallTiff();
    Bytes original = file;
    cli::tiff::Metadata m;
    std::string why;
    Bytes block = bigEndianExif();
    ASSERT_TRUE(cli::tiff::parseExif(block.data(), block.size(), &m, &why)) << why;
    cli::tiff::setResolution(&m, 1, 1, 1, 3, 2);
    cli::ReadAt read = [&file](uint64_t at, void* out, size_t n) {
        if (at > file.size() || n > file.size() - at) return false;
        std::memcpy(out, file.data() + at, n);
        return true;
    };
    cli::WriteAt write = [&file](uint64_t at, const void* data, size_t n) {
        if (file.size() < at + n) file.resize(at + n);
        std::memcpy(file.data() + at, data, n);
        return true;
    };
    ASSERT_TRUE(cli::tiff::addToTiff(read, write, file.size(), m, &why)) << why;

    uint32_t ifd0 = readLe32(file, 4);
    EXPECT_EQ(ifd0 % 2, 0u);
    EXPECT_GE(ifd0, original.size());
    EXPECT_TRUE(std::equal(original.begin() + 8, original.end(), file.begin() + 8));  // pixels and old data in place
    cli::tiff::Metadata out;
    ASSERT_TRUE(cli::tiff::readMetadata(read, file.size(), &out, &why)) << why;
    EXPECT_EQ(out.find(274)->value, (Bytes{6, 0}));  // the input's orientation, not the writer's 1
    EXPECT_EQ(out.find(283)->value, (Bytes{3, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(out.find(296)->value, (Bytes{1, 0}));
    ASSERT_NE(find(out.exif, 36867), nullptr);
    // The writer's own entries are still there, in ascending tag order.
    size_t count = size_t(file[ifd0]) | size_t(file[ifd0 + 1]) << 8;
    std::vector<uint16_t> tags;
    for (size_t i = 0; i < count; ++i) tags.push_back(uint16_t(file[ifd0 + 2 + 12 * i] | file[ifd0 + 3 + 12 * i] << 8));
    EXPECT_EQ(tags, (std::vector<uint16_t>{256, 257, 271, 273, 274, 282, 283, 296, 34665}));
    EXPECT_EQ(readLe32(file, ifd0 + 2 + 12 * 3 + 8), 8u);  // the strip offset, as the writer left it
}

TEST(HeadSplice, AJpegHeadGetsTheInputsJfifAndExifAndKeepsEverythingElse) {
    Bytes jfif = segment(0xe0, std::string("JFIF\0\1\2\0\0\1\0\1\0\0", 14));
    Bytes writerExif = segment(0xe1, std::string("Exif\0\0MM\0*old", 13));
    Bytes icc = segment(0xe2, "ICC_PROFILE stand-in");
    Bytes xmp = segment(0xe1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    Bytes tables = segment(0xdb, "quantisation");
    Bytes scan = {0xff, 0xda, 0, 4, 1, 2, 0xab, 0xcd, 0xff, 0xd9};
    Bytes stream = {0xff, 0xd8};
    for (const Bytes* s : {&writerExif, &icc, &xmp, &tables, &scan}) append(stream, *s);

    EXPECT_EQ(cli::head::jpegHeadSize(stream.data(), 2 + writerExif.size() + 3), 0u);  // more needed
    EXPECT_EQ(cli::head::jpegHeadSize(stream.data(), stream.size()), stream.size() - scan.size());
    Bytes notJpeg = {0x89, 'P', 'N', 'G'};
    EXPECT_EQ(cli::head::jpegHeadSize(notJpeg.data(), notJpeg.size()), cli::head::kNotAHead);

    cli::head::Changes c;
    c.replaceExif = true;
    c.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    c.replaceResolution = true;
    c.resolution = jfif;
    Bytes out = cli::head::spliceJpeg(stream.data(), stream.size(), c);
    Bytes expected = {0xff, 0xd8};
    append(expected, jfif);
    std::string payload = std::string("Exif\0\0", 6) + std::string(c.exif.begin(), c.exif.end());
    append(expected, segment(0xe1, payload));
    for (const Bytes* s : {&icc, &xmp, &tables, &scan}) append(expected, *s);
    EXPECT_EQ(out, expected);

    // No EXIF and no JFIF in the input: the writer's are removed, nothing put in their place.
    cli::head::Changes none;
    none.replaceExif = none.replaceResolution = true;
    Bytes bare = cli::head::spliceJpeg(stream.data(), stream.size(), none);
    Bytes expectedBare = {0xff, 0xd8};
    for (const Bytes* s : {&icc, &xmp, &tables, &scan}) append(expectedBare, *s);
    EXPECT_EQ(bare, expectedBare);

    // A block too large for one APP1 segment leaves the writer's EXIF in place rather than none.
    cli::head::Changes large;
    large.replaceExif = true;
    large.exif.assign(70000, 0);
    EXPECT_EQ(cli::head::spliceJpeg(stream.data(), stream.size(), large), stream);
}

TEST(HeadSplice, APngHeadGetsTheInputsPhysAndExifBeforeItsImageData) {
    EXPECT_EQ(cli::head::makePngChunk("IEND", {}), (Bytes{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82}));
    Bytes stream = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes ihdr = chunk("IHDR", std::string(13, '\1')), iccp = chunk("iCCP", "profile");
    Bytes writerPhys = chunk("pHYs", std::string("\0\0\x0b\x13\0\0\x0b\x13\1", 9));
    Bytes idat = chunk("IDAT", "pixels"), iend = chunk("IEND", "");
    for (const Bytes* s : {&ihdr, &iccp, &writerPhys, &idat, &iend}) append(stream, *s);
    EXPECT_EQ(cli::head::pngHeadSize(stream.data(), 20), 0u);
    EXPECT_EQ(cli::head::pngHeadSize(stream.data(), stream.size()), stream.size() - idat.size() - iend.size());

    cli::head::Changes c;
    c.replaceExif = true;
    c.exif = {'M', 'M', 0, 42};
    c.replaceResolution = true;
    c.resolution = chunk("pHYs", std::string("\0\0\0\1\0\0\0\1\0", 9));
    Bytes out = cli::head::splicePng(stream.data(), stream.size(), c);
    Bytes expected(stream.begin(), stream.begin() + 8);
    for (const Bytes* s : {&ihdr, &iccp, &c.resolution}) append(expected, *s);
    append(expected, chunk("eXIf", std::string("MM\0*", 4)));
    append(expected, idat);
    append(expected, iend);
    EXPECT_EQ(out, expected);
}

TEST(HeadSplice, AnInputsOwnJfifAndPhysAreFoundAndHostileHeadsGiveNothing) {
    Bytes jfif = segment(0xe0, std::string("JFIF\0\1\2\0\0\1\0\1\0\0", 14));
    Bytes jpeg = {0xff, 0xd8};
    append(jpeg, jfif);
    append(jpeg, segment(0xdb, "tables"));
    EXPECT_EQ(cli::head::jfifSegment(cli::readMemory(jpeg.data(), jpeg.size()), jpeg.size()), jfif);
    Bytes phys = chunk("pHYs", std::string("\0\0\0\1\0\0\0\1\0", 9));
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    append(png, chunk("IHDR", std::string(13, '\1')));
    append(png, chunk("tEXt", "comment"));
    append(png, phys);
    append(png, chunk("IDAT", "pixels"));
    EXPECT_EQ(cli::head::pngChunk(cli::readMemory(png.data(), png.size()), png.size(), "pHYs"), phys);
    // A pHYs after the image data is not the input's resolution.
    Bytes late(png.begin(), png.end() - ptrdiff_t(phys.size()) - 18);
    append(late, chunk("IDAT", "pixels"));
    append(late, phys);
    EXPECT_TRUE(cli::head::pngChunk(cli::readMemory(late.data(), late.size()), late.size(), "pHYs").empty());
    // Cut short anywhere, or with absurd lengths: nothing, and no read out of bounds.
    for (size_t n = 0; n < png.size(); ++n) {
        cli::head::pngChunk(cli::readMemory(png.data(), n), n, "pHYs");
        cli::head::pngHeadSize(png.data(), n);
    }
    for (size_t n = 0; n < jpeg.size(); ++n) {
        EXPECT_EQ(cli::head::jfifSegment(cli::readMemory(jpeg.data(), n), n).empty(), n < 2 + jfif.size()) << n;
        cli::head::jpegHeadSize(jpeg.data(), n);
    }
    Bytes absurd = png;
    absurd[8 + 25 + 0] = 0x7f;  // the tEXt chunk's length
    EXPECT_TRUE(cli::head::pngChunk(cli::readMemory(absurd.data(), absurd.size()), absurd.size(), "pHYs").empty());
}
