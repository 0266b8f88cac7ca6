// The settings outside one run: the host's descriptor registry keeps the last
// settings (whole numbers) across runs and host restarts; the scripting
// descriptor carries them in recorded and replayed actions.
#include <cmath>

#include "engine/Controls.h"
#include "host/HostSuites.h"
#include "host/Parameters.h"
#include "host/PluginGlobals.h"
#include "host/ScriptDescriptors.h"

namespace {

// The two suites of the basic suite that the registry operations use, with
// release of exactly what was acquired.
struct SettingsSuites {
    SPBasicSuite* basic = nullptr;
    const PSDescriptorRegistryProcs* registry = nullptr;
    const PSActionDescriptorProcs* descriptors = nullptr;

    int16_t acquire() {
        const void* suite = nullptr;
        if (basic->AcquireSuite(kPSDescriptorRegistrySuite, kPSDescriptorRegistrySuiteVersion, &suite) != kSPNoError ||
            suite == nullptr)
            return errPlugInHostInsufficient;
        registry = static_cast<const PSDescriptorRegistryProcs*>(suite);
        suite = nullptr;
        if (basic->AcquireSuite(kPSActionDescriptorSuite, kPSActionDescriptorSuiteVersion, &suite) != kSPNoError ||
            suite == nullptr)
            return errPlugInHostInsufficient;
        descriptors = static_cast<const PSActionDescriptorProcs*>(suite);
        return noErr;
    }

    void release() {
        if (registry) basic->ReleaseSuite(kPSDescriptorRegistrySuite, kPSDescriptorRegistrySuiteVersion);
        if (descriptors) basic->ReleaseSuite(kPSActionDescriptorSuite, kPSActionDescriptorSuiteVersion);
    }
};

// Reads Amount and then Vibrance from a registry descriptor; a failure of the
// first skips the second.
int16_t readSettings(const PSActionDescriptorProcs* d, PIActionDescriptor descriptor) {
    real64 value = 0;
    int16_t err = d->GetFloat(descriptor, keyAmount, &value);
    if (err != noErr) return err;
    params->amount = storedValue(kShadowBrightness, value);
    err = d->GetFloat(descriptor, keyVibrance, &value);
    if (err == noErr) params->vibrance = storedValue(kColorIntensity, value);
    return err;
}

// Truncation toward zero as a double, without the undefined behaviour an
// integer cast has for values a descriptor can carry (huge or not a number).
double wholePart(float v) { return std::trunc(double(v)); }

bool canReadScript(const PIDescriptorParameters* dp) {
    const ReadDescriptorProcs* r = dp ? dp->readDescriptorProcs : nullptr;
    return r != nullptr && r->numReadDescriptorProcs >= 5 && r->openReadDescriptorProc &&
           r->closeReadDescriptorProc && r->getKeyProc && r->getFloatProc && dp->descriptor != nullptr;
}

bool canWriteScript(const PIDescriptorParameters* dp) {
    const WriteDescriptorProcs* w = dp ? dp->writeDescriptorProcs : nullptr;
    return w != nullptr && w->numWriteDescriptorProcs >= 4 && w->openWriteDescriptorProc &&
           w->closeWriteDescriptorProc && w->putFloatProc;
}

}  // namespace

int16_t loadLastSettings() {
    SettingsSuites suites;
    suites.basic = hostRecord->sSPBasic;
    if (suites.basic == nullptr) return errPlugInHostInsufficient;
    int16_t err = suites.acquire();
    PIActionDescriptor descriptor = nullptr;
    if (err == noErr) err = suites.registry->Get(settingsRegistryKey, &descriptor);
    if (err == noErr && descriptor != nullptr) {
        uint32_t count = 0;
        err = suites.descriptors->GetCount(descriptor, &count);
        if (err == noErr) err = readSettings(suites.descriptors, descriptor);
        suites.descriptors->Free(descriptor);
    }
    suites.release();
    return err;
}

int16_t saveLastSettings() {
    SettingsSuites suites;
    suites.basic = hostRecord->sSPBasic;
    if (suites.basic == nullptr) return errPlugInHostInsufficient;
    int16_t err = suites.acquire();
    PIActionDescriptor descriptor = nullptr;
    if (err == noErr) err = suites.descriptors->Make(&descriptor);
    if (err == noErr) err = suites.descriptors->PutFloat(descriptor, keyAmount, wholePart(params->amount));
    if (err == noErr)
        err = suites.descriptors->PutFloat(descriptor, keyVibrance, wholePart(params->vibrance) - double(kColorIntensity.shownOffset));
    if (err == noErr) err = suites.registry->Register(settingsRegistryKey, descriptor, true);
    if (descriptor != nullptr) suites.descriptors->Free(descriptor);
    suites.release();
    return err;
}

int16_t readScriptParameters(bool& showDialog) {
    showDialog = runData->showDialogByDefault != 0;
    PIDescriptorParameters* dp = hostRecord->descriptorParameters;
    if (!canReadScript(dp)) return noErr;

    const ReadDescriptorProcs* r = dp->readDescriptorProcs;
    DescriptorKeyID keys[] = {keyAmount, keyVibrance, 0};
    int16_t err = noErr;
    PIReadDescriptor reader = r->openReadDescriptorProc(dp->descriptor, keys);
    if (reader != nullptr) {
        DescriptorKeyID key = 0;
        DescriptorTypeID type = 0;
        int32_t flags = 0;
        while (err == noErr && r->getKeyProc(reader, &key, &type, &flags)) {
            real64 value = 0;
            if (key == keyAmount) {
                err = r->getFloatProc(reader, &value);
                if (err == noErr) params->amount = storedValue(kShadowBrightness, value);
            } else if (key == keyVibrance) {
                err = r->getFloatProc(reader, &value);
                if (err == noErr) params->vibrance = storedValue(kColorIntensity, value);
            } else {
                err = paramErr;
            }
        }
        err = r->closeReadDescriptorProc(reader);
        hostDisposeHandle(dp->descriptor);
        dp->descriptor = nullptr;
    }
    showDialog = dp->playInfo == plugInDialogDisplay;
    return err;
}

int16_t writeScriptParameters() {
    PIDescriptorParameters* dp = hostRecord->descriptorParameters;
    if (!canWriteScript(dp)) return noErr;
    const WriteDescriptorProcs* w = dp->writeDescriptorProcs;
    PIWriteDescriptor writer = w->openWriteDescriptorProc();
    if (writer == nullptr) return noErr;
    real64 amount = params->amount;
    real64 vibrance = double(params->vibrance) - double(kColorIntensity.shownOffset);
    w->putFloatProc(writer, keyAmount, &amount);
    w->putFloatProc(writer, keyVibrance, &vibrance);
    if (dp->descriptor != nullptr) hostDisposeHandle(dp->descriptor);
    dp->descriptor = nullptr;
    w->closeWriteDescriptorProc(writer, &dp->descriptor);
    dp->recordInfo = plugInDialogOptional;
    return noErr;
}
