// The part of an output file that does not depend on the platform.
#include "tools/velmora/Files.h"

namespace cli {

bool OutputFile::create(const std::string& path, bool overwrite, std::string* error) {
    discard();
    path_ = path;
    overwrite_ = overwrite;
    committed_ = false;
    return createTemporary(folderOf(path), error);
}

}  // namespace cli
