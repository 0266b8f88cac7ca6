#include "tools/velmora/metadata/TiffDirectory.h"

#include <algorithm>
#include <cstring>

namespace cli {
namespace tiff {

size_t typeSize(uint16_t type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;
        case 3: case 8: return 2;
        case 4: case 9: case 11: case 13: return 4;
        case 5: case 10: case 12: return 8;
        default: return 0;
    }
}

namespace {

constexpr size_t kMaxEntries = 1024;           // per directory
constexpr size_t kMaxValueBytes = 1u << 20;    // per entry (maker notes run to some 100 KB)
constexpr size_t kMaxTotalBytes = 4u << 20;    // per structure (said as "4 MB" below)

// Bytes per byte-swapped unit (rationals swap as two longs).
size_t swapUnit(uint16_t type) {
    size_t size = typeSize(type);
    return type == 5 || type == 10 ? 4 : size;
}

struct Reader {
    const ReadAt& read;
    uint64_t size;
    bool bigEndian;
    std::vector<std::string>* notes;  // what was skipped or out of order
    size_t totalBytes = 0;

    bool get(uint64_t offset, void* out, size_t n) const { return offset <= size && n <= size - offset && read(offset, out, n); }
    uint16_t u16(const uint8_t* p) const { return bigEndian ? big16(p) : little16(p); }
    uint32_t u32(const uint8_t* p) const { return bigEndian ? big32(p) : little32(p); }

    void note(const std::string& text) {
        if (std::find(notes->begin(), notes->end(), text) == notes->end()) notes->push_back(text);
    }

    // All entries of the directory at `offset` with known types; pointers to
    // sub-directories come back as entries like any other. Entries that
    // cannot be used, and tags out of ascending order or repeated, are noted.
    bool directory(uint64_t offset, const char* name, std::vector<Entry>* entries, std::string* why) {
        uint8_t countBytes[2];
        if (!get(offset, countBytes, 2)) {
            *why = "a directory lies outside the data";
            return false;
        }
        size_t count = u16(countBytes);
        if (count > kMaxEntries) {
            *why = "a directory claims " + std::to_string(count) + " entries";
            return false;
        }
        std::vector<uint8_t> raw(count * 12);
        if (!get(offset + 2, raw.data(), raw.size())) {
            *why = "a directory runs past the end of the data";
            return false;
        }
        bool unordered = false;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = &raw[i * 12];
            Entry e;
            e.tag = u16(p);
            e.type = u16(p + 2);
            e.count = u32(p + 4);
            if (i > 0 && e.tag <= u16(p - 12) && !unordered) {
                unordered = true;
                note(std::string(name) + " entries out of order or repeated");
            }
            // Of IFD0 only the descriptive entries are carried.
            bool carried = std::strcmp(name, "IFD0") != 0 || isDescriptive(e.tag);
            auto skip = [&](const char* why) {
                if (carried) note(std::string(name) + " tag " + std::to_string(e.tag) + " left out: " + why);
            };
            size_t unit = typeSize(e.type);
            if (unit == 0 || e.count == 0 || e.count > kMaxValueBytes / unit) {
                skip("its type or count is unusable");
                continue;
            }
            size_t bytes = size_t(e.count) * unit;
            if (totalBytes + bytes > kMaxTotalBytes) {
                skip("the metadata's values pass 4 MB");
                continue;
            }
            // Bounds first: a hostile directory may claim a megabyte per entry.
            uint64_t at = u32(p + 8);
            if (bytes > 4 && (at > size || bytes > size - at)) {
                skip("its value lies outside the data");
                continue;
            }
            e.value.resize(bytes);
            if (bytes <= 4) {
                std::memcpy(e.value.data(), p + 8, bytes);
            } else if (!get(at, e.value.data(), bytes)) {
                skip("its value cannot be read");
                continue;
            }
            totalBytes += bytes;
            if (bigEndian) {
                size_t swap = swapUnit(e.type);
                if (swap > 1)
                    for (size_t at = 0; at + swap <= bytes; at += swap) std::reverse(&e.value[at], &e.value[at] + swap);
            }
            entries->push_back(std::move(e));
        }
        return true;
    }
};

bool isPointer(const Entry& e) { return (e.type == kLong || e.type == 13) && e.count == 1; }

uint32_t valueAsOffset(const Entry& e) { return little32(e.value.data()); }

// Reads the sub-directory an entry points at; a broken one is left out.
std::vector<Entry> subDirectory(Reader& reader, const std::vector<Entry>& from, uint16_t tag, const char* name) {
    std::vector<Entry> entries;
    for (const Entry& e : from) {
        if (e.tag != tag) continue;
        std::string why;
        if (!isPointer(e)) {
            reader.note(std::string("the ") + name + " directory's pointer is not one offset; left out");
        } else if (!reader.directory(valueAsOffset(e), name, &entries, &why)) {
            entries.clear();
            reader.note(std::string("the ") + name + " directory left out: " + why);
        }
        break;
    }
    return entries;
}

bool isSubDirectoryTag(uint16_t tag) {
    return tag == kExifDirectory || tag == kGpsDirectory || tag == kInteropDirectory || tag == 330 /* SubIFDs */;
}

std::vector<Entry> withoutPointers(std::vector<Entry> entries) {
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const Entry& e) { return isSubDirectoryTag(e.tag); }),
                  entries.end());
    return entries;
}

