// What an output gets of its input's metadata, per output format. EXIF is
// checked entry by entry (EntryCheck.h) before it is written: a block that
// reads without a fault is carried byte for byte into JPEG and PNG outputs; a
// mended one is written anew. TIFF outputs get IFD0's descriptive entries and
// the sub-directories as directories of their own. A JPEG segment holds at
// most 64 KB: a larger block is written anew without its thumbnail, then
// without its maker note, else left out. IPTC goes in each format's own
// wrapper (Iptc.h). Everything that is mended, left out or cannot be kept is
// said in notes, in the user's words.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/velmora/metadata/HeadSplice.h"
#include "tools/velmora/metadata/TiffDirectory.h"

namespace cli {
namespace meta {

enum class Format { Jpeg, Png, Tiff };

// What an input gives its outputs, as it was read.
struct Carried {
    Format format = Format::Jpeg;
    std::vector<uint8_t> exif;  // JPEG and PNG inputs: the EXIF block, no prefix; empty when none
    std::vector<uint8_t> jfif;  // JPEG input: its JFIF segment
    std::vector<uint8_t> phys;  // PNG input: its pHYs chunk
    bool tiffRead = false;      // TIFF input: its directories were read
    tiff::Metadata tiff;        // TIFF input: IFD0's descriptive entries and sub-directories
    std::vector<uint8_t> iptc;  // IPTC in whatever wrapper the input had
    std::vector<std::pair<std::string, std::string>> pngTexts;  // PNG input: text chunks (keyword, text)
};

// What one output gets.
struct Planned {
    head::Changes head;          // JPEG and PNG outputs
    tiff::Metadata directories;  // TIFF outputs: added to the writer's IFD0
    std::vector<uint8_t> iptc;   // JPEG outputs: the writer's IPTC field (APP13); TIFF and PNG get theirs above
    std::vector<std::string> notes;
};

Planned plan(const Carried& input, Format output);

// The notes as one line: "metadata: a; b; c (and 4 more)"; "" for none.
std::string summary(const std::vector<std::string>& notes);

}  // namespace meta
}  // namespace cli
