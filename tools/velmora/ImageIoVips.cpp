// libvips reading and writing. Inputs are opened once, by descriptor, and
// decoded with the library's failure level at "warning", so truncation,
// checksum errors and corrupt data stop the decode; every warning the library
// gives while reading is collected, and the first names the damage. Outputs
// stream through a target of our own that writes the output's temporary file
// and, on the way, puts the input's own metadata back as metadata/ plans it
// (OutputMetadata.h): into the head of JPEG and PNG streams (HeadSplice.h),
// appended as directories to TIFF files (TiffDirectory.h), since the
// library's TIFF writer leaves EXIF out.
#include <vips/vips.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tools/velmora/Alpha.h"
#include "tools/velmora/Files.h"
#include "tools/velmora/ImageIo.h"
#include "tools/velmora/MemoryBudget.h"
#include "tools/velmora/metadata/HeadSplice.h"
#include "tools/velmora/metadata/Iptc.h"
#include "tools/velmora/metadata/OutputMetadata.h"
#include "tools/velmora/metadata/TiffDirectory.h"

namespace cli {

namespace {

struct VipsUnref {
    void operator()(void* p) const { g_object_unref(p); }
};

using Format = meta::Format;

const char* formatName(Format f) { return f == Format::Jpeg ? "JPEG" : f == Format::Png ? "PNG" : "TIFF"; }

// ---- Warnings -------------------------------------------------------------

// What the library warned about since the last take(); warnings come from its
// worker threads too.
class WarningLog {
public:
    void add(const char* message) {
        std::string text = message ? message : "";
        // "error in tile 0 x 392" only says where a failure was noticed, and
        // "read gave 2 warnings" only counts the warnings that follow it.
        if (text.rfind("error in tile", 0) == 0 || text.rfind("read gave ", 0) == 0) return;
        // "VipsJpeg: Premature end of JPEG file": the loader's name is not the user's concern.
        size_t colon = text.find(": ");
        if ((text.rfind("Vips", 0) == 0 || text.rfind("vips", 0) == 0) && colon != std::string::npos &&
            text.find(' ') > colon)
            text = text.substr(colon + 2);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '.')) text.pop_back();
        std::lock_guard<std::mutex> lock(mutex_);
        if (messages_.size() < 16) messages_.push_back(text);
    }
    std::vector<std::string> take() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> taken;
        taken.swap(messages_);
        return taken;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> messages_;
};

WarningLog& warnings() {
    static WarningLog log;
    return log;
}

void onLibraryWarning(const gchar*, GLogLevelFlags, const gchar* message, gpointer) { warnings().add(message); }

// Warnings about metadata only: every pixel decodes all the same. The file is
// read, with a note; what the metadata lost is said as the output is written.
bool aboutMetadata(const std::string& warning) {
    static const char* const kinds[] = {
        "Unknown field with tag",                          // libtiff: a private tag
        "contains null byte in value",                     // libtiff: a NUL inside a text tag
        "does not end in null byte",                       // libtiff: a text tag without its NUL
        "tags are not sorted in ascending order",          // libtiff sorts them itself
        "bad exif data", "exif: ",                         // the library's EXIF parser
        "extraneous bytes before marker 0xd9",             // libjpeg: padding after the last scan
    };
    for (const char* kind : kinds)
        if (warning.find(kind) != std::string::npos) return true;
    // libpng names the chunk a warning is about: the ancillary chunks hold no pixels.
    static const char* const chunks[] = {"eXIf: ", "iCCP: ", "tEXt: ", "zTXt: ", "iTXt: ", "pHYs: ", "tIME: ",
                                         "gAMA: ", "cHRM: ", "sRGB: ", "bKGD: ", "sBIT: ", "hIST: ", "sPLT: "};
    for (const char* chunk : chunks)
        if (warning.rfind(chunk, 0) == 0) return true;
    return false;
}

bool allAboutMetadata(const std::vector<std::string>& warnings) {
    return std::all_of(warnings.begin(), warnings.end(), aboutMetadata);
}

