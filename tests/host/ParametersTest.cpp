// The parameter record's derived gains and the descriptor operations, called
// directly against a test host's suites.
#include <gtest/gtest.h>

#include <memory>

#include "engine/Controls.h"
#include "host/Parameters.h"
#include "host/PluginGlobals.h"
#include "host/ScriptDescriptors.h"
#include "tests/util/HostedRun.h"
#include "testhost/TestHost.h"

namespace {

// The plug-in's globals on a host's suites, with records of the fixture's own.
testutil::HostedRun records(testhost::TestHostOptions options = {}) {
    return testutil::HostedRun(testhost::makeImage(8, 8, 3), std::move(options), testutil::RunStage::Bare);
}

testhost::TestHostOptions replay(int16_t playInfo, std::vector<std::pair<uint32_t, double>> values) {
    testhost::TestHostOptions o;
    o.replay.present = true;
    o.replay.playInfo = playInfo;
    o.replay.values = std::move(values);
    return o;
}

}  // namespace

TEST(Parameters, DerivedGains) {
    FilterParameters p = {10.0f, 2.0f, {}};
    deriveMaskGains(&p);
    EXPECT_EQ(p.mask.lumaGain, 0.5f);
    EXPECT_EQ(p.mask.chromaScale, 0.5f);
    p = {0.0f, 4.0f, {}};
    deriveMaskGains(&p);
    EXPECT_EQ(p.mask.lumaGain, 0.85f);
    EXPECT_EQ(p.mask.chromaScale, 0.0f);
    p = {20.0f, 0.0f, {}};
    deriveMaskGains(&p);
    EXPECT_NEAR(p.mask.lumaGain, 0.15f, 1e-7f);
    EXPECT_EQ(p.mask.chromaScale, 1.0f);
}

// The gains are evaluated beyond single precision before they are rounded to
// float: at hundreds of these settings a single-precision evaluation gives
// another float (and other output bytes).
TEST(Parameters, DerivedGainsKeepTheirPrecision) {
    int singleDiffers = 0;
    for (int i = 0; i <= 2000; ++i) {
        FilterParameters p = {float(i) / 100.0f, float(i % 401) / 100.0f, {}};
        deriveMaskGains(&p);
        double a = p.amount, v = p.vibrance;
        EXPECT_EQ(p.mask.lumaGain, float(1.0 - (a * double(0.05f) * double(0.7f) + double(0.15f)))) << a;
        EXPECT_EQ(p.mask.chromaScale, float(1.0 - v * double(0.25f))) << v;
        volatile float product = p.amount * 0.05f * 0.7f;  // held in a float: single precision
        singleDiffers += p.mask.lumaGain != 1.0f - (product + 0.15f);
    }
    EXPECT_GT(singleDiffers, 500);
}

TEST(Parameters, ReplayedStepsDecideTheDialog) {
    for (int16_t play : {plugInDialogDontDisplay, plugInDialogDisplay, plugInDialogSilent}) {
        testutil::HostedRun rec = records(replay(play, {{keyAmount, 12.5}, {keyVibrance, 1.5}}));
        bool show = false;
        readScriptParameters(show);
        EXPECT_EQ(show, play == plugInDialogDisplay);
        EXPECT_EQ(rec.ownParams.amount, 12.5f);
        EXPECT_EQ(rec.ownParams.vibrance, 3.5f);
        EXPECT_EQ(rec.host->record().descriptorParameters->descriptor, nullptr);  // read and disposed
        EXPECT_EQ(rec.host->liveHandles(), 0);
    }
    testutil::HostedRun none = records();
    bool show = false;
    readScriptParameters(show);
    EXPECT_TRUE(show);  // no scripting descriptor: the dialog is shown

    testutil::HostedRun stranger = records(replay(plugInDialogDontDisplay, {{fourCC('X', 'y', 'z', 'w'), 3.0}, {keyAmount, 7.0}}));
    readScriptParameters(show);
    EXPECT_EQ(stranger.ownParams.amount, 10.0f);  // an unknown first key ends the reading
}

TEST(Parameters, RecordedStepAndLastSettings) {
    testutil::HostedRun rec = records();
    rec.ownParams.amount = 12.5f;
    rec.ownParams.vibrance = 3.5f;
    writeScriptParameters();
    auto recorded = rec.host->recordedDescriptor();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].second, 12.5);
    EXPECT_EQ(recorded[1].second, 1.5);
    EXPECT_EQ(rec.host->recordInfo(), plugInDialogOptional);

    EXPECT_EQ(saveLastSettings(), 0);
    auto& stored = rec.host->registry()[settingsRegistryKey].values;
    EXPECT_EQ(stored[keyAmount], 12.0);
    EXPECT_EQ(stored[keyVibrance], 1.0);

    rec.ownParams.vibrance = 0.5f;  // truncates to 0, stored as -2, comes back as 0
    saveLastSettings();
    rec.ownParams.amount = rec.ownParams.vibrance = 99.0f;
    EXPECT_EQ(loadLastSettings(), 0);
    EXPECT_EQ(rec.ownParams.amount, 12.0f);
    EXPECT_EQ(rec.ownParams.vibrance, 0.0f);
    EXPECT_TRUE(rec.host->leaks().empty());  // the recorded descriptor handle is the host's to keep

    testhost::TestHostOptions noBasic;
    noBasic.withholdBasicSuite = true;
    testutil::HostedRun without = records(noBasic);
    EXPECT_EQ(loadLastSettings(), errPlugInHostInsufficient);
    EXPECT_EQ(saveLastSettings(), errPlugInHostInsufficient);
    EXPECT_EQ(without.ownParams.amount, 10.0f);
}