Entry pointer(uint16_t tag, uint32_t offset) {
    Entry e;
    e.tag = tag;
    e.type = kLong;
    e.count = 1;
    putLittle32(e.value, offset);
    return e;
}

// A directory as it will be written: entries sorted by tag; `raw` entries keep
// the 4-byte value field they had in the file they came from.
struct OutEntry {
    Entry entry;
    bool raw = false;
    uint8_t field[4] = {0, 0, 0, 0};
};

size_t even(size_t n) { return (n + 1) & ~size_t(1); }

size_t directorySize(const std::vector<OutEntry>& entries) {
    size_t n = 2 + 12 * entries.size() + 4;
    for (const OutEntry& e : entries)
        if (!e.raw && e.entry.value.size() > 4) n += even(e.entry.value.size());
    return n;
}

// Appends the directory, which starts at file offset `at`, to `out`.
void writeDirectory(std::vector<OutEntry> entries, uint32_t at, uint32_t next, std::vector<uint8_t>* out) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const OutEntry& a, const OutEntry& b) { return a.entry.tag < b.entry.tag; });
    std::vector<uint8_t> data;
    uint32_t dataAt = at + uint32_t(2 + 12 * entries.size() + 4);
    putLittle16(*out, uint16_t(entries.size()));
    for (const OutEntry& e : entries) {
        putLittle16(*out, e.entry.tag);
        putLittle16(*out, e.entry.type);
        putLittle32(*out, e.entry.count);
        if (e.raw) {
            out->insert(out->end(), e.field, e.field + 4);
        } else if (e.entry.value.size() <= 4) {
            std::vector<uint8_t> field = e.entry.value;
            field.resize(4, 0);
            out->insert(out->end(), field.begin(), field.end());
        } else {
            putLittle32(*out, dataAt + uint32_t(data.size()));
            data.insert(data.end(), e.entry.value.begin(), e.entry.value.end());
            if (data.size() % 2) data.push_back(0);
        }
    }
    putLittle32(*out, next);
    out->insert(out->end(), data.begin(), data.end());
}

std::vector<OutEntry> outEntries(const std::vector<Entry>& entries) {
    std::vector<OutEntry> out;
    for (const Entry& e : entries) out.push_back({e, false, {0, 0, 0, 0}});
    return out;
}

