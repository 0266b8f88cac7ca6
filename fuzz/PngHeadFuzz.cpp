// The tool's PNG head splice: the input is the start of a PNG stream as a
// writer hands it over. Its head is measured, then spliced with an EXIF
// block and a pHYs chunk; the input's own chunks are looked for. Checked
// against a walk of the chunks written here: the head ends at the first image
// data chunk; the spliced head keeps every other chunk of the input in its
// order and puts the given pHYs and eXIf (with a right checksum, computed
// here bit by bit) last; what follows the head is unchanged; splicing again
// changes nothing; a stream without a head passes unchanged.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz/HeadFuzz.h"

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

uint32_t crc(const uint8_t* p, size_t n) {
    uint32_t c = 0xffffffffu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
    }
    return ~c;
}

struct Walk {
    bool head = false;
    size_t idat = 0;
    std::vector<Bytes> chunks;
};

Walk walk(const uint8_t* p, size_t n) {
    Walk w;
    if (n < 8 || std::memcmp(p, kSignature, 8) != 0) return w;
    for (size_t at = 8; at + 8 <= n;) {
        if (std::memcmp(p + at + 4, "IDAT", 4) == 0) {
            w.head = true;
            w.idat = at;
            return w;
        }
        uint64_t length = be32(p + at);
        if (length > 0x7fffffffu || at + 12 + length > n) return w;
        w.chunks.emplace_back(p + at, p + at + 12 + length);
        at += size_t(length) + 12;
    }
    return w;
}

bool isType(const Bytes& chunk, const char* type) { return std::memcmp(&chunk[4], type, 4) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::HeadCase hc;
    if (!fuzz::readHeadCase(data, size, cli::head::makePngChunk("pHYs", Bytes{0, 0, 11, 19, 0, 0, 11, 19, 1}), &hc))
        return 0;
    const uint8_t* stream = hc.stream;
    const size_t n = hc.size;
    const cli::head::Changes& c = hc.changes;

    const Walk w = walk(stream, n);
    const size_t measured = cli::head::pngHeadSize(stream, n);
    if (w.head) FUZZ_CHECK(measured == w.idat, "head size %zu, the image data starts at %zu", measured, w.idat);
    else FUZZ_CHECK(measured == 0 || measured == cli::head::kNotAHead, "a head of %zu bytes without image data", measured);

    Bytes out = cli::head::splicePng(stream, n, c);
    if (!w.head) {
        FUZZ_CHECK(out == Bytes(stream, stream + n), "a stream without a head was changed");
    } else {
        Walk o = walk(out.data(), out.size());
        FUZZ_CHECK(o.head, "the spliced head is not a head");
        FUZZ_CHECK(Bytes(out.begin() + ptrdiff_t(o.idat), out.end()) == Bytes(stream + w.idat, stream + n),
                   "the image data changed");
        std::vector<Bytes> expected;
        for (const Bytes& chunk : w.chunks) {
            if ((c.replaceExif && isType(chunk, "eXIf")) || (c.replaceResolution && isType(chunk, "pHYs"))) continue;
            expected.push_back(chunk);
        }
        if (c.replaceResolution && !c.resolution.empty()) expected.push_back(c.resolution);
        if (c.replaceExif && !c.exif.empty()) {
            Bytes chunk = {uint8_t(c.exif.size() >> 24), uint8_t(c.exif.size() >> 16), uint8_t(c.exif.size() >> 8),
                           uint8_t(c.exif.size()), 'e', 'X', 'I', 'f'};
            chunk.insert(chunk.end(), c.exif.begin(), c.exif.end());
            uint32_t sum = crc(chunk.data() + 4, chunk.size() - 4);
            for (int i = 3; i >= 0; --i) chunk.push_back(uint8_t(sum >> (8 * i)));
            expected.push_back(chunk);
        }
        FUZZ_CHECK(o.chunks == expected, "chunks: %zu, expected %zu", o.chunks.size(), expected.size());
        FUZZ_CHECK(cli::head::splicePng(out.data(), out.size(), c) == out, "splicing again changes the head");
    }

    for (const char* type : {"pHYs", "eXIf"}) {
        Bytes found = cli::head::pngChunk(cli::readMemory(stream, n), n, type);
        if (found.empty()) continue;
        FUZZ_CHECK(found.size() >= 12 && isType(found, type) && be32(found.data()) + 12 == found.size(),
                   "not a whole %s chunk", type);
        bool inHead = std::any_of(w.chunks.begin(), w.chunks.end(), [&found](const Bytes& c) { return c == found; });
        FUZZ_CHECK(inHead || !w.head, "a %s chunk that is not one of the head's", type);
    }
    return 0;
}
