#include "tools/velmora/metadata/HeadSplice.h"

#include <cstring>

namespace cli {
namespace head {

namespace {

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
const uint8_t kExifPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};

struct CrcTable {
    uint32_t entries[256];
    CrcTable() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
    }
};

uint32_t crc32(const uint8_t* data, size_t size) {
    static const CrcTable table;
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < size; ++i) crc = table.entries[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

// One JPEG segment of the head: its marker byte and where it lies.
struct Segment {
    uint8_t marker;
    size_t at;    // the 0xFF
    size_t size;  // marker and length field included
};

bool startsWith(const uint8_t* data, size_t size, const void* prefix, size_t n) {
    return size >= n && std::memcmp(data, prefix, n) == 0;
}

bool isExifSegment(const uint8_t* head, const Segment& s) {
    return s.marker == 0xe1 && startsWith(head + s.at + 4, s.size - 4, kExifPrefix, 6);
}

bool isJfifSegment(const uint8_t* head, const Segment& s) {
    return s.marker == 0xe0 && startsWith(head + s.at + 4, s.size - 4, "JFIF\0", 5);
}

// The segments after SOI up to SOS; false when the head is not a JPEG head.
bool jpegSegments(const uint8_t* data, size_t size, std::vector<Segment>* segments, size_t* sos) {
    if (size < 2 || data[0] != 0xff || data[1] != 0xd8) return false;
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xff) return false;
        uint8_t marker = data[at + 1];
        if (marker == 0xff) {  // a fill byte
            ++at;
            continue;
        }
        if (marker == 0xda) {
            *sos = at;
            return true;
        }
        size_t length = big16(data + at + 2);
        if (length < 2) return false;
        if (segments) segments->push_back({marker, at, length + 2});
        at += length + 2;
    }
    *sos = 0;  // needs more data
    return true;
}

}  // namespace

size_t jpegHeadSize(const uint8_t* data, size_t size) {
    size_t sos = 0;
    if (size < 2) return 0;
    if (!jpegSegments(data, size, nullptr, &sos)) return kNotAHead;
    return sos;
}

size_t pngHeadSize(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    if (std::memcmp(data, kPngSignature, 8) != 0) return kNotAHead;
    size_t at = 8;
    while (at + 8 <= size) {
        if (std::memcmp(data + at + 4, "IDAT", 4) == 0) return at;
        uint64_t length = big32(data + at);
        if (length > 0x7fffffffu) return kNotAHead;
        at += size_t(length) + 12;
    }
    return 0;
}

std::vector<uint8_t> spliceJpeg(const uint8_t* head, size_t size, const Changes& c) {
    std::vector<Segment> segments;
    size_t sos = 0;
    if (!jpegSegments(head, size, &segments, &sos) || sos == 0) return std::vector<uint8_t>(head, head + size);
    std::vector<uint8_t> out = {0xff, 0xd8};
    if (c.replaceResolution) out.insert(out.end(), c.resolution.begin(), c.resolution.end());
    // An APP1 segment holds at most 65533 bytes: for a larger block the
    // writer's own EXIF stays.
    bool replaceExif = c.replaceExif && c.exif.size() + 6 + 2 <= 0xffff;
    if (replaceExif && !c.exif.empty()) {
        out.push_back(0xff);
        out.push_back(0xe1);
        putBig16(out, uint16_t(c.exif.size() + 8));
        out.insert(out.end(), kExifPrefix, kExifPrefix + 6);
        out.insert(out.end(), c.exif.begin(), c.exif.end());
    }
    for (const Segment& s : segments) {
        if (c.replaceResolution && isJfifSegment(head, s)) continue;
        if (replaceExif && isExifSegment(head, s)) continue;
        out.insert(out.end(), head + s.at, head + s.at + s.size);
    }
    out.insert(out.end(), head + sos, head + size);
    return out;
}

std::vector<uint8_t> splicePng(const uint8_t* head, size_t size, const Changes& c) {
    size_t end = pngHeadSize(head, size);
    if (end == 0 || end == kNotAHead) return std::vector<uint8_t>(head, head + size);
    std::vector<uint8_t> out(head, head + 8);
    size_t at = 8;
    while (at < end) {
        size_t chunk = size_t(big32(head + at)) + 12;
        bool drop = (c.replaceExif && std::memcmp(head + at + 4, "eXIf", 4) == 0) ||
                    (c.replaceResolution && std::memcmp(head + at + 4, "pHYs", 4) == 0);
        if (!drop) out.insert(out.end(), head + at, head + at + chunk);
        at += chunk;
    }
    if (c.replaceResolution) out.insert(out.end(), c.resolution.begin(), c.resolution.end());
    if (c.replaceExif && !c.exif.empty()) {
        std::vector<uint8_t> chunk = makePngChunk("eXIf", c.exif);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    for (const std::vector<uint8_t>& chunk : c.pngChunks) out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), head + end, head + size);
    return out;
}

std::vector<uint8_t> jfifSegment(const ReadAt& read, uint64_t size) {
    uint8_t start[4 + 5];
    if (size < sizeof start || !read(0, start, sizeof start)) return {};
    if (start[0] != 0xff || start[1] != 0xd8) return {};
    uint8_t marker[4];
    if (!read(2, marker, 4) || marker[0] != 0xff || marker[1] != 0xe0) return {};
    size_t length = big16(marker + 2);
    if (length < 16 || 2 + 2 + length > size) return {};
    std::vector<uint8_t> segment(length + 2);
    if (!read(2, segment.data(), segment.size()) || std::memcmp(&segment[4], "JFIF\0", 5) != 0) return {};
    return segment;
}

std::vector<uint8_t> pngChunk(const ReadAt& read, uint64_t size, const char type[4]) {
    uint8_t signature[8];
    if (!read(0, signature, 8) || std::memcmp(signature, kPngSignature, 8) != 0) return {};
    uint64_t at = 8;
    for (int chunks = 0; chunks < 100000 && at + 12 <= size; ++chunks) {
        uint8_t header[8];
        if (!read(at, header, 8)) return {};
        uint64_t length = big32(header);
        if (std::memcmp(header + 4, "IDAT", 4) == 0 || length > 0x7fffffffu) return {};
        if (std::memcmp(header + 4, type, 4) == 0) {
            if (length > (1u << 20) || at + 12 + length > size) return {};
            std::vector<uint8_t> chunk(size_t(length) + 12);
            if (!read(at, chunk.data(), chunk.size())) return {};
            return chunk;
        }
        at += length + 12;
    }
    return {};
}

std::vector<uint8_t> makePngChunk(const char type[4], const std::vector<uint8_t>& data) {
    std::vector<uint8_t> chunk;
    putBig32(chunk, uint32_t(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    putBig32(chunk, crc32(chunk.data() + 4, chunk.size() - 4));
    return chunk;
}

std::vector<uint8_t> makePngText(const std::string& keyword, const std::string& text) {
    std::vector<uint8_t> data(keyword.begin(), keyword.end());
    data.push_back(0);
    data.insert(data.end(), text.begin(), text.end());
    return makePngChunk("tEXt", data);
}

}  // namespace head
}  // namespace cli
