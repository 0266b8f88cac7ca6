#include "testhost/TestHost.h"

#include "testhost/DisplayDevice.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace testhost {

namespace {

constexpr uint8_t kJunk = 0xA7;        // padding and guard bytes handed to the plug-in
constexpr uint8_t kFreshBuffer = 0xCD; // contents of a newly allocated host buffer
constexpr size_t kGuardBytes = 64;

TestHost* current = nullptr;  // the host whose callbacks are live

std::string rectText(const Rect& r) {
    char text[64];
    std::snprintf(text, sizeof text, "{%d,%d,%d,%d}", r.top, r.left, r.bottom, r.right);
    return text;
}

std::string codeText(uint32_t code) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[size_t(i)] = char((code >> (24 - 8 * i)) & 0xFF);
    return s;
}

int ceilDiv(int a, int b) { return (a + b - 1) / b; }

bool sameRect(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

}  // namespace

HostImage makeImage(int width, int height, int planes) {
    HostImage image;
    image.width = width;
    image.height = height;
    image.planes = planes;
    image.data.assign(size_t(width) * size_t(height) * size_t(planes), 0);
    return image;
}

// ---------------------------------------------------------------- host objects

struct HostHandle {
    char* data;  // first member: the double indirection real hosts use
    int32_t size;
    int locks;
};

struct HostBuffer {
    std::vector<uint8_t> bytes;
    bool locked;
};

struct HostDescriptor {
    std::vector<std::pair<uint32_t, double>> values;
};

struct DescriptorReader {
    std::vector<std::pair<uint32_t, double>> values;
    size_t next = 0;
    int16_t error = noErr;
};

struct DescriptorWriter {
    std::vector<std::pair<uint32_t, double>> values;
};

// A pixel area handed to the plug-in: rows of `rowBytes`, `usedBytes` of which
// are pixels and the rest junk, between two guard zones.
struct PixelArea {
    std::vector<uint8_t> bytes;
    int rows = 0;
    int usedBytes = 0;
    int rowBytes = 0;

    void allocate(int rowCount, int used, int padding) {
        rows = rowCount;
        usedBytes = used;
        rowBytes = used + padding;
        bytes.assign(kGuardBytes * 2 + size_t(rows) * size_t(rowBytes), kJunk);
    }
    uint8_t* row(int r) { return bytes.data() + kGuardBytes + size_t(r) * size_t(rowBytes); }
    uint8_t* base() { return rows > 0 && usedBytes > 0 ? row(0) : nullptr; }

    // True when nothing outside the pixel bytes of every row was written.
    bool intact() const {
        for (size_t i = 0; i < kGuardBytes; ++i)
            if (bytes[i] != kJunk || bytes[bytes.size() - 1 - i] != kJunk) return false;
        for (int r = 0; r < rows; ++r) {
            const uint8_t* p = bytes.data() + kGuardBytes + size_t(r) * size_t(rowBytes);
            for (int i = usedBytes; i < rowBytes; ++i)
                if (p[i] != kJunk) return false;
        }
        return true;
    }
};

struct TestHost::Impl {
    TestHost& host;
    std::set<HostHandle*> handles;
    std::set<HostBuffer*> buffers;
    std::set<HostDescriptor*> descriptors;
    std::map<std::string, int> acquiredSuites;
    int handleAllocations = 0, handleLocks = 0, bufferAllocations = 0, bufferLocks = 0, advanceCalls = 0;

    PixelArea input, output, mask;
    Rect servedIn = {0, 0, 0, 0};
    Rect committedOut = {0, 0, 0, 0};
    int16_t committedLo = 0, committedHi = -1;
    bool outputPending = false;

    HandleProcs handleProcs = {};
    BufferProcs bufferProcs = {};
    PropertyProcs propertyProcs = {};
    ReadDescriptorProcs readProcs = {};
    WriteDescriptorProcs writeProcs = {};
    SPBasicSuite basic = {};
    PSDescriptorRegistryProcs registryProcs = {};
    PSActionDescriptorProcs actionProcs = {};
    AboutRecord about = {};

