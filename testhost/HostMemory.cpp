// Handles, buffers and properties as the host gives them, with their
// injected failures and the checks of how the plug-in uses them.
#include "testhost/TestHostImpl.h"

#include <cstring>

namespace testhost {

HostHandle* TestHost::Impl::newHandle(int32_t size) {
    if (size < 0) {
        violation("newProc with a negative size");
        return nullptr;
    }
    // A guard zone follows the handle's bytes, so a write past its end is caught.
    HostHandle* h = new HostHandle{static_cast<char*>(std::malloc(size_t(size) + kGuardBytes)), size, 0};
    std::memset(h->data, kFreshBuffer, size_t(size));
    std::memset(h->data + size, kJunk, kGuardBytes);
    handles.insert(h);
    return h;
}

HostHandle* TestHost::Impl::known(Handle handle, const char* what) {
    auto* h = reinterpret_cast<HostHandle*>(handle);
    if (handles.count(h) == 0) {
        violation(std::string(what) + " of a handle the host did not make (or already disposed)");
        return nullptr;
    }
    return h;
}

void TestHost::Impl::dispose(HostHandle* h) {
    for (size_t i = 0; i < kGuardBytes; ++i)
        if (uint8_t(h->data[size_t(h->size) + i]) != kJunk) {
            violation("written past the end of a handle of " + std::to_string(h->size) + " bytes");
            break;
        }
    handles.erase(h);
    std::free(h->data);
    delete h;
}

Handle TestHost::Impl::newProc(int32_t size) {
    ++handleAllocations;
    if (faults().failHandleAllocation == handleAllocations) return nullptr;
    return reinterpret_cast<Handle>(newHandle(size));
}

void TestHost::Impl::disposeProc(Handle handle) {
    if (HostHandle* h = known(handle, "disposeProc")) {
        if (h->locks > 0 && handle != host.descriptorParameters_.descriptor)
            host.log_.push_back("disposeProc of a locked handle");
        dispose(h);
    }
}

int32_t TestHost::Impl::getSizeProc(Handle handle) {
    HostHandle* h = known(handle, "getSizeProc");
    return h ? h->size : 0;
}

Ptr TestHost::Impl::lockProc(Handle handle) {
    HostHandle* h = known(handle, "lockProc");
    if (!h) return nullptr;
    ++handleLocks;
    if (faults().failHandleLock == handleLocks) return nullptr;
    ++h->locks;
    return h->data;
}

void TestHost::Impl::unlockProc(Handle handle) {
    if (HostHandle* h = known(handle, "unlockProc")) {
        if (h->locks == 0) violation("unlockProc of a handle that is not locked");
        else --h->locks;
    }
}

OSErr TestHost::Impl::allocateProc(int32_t size, BufferID* id) {
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

HostBuffer* TestHost::Impl::knownBuffer(BufferID id, const char* what) {
    auto* b = reinterpret_cast<HostBuffer*>(id);
    if (buffers.count(b) == 0) {
        violation(std::string(what) + " of a buffer the host did not allocate (or already freed)");
        return nullptr;
    }
    return b;
}

Ptr TestHost::Impl::lockBuffer(BufferID id) {
    HostBuffer* b = knownBuffer(id, "buffer lockProc");
    if (!b) return nullptr;
    ++bufferLocks;
    if (faults().failBufferLock == bufferLocks) return nullptr;
    b->locked = true;
    return reinterpret_cast<Ptr>(b->bytes.data());
}

void TestHost::Impl::unlockBuffer(BufferID id) {
    if (HostBuffer* b = knownBuffer(id, "buffer unlockProc")) b->locked = false;
}

void TestHost::Impl::freeBuffer(BufferID id) {
    if (HostBuffer* b = knownBuffer(id, "buffer freeProc")) {
        if (b->locked) violation("buffer freed while locked");
        buffers.erase(b);
        delete b;
    }
}

OSErr TestHost::Impl::setProperty(uint32_t signature, uint32_t key, int32_t index, intptr_t value, Handle complex) {
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

}  // namespace testhost
