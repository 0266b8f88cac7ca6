// What both image back ends share: reading and writing a whole file in one
// call, for callers that need no plan of their own (the dialog tests).
#include "tools/velmora/ImageIo.h"

#include "tools/velmora/Files.h"

namespace cli {

bool readImage(const std::string& path, SourceImage* image, std::string* error) {
    InputFile file;
    std::string notice;
    return openInput(path, InputKind::Photo, false, &file, error) && decodeInput(file, image, &notice, error);
}

bool writeImage(const SourceImage& source, const Pixels& pixels, const std::string& path, int quality,
                std::string* error) {
    OutputFile output;
    WriteOptions options;
    options.quality = quality;
    std::string notice;
    return output.create(path, true, error) && writeImage(source, pixels, output, options, &notice, error) &&
           output.commit(error);
}

}  // namespace cli
