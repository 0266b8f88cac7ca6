// Image files for the Windows test host: PNG and binary PPM, RGB or RGB + alpha
// (PNG), through the stb single-file codecs. No metadata is carried.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_PNM
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <windows.h>

#include "tools/velmora/ImageIo.h"

namespace cli {

namespace {

std::string extensionOf(const std::string& path) {
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool load(const std::string& path, Pixels* p, int wantBands, std::string* error) {
    int w = 0, h = 0, n = 0;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    if (stbi_is_16_bit_from_file(f)) {
        std::fclose(f);
        *error = path + ": a 16-bit image; Velmora filters 8-bit images only";
        return false;
    }
    uint8_t* data = stbi_load_from_file(f, &w, &h, &n, 0);
    std::fclose(f);
    if (data == nullptr) {
        *error = path + ": unsupported format or unreadable file (" + stbi_failure_reason() + ")";
        return false;
    }
    bool ok = wantBands == 1 ? n == 1 : (n == 3 || n == 4);
    if (!ok) {
        stbi_image_free(data);
        *error = path + (wantBands == 1 ? ": a selection mask must be an 8-bit grey image with one band"
                                        : ": not an RGB image (" + std::to_string(n) + " bands)");
        return false;
    }
    p->width = w;
    p->height = h;
    p->bands = n;
    p->data.assign(data, data + size_t(w) * size_t(h) * size_t(n));
    stbi_image_free(data);
    return true;
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

}  // namespace

bool initImageIo(const char*, std::string*) { return true; }

bool readImage(const std::string& path, SourceImage* image, std::string* error) {
    return load(path, &image->pixels, 3, error);
}

bool readMask(const std::string& path, Pixels* mask, std::string* error) { return load(path, mask, 1, error); }

bool writeImage(const SourceImage&, const Pixels& p, const std::string& path, int, std::string* error) {
    std::string ext = extensionOf(path);
    if (ext != "png" && ext != "ppm") {
        *error = path + ": unsupported output format (use .png or .ppm)";
        return false;
    }
    std::string temporary = path + ".tmp";
    bool ok = ext == "png" ? stbi_write_png(temporary.c_str(), p.width, p.height, p.bands, p.data.data(),
                                            p.width * p.bands) != 0
                           : writePpm(p, temporary);
    if (!ok || !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        std::remove(temporary.c_str());
        *error = path + ": cannot write";
        return false;
    }
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    char fa[MAX_PATH], fb[MAX_PATH];
    return GetFullPathNameA(a.c_str(), MAX_PATH, fa, nullptr) && GetFullPathNameA(b.c_str(), MAX_PATH, fb, nullptr) &&
           lstrcmpiA(fa, fb) == 0;
}

}  // namespace cli
