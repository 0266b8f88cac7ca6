#include "tools/velmora/metadata/EntryCheck.h"

#include <algorithm>
#include <cstring>

namespace cli {
namespace tiff {

namespace {

// What a tag's value must be. Integers: any unsigned integer type is taken;
// `type` is the widest stored (kShort: bytes and longs become shorts; kLong:
// shorts stay, bytes become shorts). Rationals: a whole number becomes n/1.
enum class Kind { Text, Integer, Rational, SignedRational, Bytes, Undefined };

struct Rule {
    Directory directory;
    uint16_t tag;
    const char* name;
    Kind kind;
    uint16_t type;   // the type written (integers: kShort or kLong)
    uint32_t count;  // 0: any
    uint32_t low, high;  // integers: the values allowed
};

constexpr uint32_t kAny = 0xffffffffu;

const Rule kRules[] = {
    {Directory::Main, 270, "ImageDescription", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Main, 271, "Make", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Main, 272, "Model", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Main, 274, "Orientation", Kind::Integer, kShort, 1, 1, 8},
    {Directory::Main, 282, "XResolution", Kind::Rational, kRational, 1, 0, 0},
    {Directory::Main, 283, "YResolution", Kind::Rational, kRational, 1, 0, 0},
    {Directory::Main, 296, "ResolutionUnit", Kind::Integer, kShort, 1, 1, 3},
    {Directory::Main, 305, "Software", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Main, 306, "ModifyDate", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Main, 315, "Artist", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Main, 316, "HostComputer", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Main, 318, "WhitePoint", Kind::Rational, kRational, 2, 0, 0},
    {Directory::Main, 319, "PrimaryChromaticities", Kind::Rational, kRational, 6, 0, 0},
    {Directory::Main, 18246, "Rating", Kind::Integer, kShort, 1, 0, 5},
    {Directory::Main, 18249, "RatingPercent", Kind::Integer, kShort, 1, 0, 100},
    {Directory::Main, 33432, "Copyright", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Main, 40091, "XPTitle", Kind::Bytes, kByte, 0, 0, 0},
    {Directory::Main, 40092, "XPComment", Kind::Bytes, kByte, 0, 0, 0},
    {Directory::Main, 40093, "XPAuthor", Kind::Bytes, kByte, 0, 0, 0},
    {Directory::Main, 40094, "XPKeywords", Kind::Bytes, kByte, 0, 0, 0},
    {Directory::Main, 40095, "XPSubject", Kind::Bytes, kByte, 0, 0, 0},
    {Directory::Exif, 33434, "ExposureTime", Kind::Rational, kRational, 1, 0, 0},
    {Directory::Exif, 33437, "FNumber", Kind::Rational, kRational, 1, 0, 0},
    {Directory::Exif, 34850, "ExposureProgram", Kind::Integer, kShort, 1, 0, kAny},
    {Directory::Exif, 34855, "ISO", Kind::Integer, kShort, 0, 0, kAny},
    {Directory::Exif, 36864, "ExifVersion", Kind::Undefined, kUndefined, 4, 0, 0},
    {Directory::Exif, 36867, "DateTimeOriginal", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 36868, "CreateDate", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 36880, "OffsetTime", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 36881, "OffsetTimeOriginal", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 36882, "OffsetTimeDigitized", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 37121, "ComponentsConfiguration", Kind::Undefined, kUndefined, 4, 0, 0},
    {Directory::Exif, 37377, "ShutterSpeedValue", Kind::SignedRational, kSignedRational, 1, 0, 0},
    {Directory::Exif, 37378, "ApertureValue", Kind::Rational, kRational, 1, 0, 0},
    {Directory::Exif, 37380, "ExposureCompensation", Kind::SignedRational, kSignedRational, 1, 0, 0},
    {Directory::Exif, 37381, "MaxApertureValue", Kind::Rational, kRational, 1, 0, 0},
    {Directory::Exif, 37383, "MeteringMode", Kind::Integer, kShort, 1, 0, kAny},
    {Directory::Exif, 37384, "LightSource", Kind::Integer, kShort, 1, 0, kAny},
    {Directory::Exif, 37385, "Flash", Kind::Integer, kShort, 1, 0, kAny},
    {Directory::Exif, 37386, "FocalLength", Kind::Rational, kRational, 1, 0, 0},
    {Directory::Exif, 37500, "MakerNote", Kind::Undefined, kUndefined, 0, 0, 0},
    {Directory::Exif, 37510, "UserComment", Kind::Undefined, kUndefined, 0, 0, 0},
    {Directory::Exif, 37520, "SubSecTime", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 37521, "SubSecTimeOriginal", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 37522, "SubSecTimeDigitized", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 40960, "FlashpixVersion", Kind::Undefined, kUndefined, 4, 0, 0},
    {Directory::Exif, 40961, "ColorSpace", Kind::Integer, kShort, 1, 0, kAny},
    {Directory::Exif, 40962, "ExifImageWidth", Kind::Integer, kLong, 1, 0, kAny},
    {Directory::Exif, 40963, "ExifImageHeight", Kind::Integer, kLong, 1, 0, kAny},
    {Directory::Exif, 41728, "FileSource", Kind::Undefined, kUndefined, 1, 0, 0},
    {Directory::Exif, 41729, "SceneType", Kind::Undefined, kUndefined, 1, 0, 0},
    {Directory::Exif, 41986, "ExposureMode", Kind::Integer, kShort, 1, 0, kAny},
    {Directory::Exif, 41987, "WhiteBalance", Kind::Integer, kShort, 1, 0, kAny},
    {Directory::Exif, 41988, "DigitalZoomRatio", Kind::Rational, kRational, 1, 0, 0},
    {Directory::Exif, 41989, "FocalLengthIn35mmFormat", Kind::Integer, kShort, 1, 0, kAny},
    {Directory::Exif, 41990, "SceneCaptureType", Kind::Integer, kShort, 1, 0, kAny},
    {Directory::Exif, 42016, "ImageUniqueID", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 42033, "SerialNumber", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 42034, "LensInfo", Kind::Rational, kRational, 4, 0, 0},
    {Directory::Exif, 42035, "LensMake", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Exif, 42036, "LensModel", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Gps, 0, "GPSVersionID", Kind::Bytes, kByte, 4, 0, 0},
    {Directory::Gps, 1, "GPSLatitudeRef", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Gps, 2, "GPSLatitude", Kind::Rational, kRational, 3, 0, 0},
    {Directory::Gps, 3, "GPSLongitudeRef", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Gps, 4, "GPSLongitude", Kind::Rational, kRational, 3, 0, 0},
    {Directory::Gps, 5, "GPSAltitudeRef", Kind::Bytes, kByte, 1, 0, 0},
    {Directory::Gps, 6, "GPSAltitude", Kind::Rational, kRational, 1, 0, 0},
    {Directory::Gps, 7, "GPSTimeStamp", Kind::Rational, kRational, 3, 0, 0},
    {Directory::Gps, 18, "GPSMapDatum", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Gps, 29, "GPSDateStamp", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Interop, 1, "InteropIndex", Kind::Text, kAscii, 0, 0, 0},
    {Directory::Interop, 2, "InteropVersion", Kind::Undefined, kUndefined, 4, 0, 0},
};

const Rule* ruleFor(Directory d, uint16_t tag) {
    for (const Rule& r : kRules)
        if (r.directory == d && r.tag == tag) return &r;
    return nullptr;
}

bool isUnsignedInteger(uint16_t type) { return type == kByte || type == kShort || type == kLong; }

uint32_t integerAt(const Entry& e, size_t i) {
    const uint8_t* p = e.value.data() + i * typeSize(e.type);
    return e.type == kByte ? p[0] : e.type == kShort ? little16(p) : little32(p);
}

// Mends `e` to what `r` allows, or returns false (with the reason) when it cannot.
bool mend(const Rule& r, Entry* e, std::string* change) {
    const bool fixed = r.count != 0;
    switch (r.kind) {
        case Kind::Text: {
            if (e->type != kAscii && e->type != kByte && e->type != kUndefined) {
                *change = "is not text; left out";
                return false;
            }
            auto nul = std::find(e->value.begin(), e->value.end(), uint8_t(0));
            if (e->type != kAscii) *change = "stored as bytes; made text";
            else if (nul == e->value.end()) *change = "had no closing NUL; one added";
            else if (nul + 1 != e->value.end()) *change = "cut at a NUL inside the text";
            e->value.erase(nul, e->value.end());
            e->value.push_back(0);
            e->type = kAscii;
            e->count = uint32_t(e->value.size());
            return true;
        }
        case Kind::Integer: {
            if (!isUnsignedInteger(e->type) || (fixed && e->count < r.count)) {
                *change = "is not " + std::string(fixed && r.count == 1 ? "a whole number" : "whole numbers") +
                          "; left out";
                return false;
            }
            uint32_t count = fixed ? r.count : e->count;
            const uint16_t stored = r.type == kLong && e->type == kLong ? kLong : kShort;
            std::vector<uint8_t> value;
            for (size_t i = 0; i < count; ++i) {
                uint32_t v = integerAt(*e, i);
                if (v < r.low || v > r.high || (stored == kShort && v > 0xffff)) {
                    *change = "of " + std::to_string(v) + " is not a value it can have; left out";
                    return false;
                }
                stored == kShort ? putLittle16(value, uint16_t(v)) : putLittle32(value, v);
            }
            if (e->count != count) *change = "had " + std::to_string(e->count) + " values; the first kept";
            else if (e->type != stored) *change = "stored in another integer type; converted";
            e->type = stored;
            e->count = count;
            e->value = std::move(value);
            return true;
        }
        case Kind::Rational:
        case Kind::SignedRational: {
            bool whole = isUnsignedInteger(e->type) && r.kind == Kind::Rational;
            if ((e->type != r.type && !whole) || (fixed && e->count < r.count)) {
                *change = "is not a fraction; left out";
                return false;
            }
            uint32_t count = fixed ? r.count : e->count;
            std::vector<uint8_t> value;
            for (size_t i = 0; i < count; ++i) {
                uint32_t n = whole ? integerAt(*e, i) : little32(e->value.data() + 8 * i);
                uint32_t d = whole ? 1 : little32(e->value.data() + 8 * i + 4);
                // A resolution of 0 or x/0 means nothing; other fractions may be 0/0 ("unknown").
                bool resolution = r.tag == kXResolution || r.tag == kYResolution;
                if (resolution && (n == 0 || d == 0)) {
                    *change = "of " + std::to_string(n) + "/" + std::to_string(d) + " is no resolution; left out";
                    return false;
                }
                putLittle32(value, n);
                putLittle32(value, d);
            }
            if (e->count != count) *change = "had " + std::to_string(e->count) + " values; the first kept";
            else if (whole) *change = "stored as a whole number; made a fraction";
            e->type = r.type;
            e->count = count;
            e->value = std::move(value);
            return true;
        }
        case Kind::Bytes:
        case Kind::Undefined: {
            // Bytes and undefined bytes are the same on disk; a version may
            // come as text ("0230" with its NUL).
            bool bytes = e->type == kByte || e->type == kUndefined || e->type == kAscii;
            if (!bytes || (fixed && e->count < r.count)) {
                *change = "is not " + std::string(fixed ? std::to_string(r.count) + " bytes" : "bytes") +
                          "; left out";
                return false;
            }
            if (fixed && e->count != r.count) {
                *change = "had " + std::to_string(e->count) + " bytes; the first " + std::to_string(r.count) +
                          " kept";
                e->value.resize(r.count);
                e->count = r.count;
            } else if (e->type != r.type) {
                *change = "stored in another byte type; converted";
            }
            e->type = r.type;
            return true;
        }
    }
    return false;
}

const char* directoryName(Directory d) {
    switch (d) {
        case Directory::Main: return "IFD0";
        case Directory::Exif: return "EXIF";
        case Directory::Gps: return "GPS";
        default: return "interoperability";
    }
}

void checkDirectory(Directory d, std::vector<Entry>* entries, std::vector<std::string>* mended) {
    std::vector<Entry> kept;
    for (Entry& e : *entries) {
        const Rule* rule = ruleFor(d, e.tag);
        auto name = [&] { return rule ? rule->name : std::string(directoryName(d)) + " tag " + std::to_string(e.tag); };
        bool repeated = std::any_of(kept.begin(), kept.end(), [&e](const Entry& k) { return k.tag == e.tag; });
        if (repeated) {
            mended->push_back(name() + " given twice; the first kept");
            continue;
        }
        std::string change;
        bool keep = rule == nullptr || mend(*rule, &e, &change);
        if (!change.empty()) mended->push_back(name() + " " + change);
        if (keep) kept.push_back(std::move(e));
    }
    *entries = std::move(kept);
}

}  // namespace

void checkEntries(Metadata* m) {
    checkDirectory(Directory::Main, &m->main, &m->mended);
    checkDirectory(Directory::Exif, &m->exif, &m->mended);
    checkDirectory(Directory::Gps, &m->gps, &m->mended);
    checkDirectory(Directory::Interop, &m->interop, &m->mended);
    // Resolution comes in three entries: a lone one says nothing.
    bool x = m->find(kXResolution) != nullptr, y = m->find(kYResolution) != nullptr;
    if (x != y) {
        m->main.erase(std::remove_if(m->main.begin(), m->main.end(),
                                     [](const Entry& e) { return e.tag == kXResolution || e.tag == kYResolution; }),
                      m->main.end());
        m->mended.push_back(std::string(x ? "XResolution" : "YResolution") + " without its pair; left out");
    }
}

}  // namespace tiff
}  // namespace cli
