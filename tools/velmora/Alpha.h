// The kinds of alpha a photo file may hold and the conversions between them.
// The filter works on straight colours (a layer's colours, as a host hands
// them over); a TIFF file may hold its colours premultiplied by alpha
// (ExtraSamples 1, "associated") or give its fourth sample no meaning
// (ExtraSamples 0, "unspecified"). An output keeps the kind its input had
// where its format can hold it, so that pixels outside the filtered area
// composite exactly as they did.
#pragma once

#include <cstdint>

#include "tools/velmora/FilterImage.h"

namespace cli {

// The TIFF ExtraSamples values.
enum class AlphaKind : uint16_t { Unspecified = 0, Premultiplied = 1, Straight = 2 };

// Colours of RGB + alpha pixels divided by, and multiplied by, their alpha,
// rounded to nearest: premultiply(unpremultiply(p)) gives p back for every
// premultiplied value (colour <= alpha). Alpha 0 gives colour 0.
void unpremultiply(Pixels& pixels);
void premultiply(Pixels& pixels);

}  // namespace cli
