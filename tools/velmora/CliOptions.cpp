#include "tools/velmora/CliOptions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "engine/Controls.h"
#include "testhost/TestHost.h"

namespace cli {

namespace {

// "Shadow Brightness, 0 to 20 (default 10)": a control as the user sees it.
std::string controlRange(const ControlSpec& c) {
    char text[96];
    std::snprintf(text, sizeof text, "%s, %g to %g (default %g)", c.label, shownLow(c), shownHigh(c),
                  shownInitial(c));
    return text;
}

bool parseNumber(const std::string& text, double low, double high, double* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !(v >= low && v <= high)) return false;
    *value = v;
    return true;
}

// A control's value as shown, within its range.
bool parseControl(const ControlSpec& c, const char* option, const std::string& text, double* value,
                  std::string* error) {
    if (parseNumber(text, shownLow(c), shownHigh(c), value)) return true;
    char range[64];
    std::snprintf(range, sizeof range, "a number from %g to %g", shownLow(c), shownHigh(c));
    *error = std::string(option) + " must be " + range + ", not '" + text + "'";
    return false;
}

bool parseRect(const std::string& text, Rect* r) {
    long v[4];
    const char* p = text.c_str();
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        errno = 0;
        v[i] = std::strtol(p, &end, 10);
        if (end == p || errno != 0 || v[i] < 0 || v[i] > 32767) return false;
        if (i < 3 && *end != ',') return false;
        if (i == 3 && *end != '\0') return false;
        p = end + 1;
    }
    *r = {int16_t(v[0]), int16_t(v[1]), int16_t(v[2]), int16_t(v[3])};
    return r->bottom > r->top && r->right > r->left;
}