    explicit Impl(TestHost& h) : host(h) {}
    ~Impl() {
        for (HostHandle* h : handles) {
            std::free(h->data);
            delete h;
        }
        for (HostBuffer* b : buffers) delete b;
        for (HostDescriptor* d : descriptors) delete d;
    }

    void violation(const std::string& what) { host.violations_.push_back(what); }

    // ------------------------------------------------------------ handles
    HostHandle* newHandle(int32_t size) {
        if (size < 0) {
            violation("newProc with a negative size");
            return nullptr;
        }
        HostHandle* h = new HostHandle{static_cast<char*>(std::malloc(size_t(size) + 1)), size, 0};
        std::memset(h->data, kFreshBuffer, size_t(size) + 1);
        handles.insert(h);
        return h;
    }
    HostHandle* known(Handle handle, const char* what) {
        auto* h = reinterpret_cast<HostHandle*>(handle);
        if (handles.count(h) == 0) {
            violation(std::string(what) + " of a handle the host did not make (or already disposed)");
            return nullptr;
        }
        return h;
    }
    void dispose(HostHandle* h) {
        handles.erase(h);
        std::free(h->data);
        delete h;
    }

    // ------------------------------------------------------------ descriptors as handles
    Handle descriptorHandle(const std::vector<std::pair<uint32_t, double>>& values) {
        int32_t size = int32_t(values.size() * 12);
        HostHandle* h = newHandle(size);
        for (size_t i = 0; i < values.size(); ++i) {
            std::memcpy(h->data + i * 12, &values[i].first, 4);
            std::memcpy(h->data + i * 12 + 4, &values[i].second, 8);
        }
        return reinterpret_cast<Handle>(h);
    }
    static std::vector<std::pair<uint32_t, double>> descriptorValues(const HostHandle* h) {
        std::vector<std::pair<uint32_t, double>> values;
        for (int32_t i = 0; i + 12 <= h->size; i += 12) {
            uint32_t key;
            double value;
            std::memcpy(&key, h->data + i, 4);
            std::memcpy(&value, h->data + i + 4, 8);
            values.emplace_back(key, value);
        }
        return values;
    }

    // ------------------------------------------------------------ pixels
    bool checkRect(const Rect& r, int height, int width, Fixed rate, const char* name) {
        if (r.bottom < r.top || r.right < r.left) {
            violation(std::string(name) + " inverted: " + rectText(r));
            return false;
        }
        if (rectIsEmpty(r)) return true;
        if (rate < 0x10000 || (rate & 0xFFFF) != 0) {
            violation(std::string(name) + " requested at a rate this host does not serve: " + std::to_string(rate));
            return false;
        }
        int k = rate >> 16;
        if (r.top < 0 || r.left < 0 || r.bottom > ceilDiv(height, k) || r.right > ceilDiv(width, k)) {
            violation(std::string(name) + " " + rectText(r) + " outside the image at rate " + std::to_string(k));
            return false;
        }
        return true;
    }

    bool checkPlanes(int16_t lo, int16_t hi, const char* name) {
        if (lo < 0 || hi < lo || hi >= host.image_.planes) {
            violation(std::string(name) + " plane range " + std::to_string(lo) + ".." + std::to_string(hi) +
                      " outside the image's planes");
            return false;
        }
        return true;
    }

    // Row r of plane p of the image, from column 0.
    const uint8_t* imageRow(int plane, int r) const {
        const HostImage& img = host.image_;
        return img.data.data() + (size_t(plane) * size_t(img.height) + size_t(r)) * size_t(img.width);
    }

    const HostQuirks& quirks() const { return host.options_.quirks; }

    // The step this host actually samples r at when asked for `rate`.
    int servedStep(const Rect& r, Fixed rate) const {
        int k = rate >> 16;
        if (quirks().samplingSupport == 0 || faults().otherRateAt == advanceCalls) return 1;
        const HostImage& img = host.image_;
        if (quirks().rateOnlyWithinImage && k > 1 && (r.bottom > img.height / k || r.right > img.width / k)) return 1;
        return k;
    }
    // The first plane this host serves or writes for a request from `lo`.
    int16_t servedLo(int16_t lo) const { return quirks().planesFromZero ? int16_t(0) : lo; }