std::string vipsError() {
    std::string text = vips_error_buffer();
    vips_error_clear();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    size_t newline = text.find('\n');
    text = newline == std::string::npos ? text : text.substr(0, newline);
    size_t colon = text.find(": ");
    if ((text.rfind("Vips", 0) == 0 || text.rfind("vips", 0) == 0) && colon != std::string::npos &&
        text.find(' ') > colon)
        text = text.substr(colon + 2);
    return text;
}

// ---- Reading --------------------------------------------------------------

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

bool formatOfExtension(const std::string& ext, Format* f) {
    if (ext == "jpg" || ext == "jpeg") *f = Format::Jpeg;
    else if (ext == "png") *f = Format::Png;
    else if (ext == "tif" || ext == "tiff") *f = Format::Tiff;
    else return false;
    return true;
}

bool formatOfLoader(const char* loader, Format* f) {
    std::string name = loader ? loader : "";
    if (name.rfind("VipsForeignLoadJpeg", 0) == 0) *f = Format::Jpeg;
    else if (name.rfind("VipsForeignLoadPng", 0) == 0) *f = Format::Png;
    else if (name.rfind("VipsForeignLoadTiff", 0) == 0) *f = Format::Tiff;
    else return false;
    return true;
}

// The depth of a sample format, in words.
const char* depthWords(VipsBandFormat format) {
    switch (format) {
        case VIPS_FORMAT_UCHAR: return "8-bit";
        case VIPS_FORMAT_USHORT: return "16-bit";
        case VIPS_FORMAT_CHAR: return "signed 8-bit";
        case VIPS_FORMAT_SHORT: return "signed 16-bit";
        case VIPS_FORMAT_FLOAT: return "32-bit floating-point";
        case VIPS_FORMAT_DOUBLE: return "64-bit floating-point";
        default: return "32-bit integer";
    }
}

// What the image is, in words, when it is not 8-bit or 16-bit RGB.
std::string describe(VipsImage* im) {
    VipsInterpretation type = vips_image_get_interpretation(im);
    int bands = vips_image_get_bands(im);
    VipsBandFormat format = vips_image_get_format(im);
    const std::string depth = depthWords(format);
    if (type == VIPS_INTERPRETATION_CMYK) return "a CMYK image (" + depth + ")";
    if (type == VIPS_INTERPRETATION_B_W || type == VIPS_INTERPRETATION_GREY16 || bands <= 2)
        return "a greyscale image (" + depth + ")";
    if (type == VIPS_INTERPRETATION_LAB || type == VIPS_INTERPRETATION_LABS) return "a Lab image";
    if (format != VIPS_FORMAT_UCHAR && format != VIPS_FORMAT_USHORT) return "a " + depth + " image";
    return std::string(format == VIPS_FORMAT_UCHAR ? "an " : "a ") + depth + " image with " + std::to_string(bands) +
           " bands";
}

// 8-bit or 16-bit (unsigned) RGB, with or without alpha.
bool rgbPhoto(VipsImage* im) {
    VipsInterpretation type = vips_image_get_interpretation(im);
    VipsBandFormat format = vips_image_get_format(im);
    int bands = vips_image_get_bands(im);
    return (format == VIPS_FORMAT_UCHAR || format == VIPS_FORMAT_USHORT) && (bands == 3 || bands == 4) &&
           (type == VIPS_INTERPRETATION_sRGB || type == VIPS_INTERPRETATION_RGB ||
            type == VIPS_INTERPRETATION_RGB16 || type == VIPS_INTERPRETATION_MULTIBAND);
}

const char* fileKind(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a plain file";
}

// The metadata an output takes from its input: the library's fields (ICC
// profile, XMP, orientation, resolution) on an image of their own, and what
// metadata/ carries.
struct Source {
    std::unique_ptr<VipsImage, VipsUnref> image;
    meta::Carried carried;
    AlphaKind alpha = AlphaKind::Straight;  // a TIFF input's kind; the others' alpha is straight
};

