// A host for filter plug-ins, for tests and tools. It plays the host's side of
// the filter interface: the filter record, the handle, buffer and property
// suites, the basic suite with the descriptor registry and action descriptor
// suites, the scripting descriptor procedures, advanceState, abort, progress
// and displayPixels; and it drives the real selector sequence.
//
// It is strict on purpose: every rectangle, plane range and rate the plug-in
// asks for is checked against the image; input rows are handed out with junk
// padding wider than the row; output buffers are guarded so a write outside
// outRect is caught. Everything it is asked is recorded so tests can assert on
// it, and it can inject faults at chosen points.
//
// One host runs at a time (the callbacks reach it through a module pointer).
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/HostInterface.h"

namespace testhost {

// An image, planar: plane p starts at p * width * height samples. An 8-bit
// image has a byte a sample; a deep one (depth 16) has 16-bit samples
// 0..32768 (32768 full, the host interface's range), two bytes each in the
// machine's order.
struct HostImage {
    int width = 0;
    int height = 0;
    int planes = 0;
    std::vector<uint8_t> data;
    int depth = 8;

    // 8-bit images.
    uint8_t& at(int plane, int row, int col) { return data[index(plane, row, col)]; }
    uint8_t at(int plane, int row, int col) const { return data[index(plane, row, col)]; }
    // Either depth.
    int sample(int plane, int row, int col) const {
        if (depth != 16) return at(plane, row, col);
        uint16_t v;
        std::memcpy(&v, &data[2 * index(plane, row, col)], 2);
        return v;
    }
    void setSample(int plane, int row, int col, int value) {
        if (depth != 16) {
            at(plane, row, col) = uint8_t(value);
            return;
        }
        const uint16_t v = uint16_t(value);
        std::memcpy(&data[2 * index(plane, row, col)], &v, 2);
    }
    size_t index(int plane, int row, int col) const {
        return (size_t(plane) * size_t(height) + size_t(row)) * size_t(width) + size_t(col);
    }
};

// depth 8 or 16.
HostImage makeImage(int width, int height, int planes, int depth = 8);

// Faults to inject; a count of 0 means never. Counts start at 1.
struct Faults {
    int failHandleAllocation = 0;    // the Nth newProc returns null
    int failHandleLock = 0;          // the Nth handle lockProc returns null
    int failBufferAllocation = 0;    // the Nth allocateProc returns memFullErr
    int failBufferLock = 0;          // the Nth buffer lockProc returns null
    int failAdvanceState = 0;        // the Nth advanceState returns advanceStateError
    int16_t advanceStateError = -1;  // code returned by the failing advanceState
    int abortAtPoll = 0;             // the Nth abortProc poll (and every later one) returns true
    // Deliveries that do not fit the request, at the Nth advanceState (which succeeds):
    int deliverNothingAt = 0;        // no inData, outData or maskData
    int shortRowBytesAt = 0;         // inRowBytes one byte short of a row
    int movedRectAt = 0;             // inRect written back one row shorter
    int otherRateAt = 0;             // full resolution served and inputRate written back as 1.0
    // Deep images: 8-bit rows (row bytes of one byte a sample), or a first sample above 32768.
    int eightBitDataAt = 0;
    int overRangeAt = 0;
};

// A replayed action step: the scripting descriptor the host hands in.
struct ReplayedStep {
    bool present = false;
    int16_t playInfo = plugInDialogDontDisplay;
    std::vector<std::pair<uint32_t, double>> values;  // key, value, in order
};

struct DisplayCall;

// How the host applies the selection to what the plug-in wrote. Linear: a
// pixel selected to m becomes original + (filtered - original) * m / 255,
// rounded to nearest (m 0 keeps the original, 255 takes the filtered value).
// Shifted: one editor engine's integer blend, mask 0 keeps the original,
// otherwise (original * (256 - (m + 1)) + filtered * (m + 1)) >> 8.
enum class SelectionBlend { Linear, Shifted };

// Behaviours in which real hosts differ from the reference host (which has
// every default below). A host profile is a named set of them.
struct HostQuirks {
    uint8_t samplingSupport = 1;         // 0: any rate is answered at full resolution
    bool rateOnlyWithinImage = false;    // a rate is honoured only while inRect fits the image / rate
    bool planesFromZero = false;         // planes lo..hi are served and written as planes 0..hi-lo
    bool refillOnRectChangeOnly = false; // the input buffer is refilled only when inRect changes
    OSErr propertySignatureRefusal = 0;  // what a property call without '8BIM' returns (0: a violation)
    bool watchPropertyUnknown = false;   // 'wtch' is refused with errPlugInHostInsufficient
    bool propertiesIgnored = false;      // property calls do nothing and succeed
    bool hollowDescriptors = false;      // descriptor parameters without descriptor or procedures, playInfo 0
    int16_t paddingPreset = plugInWantsErrorOnBoundsException;
    bool maxSpaceInKilobytes = false;
    bool forgetsSettings = false;        // no registry entry survives the host
    int16_t aboutResultPreset = 0;       // the result cell's value before About
    SelectionBlend blend = SelectionBlend::Linear;
    bool advancesAroundContinue = false; // the host calls advanceState before each Continue and after Finish
    bool reportsFilterCase = true;       // false: filterCase is always 0 (not set)
    bool withholdsMask = false;          // haveMask false: a selection arrives only as its bounding rectangle,
                                         // and the host blends the result through it as it stores it
    bool servesUnfilteredImage = false;  // input and output buffers hold the image as it was when Start began
                                         // (the plug-in's output goes to a copy the host merges in)
    bool finishesAfterSuccess = true;    // false: no Finish after a run that succeeded
    bool unloadsAfterRun = false;        // the plug-in is unloaded after every run and loaded afresh for the
                                         // next; the parameters' bytes are kept for a repeat, and what the
                                         // plug-in held of the host's memory goes with its process
    bool offersDeep = true;              // 16-bit documents exist in this host (else a deep image is a violation)
};

struct TestHostOptions {
    Rect filterRect = {0, 0, 0, 0};  // empty: the whole image
    int16_t filterCase = filterCaseFlatImageNoSelection;
    int16_t planesOverride = 0;       // reported `planes` (0: the image's plane count)
    int16_t inLayerPlanes = 0;        // reported `inLayerPlanes` (0: the image's plane count)
    int16_t imageMode = -1;           // reported imageMode (-1: the image's, RGB or RGB48 by its depth)
    int32_t depth = 0;                // reported depth (0: the image's)
    Point16 wholeSizeOverride = {0, 0};  // reported `wholeSize` (0: the image size)
    bool withholdBufferProcs = false;
    bool withholdDescriptorParameters = false;
    bool withholdBasicSuite = false;
    bool withholdPropertyProcs = false;
    bool withholdDisplayPixels = false;
    bool withholdProgress = false;
    bool withholdAbort = false;
    bool supportsPadding = true;
    int rowPadding = 13;              // junk bytes after every row handed out
    uint32_t hostSig = fourCC('8', 'B', 'I', 'M');
    std::string registryFile;         // persistent registry entries ("" = none)
    ReplayedStep replay;
    Faults faults;
    HostQuirks quirks;
    intptr_t parentWindow = 0;        // platformData's window
    std::function<void(int32_t done, int32_t total)> onProgress;  // told of every progress report
    std::function<void(const DisplayCall&)> onDisplay;      // told of every picture displayed
};

// One request the plug-in made through advanceState, as the host saw it.
struct AdvanceRequest {
    Rect inRect, outRect, maskRect;
    int16_t inLoPlane, inHiPlane, outLoPlane, outHiPlane;
    Fixed inputRate, maskRate;
    int16_t result;
    bool hostsOwn = false;  // made by the host itself between selectors
};

struct ProgressReport {
    int32_t done, total;
};

// A picture the plug-in asked the host to display.
struct DisplayCall {
    VRect srcRect;
    int32_t dstRow, dstCol;
    int32_t imageMode, rowBytes, colBytes, planeBytes;
    bool hasMask;
    std::vector<uint8_t> pixels;  // rows of srcRect, colBytes per pixel, packed
    std::vector<uint8_t> mask;    // one byte per pixel when hasMask
};

// How many times the run reached each point where a fault can be injected.
struct FaultPoints {
    int handleAllocations, handleLocks, bufferAllocations, bufferLocks, advanceCalls, abortPolls;
};

struct SelectorCall {
    int16_t selector;
    int16_t result;
};

struct RegistryEntry {
    std::map<uint32_t, double> values;
    bool persistent = false;
};

// Host profiles, each the behaviour of a host family as observed:
// "reference", "psfilterpdn", "pspi", "irfanview", "pspihost". Fills the
// options' host behaviours (leaving the image, faults and replay alone);
// false for an unknown name.
bool applyHostProfile(const std::string& name, TestHostOptions* options);
std::vector<std::string> hostProfileNames();
// True when the profile's hosts can replay settings through a scripting descriptor.
bool hostProfileReplays(const TestHostOptions& options);

// The bounding rectangle of the non-zero pixels of a mask `width` pixels wide
// (one byte a pixel, rows packed) within `within`; empty when none is.
Rect selectionBounds(const std::vector<uint8_t>& mask, int width, const Rect& within);

class TestHost {
public:
    TestHost(HostImage image, TestHostOptions options = {});
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // The host's selection (width * height bytes, 255 = selected). Without a
    // filter rectangle of the options', the selection's bounding rectangle
    // becomes the filter rectangle, as hosts make it.
    void setSelection(std::vector<uint8_t> mask);
    // The faults to inject from now on (counts are of the whole run).
    Faults& faults() { return options_.faults; }
    void setEntry(PluginEntryProc entry) { entry_ = entry; }
    // How this host loads the plug-in afresh: unloads it and returns the entry
    // of a fresh load. Hosts that unload the plug-in after every run need it.
    void setReloader(std::function<PluginEntryProc()> reload) { reload_ = std::move(reload); }
    void reloadPlugin();

