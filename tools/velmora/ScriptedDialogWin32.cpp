// The Windows tool loads the real plug-in, whose own dialog meets the user.
#include "tools/velmora/FilterImage.h"

namespace cli {
void driveDialog(const FilterJob*) {}
}  // namespace cli
