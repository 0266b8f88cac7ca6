// The Windows tool loads the real plug-in, whose own dialog meets the user.
#include "tools/velmora/FilterImage.h"

namespace cli {
void driveDialog(const FilterJob*) {}
std::string takePluginMessage() { return ""; }  // its message boxes are the user's to read
}  // namespace cli