// A file read through its descriptor with the two bytes of one inline TIFF
// value replaced: how a TIFF with premultiplied alpha is handed to the
// library as one with straight alpha, so that the library does not divide
// its colours itself (it would round down, and the output would darken).
struct PatchedFile {
    int fd = -1;
    uint64_t position = 0;
    uint64_t size = 0;
    uint64_t at = 0;
    uint8_t bytes[2] = {0, 0};
};

gint64 onPatchedRead(VipsSourceCustom*, void* buffer, gint64 length, PatchedFile* f) {
    ssize_t n;
    do n = pread(f->fd, buffer, size_t(length), off_t(f->position));
    while (n < 0 && errno == EINTR);
    if (n < 0) return -1;
    for (uint64_t i = 0; i < 2; ++i)
        if (f->at + i >= f->position && f->at + i < f->position + uint64_t(n))
            static_cast<uint8_t*>(buffer)[f->at + i - f->position] = f->bytes[i];
    f->position += uint64_t(n);
    return n;
}

// A seek of one of our sources or targets: the new position, or -1 before the start.
gint64 seekTo(uint64_t* position, uint64_t size, gint64 offset, int whence) {
    gint64 base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? gint64(*position) : gint64(size);
    if (base + offset < 0) return -1;
    *position = uint64_t(base + offset);
    return gint64(*position);
}

gint64 onPatchedSeek(VipsSourceCustom*, gint64 offset, int whence, PatchedFile* f) {
    return seekTo(&f->position, f->size, offset, whence);
}

struct InputState {
    int fd = -1;
    uint64_t size = 0;
    Format format = Format::Jpeg;
    InputKind kind = InputKind::Photo;
    bool acceptDamaged = false;
    bool lenient = false;  // decoding goes on past warnings
    AlphaKind alpha = AlphaKind::Straight;
    std::unique_ptr<PatchedFile> patched;  // outlives `source`, which reads through it
    std::unique_ptr<VipsSource, VipsUnref> source;
    std::unique_ptr<VipsImage, VipsUnref> image;
    std::vector<std::string> warnings;
    ~InputState() {
        image.reset();
        source.reset();
        if (fd >= 0) close(fd);
    }
};

