// The tool's TIFF directory reader, entry check and writers: the input is an
// EXIF block (a TIFF structure). Whatever it holds, what the check lets
// through must be written so that it reads back as the same entries, with
// nothing skipped, out of order or repeated, both as an EXIF block of its own
// and added to a TIFF file as a TIFF writer leaves one; and the check must
// find nothing more to mend in what it mended.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "tools/velmora/metadata/EntryCheck.h"
#include "tools/velmora/metadata/TiffDirectory.h"

namespace {

using cli::tiff::Entry;
using cli::tiff::Metadata;
using Bytes = std::vector<uint8_t>;

std::vector<Entry> sorted(std::vector<Entry> entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    return entries;
}

bool same(const std::vector<Entry>& a, const std::vector<Entry>& b) {
    std::vector<Entry> x = sorted(a), y = sorted(b);
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i].tag != y[i].tag || x[i].type != y[i].type || x[i].count != y[i].count || x[i].value != y[i].value)
            return false;
    return true;
}

void checkSame(const Metadata& written, const Metadata& read, const char* how) {
    FUZZ_CHECK(read.mended.empty(), "%s: reading back noted: %s", how, read.mended.front().c_str());
    FUZZ_CHECK(same(written.main, read.main), "%s: IFD0 entries differ", how);
    FUZZ_CHECK(same(written.exif, read.exif), "%s: EXIF entries differ", how);
    FUZZ_CHECK(same(written.gps, read.gps), "%s: GPS entries differ", how);
    // The interoperability directory hangs from the EXIF one.
    FUZZ_CHECK(same(written.exif.empty() ? std::vector<Entry>() : written.interop, read.interop),
               "%s: interoperability entries differ", how);
}

// A little-endian TIFF as a TIFF writer leaves it: 4 pixel bytes at 8, IFD0
// at 12 with width, height, orientation 1 and the strip offset.
Bytes smallTiff() {
    Bytes b = {'I', 'I', 42, 0, 12, 0, 0, 0, 10, 20, 30, 40, 4, 0};
    auto entry = [&b](uint16_t tag, uint16_t type, uint32_t value) {
        cli::putLittle16(b, tag);
        cli::putLittle16(b, type);
        cli::putLittle32(b, 1);
        cli::putLittle32(b, value);
    };
    entry(256, 3, 2);
    entry(257, 3, 2);
    entry(273, 4, 8);
    entry(274, 3, 1);
    cli::putLittle32(b, 0);
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Metadata m;
    std::string why;
    if (!cli::tiff::parseExif(size ? data : nullptr, size, &m, &why)) {
        FUZZ_CHECK(!why.empty(), "a refusal without a reason");
        return 0;
    }
    cli::tiff::checkEntries(&m);
    Metadata again = m;
    again.mended.clear();
    cli::tiff::checkEntries(&again);
    FUZZ_CHECK(again.mended.empty(), "the check mends its own result: %s", again.mended.front().c_str());
    FUZZ_CHECK(same(again.main, m.main) && same(again.exif, m.exif) && same(again.gps, m.gps),
               "the check changes its own result");

    // Writing and reading back scale with the values' bytes (up to the
    // reader's 4 MB): large ones are read and checked above, written in the
    // unit tests; here they would only slow the search.
    size_t valueBytes = 0;
    for (const std::vector<Entry>* d : {&m.main, &m.exif, &m.gps, &m.interop})
        for (const Entry& e : *d) valueBytes += e.value.size();
    if (valueBytes > (64u << 10)) return 0;

    Bytes block = cli::tiff::buildExif(m);
    Metadata back;
    FUZZ_CHECK(cli::tiff::parseExif(block.data(), block.size(), &back, &why), "a built block is refused: %s",
               why.c_str());
    checkSame(m, back, "EXIF block");

    Bytes file = smallTiff();
    const Bytes original = file;
    cli::ReadAt read = [&file](uint64_t at, void* out, size_t n) {
        if (at > file.size() || n > file.size() - at) return false;
        std::memcpy(out, file.data() + at, n);
        return true;
    };
    cli::WriteAt write = [&file](uint64_t at, const void* bytes, size_t n) {
        if (file.size() < at + n) file.resize(at + n);
        std::memcpy(file.data() + at, bytes, n);
        return true;
    };
    if (!cli::tiff::addToTiff(read, write, file.size(), m, &why)) return 0;  // too large for a classic TIFF
    FUZZ_CHECK(std::equal(original.begin() + 8, original.end(), file.begin() + 8), "the old bytes moved");
    Metadata inFile;
    FUZZ_CHECK(cli::tiff::readMetadata(read, file.size(), &inFile, &why), "the TIFF is unreadable: %s", why.c_str());
    Metadata expected = m;
    if (!expected.find(cli::tiff::kOrientation)) {
        // The writer's own orientation stays where the metadata has none.
        Entry writers{cli::tiff::kOrientation, cli::tiff::kShort, 1, {1, 0}};
        expected.main.push_back(writers);
    }
    checkSame(expected, inFile, "TIFF file");
    return 0;
}