    void serveInput(const FilterRecord& rec) {
        int k = servedStep(rec.inRect, rec.inputRate);
        int n = rec.inHiPlane - rec.inLoPlane + 1;
        int w = rectWidth(rec.inRect), h = rectHeight(rec.inRect);
        input.allocate(h, w * n, host.options_.rowPadding);
        servedIn = rec.inRect;
        for (int r = 0; r < h; ++r) {
            uint8_t* dst = input.row(r);
            int y = k * (rec.inRect.top + r);
            for (int p = 0; p < n; ++p) {
                const uint8_t* src = imageRow(servedLo(rec.inLoPlane) + p, y) + size_t(k) * size_t(rec.inRect.left);
                for (int c = 0; c < w; ++c) dst[c * n + p] = src[size_t(k) * size_t(c)];
            }
        }
    }

    void serveMask(const FilterRecord& rec) {
        const HostImage& img = host.image_;
        int k = servedStep(rec.maskRect, rec.maskRate);
        int w = rectWidth(rec.maskRect), h = rectHeight(rec.maskRect);
        mask.allocate(h, w, host.options_.rowPadding);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                mask.row(r)[c] =
                    host.selection_[size_t(k * (rec.maskRect.top + r)) * size_t(img.width) + size_t(k * (rec.maskRect.left + c))];
    }

    // The output buffer starts with the image's current pixels, as hosts give it.
    void serveOutput(const FilterRecord& rec) {
        int n = rec.outHiPlane - rec.outLoPlane + 1;
        int w = rectWidth(rec.outRect), h = rectHeight(rec.outRect);
        output.allocate(h, w * n, host.options_.rowPadding);
        for (int r = 0; r < h; ++r)
            for (int p = 0; p < n; ++p) {
                const uint8_t* src = imageRow(servedLo(rec.outLoPlane) + p, rec.outRect.top + r) + rec.outRect.left;
                for (int c = 0; c < w; ++c) output.row(r)[c * n + p] = src[c];
            }
        committedOut = rec.outRect;
        committedLo = servedLo(rec.outLoPlane);
        committedHi = int16_t(committedLo + rec.outHiPlane - rec.outLoPlane);
        outputPending = true;
    }

    // Writes the plug-in's output back into the image.
    void commitOutput() {
        if (!outputPending) return;
        outputPending = false;
        if (!output.intact()) violation("the plug-in wrote outside outRect " + rectText(committedOut));
        int n = committedHi - committedLo + 1;
        for (int r = 0; r < output.rows; ++r)
            for (int p = 0; p < n; ++p) {
                uint8_t* dst = const_cast<uint8_t*>(imageRow(committedLo + p, committedOut.top + r)) + committedOut.left;
                for (int c = 0; c < rectWidth(committedOut); ++c)
                    dst[c] = blended(dst[c], output.row(r)[c * n + p], committedOut.top + r, committedOut.left + c);
            }
    }

    // The host applies its selection to what the plug-in wrote.
    uint8_t blended(uint8_t original, uint8_t filtered, int row, int col) const {
        if (!host.record_->haveMask || host.selection_.empty()) return filtered;
        int m = host.selection_[size_t(row) * size_t(host.image_.width) + size_t(col)];
        if (quirks().blend == SelectionBlend::Shifted)
            return m == 0 ? original : uint8_t((original * (256 - (m + 1)) + filtered * (m + 1)) >> 8);
        return uint8_t((original * (255 - m) + filtered * m + 127) / 255);
    }

