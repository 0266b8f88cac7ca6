// Image files for the Windows test host: PNG and binary PPM, RGB or RGB + alpha
// (PNG), 8 or 16 bits a sample, through the stb single-file codecs (16-bit PNG
// written here, stb's writer having 8 bits only). No metadata is carried.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_PNM
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <vector>

#include "tools/velmora/Files.h"
#include "tools/velmora/ImageIo.h"
#include "tools/velmora/PpmHeader.h"

namespace cli {

namespace {

struct InputState {
    FILE* file = nullptr;
    InputKind kind = InputKind::Photo;
    int ppmMaxval = 0;  // a PPM's maxval, whose samples are stretched to the full range; 0 for other files
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

// Sample i of the pixels, and the largest value a sample takes.
unsigned sampleAt(const Pixels& p, size_t i) {
    if (p.depth != 16) return p.data[i];
    uint16_t v;
    std::memcpy(&v, &p.data[2 * i], 2);
    return v;
}
unsigned fullValue(const Pixels& p) { return p.depth == 16 ? 65535u : 255u; }

// Sample bytes as files hold them: big-endian for 16 bits.
void putSample(std::vector<uint8_t>& out, const Pixels& p, unsigned v) {
    if (p.depth == 16) out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

bool writePpm(const Pixels& p, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    std::fprintf(f, "P6\n%d %d\n%u\n", p.width, p.height, fullValue(p));
    bool ok = true;
    std::vector<uint8_t> row;
    for (int y = 0; ok && y < p.height; ++y) {
        row.clear();
        for (size_t i = size_t(y) * size_t(p.width); i < size_t(y + 1) * size_t(p.width); ++i)
            for (size_t b = 0; b < 3; ++b) putSample(row, p, sampleAt(p, i * size_t(p.bands) + b));
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    return std::fclose(f) == 0 && ok;
}

uint32_t crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putChunk(FILE* f, const char* type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> chunk(type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    const uint32_t n = uint32_t(data.size()), crc = crc32(chunk.data(), chunk.size());
    const uint8_t length[4] = {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
    const uint8_t check[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
    std::fwrite(length, 1, 4, f);
    std::fwrite(chunk.data(), 1, chunk.size(), f);
    std::fwrite(check, 1, 4, f);
}

// A 16-bit PNG: RGB or RGB + alpha, rows unfiltered.
bool writePng16(const Pixels& p, const std::string& path) {
    std::vector<uint8_t> rows;
    for (size_t i = 0; i < size_t(p.width) * size_t(p.height) * size_t(p.bands); ++i) {
        if (i % (size_t(p.width) * size_t(p.bands)) == 0) rows.push_back(0);  // filter: none
        putSample(rows, p, sampleAt(p, i));
    }
    int packed = 0;
    unsigned char* zlib = stbi_zlib_compress(rows.data(), int(rows.size()), &packed, 8);
    if (zlib == nullptr) return false;
    std::vector<uint8_t> header;
    for (uint32_t v : {uint32_t(p.width), uint32_t(p.height)})
        for (int k = 3; k >= 0; --k) header.push_back(uint8_t(v >> (8 * k)));
    header.insert(header.end(), {16, uint8_t(p.bands == 4 ? 6 : 2), 0, 0, 0});
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f != nullptr;
    if (ok) {
        std::fwrite("\x89PNG\r\n\x1a\n", 1, 8, f);
        putChunk(f, "IHDR", header);
        putChunk(f, "IDAT", std::vector<uint8_t>(zlib, zlib + packed));
        putChunk(f, "IEND", {});
        ok = std::ferror(f) == 0;
        ok = std::fclose(f) == 0 && ok;
    }
    std::free(zlib);
    return ok;
}

// RGB + alpha put on white, as three bands of the same depth.
Pixels flattened(const Pixels& p) {
    Pixels flat{p.width, p.height, 3, {}, p.depth};
    const size_t n = size_t(p.width) * size_t(p.height), sb = p.depth == 16 ? 2 : 1;
    const unsigned full = fullValue(p);
    flat.data.resize(n * 3 * sb);
    for (size_t i = 0; i < n; ++i) {
        const unsigned a = sampleAt(p, i * 4 + 3);
        for (size_t b = 0; b < 3; ++b) {
            const unsigned v = unsigned((uint64_t(sampleAt(p, i * 4 + b)) * a + uint64_t(full) * (full - a) + full / 2) / full);
            if (p.depth == 16) {
                const uint16_t w = uint16_t(v);
                std::memcpy(&flat.data[(i * 3 + b) * 2], &w, 2);
            } else {
                flat.data[i * 3 + b] = uint8_t(v);
            }
        }
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
    const bool deep = stbi_is_16_bit_from_file(state->file) != 0;
    if (deep && kind == InputKind::Mask) {
        *error = path + ": a selection mask must be an 8-bit grey image with one band";
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
    file->depth = deep ? 16 : 8;
    file->state = state;
    return true;
}

bool decodeInput(InputFile& file, SourceImage* image, std::string* notice, std::string* error) {
    auto& in = *static_cast<InputState*>(file.state.get());
    notice->clear();
    int w = 0, h = 0, n = 0;
    std::fseek(in.file, 0, SEEK_SET);
    const size_t sampleBytes = file.depth == 16 ? 2 : 1;
    void* decoded = sampleBytes == 2 ? static_cast<void*>(stbi_load_from_file_16(in.file, &w, &h, &n, 0))
                                     : static_cast<void*>(stbi_load_from_file(in.file, &w, &h, &n, 0));
    uint8_t* data = static_cast<uint8_t*>(decoded);
    if (data == nullptr) {
        *error = file.path + ": cannot decode (" + stbi_failure_reason() + ")";
        return false;
    }
    Pixels& p = image->pixels;
    p.width = w;
    p.height = h;
    p.bands = n;
    p.depth = file.depth;
    try {
        p.data.assign(data, data + size_t(w) * size_t(h) * size_t(n) * sampleBytes);
    } catch (const std::bad_alloc&) {
        stbi_image_free(data);
        *error = file.path + ": not enough memory to decode it";
        return false;
    }
    stbi_image_free(data);
    if (p.depth == 16)
        stretchPpmSamples(reinterpret_cast<uint16_t*>(p.data.data()), p.data.size() / 2, in.ppmMaxval);
    else
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
    bool ok = ext == "ppm"         ? writePpm(*p, temporary)
              : p->depth == 16     ? writePng16(*p, temporary)
                                   : stbi_write_png(temporary.c_str(), p->width, p->height, p->bands, p->data.data(),
                                                    p->width * p->bands) != 0;
    if (!ok) {
        *error = path + ": cannot write";
        return false;
    }
    return true;
}

}  // namespace cli
