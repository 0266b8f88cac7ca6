// The test host's filter record and selector sequence, and the C-callable
// trampolines through which the plug-in reaches the live host.
#include "testhost/TestHost.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/SamplingRate.h"
#include "testhost/TestHostImpl.h"

namespace testhost {

namespace {
TestHost* current = nullptr;  // the host whose callbacks are live
}  // namespace

HostImage makeImage(int width, int height, int planes, int depth) {
    HostImage image;
    image.width = width;
    image.height = height;
    image.planes = planes;
    image.depth = depth;
    image.data.assign(size_t(width) * size_t(height) * size_t(planes) * size_t(depth == 16 ? 2 : 1), 0);
    return image;
}

// ------------------------------------------------------------- trampolines
// C-callable entry points with the host interface's calling convention; each
// forwards to the live host.

namespace {

TestHost::Impl& live() { return *current->impl(); }

Handle PI_CALL newHandleProc(int32_t size) { return live().newProc(size); }
void PI_CALL disposeHandleProc(Handle h) { live().disposeProc(h); }
int32_t PI_CALL getHandleSizeProc(Handle h) { return live().getSizeProc(h); }
OSErr PI_CALL setHandleSizeProc(Handle, int32_t) { return paramErr; }
Ptr PI_CALL lockHandleProc(Handle h, Boolean) { return live().lockProc(h); }
void PI_CALL unlockHandleProc(Handle h) { live().unlockProc(h); }
void PI_CALL recoverSpaceProc(int32_t) {}
void PI_CALL disposeRegularHandleProc(Handle h) { live().disposeProc(h); }

OSErr PI_CALL allocateBufferProc(int32_t size, BufferID* id) { return live().allocateProc(size, id); }
Ptr PI_CALL lockBufferProc(BufferID id, Boolean) { return live().lockBuffer(id); }
void PI_CALL unlockBufferProc(BufferID id) { live().unlockBuffer(id); }
void PI_CALL freeBufferProc(BufferID id) { live().freeBuffer(id); }
int32_t PI_CALL bufferSpaceProc() { return 1 << 30; }

OSErr PI_CALL getPropertyProc(uint32_t, uint32_t, int32_t, intptr_t*, Handle*) { return errPlugInPropertyUndefined; }
OSErr PI_CALL setPropertyProc(uint32_t sig, uint32_t key, int32_t index, intptr_t value, Handle complex) {
    return live().setProperty(sig, key, index, value, complex);
}

PIReadDescriptor PI_CALL openReadProc(PIDescriptorHandle h, DescriptorKeyID* keys) { return live().openRead(h, keys); }
OSErr PI_CALL closeReadProc(PIReadDescriptor t) { return live().closeRead(t); }
Boolean PI_CALL getKeyProc(PIReadDescriptor t, DescriptorKeyID* k, DescriptorTypeID* ty, int32_t* f) {
    return live().getKey(t, k, ty, f);
}
OSErr PI_CALL getIntegerProc(PIReadDescriptor, int32_t*) { return paramErr; }
OSErr PI_CALL getFloatProc(PIReadDescriptor t, real64* v) { return live().getFloat(t, v); }
PIWriteDescriptor PI_CALL openWriteProc() { return live().openWrite(); }
OSErr PI_CALL closeWriteProc(PIWriteDescriptor t, PIDescriptorHandle* h) { return live().closeWrite(t, h); }
OSErr PI_CALL putIntegerProc(PIWriteDescriptor, DescriptorKeyID, int32_t) { return paramErr; }
OSErr PI_CALL putFloatProc(PIWriteDescriptor t, DescriptorKeyID k, const real64* v) { return live().putFloat(t, k, v); }

SPErr PI_CALL acquireSuite(const char* name, int32_t version, const void** suite) {
    return live().acquire(name, version, suite);
}
SPErr PI_CALL releaseSuite(const char* name, int32_t version) { return live().release(name, version); }
SPBoolean PI_CALL isEqual(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }
SPErr PI_CALL allocateBlock(size_t size, void** block) {
    *block = std::malloc(size);
    return *block ? kSPNoError : SPErr(memFullErr);
}
SPErr PI_CALL freeBlock(void* block) {
    std::free(block);
    return kSPNoError;
}
SPErr PI_CALL reallocateBlock(void* block, size_t size, void** out) {
    *out = std::realloc(block, size);
    return *out ? kSPNoError : SPErr(memFullErr);
}
SPErr PI_CALL undefinedProc() { return kSPNoError; }

OSErr PI_CALL registryRegister(const char* key, PIActionDescriptor d, Boolean persistent) {
    return live().registerDescriptor(key, d, persistent);
}
OSErr PI_CALL registryErase(const char* key) {
    current->registry().erase(key ? key : "");
    return noErr;
}
OSErr PI_CALL registryGet(const char* key, PIActionDescriptor* d) { return live().getRegistered(key, d); }

OSErr PI_CALL makeDescriptor(PIActionDescriptor* d) { return live().make(d); }
OSErr PI_CALL freeDescriptor(PIActionDescriptor d) { return live().freeDescriptor(d); }
OSErr PI_CALL getDescriptorCount(PIActionDescriptor d, uint32_t* n) { return live().getCount(d, n); }
OSErr PI_CALL putDescriptorFloat(PIActionDescriptor d, DescriptorKeyID k, real64 v) {
    return live().putDescriptorFloat(d, k, v);
}
OSErr PI_CALL getDescriptorFloat(PIActionDescriptor d, DescriptorKeyID k, real64* v) {
    return live().getDescriptorFloat(d, k, v);
}

OSErr PI_CALL advanceStateProc() { return live().advanceState(); }

Boolean PI_CALL abortProc() {
    TestHost& host = *current;
    int polls = ++live().abortPollCount;
    host.impl()->logAbort(polls);
    int at = live().faults().abortAtPoll;
    return at != 0 && polls >= at;
}

void PI_CALL progressProc(int32_t done, int32_t total) { live().progress(done, total); }

OSErr PI_CALL displayPixelsProc(const PSPixelMap* map, const VRect* rect, int32_t row, int32_t col, void* context) {
    return live().display(map, rect, row, col, context);
}

}  // namespace

// ------------------------------------------------------------------- TestHost

TestHost::TestHost(HostImage image, TestHostOptions options)
    : image_(std::move(image)), options_(std::move(options)), record_(new FilterRecord()), impl_(new Impl(*this)) {
    loadRegistry();
    setUpRecord();
}

TestHost::~TestHost() {
    if (current == this) current = nullptr;
}

Rect selectionBounds(const std::vector<uint8_t>& mask, int width, const Rect& within) {
    int top = within.bottom, left = within.right, bottom = within.top, right = within.left;
    for (int y = within.top; y < within.bottom; ++y) {
        const uint8_t* row = mask.data() + size_t(y) * size_t(width);
        for (int x = within.left; x < within.right; ++x) {
            if (row[x] == 0) continue;
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
            left = std::min(left, x);
            right = std::max(right, x + 1);
        }
    }
    if (bottom <= top) return {0, 0, 0, 0};
    return {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

void TestHost::setSelection(std::vector<uint8_t> mask) {
    selection_ = std::move(mask);
    if (rectIsEmpty(options_.filterRect) && !selection_.empty()) {
        Rect whole = {0, 0, int16_t(image_.height), int16_t(image_.width)};
        Rect bounds = selectionBounds(selection_, image_.width, whole);
        if (!rectIsEmpty(bounds)) record_->filterRect = bounds;
    }
    record_->haveMask = !selection_.empty() && !options_.quirks.withholdsMask;
    // The filter case follows the selection, as a host reports it.
    if (record_->haveMask && record_->filterCase == filterCaseFlatImageNoSelection)
        record_->filterCase = filterCaseFlatImageWithSelection;
    if (record_->haveMask && record_->filterCase == filterCaseEditableTransparencyNoSelection)
        record_->filterCase = filterCaseEditableTransparencyWithSelection;
}

void TestHost::setUpRecord() {
    Impl& i = *impl_;
    i.handleProcs = {1, 8, newHandleProc, disposeHandleProc, getHandleSizeProc, setHandleSizeProc,
                     lockHandleProc, unlockHandleProc, recoverSpaceProc, disposeRegularHandleProc};
    i.bufferProcs = {2, 5, allocateBufferProc, lockBufferProc, unlockBufferProc, freeBufferProc, bufferSpaceProc,
                     nullptr, nullptr, nullptr};
    i.propertyProcs = {1, 2, getPropertyProc, setPropertyProc};
    i.readProcs.readDescriptorProcsVersion = 0;
    i.readProcs.numReadDescriptorProcs = 5;
    i.readProcs.openReadDescriptorProc = openReadProc;
    i.readProcs.closeReadDescriptorProc = closeReadProc;
    i.readProcs.getKeyProc = getKeyProc;
    i.readProcs.getIntegerProc = getIntegerProc;
    i.readProcs.getFloatProc = getFloatProc;
    i.writeProcs.writeDescriptorProcsVersion = 0;
    i.writeProcs.numWriteDescriptorProcs = 4;
    i.writeProcs.openWriteDescriptorProc = openWriteProc;
    i.writeProcs.closeWriteDescriptorProc = closeWriteProc;
    i.writeProcs.putIntegerProc = putIntegerProc;
    i.writeProcs.putFloatProc = putFloatProc;
    i.basic = {acquireSuite, releaseSuite, isEqual, allocateBlock, freeBlock, reallocateBlock, undefinedProc};
    i.registryProcs = {registryRegister, registryErase, registryGet};
    i.actionProcs.Make = makeDescriptor;
    i.actionProcs.Free = freeDescriptor;
    i.actionProcs.GetCount = getDescriptorCount;
    i.actionProcs.PutFloat = putDescriptorFloat;
    i.actionProcs.GetFloat = getDescriptorFloat;

    FilterRecord& r = *record_;
    Rect whole = {0, 0, int16_t(image_.height), int16_t(image_.width)};
    r.imageSize = {int16_t(image_.height), int16_t(image_.width)};
    r.wholeSize = options_.wholeSizeOverride.v ? options_.wholeSizeOverride : r.imageSize;
    r.planes = options_.planesOverride ? options_.planesOverride : int16_t(image_.planes);
    r.inLayerPlanes = options_.inLayerPlanes ? options_.inLayerPlanes : int16_t(image_.planes);
    r.filterRect = rectIsEmpty(options_.filterRect) ? whole : options_.filterRect;
    r.filterCase = options_.quirks.reportsFilterCase ? options_.filterCase : int16_t(filterCaseNotSet);
    const bool deep = image_.depth == 16;
    r.imageMode = options_.imageMode >= 0 ? options_.imageMode : int16_t(deep ? plugInModeRGB48 : plugInModeRGBColor);
    r.hostSig = options_.hostSig;
    r.maxSpace = options_.quirks.maxSpaceInKilobytes ? (1 << 30) / 1024 : 1 << 30;
    r.abortProc = options_.withholdAbort ? nullptr : abortProc;
    r.progressProc = options_.withholdProgress ? nullptr : progressProc;
    r.advanceState = advanceStateProc;
    r.displayPixels = options_.withholdDisplayPixels ? nullptr : displayPixelsProc;
    r.handleProcs = &i.handleProcs;
    r.bufferProcs = options_.withholdBufferProcs ? nullptr : &i.bufferProcs;
    r.propertyProcs = options_.withholdPropertyProcs ? nullptr : &i.propertyProcs;
    r.sSPBasic = options_.withholdBasicSuite ? nullptr : &i.basic;
    r.supportsPadding = options_.supportsPadding;
    r.inputPadding = r.outputPadding = r.maskPadding = options_.quirks.paddingPreset;
    r.samplingSupport = options_.quirks.samplingSupport;
    r.inputRate = r.maskRate = kRateOne;
    r.depth = options_.depth ? options_.depth : image_.depth;
    if (deep && !options_.quirks.offersDeep) violations_.push_back("a 16-bit image in a host of 8-bit documents only");
    platformData_.hwnd = options_.parentWindow;
    r.platformData = &platformData_;

    descriptorParameters_ = {};
    descriptorParameters_.readDescriptorProcs = &i.readProcs;
    descriptorParameters_.writeDescriptorProcs = &i.writeProcs;
    if (options_.quirks.hollowDescriptors) {
        // Present, but with nothing to read or write through.
        descriptorParameters_.readDescriptorProcs = nullptr;
        descriptorParameters_.writeDescriptorProcs = nullptr;
        descriptorParameters_.playInfo = plugInDialogDontDisplay;
    } else if (options_.replay.present) {
        descriptorParameters_.playInfo = options_.replay.playInfo;
        descriptorParameters_.descriptor = i.descriptorHandle(options_.replay.values);
    } else {
        descriptorParameters_.playInfo = plugInDialogDisplay;
    }
    r.descriptorParameters = options_.withholdDescriptorParameters ? nullptr : &descriptorParameters_;

    i.about.platformData = &platformData_;
    i.about.sSPBasic = options_.withholdBasicSuite ? nullptr : &i.basic;
}

int16_t TestHost::call(int16_t selector) {
    if (entry_ == nullptr) {
        violations_.push_back("no plug-in entry point set");
        return filterBadParameters;
    }
    current = this;
    if (selector == filterSelectorStart && options_.quirks.servesUnfilteredImage) unfiltered_ = image_;
    int16_t result = selector == filterSelectorAbout ? options_.quirks.aboutResultPreset : int16_t(0);
    void* block = selector == filterSelectorAbout ? static_cast<void*>(&impl_->about) : record_.get();
    entry_(selector, block, &dataCell_, &result);
    impl_->commitOutput();
    selectorCalls_.push_back({selector, result});
    return result;
}

void TestHost::hostAdvanceState() {
    current = this;
    impl_->advanceState();
    requests_.back().hostsOwn = true;
}

int16_t TestHost::runAbout() { return call(filterSelectorAbout); }

int16_t TestHost::runFilter(bool withParameters) {
    int16_t result = runSelectors(withParameters);
    if (options_.quirks.unloadsAfterRun) unloadAfterRun();
    return result;
}

int16_t TestHost::repeatFilter() {
    if (savedParameters_) {
        HostHandle* h = impl_->newHandle(int32_t(savedParameters_->size()));
        if (!savedParameters_->empty()) std::memcpy(h->data, savedParameters_->data(), savedParameters_->size());
        record_->parameters = reinterpret_cast<Handle>(h);
        savedParameters_.reset();
    }
    // The step the last run recorded, replayed without the dialog.
    if (hostProfileReplays(options_)) descriptorParameters_.playInfo = plugInDialogDontDisplay;
    return runFilter(false);
}

void TestHost::reloadPlugin() {
    if (!reload_) {
        violations_.push_back("the host cannot load the plug-in afresh (no reloader set)");
        return;
    }
    entry_ = reload_();
}

void TestHost::unloadAfterRun() {
    if (record_->parameters != nullptr) {
        if (HostHandle* h = impl_->known(record_->parameters, "saving the parameters"))
            savedParameters_ = std::vector<uint8_t>(h->data, h->data + h->size);
    }
    reloadPlugin();
    if (!reload_) return;  // the old plug-in still holds what it held
    // The plug-in's process has ended: nothing it held of the host's memory survives.
    std::vector<HostHandle*> held(impl_->handles.begin(), impl_->handles.end());
    for (HostHandle* h : held)
        if (reinterpret_cast<Handle>(h) != descriptorParameters_.descriptor) impl_->dispose(h);
    for (HostBuffer* b : impl_->buffers) delete b;
    impl_->buffers.clear();
    record_->parameters = nullptr;
    dataCell_ = 0;
}

int16_t TestHost::runSelectors(bool withParameters) {
    int16_t result = noErr;
    if (withParameters && (result = call(filterSelectorParameters)) != noErr) return result;
    if ((result = call(filterSelectorPrepare)) != noErr) return result;
    if ((result = call(filterSelectorStart)) != noErr) return result;
    const FilterRecord& r = *record_;
    bool hostAdvances = options_.quirks.advancesAroundContinue;
    for (int guard = 0; guard < 1000; ++guard) {
        if (rectIsEmpty(r.inRect) && rectIsEmpty(r.outRect) && rectIsEmpty(r.maskRect)) break;
        if (hostAdvances) hostAdvanceState();
        if ((result = call(filterSelectorContinue)) != noErr) break;
    }
    // Such a host calls Finish only when every Continue succeeded.
    if (hostAdvances && result != noErr) return result;
    if (result == noErr && !options_.quirks.finishesAfterSuccess) return result;
    int16_t finish = call(filterSelectorFinish);
    if (hostAdvances) hostAdvanceState();
    return result != noErr ? result : finish;
}

FaultPoints TestHost::faultPoints() const {
    const Impl& i = *impl_;
    return {i.handleAllocations, i.handleLocks, i.bufferAllocations, i.bufferLocks, i.advanceCalls, i.abortPollCount};
}

int TestHost::liveHandles() const { return int(impl_->handles.size()); }
int TestHost::liveBuffers() const { return int(impl_->buffers.size()); }

std::vector<std::string> TestHost::leaks() const {
    std::vector<std::string> found;
    for (HostHandle* h : impl_->handles)
        if (reinterpret_cast<Handle>(h) != descriptorParameters_.descriptor)
            found.push_back("handle of " + std::to_string(h->size) + " bytes");
    for (HostBuffer* b : impl_->buffers) found.push_back("buffer of " + std::to_string(b->bytes.size() - 1) + " bytes");
    for (size_t n = 0; n < impl_->descriptors.size(); ++n) found.push_back("action descriptor");
    for (auto& [name, count] : impl_->acquiredSuites)
        if (count != 0) found.push_back("suite " + name + " acquired " + std::to_string(count) + " more times than released");
    return found;
}

std::vector<std::pair<uint32_t, double>> TestHost::recordedDescriptor() const {
    auto* h = reinterpret_cast<HostHandle*>(descriptorParameters_.descriptor);
    if (h == nullptr || impl_->handles.count(h) == 0) return {};
    return Impl::descriptorValues(h);
}

}  // namespace testhost