ReadAt readDescriptor(int fd) {
    return [fd](uint64_t offset, void* out, size_t size) {
        size_t done = 0;
        while (done < size) {
            ssize_t n = pread(fd, static_cast<uint8_t*>(out) + done, size - done, off_t(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += size_t(n);
        }
        return true;
    };
}

struct RowCopy {
    uint8_t* data;
    size_t rowBytes;
    size_t pixelBytes;
    int height;
    const std::function<void(double)>* onProgress;
    int rowsDone = 0;
};

int copyRows(VipsRegion* region, VipsRect* area, void* a) {
    RowCopy& c = *static_cast<RowCopy*>(a);
    for (int y = 0; y < area->height; ++y)
        std::memcpy(c.data + size_t(area->top + y) * c.rowBytes + size_t(area->left) * c.pixelBytes,
                    VIPS_REGION_ADDR(region, area->left, area->top + y), size_t(area->width) * c.pixelBytes);
    c.rowsDone += area->height;
    if (*c.onProgress) (*c.onProgress)(double(c.rowsDone) / c.height);
    return 0;
}

// 16-bit pixels rounded to 8 bits: v * 255 / 65535, halves up.
Pixels eightBit(const Pixels& p) {
    Pixels out{p.width, p.height, p.bands, {}};
    const size_t count = size_t(p.width) * size_t(p.height) * size_t(p.bands);
    out.data.resize(count);
    const uint16_t* in = reinterpret_cast<const uint16_t*>(p.data.data());
    for (size_t i = 0; i < count; ++i) out.data[i] = uint8_t((uint32_t(in[i]) * 2 * 255 + 65535) / (2 * 65535));
    return out;
}

void onEval(VipsImage*, VipsProgress* progress, const std::function<void(double)>* onProgress) {
    if (*onProgress) (*onProgress)(progress->percent / 100.0);
}

std::vector<uint8_t> blob(VipsImage* im, const char* field) {
    const void* data = nullptr;
    size_t size = 0;
    if (!vips_image_get_typeof(im, field) || vips_image_get_blob(im, field, &data, &size) != 0 || data == nullptr)
        return {};
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + size);
}

// A PNG's text chunks, as the library names them: "png-comment-N-KEYWORD".
void *gatherText(VipsImage* im, const char* field, GValue*, void* a) {
    const char* prefix = "png-comment-";
    const char* text = nullptr;
    if (std::strncmp(field, prefix, std::strlen(prefix)) != 0 || vips_image_get_string(im, field, &text) != 0)
        return nullptr;
    const char* keyword = std::strchr(field + std::strlen(prefix), '-');
    auto& texts = static_cast<meta::Carried*>(a)->pngTexts;
    if (keyword != nullptr) texts.emplace_back(keyword + 1, text);
    return nullptr;
}

void gatherMetadata(InputState& in, meta::Carried* c) {
    c->format = in.format;
    ReadAt read = readDescriptor(in.fd);
    VipsImage* im = in.image.get();
    c->exif = blob(im, VIPS_META_EXIF_NAME);
    if (c->exif.size() >= 6 && std::memcmp(c->exif.data(), "Exif\0\0", 6) == 0)
        c->exif.erase(c->exif.begin(), c->exif.begin() + 6);
    c->iptc = blob(im, VIPS_META_IPTC_NAME);
    if (in.format == Format::Jpeg) c->jfif = head::jfifSegment(read, in.size);
    if (in.format == Format::Png) {
        c->phys = head::pngChunk(read, in.size, "pHYs");
        vips_image_map(im, gatherText, c);
        for (const auto& text : c->pngTexts)
            if (text.first == iptc::kPngKeyword) c->iptc.assign(text.second.begin(), text.second.end());
    }
    if (in.format == Format::Tiff) {
        std::string ignored;
        c->exif.clear();
        c->tiffRead = tiff::readMetadata(read, in.size, &c->tiff, &ignored);
    }
}

// ---- Writing --------------------------------------------------------------

// The output's temporary file as a libvips target: writes, reads and seeks
// at our own position (TIFF writing seeks), keeps the reason of a failed
// write, and splices the head of JPEG and PNG streams.
struct FileTarget {
    int fd = -1;
    uint64_t position = 0;
    uint64_t size = 0;
    int failure = 0;  // errno of the first failed write
    bool splice = false;
    Format format = Format::Jpeg;
    head::Changes changes;
    std::vector<uint8_t> held;
    bool passing = true;

    bool put(const uint8_t* data, size_t n) {
        while (n > 0) {
            ssize_t done = pwrite(fd, data, n, off_t(position));
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) {
                failure = done < 0 ? errno : ENOSPC;
                return false;
            }
            data += done;
            n -= size_t(done);
            position += uint64_t(done);
            if (position > size) size = position;
        }
        return true;
    }

    bool releaseHead(bool complete) {
        size_t headSize = format == Format::Jpeg ? head::jpegHeadSize(held.data(), held.size())
                                                 : head::pngHeadSize(held.data(), held.size());
        if (headSize == 0 && !complete && held.size() < (16u << 20)) return true;  // more to come
        passing = true;
        std::vector<uint8_t> bytes;
        if (headSize == 0 || headSize == head::kNotAHead) {
            bytes.swap(held);
        } else {
            bytes = format == Format::Jpeg ? head::spliceJpeg(held.data(), held.size(), changes)
                                           : head::splicePng(held.data(), held.size(), changes);
            held.clear();
        }
        return put(bytes.data(), bytes.size());
    }
};

