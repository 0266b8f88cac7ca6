// The entry point's selectors as a host sends them, with the records read back
// through the host's handles. Natively in-process; under Wine, the real DLL.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/Controls.h"
#include "host/Parameters.h"
#include "host/ScriptDescriptors.h"
#include "testhost/TestHost.h"
#include "tests/scenarios/PluginUnderTest.h"
#include "tests/util/SceneImages.h"

using testhost::TestHost;
using testhost::TestHostOptions;

namespace {

// The test host's handles point at a cell whose first member is the data.
FilterParameters* parameterRecord(TestHost& host) {
    return host.record().parameters ? *reinterpret_cast<FilterParameters**>(host.record().parameters) : nullptr;
}

TestHost* newHost(TestHostOptions options = {}) {
    auto* host = new TestHost(scenes::darkRoom(400, 380), options);
    host->setEntry(pluginUnderTest());
    return host;
}

// Copies of the filter record's fields: the record is 4-byte packed, so a
// pointer field may not be aligned for a reference to bind to.
Handle parametersOf(TestHost& host) { return host.record().parameters; }

void expectCleanedUp(TestHost& host) {
    EXPECT_EQ(parametersOf(host), nullptr);
    EXPECT_EQ(host.dataCell(), 0);
    EXPECT_TRUE(rectIsEmpty(host.record().inRect));
    EXPECT_TRUE(rectIsEmpty(host.record().outRect));
    EXPECT_TRUE(rectIsEmpty(host.record().maskRect));
    EXPECT_TRUE(host.leaks().empty()) << host.leaks().front();
    EXPECT_TRUE(host.violations().empty()) << host.violations().front();
}

}  // namespace

TEST(Selectors, UnknownSelectorsAreRefusedAndCleanedUp) {
    for (int16_t selector : {int16_t(6), int16_t(100), int16_t(-1)}) {
        std::unique_ptr<TestHost> host(newHost());
        ASSERT_EQ(host->call(filterSelectorParameters), 0);
        host->record().inRect = {1, 2, 3, 4};
        EXPECT_EQ(host->call(selector), filterBadParameters) << selector;
        expectCleanedUp(*host);
    }
}

TEST(Selectors, ContinueEmptiesTheRectangles) {
    std::unique_ptr<TestHost> host(newHost());
    EXPECT_EQ(host->call(filterSelectorContinue), 0);
    EXPECT_TRUE(rectIsEmpty(host->record().inRect));
    host->record().outRect = {0, 0, 10, 10};
    host->record().maskRect = {0, 0, 10, 10};
    EXPECT_EQ(host->call(filterSelectorContinue), 0);
    EXPECT_TRUE(rectIsEmpty(host->record().outRect));
    EXPECT_TRUE(rectIsEmpty(host->record().maskRect));
}

TEST(Selectors, ParametersResetsTheRecordsAndPrepareKeepsThem) {
    std::unique_ptr<TestHost> host(newHost());
    ASSERT_EQ(host->call(filterSelectorParameters), 0);
    FilterParameters* p = parameterRecord(*host);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->amount, 10.0f);
    EXPECT_EQ(p->vibrance, 2.0f);
    EXPECT_EQ(p->mask.strength, 64.0f);
    EXPECT_EQ(p->mask.levelCount, 5.0f);
    EXPECT_EQ(p->mask.lumaGain, 0.5f);
    EXPECT_EQ(p->mask.maxValue, 255);

    p->amount = 3.0f;
    ASSERT_EQ(host->call(filterSelectorPrepare), 0);
    EXPECT_EQ(parameterRecord(*host)->amount, 3.0f);  // Prepare keeps what Parameters left
    EXPECT_EQ(host->record().bufferSpace, 0);
    ASSERT_EQ(host->call(filterSelectorParameters), 0);
    EXPECT_EQ(parameterRecord(*host)->amount, 10.0f);  // Parameters starts again
    EXPECT_EQ(host->call(filterSelectorFinish), 0);
    expectCleanedUp(*host);
}

// A record handed back with values no step of the plug-in writes gives way to
// the initial values at Prepare.
TEST(Selectors, PrepareResetsARecordItCouldNotHaveLeft) {
    for (int bad = 0; bad < 4; ++bad) {
        std::unique_ptr<TestHost> host(newHost());
        ASSERT_EQ(host->call(filterSelectorParameters), 0);
        FilterParameters* p = parameterRecord(*host);
        p->amount = 3.0f;
        if (bad == 0) p->amount = 1e30f;
        if (bad == 1) p->vibrance = std::nanf("");
        if (bad == 2) p->mask.levelCount = -3.0f;
        if (bad == 3) p->mask.strength = 0.0f;
        ASSERT_EQ(host->call(filterSelectorPrepare), 0);
        p = parameterRecord(*host);
        EXPECT_EQ(p->amount, 10.0f) << bad;
        EXPECT_EQ(p->vibrance, 2.0f) << bad;
        EXPECT_EQ(p->mask.levelCount, 5.0f) << bad;
        EXPECT_EQ(p->mask.strength, 64.0f) << bad;
        EXPECT_EQ(host->call(filterSelectorFinish), 0);
        EXPECT_TRUE(host->leaks().empty()) << host->leaks().front();
    }
}