    int16_t advanceState() {
        commitOutput();
        FilterRecord& rec = *host.record_;
        ++advanceCalls;
        AdvanceRequest request = {rec.inRect,     rec.outRect,    rec.maskRect,  rec.inLoPlane, rec.inHiPlane,
                                  rec.outLoPlane, rec.outHiPlane, rec.inputRate, rec.maskRate,  noErr};
        const Faults& faults = host.options_.faults;
        if (faults.failAdvanceState != 0 && advanceCalls == faults.failAdvanceState) {
            request.result = faults.advanceStateError;
            host.requests_.push_back(request);
            return request.result;
        }
        const HostImage& img = host.image_;
        bool ok = checkRect(rec.inRect, img.height, img.width, servedStep(rec.inRect, rec.inputRate) << 16, "inRect") &&
                  checkRect(rec.outRect, img.height, img.width, 0x10000, "outRect");
        bool wantInput = ok && !rectIsEmpty(rec.inRect);
        bool wantOutput = ok && !rectIsEmpty(rec.outRect);
        bool wantMask = ok && rec.haveMask && !rectIsEmpty(rec.maskRect);
        if (wantInput) ok = checkPlanes(rec.inLoPlane, rec.inHiPlane, "input");
        if (ok && wantOutput) ok = checkPlanes(rec.outLoPlane, rec.outHiPlane, "output");
        if (ok && wantMask)
            ok = checkRect(rec.maskRect, img.height, img.width, servedStep(rec.maskRect, rec.maskRate) << 16, "maskRect");
        if (!ok) {
            request.result = filterBadParameters;
            host.requests_.push_back(request);
            return request.result;
        }
        // A host that refills only when the rectangle changes keeps its last
        // buffer for the same rectangle, whatever planes or rate are asked now.
        bool stale = quirks().refillOnRectChangeOnly && wantInput && !input.bytes.empty() && sameRect(servedIn, rec.inRect);
        if (!stale) input = {};
        mask = {};
        if (wantInput && !stale) serveInput(rec);
        if (wantOutput) serveOutput(rec);
        if (wantMask) serveMask(rec);
        rec.inData = wantInput ? input.base() : nullptr;
        rec.inRowBytes = wantInput ? input.rowBytes : 0;
        rec.outData = wantOutput ? output.base() : nullptr;
        rec.outRowBytes = wantOutput ? output.rowBytes : 0;
        rec.maskData = wantMask ? mask.base() : nullptr;
        rec.maskRowBytes = wantMask ? mask.rowBytes : 0;
        deliverBadly(rec);
        host.requests_.push_back(request);
        return noErr;
    }

    // Injected deliveries that do not fit what was asked.
    void deliverBadly(FilterRecord& rec) {
        const Faults& f = faults();
        if (f.deliverNothingAt == advanceCalls) rec.inData = rec.outData = rec.maskData = nullptr;
        if (f.shortRowBytesAt == advanceCalls && rec.inRowBytes > 0)
            rec.inRowBytes = (rec.inHiPlane - rec.inLoPlane + 1) * rectWidth(rec.inRect) - 1;
        if (f.movedRectAt == advanceCalls && rectHeight(rec.inRect) > 1) --rec.inRect.bottom;
        if (f.otherRateAt == advanceCalls) rec.inputRate = rec.maskRate = 0x10000;
    }

    // ------------------------------------------------------------ progress, abort, display
    int abortPollCount = 0;
    void logAbort(int polls) {
        host.abortPolls_ = polls;
        host.log_.push_back("abort");
    }
    void progress(int32_t done, int32_t total) {
        host.progress_.push_back({done, total});
        if (host.options_.onProgress) host.options_.onProgress(done, total);
        host.log_.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
    }
    OSErr display(const PSPixelMap* map, const VRect* rect, int32_t row, int32_t col, void* context) {
        if (map == nullptr || rect == nullptr || map->rowBytes <= 0 || map->colBytes <= 0) {
            violation("displayPixels with a missing map, rectangle or row bytes");
            return filterBadParameters;
        }
        DisplayCall call = {*rect, row, col, map->imageMode, map->rowBytes, map->colBytes, map->planeBytes,
                            map->version >= 1 && map->masks != nullptr, {}, {}};
        const auto* base = static_cast<const uint8_t*>(map->baseAddr);
        for (int32_t y = rect->top; y < rect->bottom; ++y)
            for (int32_t x = rect->left; x < rect->right; ++x)
                for (int32_t k = 0; k < map->colBytes; ++k)
                    call.pixels.push_back(base[ptrdiff_t(y) * map->rowBytes + ptrdiff_t(x) * map->colBytes + k]);
        if (call.hasMask) {
            const auto* m = static_cast<const uint8_t*>(map->masks->maskData);
            for (int32_t y = rect->top; y < rect->bottom; ++y)
                for (int32_t x = rect->left; x < rect->right; ++x)
                    call.mask.push_back(m[ptrdiff_t(y) * map->masks->rowBytes + ptrdiff_t(x) * map->masks->colBytes]);
        }
        host.displayCalls_.push_back(std::move(call));
        OSErr drawn = displayOnDevice(map, rect, row, col, context);
        if (host.options_.onDisplay) host.options_.onDisplay(host.displayCalls_.back());
        return drawn;
    }

