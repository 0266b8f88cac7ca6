#include "tools/velmora/metadata/Iptc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/velmora/metadata/ByteAccess.h"

namespace cli {
namespace iptc {

namespace {

const char kPhotoshop[] = "Photoshop 3.0";  // and its NUL
const uint8_t kResource[4] = {'8', 'B', 'I', 'M'};
constexpr uint16_t kIptcResource = 0x0404;

// The records at the start of `data`: 0x1C, record, dataset, a 16-bit length
// (the extended form, with its top bit set, is not used by photo software).
size_t recordBytes(const uint8_t* data, size_t size) {
    size_t at = 0;
    while (at + 5 <= size && data[at] == 0x1c && !(data[at + 3] & 0x80)) {
        size_t length = big16(data + at + 3);
        if (at + 5 + length > size) break;
        at += 5 + length;
    }
    return at;
}

std::vector<uint8_t> bare(const uint8_t* data, size_t size, size_t* dropped) {
    size_t n = recordBytes(data, size);
    *dropped = 0;
    for (size_t i = n; i < size; ++i)
        if (data[i] != 0) *dropped = size - n;
    return std::vector<uint8_t>(data, data + n);
}

// Resource 0x0404 of a Photoshop resource block; null when there is none.
const uint8_t* findResource(const uint8_t* data, size_t size, size_t* length) {
    size_t at = 0;
    while (at + 12 <= size && std::memcmp(data + at, kResource, 4) == 0) {
        uint16_t id = big16(data + at + 4);
        size_t name = (size_t(data[at + 6]) + 2) & ~size_t(1);  // a Pascal string padded to even
        if (at + 6 + name + 4 > size) return nullptr;
        size_t n = big32(data + at + 6 + name);
        size_t start = at + 6 + name + 4;
        if (n > size - start) return nullptr;
        if (id == kIptcResource) {
            *length = n;
            return data + start;
        }
        at = start + ((n + 1) & ~size_t(1));
    }
    return nullptr;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "\nIPTC profile\n      28\n3842...\n": a name line, the byte count, hexadecimal.
bool fromProfileText(const uint8_t* data, size_t size, std::vector<uint8_t>* bytes) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t name = text.find_first_not_of('\n');
    size_t countAt = name == std::string::npos ? name : text.find('\n', name);
    if (countAt == std::string::npos) return false;
    char* end = nullptr;
    unsigned long count = std::strtoul(text.c_str() + countAt, &end, 10);
    if (end == text.c_str() + countAt || count > size) return false;
    bytes->clear();
    int high = -1;
    for (const char* p = end; p < text.c_str() + text.size() && bytes->size() < count; ++p) {
        int d = hexDigit(*p);
        if (d < 0) {
            if (*p == '\n' || *p == ' ' || *p == '\r') continue;
            return false;
        }
        if (high < 0) {
            high = d;
        } else {
            bytes->push_back(uint8_t(high << 4 | d));
            high = -1;
        }
    }
    return bytes->size() == count;
}

}  // namespace

std::vector<uint8_t> records(const uint8_t* data, size_t size, size_t* dropped) {
    *dropped = 0;
    if (size == 0) return {};
    if (data[0] == 0x1c) return bare(data, size, dropped);
    size_t headerSize = sizeof kPhotoshop;
    if (size >= headerSize && std::memcmp(data, kPhotoshop, headerSize) == 0) {
        data += headerSize;
        size -= headerSize;
    }
    size_t length = 0;
    if (const uint8_t* found = findResource(data, size, &length)) return bare(found, length, dropped);
    std::vector<uint8_t> decoded;
    if (size > 0 && data[0] == '\n' && fromProfileText(data, size, &decoded))
        return records(decoded.data(), decoded.size(), dropped);
    *dropped = size;
    return {};
}

namespace {

std::vector<uint8_t> resource(const std::vector<uint8_t>& records) {
    std::vector<uint8_t> out(kResource, kResource + 4);
    putBig16(out, kIptcResource);
    putBig16(out, 0);  // an empty name, padded to even
    putBig32(out, uint32_t(records.size()));
    out.insert(out.end(), records.begin(), records.end());
    if (out.size() % 2) out.push_back(0);
    return out;
}

}  // namespace

std::vector<uint8_t> forJpeg(const std::vector<uint8_t>& records) {
    std::vector<uint8_t> out(kPhotoshop, kPhotoshop + sizeof kPhotoshop);
    std::vector<uint8_t> block = resource(records);
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

std::vector<uint8_t> forTiff(const std::vector<uint8_t>& records) {
    std::vector<uint8_t> out = records;
    out.resize((out.size() + 3) & ~size_t(3), 0);
    return out;
}

std::string forPng(const std::vector<uint8_t>& records) {
    static const char digits[] = "0123456789abcdef";
    std::vector<uint8_t> block = resource(records);
    char count[16];
    std::snprintf(count, sizeof count, "%8zu", block.size());
    std::string text = std::string("\nIPTC profile\n") + count + "\n";
    for (size_t i = 0; i < block.size(); ++i) {
        text += digits[block[i] >> 4];
        text += digits[block[i] & 15];
        if (i % 36 == 35) text += '\n';
    }
    return text + "\n";
}

}  // namespace iptc
}  // namespace cli