// Lays out and writes main (at `at`, pointing at `next`) followed by the
// metadata's sub-directories.
std::vector<uint8_t> writeTree(std::vector<OutEntry> main, const Metadata& m, uint32_t at, uint32_t next) {
    std::vector<OutEntry> exif = outEntries(withoutPointers(m.exif));
    std::vector<OutEntry> interop = outEntries(withoutPointers(m.interop));
    std::vector<OutEntry> gps = outEntries(withoutPointers(m.gps));
    if (!exif.empty()) main.push_back({pointer(kExifDirectory, 0), false, {}});
    if (!gps.empty()) main.push_back({pointer(kGpsDirectory, 0), false, {}});
    if (!exif.empty() && !interop.empty()) exif.push_back({pointer(kInteropDirectory, 0), false, {}});

    uint32_t exifAt = at + uint32_t(directorySize(main));
    uint32_t interopAt = exifAt + uint32_t(exif.empty() ? 0 : directorySize(exif));
    uint32_t gpsAt = interopAt + uint32_t(exif.empty() || interop.empty() ? 0 : directorySize(interop));
    for (OutEntry& e : main) {
        if (e.raw) continue;
        if (e.entry.tag == kExifDirectory) e.entry = pointer(kExifDirectory, exifAt);
        if (e.entry.tag == kGpsDirectory) e.entry = pointer(kGpsDirectory, gpsAt);
    }
    for (OutEntry& e : exif)
        if (e.entry.tag == kInteropDirectory) e.entry = pointer(kInteropDirectory, interopAt);

    std::vector<uint8_t> out;
    writeDirectory(main, at, next, &out);
    if (!exif.empty()) writeDirectory(exif, exifAt, 0, &out);
    if (!exif.empty() && !interop.empty()) writeDirectory(interop, interopAt, 0, &out);
    if (!gps.empty()) writeDirectory(gps, gpsAt, 0, &out);
    return out;
}

}  // namespace

bool isDescriptive(uint16_t tag) {
    switch (tag) {
        case 270: case 271: case 272: case kOrientation: case kXResolution: case kYResolution:
        case kResolutionUnit: case 305: case 306: case 315: case 316: case 318: case 319: case 33432:
        case 18246: case 18249: case 40091: case 40092: case 40093: case 40094: case 40095:
            return true;
        default:
            return false;
    }
}

const Entry* Metadata::find(uint16_t tag) const {
    for (const Entry& e : main)
        if (e.tag == tag) return &e;
    return nullptr;
}

void Metadata::set(const Entry& entry) {
    for (Entry& e : main)
        if (e.tag == entry.tag) {
            e = entry;
            return;
        }
    main.push_back(entry);
}

bool readMetadata(const ReadAt& read, uint64_t size, Metadata* m, std::string* why) {
    uint8_t header[8];
    if (size < 8 || !read(0, header, 8)) {
        *why = "too short for a TIFF structure";
        return false;
    }
    bool big = header[0] == 'M' && header[1] == 'M';
    if (!(big || (header[0] == 'I' && header[1] == 'I'))) {
        *why = "not a TIFF structure";
        return false;
    }
    std::vector<std::string> notes;
    Reader reader{read, size, big, &notes};
    if (reader.u16(header + 2) != 42) {
        *why = "not a classic TIFF structure";
        return false;
    }
    std::vector<Entry> ifd0;
    if (!reader.directory(reader.u32(header + 4), "IFD0", &ifd0, why)) return false;
    *m = Metadata();
    for (const Entry& e : ifd0)
        if (isDescriptive(e.tag)) m->main.push_back(e);
    m->exif = subDirectory(reader, ifd0, kExifDirectory, "EXIF");
    m->interop = subDirectory(reader, m->exif, kInteropDirectory, "interoperability");
    m->gps = subDirectory(reader, ifd0, kGpsDirectory, "GPS");
    m->mended = std::move(notes);
    m->exif = withoutPointers(m->exif);
    m->gps = withoutPointers(m->gps);
    m->interop = withoutPointers(m->interop);
    return true;
}

bool parseExif(const uint8_t* data, size_t size, Metadata* m, std::string* why) {
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
        data += 6;
        size -= 6;
    }
    return readMetadata(readMemory(data, size), size, m, why);
}

std::vector<uint8_t> buildExif(const Metadata& m) {
    std::vector<uint8_t> out = {'I', 'I', 42, 0};
    putLittle32(out, 8);
    std::vector<uint8_t> tree = writeTree(outEntries(m.main), m, 8, 0);
    out.insert(out.end(), tree.begin(), tree.end());
    return out;
}