    // One selector call, as a host makes it; returns the result cell.
    int16_t call(int16_t selector);
    // About alone, with an About record.
    int16_t runAbout();
    // (Parameters), Prepare, Start, Continue while rectangles are non-empty, Finish.
    // Returns the first non-zero result, else 0.
    int16_t runFilter(bool withParameters = true);
    // "Repeat last filter": the parameters handle kept from the last run (or
    // its saved bytes, in a new handle) is handed back and the selectors run
    // again from Prepare; a host with scripting replays the step the last run
    // recorded, without the dialog.
    int16_t repeatFilter();
    // The parameters' bytes a host that unloads the plug-in saved from the
    // last run, for the repeat (none: nothing saved).
    std::optional<std::vector<uint8_t>>& savedParameters() { return savedParameters_; }

    // What the run left behind.
    HostImage& image() { return image_; }
    FilterRecord& record() { return *record_; }
    intptr_t dataCell() const { return dataCell_; }
    const std::vector<std::string>& violations() const { return violations_; }
    std::vector<std::string> leaks() const;  // handles, buffers, descriptors, suites still held
    const std::vector<AdvanceRequest>& requests() const { return requests_; }
    const std::vector<ProgressReport>& progress() const { return progress_; }
    const std::vector<SelectorCall>& selectorCalls() const { return selectorCalls_; }
    const std::vector<std::string>& log() const { return log_; }
    const std::vector<DisplayCall>& displayCalls() const { return displayCalls_; }
    const std::vector<intptr_t>& watchSuspensions() const { return watchSuspensions_; }
    int abortPolls() const { return abortPolls_; }
    FaultPoints faultPoints() const;
    int liveHandles() const;
    int liveBuffers() const;
    int buffersAllocated() const { return buffersAllocated_; }
    // The size of every buffer asked for, in order (granted or not).
    const std::vector<int32_t>& bufferRequests() const { return bufferRequests_; }

