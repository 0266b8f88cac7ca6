// The tool's JPEG head splice: the input is the start of a JPEG stream as a
// writer hands it over. Its head is measured, then spliced with an EXIF
// block and a JFIF segment taken from the input's own bytes; the input's own
// JFIF segment is looked for. Checked against a walk of the segments written
// here: the head ends at the first scan; the spliced head holds the given
// JFIF first, the given EXIF once, and every other segment of the input in
// its order; what follows the head is unchanged; splicing again changes
// nothing; a stream without a head passes unchanged.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz/HeadFuzz.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Walk {
    bool head = false;  // a whole head up to a scan
    size_t sos = 0;
    std::vector<Bytes> segments;  // fill bytes skipped
};

Walk walk(const uint8_t* p, size_t n) {
    Walk w;
    if (n < 2 || p[0] != 0xff || p[1] != 0xd8) return w;
    for (size_t at = 2; at + 4 <= n;) {
        if (p[at] != 0xff) return w;
        if (p[at + 1] == 0xff) {
            ++at;
            continue;
        }
        if (p[at + 1] == 0xda) {
            w.head = true;
            w.sos = at;
            return w;
        }
        size_t length = size_t(p[at + 2]) << 8 | p[at + 3];
        if (length < 2 || at + 2 + length > n) return w;
        w.segments.emplace_back(p + at, p + at + 2 + length);
        at += 2 + length;
    }
    return w;
}

bool isApp(const Bytes& s, uint8_t marker, const char* id, size_t idSize) {
    return s[1] == marker && s.size() >= 4 + idSize && std::memcmp(&s[4], id, idSize) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::HeadCase hc;
    if (!fuzz::readHeadCase(data, size, {0xff, 0xe0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, 1, 0, 72, 0, 72, 0, 0}, &hc))
        return 0;
    const uint8_t* stream = hc.stream;
    const size_t n = hc.size;
    const cli::head::Changes& c = hc.changes;

    const Walk w = walk(stream, n);
    const size_t measured = cli::head::jpegHeadSize(stream, n);
    if (w.head) {
        FUZZ_CHECK(measured == w.sos, "head size %zu, the scan starts at %zu", measured, w.sos);
        FUZZ_CHECK(cli::head::jpegHeadSize(stream, w.sos) == 0, "a cut head is taken as whole");
    } else {
        FUZZ_CHECK(measured == 0 || measured == cli::head::kNotAHead, "a head of %zu bytes without a scan", measured);
    }

    Bytes out = cli::head::spliceJpeg(stream, n, c);
    if (!w.head) {
        FUZZ_CHECK(out == Bytes(stream, stream + n), "a stream without a head was changed");
    } else {
        Walk o = walk(out.data(), out.size());
        FUZZ_CHECK(o.head, "the spliced head is not a head");
        FUZZ_CHECK(Bytes(out.begin() + ptrdiff_t(o.sos), out.end()) == Bytes(stream + w.sos, stream + n),
                   "the scan data changed");
        std::vector<Bytes> expected;
        if (c.replaceResolution && !c.resolution.empty()) expected.push_back(c.resolution);
        if (c.replaceExif && !c.exif.empty()) {
            Bytes app1 = {0xff, 0xe1, uint8_t((c.exif.size() + 8) >> 8), uint8_t(c.exif.size() + 8)};
            app1.insert(app1.end(), {'E', 'x', 'i', 'f', 0, 0});
            app1.insert(app1.end(), c.exif.begin(), c.exif.end());
            expected.push_back(app1);
        }
        for (const Bytes& s : w.segments) {
            if (c.replaceResolution && isApp(s, 0xe0, "JFIF\0", 5)) continue;
            if (c.replaceExif && isApp(s, 0xe1, "Exif\0\0", 6)) continue;
            expected.push_back(s);
        }
        FUZZ_CHECK(o.segments == expected, "segments: %zu, expected %zu", o.segments.size(), expected.size());
        FUZZ_CHECK(cli::head::spliceJpeg(out.data(), out.size(), c) == out, "splicing again changes the head");
    }

    Bytes jfif = cli::head::jfifSegment(cli::readMemory(stream, n), n);
    if (!jfif.empty()) {
        FUZZ_CHECK(n >= 2 + jfif.size() && std::equal(jfif.begin(), jfif.end(), stream + 2),
                   "the JFIF segment is not the input's first");
        FUZZ_CHECK(isApp(jfif, 0xe0, "JFIF\0", 5) && (size_t(jfif[2]) << 8 | jfif[3]) + 2 == jfif.size(),
                   "not a whole JFIF segment");
    }
    return 0;
}