bool addToTiff(const ReadAt& read, const WriteAt& write, uint64_t size, const Metadata& m, std::string* why) {
    uint8_t header[8];
    if (size < 8 || !read(0, header, 8) || header[0] != 'I' || header[1] != 'I' || little16(header + 2) != 42) {
        *why = "not a little-endian TIFF file";
        return false;
    }
    uint32_t ifd0 = little32(header + 4);
    uint8_t countBytes[2];
    if (!read(ifd0, countBytes, 2)) {
        *why = "its first directory is missing";
        return false;
    }
    size_t count = little16(countBytes);
    std::vector<uint8_t> raw(count * 12 + 4);
    if (count > kMaxEntries || !read(ifd0 + 2, raw.data(), raw.size())) {
        *why = "its first directory is unreadable";
        return false;
    }
    std::vector<OutEntry> main;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &raw[i * 12];
        OutEntry e;
        e.entry.tag = little16(p);
        e.entry.type = little16(p + 2);
        e.entry.count = little32(p + 4);
        e.raw = true;
        std::memcpy(e.field, p + 8, 4);
        if (m.find(e.entry.tag) || isSubDirectoryTag(e.entry.tag)) continue;  // replaced
        main.push_back(e);
    }
    for (const Entry& e : m.main) main.push_back({e, false, {0, 0, 0, 0}});
    uint32_t next = little32(&raw[count * 12]);

    uint64_t at = even(size);
    if (at > uint64_t(UINT32_MAX) - 2 * kMaxTotalBytes - (64u << 10)) {
        *why = "the file is too large for a classic TIFF directory";
        return false;
    }
    std::vector<uint8_t> tree = writeTree(main, m, uint32_t(at), next);
    if (at > size) tree.insert(tree.begin(), 0);  // the pad byte that keeps the directory at an even offset
    std::vector<uint8_t> offset;
    putLittle32(offset, uint32_t(at));
    if (!write(size, tree.data(), tree.size()) || !write(4, offset.data(), 4)) {
        *why = "cannot write its metadata";
        return false;
    }
    return true;
}

bool findInlineShort(const ReadAt& read, uint64_t size, uint16_t tag, InlineShort* found) {
    uint8_t header[8];
    if (size < 8 || !read(0, header, 8) || !(header[0] == header[1] && (header[0] == 'I' || header[0] == 'M')))
        return false;
    bool big = header[0] == 'M';
    auto u16 = [big](const uint8_t* p) { return big ? big16(p) : little16(p); };
    auto u32 = [big](const uint8_t* p) { return big ? big32(p) : little32(p); };
    uint64_t ifd0 = u32(header + 4);
    uint8_t countBytes[2];
    if (u16(header + 2) != 42 || ifd0 > size || size - ifd0 < 2 || !read(ifd0, countBytes, 2)) return false;
    size_t count = std::min<size_t>(u16(countBytes), kMaxEntries);
    for (size_t i = 0; i < count; ++i) {
        uint8_t e[12];
        uint64_t at = ifd0 + 2 + 12 * i;
        if (at + 12 > size || !read(at, e, 12)) return false;
        if (u16(e) != tag) continue;
        if (u16(e + 2) != kShort || u32(e + 4) != 1) return false;
        found->value = u16(e + 8);
        found->at = at + 8;
        found->bigEndian = big;
        return true;
    }
    return false;
}

void setResolution(Metadata* m, uint16_t unit, uint32_t xn, uint32_t xd, uint32_t yn, uint32_t yd) {
    Entry x{kXResolution, kRational, 1, {}}, y{kYResolution, kRational, 1, {}}, u{kResolutionUnit, kShort, 1, {}};
    putLittle32(x.value, xn);
    putLittle32(x.value, xd);
    putLittle32(y.value, yn);
    putLittle32(y.value, yd);
    putLittle16(u.value, unit);
    m->set(x);
    m->set(y);
    m->set(u);
}

}  // namespace tiff
}  // namespace cli