// A repeat handed a parameters handle of another size than the record's (none,
// cut short, too long) runs with a record of its own: nothing is read or
// written past the host's handle, which is disposed, and nothing is left.
TEST(Selectors, ARepeatWithAParametersHandleOfAnotherSizeRunsWithARecordOfItsOwn) {
    TestHostOptions options;
    options.replay.present = true;
    options.replay.values = {{keyAmount, 12.0}, {keyVibrance, 1.0}};
    std::unique_ptr<TestHost> first(newHost(options));
    ASSERT_EQ(first->runFilter(), 0);
    for (size_t size : {size_t(0), size_t(6), sizeof(FilterParameters) + 8}) {
        std::unique_ptr<TestHost> host(newHost(options));
        host->savedParameters() = std::vector<uint8_t>(size, 0x5A);
        EXPECT_EQ(host->repeatFilter(), 0) << size;
        EXPECT_TRUE(host->violations().empty()) << host->violations().front();
        EXPECT_TRUE(host->leaks().empty()) << host->leaks().front();
        EXPECT_EQ(host->image().data, first->image().data) << size;
    }
}

TEST(Selectors, PrepareCreatesAMissingParameterHandle) {
    std::unique_ptr<TestHost> host(newHost());
    ASSERT_EQ(host->call(filterSelectorParameters), 0);
    intptr_t data = host->dataCell();
    // A host that drops the parameter handle between runs but keeps the data cell.
    Handle parameters = host->record().parameters;
    host->record().parameters = nullptr;
    ASSERT_EQ(host->call(filterSelectorPrepare), 0);
    EXPECT_NE(parametersOf(*host), nullptr);
    EXPECT_NE(parametersOf(*host), parameters);
    EXPECT_EQ(host->dataCell(), data);
    EXPECT_EQ(parameterRecord(*host)->amount, 10.0f);
    host->record().parameters = parameters;  // give the host back its own handle to account for
    EXPECT_EQ(host->call(filterSelectorFinish), 0);
}

TEST(Selectors, RefusedHandlesEndWithOutOfMemoryAndNothingLeft) {
    for (int n : {1, 2}) {
        TestHostOptions options;
        options.faults.failHandleAllocation = n;
        std::unique_ptr<TestHost> host(newHost(options));
        EXPECT_EQ(host->call(filterSelectorParameters), memFullErr) << n;
        expectCleanedUp(*host);
    }
    for (int n : {1, 2}) {
        TestHostOptions options;
        options.faults.failHandleLock = n;
        std::unique_ptr<TestHost> host(newHost(options));
        EXPECT_EQ(host->call(filterSelectorPrepare), memFullErr) << n;
        expectCleanedUp(*host);
    }
}

TEST(Selectors, StartWithoutHandlesIsABadParameter) {
    std::unique_ptr<TestHost> host(newHost());
    EXPECT_EQ(host->call(filterSelectorStart), filterBadParameters);
    expectCleanedUp(*host);
}

TEST(Selectors, FinishWithoutScriptingStillStoresTheLastSettings) {
    TestHostOptions options;
    options.withholdDescriptorParameters = true;
    std::unique_ptr<TestHost> host(newHost(options));
    ASSERT_EQ(host->call(filterSelectorParameters), 0);
    parameterRecord(*host)->amount = 12.7f;
    parameterRecord(*host)->vibrance = 0.5f;
    ASSERT_EQ(host->call(filterSelectorFinish), 0);
    expectCleanedUp(*host);
    auto entry = host->registry().find(settingsRegistryKey);
    ASSERT_NE(entry, host->registry().end());
    EXPECT_TRUE(entry->second.persistent);
    EXPECT_EQ(entry->second.values[keyAmount], 12.0);    // whole numbers only
    EXPECT_EQ(entry->second.values[keyVibrance], -2.0);  // 0.5 truncates to 0, minus 2
}

TEST(Selectors, LastSettingsSurviveFromOneHostRunToTheNext) {
    std::string file = testing::TempDir() + "velmora-registry-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed());
    std::remove(file.c_str());
    {
        TestHostOptions options;
        options.registryFile = file;
        options.replay.present = true;
        options.replay.values = {{keyAmount, 15.0}, {keyVibrance, -1.0}};
        std::unique_ptr<TestHost> host(newHost(options));
        ASSERT_EQ(host->runFilter(), 0);
    }
    TestHostOptions options;
    options.registryFile = file;
    options.replay.present = true;
    options.replay.values = {};  // a replayed step without values: the last settings stand
    std::unique_ptr<TestHost> host(newHost(options));
    ASSERT_EQ(host->call(filterSelectorParameters), 0);
    ASSERT_EQ(host->call(filterSelectorPrepare), 0);
    ASSERT_EQ(host->call(filterSelectorStart), 0);
    EXPECT_EQ(parameterRecord(*host)->amount, 15.0f);
    EXPECT_EQ(parameterRecord(*host)->vibrance, 1.0f);
    EXPECT_EQ(host->call(filterSelectorFinish), 0);
    std::remove(file.c_str());
}

TEST(Selectors, AboutTouchesNothing) {
    std::unique_ptr<TestHost> host(newHost());
    EXPECT_EQ(host->runAbout(), 0);
    EXPECT_EQ(host->liveHandles(), 0);
    EXPECT_EQ(host->dataCell(), 0);
}
