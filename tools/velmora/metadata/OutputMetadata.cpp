#include "tools/velmora/metadata/OutputMetadata.h"

#include <algorithm>

#include "tools/velmora/metadata/EntryCheck.h"
#include "tools/velmora/metadata/Iptc.h"

namespace cli {
namespace meta {

namespace {

// An APP1 segment's length field counts itself and the "Exif\0\0" prefix.
constexpr size_t kJpegExifMax = 0xffff - 2 - 6;
constexpr uint16_t kIptcTag = 33723;
constexpr uint16_t kYCbCrPositioning = 531;

const char* formatName(Format f) { return f == Format::Jpeg ? "JPEG" : f == Format::Png ? "PNG" : "TIFF"; }

// The input's EXIF (a TIFF input's directories), read and checked.
struct CheckedExif {
    bool usable = false;
    bool asRead = false;  // nothing was mended: the block read is the block to write
    tiff::Metadata metadata;
};

CheckedExif checkExif(const Carried& in, std::vector<std::string>* notes) {
    CheckedExif c;
    if (in.format == Format::Tiff) {
        if (!in.tiffRead) return c;
        c.metadata = in.tiff;
    } else {
        if (in.exif.empty()) return c;
        std::string why;
        if (!tiff::parseExif(in.exif.data(), in.exif.size(), &c.metadata, &why)) {
            notes->push_back("EXIF left out: " + why);
            return c;
        }
    }
    c.usable = true;
    tiff::checkEntries(&c.metadata);
    c.asRead = c.metadata.mended.empty() && in.format != Format::Tiff;
    notes->insert(notes->end(), c.metadata.mended.begin(), c.metadata.mended.end());
    c.metadata.mended.clear();
    return c;
}

// PNG texts that have an IFD0 entry of the same meaning.
uint16_t tagOfPngText(const std::string& keyword) {
    if (keyword == "Description") return 270;
    if (keyword == "Make") return 271;
    if (keyword == "Model") return 272;
    if (keyword == "Software") return 305;
    if (keyword == "Author" || keyword == "Artist") return 315;
    if (keyword == "Copyright") return 33432;
    return 0;
}

bool isProfileText(const std::string& keyword) {
    return keyword.rfind("Raw profile type ", 0) == 0 || keyword == "XML:com.adobe.xmp";
}

// A PNG input's texts, for an output of another format: into IFD0 where they
// have a place (unless the EXIF says it already), else said to be lost.
void textsToEntries(const Carried& in, Format out, tiff::Metadata* m, std::vector<std::string>* notes) {
    for (const auto& text : in.pngTexts) {
        if (isProfileText(text.first)) continue;
        uint16_t tag = tagOfPngText(text.first);
        if (tag == 0) {
            notes->push_back("the PNG text \"" + text.first + "\" has no place in a " + formatName(out) +
                             " file; left out");
            continue;
        }
        if (m->find(tag)) continue;
        tiff::Entry e{tag, tiff::kAscii, 0, std::vector<uint8_t>(text.second.begin(), text.second.end())};
        e.value.push_back(0);
        e.count = uint32_t(e.value.size());
        m->set(e);
    }
}

// The EXIF block for a JPEG or PNG output.
std::vector<uint8_t> exifBlock(const Carried& in, Format out, CheckedExif& c, bool rebuild,
                               std::vector<std::string>* notes) {
    if (!c.usable && !rebuild) return {};
    if (out == Format::Jpeg && !c.metadata.find(kYCbCrPositioning)) {
        // JPEG readers expect it in a block written anew: 1, centred, as JPEG's own layout.
        tiff::Entry centred{kYCbCrPositioning, tiff::kShort, 1, {1, 0}};
        c.metadata.set(centred);
    }
    std::vector<uint8_t> block = c.asRead && !rebuild ? in.exif : tiff::buildExif(c.metadata);
    if (out != Format::Jpeg || block.size() <= kJpegExifMax) return block;
    const std::string what = "EXIF of " + std::to_string(block.size()) +
                             " bytes does not fit a JPEG segment (64 KB): ";
    block = tiff::buildExif(c.metadata);  // without the thumbnail directory
    if (block.size() <= kJpegExifMax) {
        notes->push_back(what + "written without its thumbnail");
        return block;
    }
    auto& exif = c.metadata.exif;
    exif.erase(std::remove_if(exif.begin(), exif.end(), [](const tiff::Entry& e) { return e.tag == 37500; }),
               exif.end());
    block = tiff::buildExif(c.metadata);
    if (block.size() <= kJpegExifMax) {
        notes->push_back(what + "written without its thumbnail and maker note");
        return block;
    }
    notes->push_back(what + "left out");
    return {};
}

// EXIF tags that describe a compressed image's stream (its components, its
// compression, its pixel size as stored): a TIFF file has its own for these,
// and readers take them there as faults. Nothing of the photo is lost.
void leaveOutCompressedOnly(std::vector<tiff::Entry>* exif) {
    exif->erase(std::remove_if(exif->begin(), exif->end(),
                               [](const tiff::Entry& e) {
                                   return e.tag == 37121 || e.tag == 37122 || e.tag == 40962 || e.tag == 40963;
                               }),
                exif->end());
}

// JFIF density units: 0 none, 1 inch, 2 cm; pHYs: 0 none, 1 metre. A zero
// density says nothing: the writer's own resolution stays.
void containerResolution(const Carried& in, tiff::Metadata* m) {
    if (m->find(tiff::kXResolution)) return;
    const uint8_t* j = in.jfif.size() >= 18 ? in.jfif.data() + 4 + 5 + 2 : nullptr;
    const uint8_t* p = in.phys.size() == 21 ? in.phys.data() + 8 : nullptr;
    if (j != nullptr && big16(j + 1) > 0 && big16(j + 3) > 0) {
        uint16_t unit = j[0] == 1 ? 2 : j[0] == 2 ? 3 : 1;
        tiff::setResolution(m, unit, big16(j + 1), 1, big16(j + 3), 1);
    } else if (p != nullptr && big32(p) > 0 && big32(p + 4) > 0) {
        bool metre = p[8] == 1;
        tiff::setResolution(m, metre ? 3 : 1, big32(p), metre ? 100 : 1, big32(p + 4), metre ? 100 : 1);
    }
}

}  // namespace

Planned plan(const Carried& in, Format out) {
    Planned p;
    CheckedExif c = checkExif(in, &p.notes);

    bool textsMoved = false;
    if (in.format == Format::Png && out != Format::Png) {
        size_t before = c.metadata.main.size();
        textsToEntries(in, out, &c.metadata, &p.notes);
        textsMoved = c.metadata.main.size() != before;
    }

    if (out == Format::Tiff) {
        if (c.usable || textsMoved) p.directories = c.metadata;
        leaveOutCompressedOnly(&p.directories.exif);
        containerResolution(in, &p.directories);
    } else {
        // The writer's own EXIF goes: the output has the input's, or none.
        p.head.replaceExif = true;
        p.head.exif = exifBlock(in, out, c, textsMoved, &p.notes);
        p.head.replaceResolution = in.format == out;
        p.head.resolution = out == Format::Jpeg ? in.jfif : in.phys;
    }

    if (!in.iptc.empty()) {
        size_t dropped = 0;
        std::vector<uint8_t> records = iptc::records(in.iptc.data(), in.iptc.size(), &dropped);
        if (records.empty()) p.notes.push_back("IPTC left out: it holds no IPTC records");
        else if (dropped > 0) p.notes.push_back("IPTC: " + std::to_string(dropped) + " bytes after its records left out");
        if (!records.empty()) {
            if (out == Format::Jpeg) p.iptc = iptc::forJpeg(records);
            if (out == Format::Tiff) {
                // As whole longs, the type TIFF readers expect (the imaging library writes bytes).
                tiff::Entry e{kIptcTag, tiff::kLong, 0, iptc::forTiff(records)};
                e.count = uint32_t(e.value.size() / 4);
                p.directories.set(e);
            }
            if (out == Format::Png) p.head.pngChunks.push_back(head::makePngText(iptc::kPngKeyword, iptc::forPng(records)));
        }
    }
    if (out == Format::Png)
        for (const auto& text : in.pngTexts)
            if (!isProfileText(text.first)) p.head.pngChunks.push_back(head::makePngText(text.first, text.second));
    return p;
}

std::string summary(const std::vector<std::string>& notes) {
    if (notes.empty()) return "";
    std::string line = "metadata: ";
    const size_t shown = std::min<size_t>(notes.size(), 3);
    for (size_t i = 0; i < shown; ++i) line += (i ? "; " : "") + notes[i];
    if (notes.size() > shown) line += " (and " + std::to_string(notes.size() - shown) + " more)";
    return line;
}

}  // namespace meta
}  // namespace cli
