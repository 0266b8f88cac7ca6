// Filters one decoded image through the plug-in, by way of the test host, as a
// replayed action that does not ask for the dialog (unless the job asks for it).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/HostInterface.h"
#include "testhost/TestHost.h"
#include "tools/velmora/CliOptions.h"

namespace cli {

// Pixels, interleaved, 3 (RGB) or 4 (RGB + alpha) bands: bytes for 8-bit
// images; for 16-bit ones (depth 16), samples 0..65535 of two bytes each in
// the machine's order, as files hold them.
struct Pixels {
    int width = 0;
    int height = 0;
    int bands = 0;
    std::vector<uint8_t> data;
    int depth = 8;
};

struct FilterJob {
    PluginEntryProc entry = nullptr;
    PluginEntryProc (*reload)() = nullptr;  // loads the plug-in afresh, for hosts that unload it after a run
    double brightness = shownInitial(kShadowBrightness);
    double color = shownInitial(kColorIntensity);
    const Pixels* selection = nullptr;  // one band, same size
    bool hasRect = false;
    Rect rect = {0, 0, 0, 0};
    std::string fault;  // KIND:N, a host fault to inject (testing aid)
    std::string hostProfile = "reference";  // the host family the test host behaves as
    bool showDialog = false;  // an interactive run: the plug-in's dialog opens
    std::function<void(int32_t done, int32_t total)> onProgress;
};

// The dialog of the next runs, in a host that cannot replay settings: natively
// a scripted user sets the job's values and presses OK; the Windows tool shows
// the plug-in's real dialog to its user. Null: no dialog is expected.
void driveDialog(const FilterJob* job);
// The message the plug-in showed the user since the last call ("" for none,
// or where its messages cannot be seen).
std::string takePluginMessage();

// Interleaved pixels as the host's planar image, 16-bit samples on the host's
// scale (planes/SampleScales.h).
testhost::HostImage toPlanar(const Pixels& p);

// Refuses what the plug-in or the host interface cannot take, with one line.
bool checkFilterable(const Pixels& image, const FilterJob& job, std::string* error);

// Refuses an image whose area to filter is one flat colour: the plug-in would
// find nothing to reveal (said in its own words, which a host may not show).
bool checkNotFlat(const Pixels& image, const FilterJob& job, std::string* error);

// Filters `image` in place. Returns the host's result code (0 on success) and,
// on failure, one line in *error.
int16_t filterImage(Pixels& image, const FilterJob& job, std::string* error);

}  // namespace cli