bool validFault(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    std::string kind = text.substr(0, colon);
    double n = 0;
    return (kind == "advance" || kind == "abort" || kind == "buffer" || kind == "handle") &&
           parseNumber(text.substr(colon + 1), 1, 1e6, &n) && n == int(n);
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string usage(const char* program, bool hostTool) {
    const char* noAlpha = hostTool ? "PPM" : "JPEG";
    std::string text = std::string("Usage: ") + program + " [options] INPUT...\n" +
        "Reveals detail hidden in the shadows of RGB photos, 8 or 16 bits per channel, with the Velmora filter.\n\n"
        "  -o, --output PATH      output file (one input) or folder (several inputs; a trailing / names a folder);\n"
        "                         default: INPUT-velmora.EXT beside each input\n"
        "      --overwrite        replace outputs that already exist; without it an existing output refuses the run\n"
        "  -b, --brightness N     " + controlRange(kShadowBrightness) + "\n"
        "  -c, --color N          " + controlRange(kColorIntensity) + "\n"
        "      --selection MASK   8-bit grey image of the same size: the selection (255 = selected);\n"
        "                         unselected pixels keep their values, partly selected ones are blended\n"
        "      --rect T,L,B,R     filter only this rectangle (top, left, bottom, right; bottom and right exclusive)\n"
        "  -q, --quality N        JPEG quality, 1 to 100 (default 92); a 16-bit result is rounded to 8 bits for it\n"
        "      --accept-damaged   filter what a damaged input still gives, and say so (default: refuse it)\n"
        "      --flatten          put an image with alpha on white for a " + noAlpha +
        " output (default: refuse it)\n"
        "      --threads N        use at most N threads (default: one per processor; 1: no worker thread)\n";
    if (hostTool)
        text += "      --plugin FILE      the Velmora.8bf to load (found by its PIPL resource)\n"
                "      --x87-double       run the plug-in with the x87 unit at 53-bit precision, as an MSVC-built host\n"
                "      --dialog           show the plug-in's dialog, starting from the given settings\n";
    text += "      --host-profile NAME  testing aid: the host behaves as reference (default), psfilterpdn, pspi,\n"
            "                         irfanview or pspihost; hosts without scripting run the dialog\n"
            "      --fault KIND:N     testing aid: make the host fail its Nth advance, abort, buffer or handle call\n"
            "  -h, --help             show this help\n"
            "  -V, --version          show the version\n"
            "  --                     what follows are input files, even where they begin with -\n\n"
            "The image must be RGB of 8 or 16 bits per channel (an alpha channel is kept where the format holds one),\n"
            "one page, and at least 350 x 350 pixels; a 16-bit image is filtered and written at 16 bits (PNG, " +
            std::string(hostTool ? "PPM" : "TIFF") + ").\n"
            "--rect and --selection address the pixels as stored: an orientation tag is not applied\n"
            "(it is kept, with the resolution, EXIF, XMP and ICC profile). Every output is planned before any is\n"
            "written: a run that would replace one of its inputs or the selection, or write two inputs to one output,\n"
            "is refused and writes nothing.\n"
            "Exit status: 0 when every output was written, 1 when a file failed or the run was refused, 2 for bad\n"
            "options.\n";
    return text;
}

bool parseOptions(int argc, char** argv, bool hostTool, Options* o, std::string* error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            o->inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {  // what follows are inputs, whatever they look like
            optionsEnded = true;
            continue;
        }
        std::string value;
        size_t eq = arg.find('=');
        bool inlineValue = arg.rfind("--", 0) == 0 && eq != std::string::npos;
        if (inlineValue) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        auto takeValue = [&](std::string* out) {
            if (inlineValue) {
                *out = value;
                return true;
            }
            if (i + 1 >= argc) {
                *error = "option " + arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        auto flag = [&](bool* out) {
            if (inlineValue) {
                *error = "option " + arg + " takes no value";
                return false;
            }
            *out = true;
            return true;
        };
        if (arg == "-h" || arg == "--help") {
            o->help = true;
        } else if (arg == "-V" || arg == "--version") {
            o->version = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!takeValue(&o->output)) return false;
        } else if (arg == "-b" || arg == "--brightness") {
            if (!takeValue(&value)) return false;
            if (!parseControl(kShadowBrightness, "--brightness", value, &o->brightness, error)) return false;
        } else if (arg == "-c" || arg == "--color") {
            if (!takeValue(&value)) return false;
            if (!parseControl(kColorIntensity, "--color", value, &o->color, error)) return false;
        } else if (arg == "--selection") {
            if (!takeValue(&o->selection)) return false;
        } else if (arg == "--rect") {
            if (!takeValue(&value)) return false;
            if (!parseRect(value, &o->rect)) {
                *error = "--rect must be TOP,LEFT,BOTTOM,RIGHT with bottom > top and right > left, not '" + value + "'";
                return false;
            }
            o->hasRect = true;
        } else if (arg == "-q" || arg == "--quality") {
            if (!takeValue(&value)) return false;
            double q = 0;
            if (!parseNumber(value, 1, 100, &q) || q != int(q)) {
                *error = "--quality must be a whole number from 1 to 100, not '" + value + "'";
                return false;
            }
            o->quality = int(q);
        } else if (arg == "--threads") {
            if (!takeValue(&value)) return false;
            double n = 0;
            if (!parseNumber(value, 1, 1024, &n) || n != int(n)) {
                *error = "--threads must be a whole number from 1 to 1024, not '" + value + "'";
                return false;
            }
            o->threads = int(n);
        } else if (arg == "--overwrite") {
            if (!flag(&o->overwrite)) return false;
        } else if (arg == "--accept-damaged") {
            if (!flag(&o->acceptDamaged)) return false;
        } else if (arg == "--flatten") {
            if (!flag(&o->flatten)) return false;
        } else if (arg == "--fault") {
            if (!takeValue(&o->fault)) return false;
            if (!validFault(o->fault)) {
                *error = "--fault must be advance:N, abort:N, buffer:N or handle:N, not '" + o->fault + "'";
                return false;
            }
        } else if (arg == "--host-profile") {
            if (!takeValue(&o->hostProfile)) return false;
            testhost::TestHostOptions probe;
            if (!testhost::applyHostProfile(o->hostProfile, &probe)) {
                std::string names;
                for (const std::string& n : testhost::hostProfileNames()) names += (names.empty() ? "" : ", ") + n;
                *error = "--host-profile must be one of " + names + ", not '" + o->hostProfile + "'";
                return false;
            }
        } else if (hostTool && arg == "--plugin") {
            if (!takeValue(&o->plugin)) return false;
        } else if (hostTool && arg == "--x87-double") {
            o->x87Double = true;
        } else if (hostTool && arg == "--dialog") {
            o->dialog = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + arg + " (see --help)";
            return false;
        } else {
            o->inputs.push_back(arg);
        }
    }
    if (o->help || o->version) return true;
    if (o->inputs.empty()) {
        *error = "no input file given (see --help)";
        return false;
    }
    if (hostTool && o->plugin.empty()) {
        *error = "--plugin FILE.8bf is required";
        return false;
    }
    return true;
}

std::string outputPathFor(const Options& o, const std::string& input) {
    size_t slash = input.find_last_of("/\\");
    std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
    // A trailing slash, or several inputs, name a folder even before it exists (the plan then says it
    // is missing, with the same exit status whatever the number of inputs).
    bool namesFolder = !o.output.empty() && (o.output.back() == '/' || o.inputs.size() > 1 || isDirectory(o.output));
    if (!o.output.empty() && !namesFolder) return o.output;
    size_t dot = name.find_last_of('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    std::string ext = dot == std::string::npos ? ".png" : name.substr(dot);
    std::string folder = !o.output.empty() ? o.output + (o.output.back() == '/' ? "" : "/")
                                           : (slash == std::string::npos ? "" : input.substr(0, slash + 1));
    return folder + stem + "-velmora" + ext;
}

}  // namespace cli
