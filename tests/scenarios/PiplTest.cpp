// The property list and terminology the host reads: the reader refuses what a
// host would refuse, and (on Windows) the built DLL carries exactly the
// resources the host expects, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/ProductIdentity.h"
#include "testhost/PiplReader.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdlib>
#endif

namespace {

// Little-endian builders for the expected bytes.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u16(uint16_t v) { return raw({uint8_t(v), uint8_t(v >> 8)}); }
    Bytes& u32(uint32_t v) { return raw({uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
    Bytes& code(const char* c) { return u32(uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 | uint8_t(c[3])); }
    Bytes& counted(const std::string& s) {
        b.push_back(uint8_t(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& text(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& zeros(size_t n) {
        b.insert(b.end(), n, 0);
        return *this;
    }
    Bytes& raw(std::initializer_list<uint8_t> v) {
        b.insert(b.end(), v);
        return *this;
    }
    // One property: vendor, key, id 0, padded length, data padded with zeros.
    Bytes& property(const char* key, const Bytes& data) {
        size_t padded = (data.b.size() + 3) & ~size_t(3);
        code("8BIM").code(key).u32(0).u32(uint32_t(padded));
        b.insert(b.end(), data.b.begin(), data.b.end());
        return zeros(padded - data.b.size());
    }
};

std::vector<uint8_t> expectedPipl(const char* codeKey) {
    Bytes fici;
    for (int i = 0; i < 7; ++i) fici.raw({4, 4, 0, 0});
    Bytes p;
    p.u16(1).u32(0).u32(9)
        .property("kind", Bytes().code("8BFM"))
        .property("name", Bytes().counted("VELMORA v" VELMORA_VERSION))
        .property("catg", Bytes().counted("Tarvic"))
        .property("vers", Bytes().u32(0x00040000))
        .property(codeKey, Bytes().text("PluginMain").zeros(1))
        .property("mode", Bytes().raw({0x10, 0x10, 0, 0}))
        .property("hstm", Bytes().u32(0).code("sdk1").code("sdk1").u16(16000)
                              .text("{011c2e9b-a11b-4c53-bb70-6f7b9f288f09}").zeros(1))
        .property("enbl", Bytes().text("in (PSHOP_ImageMode, RGBMode, RGB48Mode)").zeros(1))
        .property("fici", fici);
    return p.b;
}

[[maybe_unused]] std::vector<uint8_t> expectedAete() {
    Bytes a;
    a.u16(1).raw({1, 0}).u16(0).u16(0).u16(1)
        .counted("Tarvic").counted("KRV plug-in").code("sdk1").u16(1).u16(1)
        .u16(1)
        .counted("VELMORA").counted("VLM filter plug-in").code("sdk1").code("sdk1")
        .code("null").counted("").u16(0)
        .code("#ImR").counted("").u16(0xB000)
        .u16(2)
        .counted("Amount").code("Amnt").code("doub").counted("Amount").u16(0)
        .counted("Vibrance").code("Clr ").code("doub").counted("Vibrance ").u16(0)
        .u16(0).u16(0).u16(0);
    return a.b;
}

std::string entryFor(const std::vector<uint8_t>& pipl, uint32_t key, bool* ok, std::string* error) {
    std::string name;
    *ok = testhost::readEntryPoint(pipl.data(), pipl.size(), key, &name, error);
    return name;
}

}  // namespace

TEST(Pipl, ReaderFindsTheEntryPointOfEachArchitecture) {
    bool ok = false;
    std::string error;
    EXPECT_EQ(entryFor(expectedPipl("wx86"), testhost::kCodeKeyX86, &ok, &error), "PluginMain");
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(entryFor(expectedPipl("8664"), testhost::kCodeKeyX64, &ok, &error), "PluginMain");
    EXPECT_TRUE(ok) << error;
    entryFor(expectedPipl("wx86"), testhost::kCodeKeyX64, &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("64-bit"), std::string::npos);
}

TEST(Pipl, ReaderRefusesMalformedLists) {
    std::vector<uint8_t> good = expectedPipl("8664");
    auto refused = [](std::vector<uint8_t> bytes, const char* words) {
        bool ok = true;
        std::string error;
        entryFor(bytes, testhost::kCodeKeyX64, &ok, &error);
        EXPECT_FALSE(ok) << words;
        EXPECT_NE(error.find(words), std::string::npos) << error;
    };
    refused({}, "no PIPL");
    refused(std::vector<uint8_t>(good.begin(), good.begin() + 6), "too short");
    std::vector<uint8_t> version = good;
    version[2] = 1;
    refused(version, "version");
    refused(std::vector<uint8_t>(good.begin(), good.begin() + 60), "runs past the end");
    std::vector<uint8_t> huge = good;
    huge[10 + 12 + 3] = 0x7F;  // the first property claims a length near 2 GB
    refused(huge, "runs past the end");
    std::vector<uint8_t> unterminated = good;
    std::string text(good.begin(), good.end());
    size_t name = text.find("PluginMain");  // the code property's data: 12 bytes
    ASSERT_NE(name, std::string::npos);
    std::fill(unterminated.begin() + ptrdiff_t(name), unterminated.begin() + ptrdiff_t(name + 12), uint8_t('x'));
    refused(unterminated, "not terminated");
}

#ifdef _WIN32
namespace {
std::vector<uint8_t> resourceOf(const char* type) {
    HMODULE module = LoadLibraryExA(std::getenv("VELMORA_PLUGIN"), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(16000), type) : nullptr;
    const uint8_t* bytes = found ? static_cast<const uint8_t*>(LockResource(LoadResource(module, found))) : nullptr;
    std::vector<uint8_t> copy;
    if (bytes) copy.assign(bytes, bytes + SizeofResource(module, found));
    if (module) FreeLibrary(module);
    return copy;
}
}  // namespace

TEST(Pipl, TheDllCarriesItsResourcesByteForByte) {
    EXPECT_EQ(resourceOf("PIPL"), expectedPipl(sizeof(void*) == 8 ? "8664" : "wx86"));
    EXPECT_EQ(resourceOf("AETE"), expectedAete());
}
#endif