    // The scripting descriptor recorded at Finish (empty when none).
    std::vector<std::pair<uint32_t, double>> recordedDescriptor() const;
    int16_t recordInfo() const { return descriptorParameters_.recordInfo; }
    std::map<std::string, RegistryEntry>& registry() { return registry_; }

    // Callbacks (public so the C-callable trampolines can reach them).
    struct Impl;
    Impl* impl() { return impl_.get(); }

private:
    friend struct Impl;
    void setUpRecord();
    int16_t runSelectors(bool withParameters);
    // A host that unloads the plug-in after a run: keeps the parameters'
    // bytes, loads the plug-in afresh and frees what the old one held.
    void unloadAfterRun();
    // The host's own advanceState call between selectors (some hosts make one).
    void hostAdvanceState();
    void loadRegistry();
    void saveRegistry() const;

    HostImage image_;
    HostImage unfiltered_;  // the image as Start found it, where the host serves from it
    std::vector<uint8_t> selection_;
    std::function<PluginEntryProc()> reload_;
    std::optional<std::vector<uint8_t>> savedParameters_;
    TestHostOptions options_;
    PluginEntryProc entry_ = nullptr;
    std::unique_ptr<FilterRecord> record_;
    std::unique_ptr<Impl> impl_;
    PIDescriptorParameters descriptorParameters_ = {};
    PlatformData platformData_ = {};
    intptr_t dataCell_ = 0;

    std::vector<std::string> violations_;
    std::vector<AdvanceRequest> requests_;
    std::vector<ProgressReport> progress_;
    std::vector<SelectorCall> selectorCalls_;
    std::vector<std::string> log_;
    std::vector<DisplayCall> displayCalls_;
    std::vector<intptr_t> watchSuspensions_;
    std::map<std::string, RegistryEntry> registry_;
    int abortPolls_ = 0;
    int buffersAllocated_ = 0;
    std::vector<int32_t> bufferRequests_;
};

}  // namespace testhost