gint64 onTargetWrite(VipsTargetCustom*, const void* data, gint64 length, FileTarget* t) {
    if (t->failure) return -1;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (t->passing) return t->put(p, size_t(length)) ? length : -1;
    t->held.insert(t->held.end(), p, p + length);
    return t->releaseHead(false) ? length : -1;
}

gint64 onTargetRead(VipsTargetCustom*, void* buffer, gint64 length, FileTarget* t) {
    ssize_t n = pread(t->fd, buffer, size_t(length), off_t(t->position));
    if (n < 0) return -1;
    t->position += uint64_t(n);
    return n;
}

gint64 onTargetSeek(VipsTargetCustom*, gint64 offset, int whence, FileTarget* t) {
    return seekTo(&t->position, t->size, offset, whence);
}

int onTargetEnd(VipsTargetCustom*, FileTarget* t) {
    if (!t->passing && !t->releaseHead(true)) return -1;
    return t->failure ? -1 : 0;
}

void copyField(VipsImage* from, VipsImage* to, const char* field) {
    if (vips_image_get_typeof(from, field) == 0) return;
    GValue value = G_VALUE_INIT;
    if (vips_image_get(from, field, &value) == 0) vips_image_set(to, field, &value);
    g_value_unset(&value);
}

int save(VipsImage* im, VipsTarget* target, Format f, int quality) {
    if (f == Format::Jpeg) return vips_jpegsave_target(im, target, "Q", quality, nullptr);
    if (f == Format::Png) return vips_pngsave_target(im, target, nullptr);
    return vips_tiffsave_target(im, target, nullptr);
}

// Opens the image on a source from the file's start. Strict loading stops at
// the first warning; lenient loading (asked for, or after warnings about
// metadata only) decodes on, and the warnings it gives are judged.
void load(InputState& in) {
    in.image.reset();
    if (in.patched) {
        in.patched->position = 0;
    } else {
        in.source.reset();
        lseek(in.fd, 0, SEEK_SET);
        in.source.reset(vips_source_new_from_descriptor(in.fd));
        if (!in.source) return;
    }
    VipsFailOn failOn = in.lenient ? VIPS_FAIL_ON_NONE : VIPS_FAIL_ON_WARNING;
    in.image.reset(vips_image_new_from_source(in.source.get(), "", "access", VIPS_ACCESS_SEQUENTIAL, "fail_on",
                                              failOn, nullptr));
}

// A TIFF's alpha kind; premultiplied alpha is read through a PatchedFile.
void readAlphaKind(InputState& in) {
    tiff::InlineShort extra;
    if (!tiff::findInlineShort(readDescriptor(in.fd), in.size, 338, &extra) || extra.value > 2) return;
    in.alpha = AlphaKind(extra.value);
    if (in.alpha != AlphaKind::Premultiplied) return;
    auto patched = std::make_unique<PatchedFile>();
    patched->fd = in.fd;
    patched->size = in.size;
    patched->at = extra.at;
    patched->bytes[extra.bigEndian ? 1 : 0] = uint8_t(AlphaKind::Straight);
    VipsSourceCustom* custom = vips_source_custom_new();
    g_signal_connect(custom, "read", G_CALLBACK(onPatchedRead), patched.get());
    g_signal_connect(custom, "seek", G_CALLBACK(onPatchedSeek), patched.get());
    in.source.reset(VIPS_SOURCE(custom));
    in.patched = std::move(patched);
}

}  // namespace

bool initImageIo(const char* program, std::string* error) {
    if (VIPS_INIT(program) != 0) {
        *error = "cannot start the imaging library";
        return false;
    }
    // Each file is read once: nothing to gain from the operation cache, and a
    // cached loader would hold its file (and its last warnings) open.
    vips_cache_set_max(0);
    g_log_set_handler("VIPS", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE), onLibraryWarning, nullptr);
    return true;
}

