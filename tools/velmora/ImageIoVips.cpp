#include <vips/vips.h>

#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/velmora/ImageIo.h"

namespace cli {

namespace {

struct VipsUnref {
    void operator()(void* p) const { g_object_unref(p); }
};

std::string vipsError() {
    std::string text = vips_error_buffer();
    vips_error_clear();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    size_t newline = text.find('\n');
    return newline == std::string::npos ? text : text.substr(0, newline);
}

std::string lower(std::string s) {
    for (char& c : s) c = char(tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string extensionOf(const std::string& path) {
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return lower(path.substr(dot + 1));
}

// What the image is, in words, when it is not 8-bit RGB.
std::string describe(VipsImage* im) {
    VipsInterpretation type = vips_image_get_interpretation(im);
    int bands = vips_image_get_bands(im);
    const char* depth = vips_image_get_format(im) == VIPS_FORMAT_UCHAR ? "8-bit" : "16-bit or deeper";
    if (type == VIPS_INTERPRETATION_CMYK) return std::string("a CMYK image (") + depth + ")";
    if (type == VIPS_INTERPRETATION_B_W || type == VIPS_INTERPRETATION_GREY16 || bands <= 2)
        return std::string("a greyscale image (") + depth + ")";
    if (type == VIPS_INTERPRETATION_LAB || type == VIPS_INTERPRETATION_LABS) return "a Lab image";
    return std::string("a ") + depth + " image with " + std::to_string(bands) + " bands";
}

bool rgb8(VipsImage* im) {
    VipsInterpretation type = vips_image_get_interpretation(im);
    int bands = vips_image_get_bands(im);
    return vips_image_get_format(im) == VIPS_FORMAT_UCHAR && (bands == 3 || bands == 4) &&
           (type == VIPS_INTERPRETATION_sRGB || type == VIPS_INTERPRETATION_RGB ||
            type == VIPS_INTERPRETATION_MULTIBAND);
}

bool supportedLoader(const char* loader) {
    std::string name = loader ? loader : "";
    return name.rfind("VipsForeignLoadJpeg", 0) == 0 || name.rfind("VipsForeignLoadPng", 0) == 0 ||
           name.rfind("VipsForeignLoadTiff", 0) == 0;
}

std::shared_ptr<VipsImage> open(const std::string& path, std::string* error) {
    if (access(path.c_str(), R_OK) != 0) {
        *error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    const char* loader = vips_foreign_find_load(path.c_str());
    if (loader == nullptr || !supportedLoader(loader)) {
        vips_error_clear();
        *error = path + ": unsupported format (JPEG, PNG and TIFF are read)";
        return nullptr;
    }
    VipsImage* im = vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_RANDOM, nullptr);
    if (im == nullptr) {
        *error = path + ": cannot read: " + vipsError();
        return nullptr;
    }
    return std::shared_ptr<VipsImage>(im, VipsUnref());
}

bool toPixels(VipsImage* im, Pixels* p, std::string* error, const std::string& path) {
    size_t size = 0;
    void* memory = vips_image_write_to_memory(im, &size);
    if (memory == nullptr) {
        *error = path + ": cannot decode: " + vipsError();
        return false;
    }
    p->width = vips_image_get_width(im);
    p->height = vips_image_get_height(im);
    p->bands = vips_image_get_bands(im);
    p->data.assign(static_cast<uint8_t*>(memory), static_cast<uint8_t*>(memory) + size);
    g_free(memory);
    return true;
}

// Copies the fields that describe the photo (colour profile, EXIF, XMP, IPTC,
// resolution) from the source to the result.
void copyMetadata(VipsImage* from, VipsImage* to) {
    static const char* const fields[] = {"icc-profile-data", "exif-data", "xmp-data", "iptc-data", "orientation"};
    for (const char* field : fields) {
        if (vips_image_get_typeof(from, field) == 0) continue;
        GValue value = G_VALUE_INIT;
        if (vips_image_get(from, field, &value) == 0) vips_image_set(to, field, &value);
        g_value_unset(&value);
    }
    to->Xres = from->Xres;
    to->Yres = from->Yres;
}

int save(VipsImage* im, const std::string& path, const std::string& ext, int quality) {
    if (ext == "jpg" || ext == "jpeg") return vips_jpegsave(im, path.c_str(), "Q", quality, nullptr);
    if (ext == "png") return vips_pngsave(im, path.c_str(), nullptr);
    return vips_tiffsave(im, path.c_str(), nullptr);
}

}  // namespace

bool initImageIo(const char* program, std::string* error) {
    if (VIPS_INIT(program) != 0) {
        *error = "cannot start the imaging library";
        return false;
    }
    return true;
}

bool readImage(const std::string& path, SourceImage* image, std::string* error) {
    std::shared_ptr<VipsImage> im = open(path, error);
    if (!im) return false;
    if (!rgb8(im.get())) {
        *error = path + ": " + describe(im.get()) + "; Velmora filters 8-bit RGB images only";
        return false;
    }
    image->original = im;
    return toPixels(im.get(), &image->pixels, error, path);
}

bool readMask(const std::string& path, Pixels* mask, std::string* error) {
    std::shared_ptr<VipsImage> im = open(path, error);
    if (!im) return false;
    if (vips_image_get_format(im.get()) != VIPS_FORMAT_UCHAR || vips_image_get_bands(im.get()) != 1) {
        *error = path + ": a selection mask must be an 8-bit grey image with one band";
        return false;
    }
    return toPixels(im.get(), mask, error, path);
}

bool writeImage(const SourceImage& source, const Pixels& p, const std::string& path, int quality, std::string* error) {
    std::string ext = extensionOf(path);
    if (ext != "jpg" && ext != "jpeg" && ext != "png" && ext != "tif" && ext != "tiff") {
        *error = path + ": unsupported output format (use .jpg, .png or .tif)";
        return false;
    }
    VipsImage* out = vips_image_new_from_memory_copy(p.data.data(), p.data.size(), p.width, p.height, p.bands,
                                                     VIPS_FORMAT_UCHAR);
    if (out == nullptr) {
        *error = path + ": " + vipsError();
        return false;
    }
    std::unique_ptr<VipsImage, VipsUnref> owned(out);
    out->Type = VIPS_INTERPRETATION_sRGB;
    copyMetadata(static_cast<VipsImage*>(source.original.get()), out);

    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = folder + "/." + name + "." + std::to_string(getpid()) + ".tmp";
    if (save(out, temporary, ext, quality) != 0) {
        *error = path + ": cannot write: " + vipsError();
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = path + ": cannot write: " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace cli
