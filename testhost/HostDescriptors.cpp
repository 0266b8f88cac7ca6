// Scripting descriptors, the basic suite with the descriptor registry and
// action descriptor suites, and the registry file that keeps persistent
// entries between host runs.
#include "testhost/TestHostImpl.h"

#include <cinttypes>
#include <cstring>
#include <fstream>
#include <sstream>

namespace testhost {

Handle TestHost::Impl::descriptorHandle(const std::vector<std::pair<uint32_t, double>>& values) {
    int32_t size = int32_t(values.size() * 12);
    HostHandle* h = newHandle(size);
    for (size_t i = 0; i < values.size(); ++i) {
        std::memcpy(h->data + i * 12, &values[i].first, 4);
        std::memcpy(h->data + i * 12 + 4, &values[i].second, 8);
    }
    return reinterpret_cast<Handle>(h);
}

std::vector<std::pair<uint32_t, double>> TestHost::Impl::descriptorValues(const HostHandle* h) {
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

PIReadDescriptor TestHost::Impl::openRead(PIDescriptorHandle handle, DescriptorKeyID* keys) {
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

OSErr TestHost::Impl::closeRead(PIReadDescriptor token) {
    auto* reader = reinterpret_cast<DescriptorReader*>(token);
    OSErr err = reader->error;
    delete reader;
    host.log_.push_back("closeReadDescriptor");
    return err;
}

Boolean TestHost::Impl::getKey(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags) {
    auto* reader = reinterpret_cast<DescriptorReader*>(token);
    if (reader->next >= reader->values.size()) return false;
    *key = reader->values[reader->next].first;
    *type = typeFloat;
    *flags = 0;
    ++reader->next;
    return true;
}

OSErr TestHost::Impl::getFloat(PIReadDescriptor token, real64* value) {
    auto* reader = reinterpret_cast<DescriptorReader*>(token);
    if (reader->next == 0) return reader->error = paramErr;
    *value = reader->values[reader->next - 1].second;
    return noErr;
}

PIWriteDescriptor TestHost::Impl::openWrite() { return reinterpret_cast<PIWriteDescriptor>(new DescriptorWriter); }

OSErr TestHost::Impl::putFloat(PIWriteDescriptor token, DescriptorKeyID key, const real64* value) {
    reinterpret_cast<DescriptorWriter*>(token)->values.emplace_back(key, *value);
    return noErr;
}

OSErr TestHost::Impl::closeWrite(PIWriteDescriptor token, PIDescriptorHandle* out) {
    auto* writer = reinterpret_cast<DescriptorWriter*>(token);
    *out = descriptorHandle(writer->values);
    delete writer;
    return noErr;
}

SPErr TestHost::Impl::acquire(const char* name, int32_t version, const void** suite) {
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

SPErr TestHost::Impl::release(const char* name, int32_t) {
    std::string n = name ? name : "";
    if (acquiredSuites[n] <= 0) {
        violation("ReleaseSuite of a suite not acquired: " + n);
        return kSPSuiteNotFoundError;
    }
    --acquiredSuites[n];
    return kSPNoError;
}

HostDescriptor* TestHost::Impl::knownDescriptor(PIActionDescriptor d, const char* what) {
    auto* desc = reinterpret_cast<HostDescriptor*>(d);
    if (descriptors.count(desc) == 0) {
        violation(std::string(what) + " of an action descriptor the host did not make");
        return nullptr;
    }
    return desc;
}

OSErr TestHost::Impl::make(PIActionDescriptor* d) {
    auto* desc = new HostDescriptor;
    descriptors.insert(desc);
    *d = reinterpret_cast<PIActionDescriptor>(desc);
    return noErr;
}

OSErr TestHost::Impl::freeDescriptor(PIActionDescriptor d) {
    HostDescriptor* desc = knownDescriptor(d, "Free");
    if (!desc) return paramErr;
    descriptors.erase(desc);
    delete desc;
    return noErr;
}

OSErr TestHost::Impl::getCount(PIActionDescriptor d, uint32_t* count) {
    HostDescriptor* desc = knownDescriptor(d, "GetCount");
    if (!desc) return paramErr;
    *count = uint32_t(desc->values.size());
    return noErr;
}

OSErr TestHost::Impl::putDescriptorFloat(PIActionDescriptor d, DescriptorKeyID key, real64 value) {
    HostDescriptor* desc = knownDescriptor(d, "PutFloat");
    if (!desc) return paramErr;
    desc->values.emplace_back(key, value);
    return noErr;
}

OSErr TestHost::Impl::getDescriptorFloat(PIActionDescriptor d, DescriptorKeyID key, real64* value) {
    HostDescriptor* desc = knownDescriptor(d, "GetFloat");
    if (!desc) return paramErr;
    for (auto& [k, v] : desc->values)
        if (k == key) {
            *value = v;
            return noErr;
        }
    return errPlugInPropertyUndefined;
}

OSErr TestHost::Impl::registerDescriptor(const char* key, PIActionDescriptor d, Boolean persistent) {
    HostDescriptor* desc = knownDescriptor(d, "Register");
    if (!desc || key == nullptr) return paramErr;
    RegistryEntry entry;
    for (auto& [k, v] : desc->values) entry.values[k] = v;
    entry.persistent = persistent != 0;
    host.registry_[key] = entry;
    host.saveRegistry();
    return noErr;
}

OSErr TestHost::Impl::getRegistered(const char* key, PIActionDescriptor* d) {
    *d = nullptr;
    auto it = host.registry_.find(key ? key : "");
    if (it == host.registry_.end()) return noErr;  // success with no descriptor, as common hosts do
    auto* desc = new HostDescriptor;
    for (auto& [k, v] : it->second.values) desc->values.emplace_back(k, v);
    descriptors.insert(desc);
    *d = reinterpret_cast<PIActionDescriptor>(desc);
    return noErr;
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
