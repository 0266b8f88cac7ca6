// The test host's registry file: the input is the file a test host starts
// from. The host loads it; the plug-in then loads its last settings through
// the host's suites and saves them, which rewrites the file; a second host
// loads the rewritten file.
//
// Checked: the plug-in takes exactly the values the entry holds (or keeps its
// own where the entry lacks them), the first host sees no violation and
// nothing left held, and the rewritten file brings back every entry as the
// first host read it (values bit for bit, a NaN as a NaN), with the plug-in's
// entry replaced by the whole numbers it stored.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "engine/Controls.h"
#include "host/ScriptDescriptors.h"
#include "testhost/TestHost.h"

namespace {

// A file of this process's own, in memory where there is a memory file
// system: the host rewrites it by renaming, which a disk file system may
// flush every time.
const std::string& registryPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string folder = dir && *dir ? dir : access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return folder + "/velmora-fuzz-registry-" + std::to_string(getpid());
    }();
    return path;
}

void removeRegistryFile() { std::remove(registryPath().c_str()); }

bool sameEntries(const std::map<uint32_t, double>& a, const std::map<uint32_t, double>& b) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || !fuzz::sameDouble(i->second, j->second)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first kilobyte: longer files reach nothing new, they only take longer.
    size = std::min(size, size_t(1024));
    static const std::string& path = registryPath();
    static const int removal = std::atexit(removeRegistryFile);
    (void)removal;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        FUZZ_CHECK(false, "cannot write %s", path.c_str());
    }

    testhost::TestHostOptions options;
    options.registryFile = path;
    std::map<std::string, testhost::RegistryEntry> first;
    float amount = 10.0f, vibrance = 2.0f;
    {
        testhost::TestHost host(testhost::makeImage(1, 1, 3), options);
        first = host.registry();
        for (auto& [key, entry] : first) FUZZ_CHECK(entry.persistent, "entry %s read as not persistent", key.c_str());

        host.setEntry(&PluginMain);
        host.call(filterSelectorContinue);  // makes this host the one whose callbacks are live
        fuzz::PluginState state(&host.record());
        const int16_t loaded = loadLastSettings();

        int16_t expected = noErr;
        auto it = first.find(settingsRegistryKey);
        if (it != first.end()) {
            const auto& values = it->second.values;
            auto a = values.find(keyAmount), v = values.find(keyVibrance);
            if (a == values.end()) {
                expected = errPlugInPropertyUndefined;
            } else {
                amount = float(a->second);
                if (v == values.end()) expected = errPlugInPropertyUndefined;
                else vibrance = float(v->second + 2.0);
            }
        }
        FUZZ_CHECK(loaded == expected, "load returned %d, expected %d", loaded, expected);
        FUZZ_CHECK(fuzz::sameFloat(state.p.amount, amount) && fuzz::sameFloat(state.p.vibrance, vibrance),
                   "settings %g, %g, expected %g, %g", double(state.p.amount), double(state.p.vibrance),
                   double(amount), double(vibrance));
        FUZZ_CHECK(saveLastSettings() == noErr, "save failed");
        FUZZ_CHECK(host.violations().empty(), "host violation: %s", host.violations().front().c_str());
        FUZZ_CHECK(host.leaks().empty(), "left held: %s", host.leaks().front().c_str());
    }

    testhost::RegistryEntry& mine = first[settingsRegistryKey];
    mine.values = {{keyAmount, std::trunc(double(amount))}, {keyVibrance, std::trunc(double(vibrance)) - 2.0}};
    mine.persistent = true;
    testhost::TestHost again(testhost::makeImage(1, 1, 3), options);
    const auto& second = again.registry();
    FUZZ_CHECK(second.size() == first.size(), "%zu entries came back of %zu", second.size(), first.size());
    for (auto i = first.cbegin(), j = second.cbegin(); i != first.end(); ++i, ++j)
        FUZZ_CHECK(i->first == j->first && sameEntries(i->second.values, j->second.values),
                   "entry %s came back as %s, changed", i->first.c_str(), j->first.c_str());
    return 0;
}
