// Image files for the Windows test host: PNG and binary PPM, RGB or RGB + alpha
// (PNG), through the stb single-file codecs. No metadata is carried.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_PNM
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <sys/stat.h>

#include "tools/velmora/Files.h"
#include "tools/velmora/ImageIo.h"
#include "tools/velmora/PpmHeader.h"

namespace cli {

namespace {

struct InputState {
    FILE* file = nullptr;
    InputKind kind = InputKind::Photo;
    int ppmMaxval = 255;
    ~InputState() {
        if (file) std::fclose(file);
    }
};

std::string extensionOf(const std::string& path) {
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool writePpm(const Pixels& p, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
    bool ok = true;
    for (size_t i = 0; ok && i < size_t(p.width) * size_t(p.height); ++i)
        ok = std::fwrite(&p.data[i * size_t(p.bands)], 1, 3, f) == 3;
    return std::fclose(f) == 0 && ok;
}

// RGB + alpha put on white, as three bands.
Pixels flattened(const Pixels& p) {
    Pixels flat{p.width, p.height, 3, {}};
    size_t n = size_t(p.width) * size_t(p.height);
    flat.data.resize(n * 3);
    for (size_t i = 0; i < n; ++i) {
        unsigned a = p.data[i * 4 + 3];
        for (size_t b = 0; b < 3; ++b) flat.data[i * 3 + b] = uint8_t((p.data[i * 4 + b] * a + 255 * (255 - a) + 127) / 255);
    }
    return flat;
}

}  // namespace

bool initImageIo(const char*, std::string*) { return true; }

bool openInput(const std::string& path, InputKind kind, bool, InputFile* file, std::string* error) {
    auto state = std::make_shared<InputState>();
    state->kind = kind;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = path + ": is a folder, not an image file";
        return false;
    }
    state->file = std::fopen(path.c_str(), "rb");
    if (state->file == nullptr) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    if (fstat(fileno(state->file), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = path + ": is not a plain file, not an image file";
        return false;
    }
    if (st.st_size == 0) {
        *error = path + ": is empty";
        return false;
    }
    // A PPM's header is checked here: the codec takes a short file or a maxval of 0 without a word.
    uint8_t start[512];
    size_t got = std::fread(start, 1, sizeof start, state->file);
    std::fseek(state->file, 0, SEEK_SET);
    if (got >= 2 && start[0] == 'P' && start[1] >= '1' && start[1] <= '7') {
        PpmHeader header;
        std::string why;
        if (!readPpmHeader(start, got, uint64_t(st.st_size), &header, &why)) {
            *error = path + ": " + why;
            return false;
        }
        state->ppmMaxval = header.maxval;
    }
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_file(state->file, &w, &h, &n)) {
        *error = path + ": unsupported format or unreadable file (" + stbi_failure_reason() + ")";
        return false;
    }
    if (stbi_is_16_bit_from_file(state->file)) {
        *error = path + ": a 16-bit image; Velmora filters 8-bit images only";
        return false;
    }
    bool ok = kind == InputKind::Mask ? n == 1 : (n == 3 || n == 4);
    if (!ok) {
        *error = path + (kind == InputKind::Mask ? ": a selection mask must be an 8-bit grey image with one band"
                                                 : ": not an RGB image (" + std::to_string(n) + " bands)");
        return false;
    }
    file->path = path;
    file->width = w;
    file->height = h;
    file->bands = n;
    file->state = state;
    return true;
}

bool decodeInput(InputFile& file, SourceImage* image, std::string* notice, std::string* error) {
    auto& in = *static_cast<InputState*>(file.state.get());
    notice->clear();
    int w = 0, h = 0, n = 0;
    std::fseek(in.file, 0, SEEK_SET);
    uint8_t* data = stbi_load_from_file(in.file, &w, &h, &n, 0);
    if (data == nullptr) {
        *error = file.path + ": cannot decode (" + stbi_failure_reason() + ")";
        return false;
    }
    Pixels& p = image->pixels;
    p.width = w;
    p.height = h;
    p.bands = n;
    try {
        p.data.assign(data, data + size_t(w) * size_t(h) * size_t(n));
    } catch (const std::bad_alloc&) {
        stbi_image_free(data);
        *error = file.path + ": not enough memory to decode it";
        return false;
    }
    stbi_image_free(data);
    stretchPpmSamples(p.data.data(), p.data.size(), in.ppmMaxval);
    return true;
}

bool outputFormatWritten(const std::string& path, std::string* error) {
    std::string ext = extensionOf(path);
    if (ext == "png" || ext == "ppm") return true;
    *error = path + ": unsupported output format (use .png or .ppm)";
    return false;
}

bool outputHoldsAlpha(const std::string& path) { return extensionOf(path) == "png"; }

bool writeImage(const SourceImage&, const Pixels& pixels, OutputFile& output, const WriteOptions& options,
                std::string* notice, std::string* error) {
    notice->clear();
    const std::string& path = output.path();
    std::string ext = extensionOf(path);
    if (!outputFormatWritten(path, error)) return false;
    Pixels flat;
    const Pixels* p = &pixels;
    if (pixels.bands == 4 && ext == "ppm") {
        if (!options.flatten) {
            *error = path + ": PPM cannot hold the alpha channel; write .png, or give --flatten";
            return false;
        }
        flat = flattened(pixels);
        p = &flat;
    }
    std::string temporary = output.temporaryPath();
    bool ok = ext == "png" ? stbi_write_png(temporary.c_str(), p->width, p->height, p->bands, p->data.data(),
                                            p->width * p->bands) != 0
                           : writePpm(*p, temporary);
    if (!ok) {
        *error = path + ": cannot write";
        return false;
    }
    return true;
}

}  // namespace cli
