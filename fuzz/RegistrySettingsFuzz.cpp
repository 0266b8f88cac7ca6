// The last settings in the host's descriptor registry: loadLastSettings, then
// saveLastSettings, against a harness basic suite, registry suite and action
// descriptor suite whose every answer comes from the input: suites refused
// (with an error, or success without a table), an entry stored or not, the
// results of Get, GetCount, GetFloat, Make, PutFloat and Register, and the
// values stored, in range or not, finite or not.
//
// Checked against a model of both operations: the exact sequence of host
// calls (first failure stops the work, each acquired suite released once, a
// descriptor freed exactly when one was given or made), the error returned,
// the values taken into the record and the whole numbers stored. Then the
// values go to the gains and the engine.
#include <cmath>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "engine/Controls.h"
#include "host/ScriptDescriptors.h"

namespace {

struct SuiteAnswer {
    SPErr err;
    bool giveTable;  // with an error, a host may still write the table pointer; without, it may give none
};

struct Answers {
    SuiteAnswer suites[4];  // the two acquisitions of the load, then of the save
    int16_t getErr;
    bool stored;
    int16_t countErr, amountErr, vibranceErr;
    uint32_t count;
    double amount, vibrance;
    int16_t makeErr, putAmountErr, putVibranceErr, registerErr;
};

struct Seen {
    const Answers* answers = nullptr;
    std::string calls;  // one letter per host call, in order
    int acquisitions = 0;
    int registryHeld = 0, descriptorsHeld = 0;
    int liveDescriptors = 0;
    double putAmount = 0, putVibrance = 0;
};

Seen* seen = nullptr;
int storedDescriptor, madeDescriptor;  // the descriptors the harness hands out are these objects' addresses
PSDescriptorRegistryProcs registryProcs;
PSActionDescriptorProcs descriptorProcs;

PIActionDescriptor stored() { return reinterpret_cast<PIActionDescriptor>(&storedDescriptor); }
PIActionDescriptor made() { return reinterpret_cast<PIActionDescriptor>(&madeDescriptor); }

SPErr PI_CALL acquireSuite(const char* name, int32_t version, const void** suite) {
    FUZZ_CHECK(name != nullptr && suite != nullptr, "AcquireSuite without a name or out cell");
    const bool registry = std::strcmp(name, kPSDescriptorRegistrySuite) == 0;
    const bool descriptors = std::strcmp(name, kPSActionDescriptorSuite) == 0;
    FUZZ_CHECK(registry || descriptors, "AcquireSuite of an unknown suite %s", name);
    FUZZ_CHECK(version == (registry ? kPSDescriptorRegistrySuiteVersion : kPSActionDescriptorSuiteVersion),
               "AcquireSuite of version %d", int(version));
    FUZZ_CHECK(seen->acquisitions < 4, "more than two acquisitions per operation");
    const SuiteAnswer& a = seen->answers->suites[seen->acquisitions++];
    seen->calls += registry ? 'A' : 'a';
    const void* table = registry ? static_cast<const void*>(&registryProcs) : &descriptorProcs;
    if (a.giveTable) *suite = table;
    if (a.err == kSPNoError && a.giveTable) ++(registry ? seen->registryHeld : seen->descriptorsHeld);
    return a.err;
}

SPErr PI_CALL releaseSuite(const char* name, int32_t version) {
    FUZZ_CHECK(name != nullptr, "ReleaseSuite without a name");
    const bool registry = std::strcmp(name, kPSDescriptorRegistrySuite) == 0;
    int& held = registry ? seen->registryHeld : seen->descriptorsHeld;
    FUZZ_CHECK(held > 0, "ReleaseSuite of %s, which is not held", name);
    FUZZ_CHECK(version == (registry ? kPSDescriptorRegistrySuiteVersion : kPSActionDescriptorSuiteVersion),
               "ReleaseSuite of version %d", int(version));
    --held;
    seen->calls += registry ? 'R' : 'r';
    return kSPNoError;
}

OSErr PI_CALL registryGet(const char* key, PIActionDescriptor* descriptor) {
    FUZZ_CHECK(key != nullptr && std::strcmp(key, settingsRegistryKey) == 0, "Get under another key");
    FUZZ_CHECK(descriptor != nullptr, "Get without an out cell");
    seen->calls += 'G';
    const Answers& a = *seen->answers;
    *descriptor = nullptr;
    if (a.getErr == noErr && a.stored) {
        *descriptor = stored();
        ++seen->liveDescriptors;
    }
    return a.getErr;
}

OSErr PI_CALL registryRegister(const char* key, PIActionDescriptor descriptor, Boolean persistent) {
    FUZZ_CHECK(key != nullptr && std::strcmp(key, settingsRegistryKey) == 0, "Register under another key");
    FUZZ_CHECK(descriptor == made(), "Register of a descriptor the harness did not make");
    FUZZ_CHECK(persistent == 1, "Register with isPersistent %d", int(persistent));
    seen->calls += 'S';
    return seen->answers->registerErr;
}

OSErr PI_CALL registryErase(const char*) {
    FUZZ_CHECK(false, "Erase is never called");
    return noErr;
}

OSErr PI_CALL makeDescriptor(PIActionDescriptor* descriptor) {
    FUZZ_CHECK(descriptor != nullptr, "Make without an out cell");
    seen->calls += 'M';
    if (seen->answers->makeErr == noErr) {
        *descriptor = made();
        ++seen->liveDescriptors;
    }
    return seen->answers->makeErr;
}

OSErr PI_CALL freeDescriptor(PIActionDescriptor descriptor) {
    FUZZ_CHECK(descriptor == stored() || descriptor == made(), "Free of a descriptor the harness did not give");
    FUZZ_CHECK(seen->liveDescriptors > 0, "a descriptor freed twice");
    --seen->liveDescriptors;
    seen->calls += 'X';
    return noErr;
}

OSErr PI_CALL getCount(PIActionDescriptor descriptor, uint32_t* count) {
    FUZZ_CHECK(descriptor == stored() && seen->liveDescriptors > 0, "GetCount of another descriptor");
    FUZZ_CHECK(count != nullptr, "GetCount without an out cell");
    seen->calls += 'C';
    *count = seen->answers->count;
    return seen->answers->countErr;
}

OSErr PI_CALL getFloat(PIActionDescriptor descriptor, DescriptorKeyID key, real64* value) {
    FUZZ_CHECK(descriptor == stored() && seen->liveDescriptors > 0, "GetFloat of another descriptor");
    FUZZ_CHECK(value != nullptr, "GetFloat without an out cell");
    FUZZ_CHECK(key == keyAmount || key == keyVibrance, "GetFloat of key %08x", unsigned(key));
    const Answers& a = *seen->answers;
    const bool amount = key == keyAmount;
    seen->calls += amount ? 'F' : 'f';
    const int16_t err = amount ? a.amountErr : a.vibranceErr;
    *value = err == noErr ? (amount ? a.amount : a.vibrance) : 777.0;  // a failing host may leave anything
    return err;
}

OSErr PI_CALL putFloat(PIActionDescriptor descriptor, DescriptorKeyID key, real64 value) {
    FUZZ_CHECK(descriptor == made() && seen->liveDescriptors > 0, "PutFloat into another descriptor");
    FUZZ_CHECK(key == keyAmount || key == keyVibrance, "PutFloat of key %08x", unsigned(key));
    const bool amount = key == keyAmount;
    seen->calls += amount ? 'P' : 'p';
    (amount ? seen->putAmount : seen->putVibrance) = value;
    return amount ? seen->answers->putAmountErr : seen->answers->putVibranceErr;
}

SuiteAnswer suiteAnswer(fuzz::Input& in) {
    uint8_t choice = in.byte();
    if (choice < 176) return {kSPNoError, true};
    if (choice < 192) return {kSPNoError, false};  // success, but no table
    SPErr err = (choice & 1) ? kSPSuiteNotFoundError : SPErr(int32_t(in.u32()) | 1);
    return {err, (choice & 2) != 0};
}

Answers decode(fuzz::Input& in) {
    Answers a = {};
    for (SuiteAnswer& s : a.suites) s = suiteAnswer(in);
    a.getErr = in.error();
    a.stored = in.byte() < 224;
    a.countErr = in.error();
    a.count = in.u32();
    a.amountErr = in.error();
    a.amount = in.number();
    a.vibranceErr = in.error();
    a.vibrance = in.number();
    a.makeErr = in.error();
    a.putAmountErr = in.error();
    a.putVibranceErr = in.error();
    a.registerErr = in.error();
    return a;
}

// Acquires as the plug-in must: the registry suite, then (if it came) the
// descriptor suite. Appends the calls; returns the error met.
int16_t modelAcquire(const Answers& a, int first, std::string& calls, bool& registry, bool& descriptors) {
    calls += 'A';
    registry = a.suites[first].err == kSPNoError && a.suites[first].giveTable;
    if (!registry) return errPlugInHostInsufficient;
    calls += 'a';
    descriptors = a.suites[first + 1].err == kSPNoError && a.suites[first + 1].giveTable;
    return descriptors ? noErr : errPlugInHostInsufficient;
}

void modelRelease(std::string& calls, bool registry, bool descriptors) {
    if (registry) calls += 'R';
    if (descriptors) calls += 'r';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const bool withBasic = in.byte() < 240;
    const Answers answers = decode(in);

    SPBasicSuite basic = {};
    basic.AcquireSuite = acquireSuite;
    basic.ReleaseSuite = releaseSuite;
    registryProcs = {registryRegister, registryErase, registryGet};
    descriptorProcs = {};
    descriptorProcs.Make = makeDescriptor;
    descriptorProcs.Free = freeDescriptor;
    descriptorProcs.GetCount = getCount;
    descriptorProcs.PutFloat = putFloat;
    descriptorProcs.GetFloat = getFloat;
    FilterRecord record = {};
    record.sSPBasic = withBasic ? &basic : nullptr;

    Seen watch;
    watch.answers = &answers;
    seen = &watch;
    fuzz::PluginState state(&record);

    // Load.
    const int16_t loaded = loadLastSettings();
    std::string calls;
    int16_t err = errPlugInHostInsufficient;
    float amount = 10.0f, vibrance = 2.0f;
    if (withBasic) {
        bool registry = false, descriptors = false;
        err = modelAcquire(answers, 0, calls, registry, descriptors);
        if (err == noErr) {
            calls += 'G';
            err = answers.getErr;
        }
        if (err == noErr && answers.stored) {
            calls += 'C';
            err = answers.countErr;
            if (err == noErr) {
                calls += 'F';
                err = answers.amountErr;
                if (err == noErr) {
                    amount = float(answers.amount);
                    calls += 'f';
                    err = answers.vibranceErr;
                    if (err == noErr) vibrance = float(answers.vibrance + 2.0);
                }
            }
            calls += 'X';
        }
        modelRelease(calls, registry, descriptors);
    }
    FUZZ_CHECK(watch.calls == calls, "load made the calls %s, expected %s", watch.calls.c_str(), calls.c_str());
    FUZZ_CHECK(loaded == err, "load returned %d, expected %d", loaded, err);
    FUZZ_CHECK(fuzz::sameFloat(state.p.amount, amount), "amount %g, expected %g", double(state.p.amount),
               double(amount));
    FUZZ_CHECK(fuzz::sameFloat(state.p.vibrance, vibrance), "vibrance %g, expected %g", double(state.p.vibrance),
               double(vibrance));
    FUZZ_CHECK(watch.registryHeld == 0 && watch.descriptorsHeld == 0 && watch.liveDescriptors == 0,
               "load left suites or a descriptor held");

    // Save what was loaded: whole numbers, toward zero.
    watch.calls.clear();
    watch.acquisitions = 2;
    const int16_t saved = saveLastSettings();
    calls.clear();
    err = errPlugInHostInsufficient;
    const double wholeAmount = std::trunc(double(amount)), wholeVibrance = std::trunc(double(vibrance)) - 2.0;
    if (withBasic) {
        bool registry = false, descriptors = false;
        err = modelAcquire(answers, 2, calls, registry, descriptors);
        if (err == noErr) {
            calls += 'M';
            err = answers.makeErr;
            const bool madeOne = err == noErr;
            if (err == noErr) {
                calls += 'P';
                err = answers.putAmountErr;
            }
            if (err == noErr) {
                calls += 'p';
                err = answers.putVibranceErr;
            }
            if (err == noErr) {
                calls += 'S';
                err = answers.registerErr;
            }
            if (madeOne) calls += 'X';
        }
        modelRelease(calls, registry, descriptors);
    }
    FUZZ_CHECK(watch.calls == calls, "save made the calls %s, expected %s", watch.calls.c_str(), calls.c_str());
    FUZZ_CHECK(saved == err, "save returned %d, expected %d", saved, err);
    if (calls.find('P') != std::string::npos)
        FUZZ_CHECK(fuzz::sameDouble(watch.putAmount, wholeAmount), "stored Amount %a, expected %a", watch.putAmount,
                   wholeAmount);
    if (calls.find('p') != std::string::npos)
        FUZZ_CHECK(fuzz::sameDouble(watch.putVibrance, wholeVibrance), "stored Vibrance %a, expected %a",
                   watch.putVibrance, wholeVibrance);
    FUZZ_CHECK(watch.registryHeld == 0 && watch.descriptorsHeld == 0 && watch.liveDescriptors == 0,
               "save left suites or a descriptor held");

    fuzz::adjustWithSettings(in, &state.p);
    seen = nullptr;
    return 0;
}