    // ------------------------------------------------------------ suite bodies
    const Faults& faults() const { return host.options_.faults; }

    Handle newProc(int32_t size) {
        ++handleAllocations;
        if (faults().failHandleAllocation == handleAllocations) return nullptr;
        return reinterpret_cast<Handle>(newHandle(size));
    }
    void disposeProc(Handle handle) {
        if (HostHandle* h = known(handle, "disposeProc")) {
            if (h->locks > 0 && handle != host.descriptorParameters_.descriptor)
                host.log_.push_back("disposeProc of a locked handle");
            dispose(h);
        }
    }
    int32_t getSizeProc(Handle handle) {
        HostHandle* h = known(handle, "getSizeProc");
        return h ? h->size : 0;
    }
    Ptr lockProc(Handle handle) {
        HostHandle* h = known(handle, "lockProc");
        if (!h) return nullptr;
        ++handleLocks;
        if (faults().failHandleLock == handleLocks) return nullptr;
        ++h->locks;
        return h->data;
    }
    void unlockProc(Handle handle) {
        if (HostHandle* h = known(handle, "unlockProc")) {
            if (h->locks == 0) violation("unlockProc of a handle that is not locked");
            else --h->locks;
        }
    }

    OSErr allocateProc(int32_t size, BufferID* id) {
        ++bufferAllocations;
        host.bufferRequests_.push_back(size);
        if (size < 0 || id == nullptr) {
            violation("allocateProc with a negative size or no id cell");
            return paramErr;
        }
        if (faults().failBufferAllocation == bufferAllocations) return memFullErr;
        auto* b = new HostBuffer{std::vector<uint8_t>(size_t(size) + 1, kFreshBuffer), false};
        buffers.insert(b);
        ++host.buffersAllocated_;
        *id = reinterpret_cast<BufferID>(b);
        return noErr;
    }
    HostBuffer* knownBuffer(BufferID id, const char* what) {
        auto* b = reinterpret_cast<HostBuffer*>(id);
        if (buffers.count(b) == 0) {
            violation(std::string(what) + " of a buffer the host did not allocate (or already freed)");
            return nullptr;
        }
        return b;
    }
    Ptr lockBuffer(BufferID id) {
        HostBuffer* b = knownBuffer(id, "buffer lockProc");
        if (!b) return nullptr;
        ++bufferLocks;
        if (faults().failBufferLock == bufferLocks) return nullptr;
        b->locked = true;
        return reinterpret_cast<Ptr>(b->bytes.data());
    }
    void unlockBuffer(BufferID id) {
        if (HostBuffer* b = knownBuffer(id, "buffer unlockProc")) b->locked = false;
    }
    void freeBuffer(BufferID id) {
        if (HostBuffer* b = knownBuffer(id, "buffer freeProc")) {
            if (b->locked) violation("buffer freed while locked");
            buffers.erase(b);
            delete b;
        }
    }

