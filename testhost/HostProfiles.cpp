// Host profiles: the behaviours of real host families, as recorded for each
// (which suites they give, how they sample and serve planes, what they do with
// property calls and the selection), so that a run can meet each host's faults
// in a test exactly as it would in that host.
#include "testhost/TestHost.h"

namespace testhost {

namespace {

void reference(TestHostOptions* o) {
    o->hostSig = kPhotoshopSignature;
    o->supportsPadding = true;
    o->rowPadding = 13;
    o->withholdBasicSuite = false;
    o->withholdDescriptorParameters = false;
    o->quirks = HostQuirks();
}

// Paint.NET's filter host: its own signature, property calls only with '8BIM';
// 8-bit documents only.
void psfilterpdn(TestHostOptions* o) {
    o->hostSig = fourCC('N', 'D', 'P', '.');
    o->quirks.offersDeep = false;
    o->quirks.propertySignatureRefusal = errPlugInPropertyUndefined;
}

// GIMP's 8bf loader: no sampling, no scripting, no basic suite, no padding,
// properties only with '8BIM' and no watch cursor property at all. It never
// reports the filter case (a layer with transparency comes as four planes),
// passes no mask (a selection is its bounding rectangle, and GIMP blends the
// result through the selection), serves every buffer from the layer as it was
// (the output goes to a shadow copy), calls advanceState itself before each
// Continue and stores that output again after it, never calls Finish after a
// success, and unloads the plug-in after every run, keeping the parameters'
// bytes for "repeat last filter". It hands filters 8-bit images only.
void pspi(TestHostOptions* o) {
    o->hostSig = fourCC('P', 'M', 'I', 'G');
    o->withholdDescriptorParameters = true;
    o->withholdBasicSuite = true;
    o->supportsPadding = false;
    o->rowPadding = 0;
    o->quirks.samplingSupport = 0;
    o->quirks.propertySignatureRefusal = errPlugInHostInsufficient;
    o->quirks.watchPropertyUnknown = true;
    o->quirks.forgetsSettings = true;
    o->quirks.reportsFilterCase = false;
    o->quirks.withholdsMask = true;
    o->quirks.servesUnfilteredImage = true;
    o->quirks.advancesAroundContinue = true;
    o->quirks.finishesAfterSuccess = false;
    o->quirks.unloadsAfterRun = true;
    o->quirks.offersDeep = false;
}

// IrfanView: maxSpace in kilobytes, nothing kept between runs, 8-bit images only.
void irfanview(TestHostOptions* o) {
    o->hostSig = fourCC('U', 'P', '2', '0');
    o->quirks.maxSpaceInKilobytes = true;
    o->quirks.forgetsSettings = true;
    o->quirks.offersDeep = false;
}

// The open-source host engine embedded in PhotoDemon: single-plane requests
// served from plane 0, buffers refilled only when the rectangle changes, rates
// honoured only inside the image divided by the rate, packed rows, hollow
// descriptor parameters, no basic suite, properties ignored, About's result
// preset to 1, its own advanceState calls around Continue, and its own blend
// through the selection; 8-bit images only. Its signature is the bytes "spHO"
// in memory.
void pspihost(TestHostOptions* o) {
    o->hostSig = fourCC('O', 'H', 'p', 's');
    o->withholdBasicSuite = true;
    o->supportsPadding = false;
    o->rowPadding = 0;
    o->quirks.rateOnlyWithinImage = true;
    o->quirks.planesFromZero = true;
    o->quirks.refillOnRectChangeOnly = true;
    o->quirks.hollowDescriptors = true;
    o->quirks.propertiesIgnored = true;
    o->quirks.aboutResultPreset = 1;
    o->quirks.blend = SelectionBlend::Shifted;
    o->quirks.advancesAroundContinue = true;
    o->quirks.forgetsSettings = true;
    o->quirks.offersDeep = false;
}

struct Profile {
    const char* name;
    void (*apply)(TestHostOptions*);
};
const Profile kProfiles[] = {
    {"reference", nullptr}, {"psfilterpdn", psfilterpdn}, {"pspi", pspi}, {"irfanview", irfanview},
    {"pspihost", pspihost},
};

}  // namespace

bool applyHostProfile(const std::string& name, TestHostOptions* options) {
    for (const Profile& p : kProfiles) {
        if (name != p.name) continue;
        reference(options);
        if (p.apply) p.apply(options);
        return true;
    }
    return false;
}

std::vector<std::string> hostProfileNames() {
    std::vector<std::string> names;
    for (const Profile& p : kProfiles) names.push_back(p.name);
    return names;
}

bool hostProfileReplays(const TestHostOptions& options) {
    return !options.withholdDescriptorParameters && !options.quirks.hollowDescriptors;
}

}  // namespace testhost