bool openInput(const std::string& path, InputKind kind, bool acceptDamaged, InputFile* file, std::string* error) {
    auto state = std::make_shared<InputState>();
    state->kind = kind;
    state->acceptDamaged = acceptDamaged;
    // Non-blocking: opening a FIFO must not wait for a writer.
    state->fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (state->fd < 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(state->fd, &st) != 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        *error = path + ": is a folder, not an image file";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = path + ": is " + fileKind(st.st_mode) + ", not an image file";
        return false;
    }
    if (st.st_size == 0) {
        *error = path + ": is empty";
        return false;
    }
    state->size = uint64_t(st.st_size);
    fcntl(state->fd, F_SETFL, fcntl(state->fd, F_GETFL) & ~O_NONBLOCK);

    state->source.reset(vips_source_new_from_descriptor(state->fd));
    if (!state->source) {
        *error = path + ": cannot read: " + vipsError();
        return false;
    }
    warnings().take();
    if (!formatOfLoader(vips_foreign_find_load_source(state->source.get()), &state->format)) {
        vips_error_clear();
        *error = path + ": unsupported format (JPEG, PNG and TIFF are read)";
        return false;
    }
    if (state->format == Format::Tiff) readAlphaKind(*state);
    state->lenient = acceptDamaged;
    load(*state);
    state->warnings = warnings().take();
    if (!state->image && !state->lenient && allAboutMetadata(state->warnings)) {
        state->lenient = true;  // the header's metadata is odd, not its pixels
        load(*state);
        warnings().take();
    }
    if (!state->image) {
        std::string reason = vipsError();
        if (!state->warnings.empty()) reason = state->warnings.front();
        if (reason.empty()) reason = std::string("not a readable ") + formatName(state->format) + " file";
        *error = path + ": cannot read: " + reason;
        return false;
    }
    VipsImage* im = state->image.get();
    if (kind == InputKind::Mask) {
        if (vips_image_get_format(im) != VIPS_FORMAT_UCHAR || vips_image_get_bands(im) != 1) {
            *error = path + ": a selection mask must be an 8-bit grey image with one band";
            return false;
        }
    } else {
        int pages = vips_image_get_n_pages(im);
        if (pages > 1) {
            *error = path + ": has " + std::to_string(pages) +
                     " pages; Velmora filters single-page files only (split the pages first)";
            return false;
        }
        if (!rgbPhoto(im)) {
            *error = path + ": " + describe(im) + "; Velmora filters 8-bit and 16-bit RGB images only";
            return false;
        }
    }
    file->path = path;
    file->width = vips_image_get_width(im);
    file->height = vips_image_get_height(im);
    file->bands = vips_image_get_bands(im);
    file->depth = vips_image_get_format(im) == VIPS_FORMAT_USHORT ? 16 : 8;
    file->state = state;
    return true;
}