    OSErr setProperty(uint32_t signature, uint32_t key, int32_t index, intptr_t value, Handle complex) {
        if (quirks().propertiesIgnored) return noErr;
        host.log_.push_back("setProperty " + codeText(key) + " " + std::to_string(value));
        if (signature != kPhotoshopSignature) {
            if (quirks().propertySignatureRefusal != 0) return quirks().propertySignatureRefusal;
            violation("setProperty with a signature other than '8BIM'");
        }
        if (quirks().watchPropertyUnknown) return errPlugInHostInsufficient;
        if (key == propWatchSuspension && index == 0 && complex == nullptr) {
            host.watchSuspensions_.push_back(value);
            return noErr;
        }
        return errPlugInPropertyUndefined;
    }

    // Scripting descriptor procedures.
    PIReadDescriptor openRead(PIDescriptorHandle handle, DescriptorKeyID* keys) {
        HostHandle* h = known(handle, "openReadDescriptorProc");
        if (!h) return nullptr;
        auto* reader = new DescriptorReader{descriptorValues(h), 0, noErr};
        for (auto& [key, value] : reader->values) {
            (void)value;
            for (DescriptorKeyID* k = keys; k && *k; ++k)
                if (*k == key) *k = 0xFFFFFFFF;  // the host marks each expected key it returns
        }
        host.log_.push_back("openReadDescriptor");
        return reinterpret_cast<PIReadDescriptor>(reader);
    }
    OSErr closeRead(PIReadDescriptor token) {
        auto* reader = reinterpret_cast<DescriptorReader*>(token);
        OSErr err = reader->error;
        delete reader;
        host.log_.push_back("closeReadDescriptor");
        return err;
    }
    Boolean getKey(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags) {
        auto* reader = reinterpret_cast<DescriptorReader*>(token);
        if (reader->next >= reader->values.size()) return false;
        *key = reader->values[reader->next].first;
        *type = typeFloat;
        *flags = 0;
        ++reader->next;
        return true;
    }
    OSErr getFloat(PIReadDescriptor token, real64* value) {
        auto* reader = reinterpret_cast<DescriptorReader*>(token);
        if (reader->next == 0) return reader->error = paramErr;
        *value = reader->values[reader->next - 1].second;
        return noErr;
    }
    PIWriteDescriptor openWrite() { return reinterpret_cast<PIWriteDescriptor>(new DescriptorWriter); }
    OSErr putFloat(PIWriteDescriptor token, DescriptorKeyID key, const real64* value) {
        reinterpret_cast<DescriptorWriter*>(token)->values.emplace_back(key, *value);
        return noErr;
    }
    OSErr closeWrite(PIWriteDescriptor token, PIDescriptorHandle* out) {
        auto* writer = reinterpret_cast<DescriptorWriter*>(token);
        *out = descriptorHandle(writer->values);
        delete writer;
        return noErr;
    }

