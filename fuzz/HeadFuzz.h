// What the JPEG and PNG head targets share: the input's first three bytes
// choose the changes to splice (which to replace, how much of the stream to
// take as the EXIF block, whether a resolution is given); the rest is the
// stream, as a writer hands it over.
#pragma once

#include <algorithm>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "tools/velmora/metadata/HeadSplice.h"

namespace fuzz {

struct HeadCase {
    const uint8_t* stream = nullptr;
    size_t size = 0;
    cli::head::Changes changes;
};

// False when the input is too short to hold the choices.
inline bool readHeadCase(const uint8_t* data, size_t size, const std::vector<uint8_t>& resolution, HeadCase* out) {
    Input choices(data, size);
    const uint8_t how = choices.byte();
    const size_t exifSize = choices.u16() % 2048;
    if (size < 3) return false;
    out->stream = data + 3;
    out->size = size - 3;
    cli::head::Changes& c = out->changes;
    c.replaceExif = how & 1;
    c.replaceResolution = how & 2;
    if (!(how & 4)) c.exif.assign(out->stream, out->stream + std::min(exifSize, out->size));
    if (c.replaceResolution && !(how & 8)) c.resolution = resolution;
    return true;
}

}  // namespace fuzz
