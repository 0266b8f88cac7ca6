// The test host's private parts, shared by its files: the objects it hands
// the plug-in (handles, buffers, descriptors, pixel areas) and TestHost::Impl,
// whose members serve the callbacks. Pixels and requests: HostPixels.cpp;
// handles, buffers and properties: HostMemory.cpp; descriptors, the basic
// suite and the registry: HostDescriptors.cpp; the record and the trampolines:
// TestHost.cpp.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "testhost/TestHost.h"

namespace testhost {

constexpr uint8_t kJunk = 0xA7;        // padding and guard bytes handed to the plug-in
constexpr uint8_t kFreshBuffer = 0xCD; // contents of a newly allocated host buffer
constexpr size_t kGuardBytes = 64;

inline std::string rectText(const Rect& r) {
    char text[64];
    std::snprintf(text, sizeof text, "{%d,%d,%d,%d}", r.top, r.left, r.bottom, r.right);
    return text;
}

inline std::string codeText(uint32_t code) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[size_t(i)] = char((code >> (24 - 8 * i)) & 0xFF);
    return s;
}

inline int ceilDiv(int a, int b) { return (a + b - 1) / b; }

inline bool sameRect(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
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

    // The pixel bytes are left for the caller to fill; the guards and every
    // row's padding hold junk. The area's memory is reused from request to request.
    void allocate(int rowCount, int used, int padding) {
        rows = rowCount;
        usedBytes = used;
        rowBytes = used + padding;
        bytes.resize(kGuardBytes * 2 + size_t(rows) * size_t(rowBytes));
        std::fill(bytes.begin(), bytes.begin() + kGuardBytes, kJunk);
        std::fill(bytes.end() - kGuardBytes, bytes.end(), kJunk);
        for (int r = 0; r < rows && padding > 0; ++r) std::fill(row(r) + used, row(r) + rowBytes, kJunk);
    }
    void clear() { rows = usedBytes = rowBytes = 0; }
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
    HostHandle* newHandle(int32_t size);
    HostHandle* known(Handle handle, const char* what);
    void dispose(HostHandle* h);

    // ------------------------------------------------------------ descriptors as handles
    Handle descriptorHandle(const std::vector<std::pair<uint32_t, double>>& values);
    static std::vector<std::pair<uint32_t, double>> descriptorValues(const HostHandle* h);

    // ------------------------------------------------------------ pixels
    bool checkRect(const Rect& r, int height, int width, Fixed rate, const char* name);

    bool checkPlanes(int16_t lo, int16_t hi, const char* name);

    // Row r of plane p of the image, from column 0.
    const uint8_t* imageRow(int plane, int r) const;
    int sampleBytes() const { return host.image_.depth == 16 ? 2 : 1; }
    // Junk bytes after every row handed out.
    int rowPadding() const;
    // The same row as this host serves it: of the image as Start found it,
    // where the host serves from that.
    const uint8_t* servedRow(int plane, int r) const;
    // True when the host blends what the plug-in wrote through its selection.
    bool blendsSelection() const;

    const HostQuirks& quirks() const { return host.options_.quirks; }

    // The step this host actually samples r at when asked for `rate`.
    int servedStep(const Rect& r, Fixed rate) const;
    // The first plane this host serves or writes for a request from `lo`.
    int16_t servedLo(int16_t lo) const { return quirks().planesFromZero ? int16_t(0) : lo; }

    void serveInput(const FilterRecord& rec);

    void serveMask(const FilterRecord& rec);

    // The output buffer starts with the image's current pixels, as hosts give it.
    void serveOutput(const FilterRecord& rec);

    // Writes the plug-in's output back into the image.
    void commitOutput();
    template <class T>
    void commitRows();

    // The host applies its selection (m at row, col) to what the plug-in wrote.
    int blended(int original, int filtered, int row, int col) const;

    int16_t advanceState();

    // Injected deliveries that do not fit what was asked.
    void deliverBadly(FilterRecord& rec);

    // ------------------------------------------------------------ progress, abort, display
    int abortPollCount = 0;
    void logAbort(int polls);
    void progress(int32_t done, int32_t total);
    OSErr display(const PSPixelMap* map, const VRect* rect, int32_t row, int32_t col, void* context);

    // ------------------------------------------------------------ suite bodies
    const Faults& faults() const { return host.options_.faults; }

    Handle newProc(int32_t size);
    void disposeProc(Handle handle);
    int32_t getSizeProc(Handle handle);
    Ptr lockProc(Handle handle);
    void unlockProc(Handle handle);

    OSErr allocateProc(int32_t size, BufferID* id);
    HostBuffer* knownBuffer(BufferID id, const char* what);
    Ptr lockBuffer(BufferID id);
    void unlockBuffer(BufferID id);
    void freeBuffer(BufferID id);

    OSErr setProperty(uint32_t signature, uint32_t key, int32_t index, intptr_t value, Handle complex);

    // Scripting descriptor procedures.
    PIReadDescriptor openRead(PIDescriptorHandle handle, DescriptorKeyID* keys);
    OSErr closeRead(PIReadDescriptor token);
    Boolean getKey(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags);
    OSErr getFloat(PIReadDescriptor token, real64* value);
    PIWriteDescriptor openWrite();
    OSErr putFloat(PIWriteDescriptor token, DescriptorKeyID key, const real64* value);
    OSErr closeWrite(PIWriteDescriptor token, PIDescriptorHandle* out);

    // Basic suite with the registry and action descriptor suites.
    SPErr acquire(const char* name, int32_t version, const void** suite);
    SPErr release(const char* name, int32_t);
    HostDescriptor* knownDescriptor(PIActionDescriptor d, const char* what);
    OSErr make(PIActionDescriptor* d);
    OSErr freeDescriptor(PIActionDescriptor d);
    OSErr getCount(PIActionDescriptor d, uint32_t* count);
    OSErr putDescriptorFloat(PIActionDescriptor d, DescriptorKeyID key, real64 value);
    OSErr getDescriptorFloat(PIActionDescriptor d, DescriptorKeyID key, real64* value);
    OSErr registerDescriptor(const char* key, PIActionDescriptor d, Boolean persistent);
    OSErr getRegistered(const char* key, PIActionDescriptor* d);
};

}  // namespace testhost