    // Basic suite with the registry and action descriptor suites.
    SPErr acquire(const char* name, int32_t version, const void** suite) {
        std::string n = name ? name : "";
        if (n == kPSDescriptorRegistrySuite && version == kPSDescriptorRegistrySuiteVersion) {
            *suite = &registryProcs;
        } else if (n == kPSActionDescriptorSuite && version == kPSActionDescriptorSuiteVersion) {
            *suite = &actionProcs;
        } else {
            return kSPSuiteNotFoundError;
        }
        ++acquiredSuites[n];
        return kSPNoError;
    }
    SPErr release(const char* name, int32_t) {
        std::string n = name ? name : "";
        if (acquiredSuites[n] <= 0) {
            violation("ReleaseSuite of a suite not acquired: " + n);
            return kSPSuiteNotFoundError;
        }
        --acquiredSuites[n];
        return kSPNoError;
    }
    HostDescriptor* knownDescriptor(PIActionDescriptor d, const char* what) {
        auto* desc = reinterpret_cast<HostDescriptor*>(d);
        if (descriptors.count(desc) == 0) {
            violation(std::string(what) + " of an action descriptor the host did not make");
            return nullptr;
        }
        return desc;
    }
    OSErr make(PIActionDescriptor* d) {
        auto* desc = new HostDescriptor;
        descriptors.insert(desc);
        *d = reinterpret_cast<PIActionDescriptor>(desc);
        return noErr;
    }
    OSErr freeDescriptor(PIActionDescriptor d) {
        HostDescriptor* desc = knownDescriptor(d, "Free");
        if (!desc) return paramErr;
        descriptors.erase(desc);
        delete desc;
        return noErr;
    }
    OSErr getCount(PIActionDescriptor d, uint32_t* count) {
        HostDescriptor* desc = knownDescriptor(d, "GetCount");
        if (!desc) return paramErr;
        *count = uint32_t(desc->values.size());
        return noErr;
    }
    OSErr putDescriptorFloat(PIActionDescriptor d, DescriptorKeyID key, real64 value) {
        HostDescriptor* desc = knownDescriptor(d, "PutFloat");
        if (!desc) return paramErr;
        desc->values.emplace_back(key, value);
        return noErr;
    }
    OSErr getDescriptorFloat(PIActionDescriptor d, DescriptorKeyID key, real64* value) {
        HostDescriptor* desc = knownDescriptor(d, "GetFloat");
        if (!desc) return paramErr;
        for (auto& [k, v] : desc->values)
            if (k == key) {
                *value = v;
                return noErr;
            }
        return errPlugInPropertyUndefined;
    }
    OSErr registerDescriptor(const char* key, PIActionDescriptor d, Boolean persistent) {
        HostDescriptor* desc = knownDescriptor(d, "Register");
        if (!desc || key == nullptr) return paramErr;
        RegistryEntry entry;
        for (auto& [k, v] : desc->values) entry.values[k] = v;
        entry.persistent = persistent != 0;
        host.registry_[key] = entry;
        host.saveRegistry();
        return noErr;
    }
    OSErr getRegistered(const char* key, PIActionDescriptor* d) {
        *d = nullptr;
        auto it = host.registry_.find(key ? key : "");
        if (it == host.registry_.end()) return noErr;  // success with no descriptor, as common hosts do
        auto* desc = new HostDescriptor;
        for (auto& [k, v] : it->second.values) desc->values.emplace_back(k, v);
        descriptors.insert(desc);
        *d = reinterpret_cast<PIActionDescriptor>(desc);
        return noErr;
    }
};


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

void TestHost::setSelection(std::vector<uint8_t> mask) {
    selection_ = std::move(mask);
    record_->haveMask = !selection_.empty();
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
    r.filterCase = options_.filterCase;
    r.imageMode = options_.imageMode;
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
    r.inputRate = r.maskRate = 0x10000;
    r.depth = 8;
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
    int16_t finish = call(filterSelectorFinish);
    if (hostAdvances) hostAdvanceState();
    return result != noErr ? result : finish;
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

// Registry file: one line per persistent entry: the key, then key:value pairs
// with each value in hexadecimal floating point so it comes back exactly.
void TestHost::loadRegistry() {
    if (options_.registryFile.empty() || options_.quirks.forgetsSettings) return;
    std::ifstream in(options_.registryFile);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key, pair;
        if (!(fields >> key)) continue;
        RegistryEntry entry;
        entry.persistent = true;
        while (fields >> pair) {
            size_t colon = pair.find(':');
            if (colon == std::string::npos) continue;
            uint32_t code = uint32_t(std::strtoul(pair.substr(0, colon).c_str(), nullptr, 16));
            entry.values[code] = std::strtod(pair.substr(colon + 1).c_str(), nullptr);
        }
        registry_[key] = entry;
    }
}

void TestHost::saveRegistry() const {
    if (options_.registryFile.empty() || options_.quirks.forgetsSettings) return;
    std::string temporary = options_.registryFile + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (auto& [key, entry] : registry_) {
            if (!entry.persistent) continue;
            out << key;
            for (auto& [code, value] : entry.values) {
                char text[64];
                std::snprintf(text, sizeof text, " %08" PRIx32 ":%a", code, value);
                out << text;
            }
            out << "\n";
        }
    }
    std::rename(temporary.c_str(), options_.registryFile.c_str());
}

}  // namespace testhost
