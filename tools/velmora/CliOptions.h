// Command-line options shared by `velmora` (native) and `velmora-host.exe`
// (Windows, loads a real Velmora.8bf). The two control ranges come from the
// plug-in's own declarations, so the tool accepts exactly what the dialog does.
#pragma once

#include <string>
#include <vector>

#include "base/Rect.h"
#include "engine/Controls.h"

namespace cli {

struct Options {
    std::vector<std::string> inputs;
    std::string output;         // a file for one input, a folder for several; "" = beside the input
    double brightness = shownInitial(kShadowBrightness);  // Shadow Brightness as shown
    double color = shownInitial(kColorIntensity);         // Color Intensity as shown
    std::string selection;      // 8-bit grey image: the host's selection
    bool hasRect = false;
    Rect rect = {0, 0, 0, 0};   // filter rectangle, image coordinates
    int quality = 92;           // JPEG quality
    bool overwrite = false;     // replace outputs that already exist
    int threads = 0;            // at most this many threads (0: one per processor)
    bool acceptDamaged = false; // filter what a damaged input still gives, and say so
    bool flatten = false;       // put an image with alpha on white when the output format has no alpha
    std::string plugin;         // velmora-host: the .8bf to load
    bool x87Double = false;     // velmora-host: run the plug-in as an MSVC-built 32-bit host would
    bool dialog = false;        // velmora-host: show the plug-in's dialog (an interactive run)
    std::string fault;          // test hook: KIND:N injects a host fault (see usage)
    std::string hostProfile = "reference";  // the test host behaves as this host family
    bool help = false;
    bool version = false;
};

// Parses argv; on failure returns false with one line in *error.
bool parseOptions(int argc, char** argv, bool hostTool, Options* options, std::string* error);

std::string usage(const char* program, bool hostTool);

// The output path for one input: the given file, a file in the given folder, or
// "<stem>-velmora<ext>" beside the input.
std::string outputPathFor(const Options& options, const std::string& input);

}  // namespace cli