bool decodeInput(InputFile& file, SourceImage* image, std::string* notice, std::string* error) {
    auto& in = *static_cast<InputState*>(file.state.get());
    Pixels p;
    p.width = file.width;
    p.height = file.height;
    p.bands = file.bands;
    p.depth = file.depth;
    const size_t pixelBytes = size_t(p.bands) * (p.depth == 16 ? 2 : 1);
    size_t bytes = size_t(p.width) * size_t(p.height) * pixelBytes;
    try {
        p.data.resize(bytes);
    } catch (const std::bad_alloc&) {
        *error = file.path + ": not enough memory to decode its " + std::to_string(p.width) + " x " +
                 std::to_string(p.height) + " pixels (" + formatBytes(bytes) + ")";
        return false;
    }
    RowCopy copy{p.data.data(), size_t(p.width) * pixelBytes, pixelBytes, p.height, &file.onProgress};
    warnings().take();
    vips_error_clear();
    int result = vips_sink_disc(in.image.get(), copyRows, &copy);
    // A failure's reason, or after a decode that went through, what the
    // loader noted on the way: the JPEG loader keeps libjpeg's warnings there
    // and logs them only as it closes, which may be after we look.
    std::string failure = vipsError();
    for (std::string& w : warnings().take()) in.warnings.push_back(w);
    if (result != 0 && !in.lenient) {
        // A strict decode stopped: when only metadata was odd, the pixels are decoded again, leniently.
        std::vector<std::string> seen = in.warnings;
        if (!failure.empty()) seen.push_back(failure);
        if (allAboutMetadata(seen)) {
            in.lenient = true;
            load(in);
            vips_error_clear();
            copy.rowsDone = 0;
            result = in.image ? vips_sink_disc(in.image.get(), copyRows, &copy) : -1;
            in.warnings = seen;
            failure = vipsError();
            for (std::string& w : warnings().take())
                if (std::find(in.warnings.begin(), in.warnings.end(), w) == in.warnings.end()) in.warnings.push_back(w);
        }
    }
    if (result == 0 && !failure.empty()) in.warnings.push_back(failure);
    // The metadata moves to an image of its own: the JPEG loader reports some
    // warnings only when it is closed, which happens as the loaded image goes.
    auto source = std::make_shared<Source>();
    if (result == 0) {
        gatherMetadata(in, &source->carried);
        source->image.reset(vips_image_new());
        for (const char* field : {"icc-profile-data", "xmp-data", "orientation", "resolution-unit"})
            copyField(in.image.get(), source->image.get(), field);
        source->image->Xres = in.image->Xres;
        source->image->Yres = in.image->Yres;
        source->alpha = in.alpha;
    }
    in.image.reset();
    in.source.reset();
    for (std::string& w : warnings().take()) in.warnings.push_back(w);
    std::string damage;
    for (const std::string& w : in.warnings)
        if (!aboutMetadata(w) && damage.empty()) damage = w;
    const bool onlyBenign = damage.empty();
    // Running out of memory is said as such, not taken for damage.
    bool memory = failure.find("out of memory") != std::string::npos;
    for (const std::string& w : in.warnings) memory = memory || w.find("out of memory") != std::string::npos;
    if (memory) {
        *error = file.path + ": not enough memory to decode its " + std::to_string(p.width) + " x " +
                 std::to_string(p.height) + " pixels";
        return false;
    }
    if (result != 0) {
        // The loader stops at damage.
        if (damage.empty()) damage = failure.empty() ? "the data ends early or is corrupt" : failure;
        *error = file.path + ": damaged: " + damage;
        return false;
    }
    notice->clear();
    if (!onlyBenign && !in.acceptDamaged) {
        *error = file.path + ": damaged: " + damage + " (--accept-damaged filters what can be decoded)";
        return false;
    }
    if (!onlyBenign)
        *notice = file.path + ": damaged: " + damage + "; filtered what could be decoded";
    else if (!in.warnings.empty())
        *notice = file.path + ": note: " + in.warnings.front() + " (metadata only: every pixel was decoded)";

    // The filter takes straight colours.
    if (in.alpha == AlphaKind::Premultiplied) unpremultiply(p);
    image->pixels = std::move(p);
    image->original = source;
    return true;
}

bool outputFormatWritten(const std::string& path, std::string* error) {
    Format f;
    if (formatOfExtension(extensionOf(path), &f)) return true;
    *error = path + ": unsupported output format (use .jpg, .png or .tif)";
    return false;
}

bool outputHoldsAlpha(const std::string& path) {
    Format f = Format::Jpeg;
    return formatOfExtension(extensionOf(path), &f) && f != Format::Jpeg;
}

