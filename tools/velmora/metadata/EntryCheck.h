// The entry-by-entry check of metadata about to be written: every entry of
// IFD0's descriptive tags and of the EXIF, GPS and interoperability
// directories is held against what its directory allows for its tag (the
// value type, the count, the value). What can be mended is mended (a text
// without its terminating NUL, a text cut at an inner NUL, a number stored
// in a wider or narrower integer type); what cannot is left out. Of a tag
// that appears twice the first entry stays. Each change is said in words in
// Metadata::mended.
//
// Tags the check does not know keep their entries as they are (their types
// were checked as the directory was read); order is the writer's concern (it
// sorts).
#pragma once

#include "tools/velmora/metadata/TiffDirectory.h"

namespace cli {
namespace tiff {

void checkEntries(Metadata* metadata);

}  // namespace tiff
}  // namespace cli
