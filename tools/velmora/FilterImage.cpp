#include "tools/velmora/FilterImage.h"

#include <cstdlib>

#include "base/Messages.h"
#include "engine/Controls.h"
#include "planes/SampleScales.h"
#include "testhost/TestHost.h"
#include "tools/velmora/MemoryBudget.h"

namespace cli {

namespace {

// Band b of the interleaved pixels and plane b of the host's image, a plane's
// samples in order: one pass per band, without per-sample index arithmetic.
void fromPlanar(const testhost::HostImage& image, Pixels& p) {
    const size_t count = size_t(p.width) * size_t(p.height), bands = size_t(p.bands);
    for (size_t b = 0; b < bands; ++b) {
        if (p.depth == 16) {
            const uint16_t* plane = reinterpret_cast<const uint16_t*>(image.data.data()) + b * count;
            uint16_t* out = reinterpret_cast<uint16_t*>(p.data.data()) + b;
            for (size_t i = 0; i < count; ++i) out[i * bands] = filteredFileSample(out[i * bands], plane[i]);
            continue;
        }
        const uint8_t* plane = image.data.data() + b * count;
        uint8_t* out = p.data.data() + b;
        for (size_t i = 0; i < count; ++i) out[i * bands] = plane[i];
    }
}

void injectFault(const std::string& fault, testhost::Faults* faults) {
    size_t colon = fault.find(':');
    if (colon == std::string::npos) return;
    std::string kind = fault.substr(0, colon);
    int n = std::atoi(fault.c_str() + colon + 1);
    if (kind == "advance") faults->failAdvanceState = n;
    if (kind == "abort") faults->abortAtPoll = n;
    if (kind == "buffer") faults->failBufferAllocation = n;
    if (kind == "handle") faults->failHandleAllocation = n;
}

std::string resultText(int16_t code) {
    switch (code) {
        case memFullErr: return "out of memory";
        case userCanceledErr: return "cancelled";
        case filterBadParameters: return "the plug-in refused its parameters";
        default: return "host error " + std::to_string(code);
    }
}

}  // namespace

testhost::HostImage toPlanar(const Pixels& p) {
    testhost::HostImage image = testhost::makeImage(p.width, p.height, p.bands, p.depth);
    const size_t count = size_t(p.width) * size_t(p.height), bands = size_t(p.bands);
    for (size_t b = 0; b < bands; ++b) {
        if (p.depth == 16) {
            const uint16_t* in = reinterpret_cast<const uint16_t*>(p.data.data()) + b;
            uint16_t* plane = reinterpret_cast<uint16_t*>(image.data.data()) + b * count;
            for (size_t i = 0; i < count; ++i) plane[i] = hostSample(in[i * bands]);
            continue;
        }
        const uint8_t* in = p.data.data() + b;
        uint8_t* plane = image.data.data() + b * count;
        for (size_t i = 0; i < count; ++i) plane[i] = in[i * bands];
    }
    return image;
}

bool checkFilterable(const Pixels& image, const FilterJob& job, std::string* error) {
    if (image.width > 32767 || image.height > 32767) {
        *error = "the image is " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                 " pixels (about " +
                 formatBytes(memoryNeeded(image.width, image.height, image.bands, image.depth, job.selection != nullptr)) +
                 " of memory to filter); the filter interface carries at most 32767 pixels a side";
        return false;
    }
    testhost::TestHostOptions host;
    if (image.depth == 16 && testhost::applyHostProfile(job.hostProfile, &host) && !host.quirks.offersDeep) {
        *error = "a 16-bit image, and the " + job.hostProfile + " host offers filters 8-bit images only";
        return false;
    }
    if (image.width < 350 || image.height < 350) {
        *error = std::string(kMessageImageTooSmall);
        return false;
    }
    if (job.selection && (job.selection->width != image.width || job.selection->height != image.height)) {
        *error = "the selection mask must have the image's size (" + std::to_string(image.width) + " x " +
                 std::to_string(image.height) + ")";
        return false;
    }
    if (job.hasRect && (job.rect.bottom > image.height || job.rect.right > image.width)) {
        *error = "--rect reaches outside the " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                 " image";
        return false;
    }
    return true;
}

bool checkNotFlat(const Pixels& image, const FilterJob& job, std::string* error) {
    Rect area = job.hasRect ? job.rect : Rect{0, 0, int16_t(image.height), int16_t(image.width)};
    const size_t bands = size_t(image.bands);
    const uint8_t* first = &image.data[(size_t(area.top) * size_t(image.width) + size_t(area.left)) * bands];
    for (int y = area.top; y < area.bottom; ++y) {
        const uint8_t* p = &image.data[(size_t(y) * size_t(image.width) + size_t(area.left)) * bands];
        for (int x = area.left; x < area.right; ++x, p += bands)
            if (p[0] != first[0] || p[1] != first[1] || p[2] != first[2]) return true;
    }
    *error = kMessageNothingToReveal;
    return false;
}

int16_t filterImage(Pixels& image, const FilterJob& job, std::string* error) {
    testhost::TestHostOptions options;
    if (!testhost::applyHostProfile(job.hostProfile, &options)) {
        *error = "unknown host profile " + job.hostProfile;
        return filterBadParameters;
    }
    if (job.hasRect) options.filterRect = job.rect;
    if (job.selection) {
        // As a host makes it: the filter rectangle is the selection's bounding
        // rectangle (within --rect), and the mask goes with it.
        Rect whole = {0, 0, int16_t(image.height), int16_t(image.width)};
        options.filterRect = testhost::selectionBounds(job.selection->data, image.width, job.hasRect ? job.rect : whole);
        if (rectIsEmpty(options.filterRect)) return noErr;  // nothing selected: every pixel keeps its value
    }
    if (image.bands == 4) {
        // A layer with transparency: the plug-in filters the three colour planes.
        options.filterCase = filterCaseEditableTransparencyNoSelection;
        options.inLayerPlanes = 3;
    }
    options.replay.present = true;
    options.replay.playInfo = job.showDialog ? plugInDialogDisplay : plugInDialogDontDisplay;
    options.replay.values = {{keyAmount, job.brightness}, {keyVibrance, job.color}};
    options.onProgress = job.onProgress;
    injectFault(job.fault, &options.faults);

    testhost::TestHost host(toPlanar(image), options);
    if (job.selection) host.setSelection(job.selection->data);
    host.setEntry(job.entry);
    if (job.reload) host.setReloader(job.reload);
    // A host without scripting shows the dialog, which the job's values go through.
    bool scripted = testhost::hostProfileReplays(options);
    if (!scripted) driveDialog(&job);
    takePluginMessage();  // only what this run says counts
    int16_t result = host.runFilter();
    if (!scripted) driveDialog(nullptr);
    std::string said = takePluginMessage();
    if (!host.leaks().empty()) {
        *error = "the plug-in left host memory behind: " + host.leaks().front();
        return memFullErr;
    }
    if (result == noErr && !host.violations().empty()) {
        *error = "the plug-in broke the host contract: " + host.violations().front();
        return filterBadParameters;
    }
    if (result != noErr) {
        // The plug-in's own message, where it gave one, says why in the user's terms. A host
        // without scripting has the plug-in ask for its settings in its dialog: where that
        // cannot run (no screen), the run fails there, and is said to.
        if (!said.empty()) *error = said;
        else if (!scripted)
            *error = "the " + job.hostProfile + " host has no scripting, so the plug-in asks for its settings in its "
                     "dialog, and the dialog could not run (" + resultText(result) + ")";
        else *error = "the filter failed: " + resultText(result);
        return result;
    }
    fromPlanar(host.image(), image);
    return noErr;
}

}  // namespace cli