bool writeImage(const SourceImage& source, const Pixels& straight, OutputFile& output, const WriteOptions& options,
                std::string* notice, std::string* error) {
    const std::string& path = output.path();
    Format format;
    if (!formatOfExtension(extensionOf(path), &format)) return outputFormatWritten(path, error);
    // JPEG holds 8 bits: the 16-bit result is rounded once, here.
    if (format == Format::Jpeg && straight.depth == 16)
        return writeImage(source, eightBit(straight), output, options, notice, error);
    const bool deep = straight.depth == 16;
    const Source* s = static_cast<const Source*>(source.original.get());
    // A TIFF output keeps its input's kind of alpha.
    const AlphaKind alpha = s != nullptr && format == Format::Tiff && straight.bands == 4 ? s->alpha : AlphaKind::Straight;
    Pixels premultiplied;
    if (alpha == AlphaKind::Premultiplied) {
        premultiplied = straight;
        premultiply(premultiplied);
    }
    const Pixels& p = alpha == AlphaKind::Premultiplied ? premultiplied : straight;
    VipsImage* wrapped = vips_image_new_from_memory(p.data.data(), p.data.size(), p.width, p.height, p.bands,
                                                    deep ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR);
    if (wrapped == nullptr) {
        *error = path + ": cannot write: " + vipsError();
        return false;
    }
    std::unique_ptr<VipsImage, VipsUnref> out(wrapped);
    out->Type = deep ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB;
    meta::Planned planned;
    if (s != nullptr && s->image) {
        for (const char* field : {"icc-profile-data", "xmp-data", "orientation", "resolution-unit"})
            copyField(s->image.get(), out.get(), field);
        out->Xres = s->image->Xres;
        out->Yres = s->image->Yres;
        planned = meta::plan(s->carried, format);
        if (!planned.iptc.empty())
            vips_image_set_blob_copy(out.get(), VIPS_META_IPTC_NAME, planned.iptc.data(), planned.iptc.size());
    }
    *notice = meta::summary(planned.notes);
    if (p.bands == 4 && format == Format::Jpeg) {
        if (!options.flatten) {
            *error = path + ": JPEG cannot hold the alpha channel; write .png or .tif, or give --flatten";
            return false;
        }
        VipsImage* flat = nullptr;
        VipsArrayDouble* white = vips_array_double_newv(3, 255.0, 255.0, 255.0);
        int failed = vips_flatten(out.get(), &flat, "background", white, nullptr);
        vips_area_unref(VIPS_AREA(white));
        if (failed) {
            *error = path + ": cannot flatten: " + vipsError();
            return false;
        }
        out.reset(flat);
    }

    FileTarget t;
    t.fd = output.descriptor();
    t.format = format;
    t.changes = planned.head;
    tiff::Metadata& forTiff = planned.directories;
    if (alpha != AlphaKind::Straight) forTiff.set({338, tiff::kShort, 1, {uint8_t(alpha), 0}});  // ExtraSamples
    t.passing = format == Format::Tiff;
    std::unique_ptr<VipsTargetCustom, VipsUnref> target(vips_target_custom_new());
    g_signal_connect(target.get(), "write", G_CALLBACK(onTargetWrite), &t);
    g_signal_connect(target.get(), "read", G_CALLBACK(onTargetRead), &t);
    g_signal_connect(target.get(), "seek", G_CALLBACK(onTargetSeek), &t);
    g_signal_connect(target.get(), "end", G_CALLBACK(onTargetEnd), &t);
    vips_image_set_progress(out.get(), TRUE);
    auto* onProgress = const_cast<std::function<void(double)>*>(&options.onProgress);
    g_signal_connect(out.get(), "eval", G_CALLBACK(onEval), onProgress);
    if (save(out.get(), VIPS_TARGET(target.get()), format, options.quality) != 0) {
        std::string reason = t.failure ? std::strerror(t.failure) : vipsError();
        vips_error_clear();
        *error = path + ": cannot write: " + reason;
        return false;
    }
    if (t.failure) {
        *error = path + ": cannot write: " + std::strerror(t.failure);
        return false;
    }
    if (format == Format::Tiff && !forTiff.empty()) {
        std::string why;
        WriteAt write = [&t](uint64_t offset, const void* data, size_t n) {
            t.position = offset;
            return t.put(static_cast<const uint8_t*>(data), n);
        };
        if (!tiff::addToTiff(readDescriptor(t.fd), write, t.size, forTiff, &why)) {
            *error = path + ": cannot write its metadata: " + (t.failure ? std::strerror(t.failure) : why);
            return false;
        }
    }
    return true;
}

}  // namespace cli
