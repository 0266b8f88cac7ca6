// The tracked allocator and the record handles, called directly with the
// plug-in's globals pointed at a test host's record.
#include <gtest/gtest.h>

#include <memory>

#include "host/PluginGlobals.h"
#include "host/RecordHandles.h"
#include "host/TrackedMemory.h"
#include "tests/util/HostedRun.h"
#include "testhost/TestHost.h"

namespace {

// The plug-in's globals on a host's suites; no record handle exists yet.
testutil::HostedRun globals(testhost::TestHostOptions options = {}) {
    return testutil::HostedRun(testhost::makeImage(8, 8, 3), std::move(options), testutil::RunStage::Bare);
}

bool allZero(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != 0) return false;
    return true;
}

}  // namespace

TEST(TrackedMemory, HostBuffersAreZeroFilledTrackedAndReleasedNewestFirst) {
    testutil::HostedRun g = globals();
    void* a = trackedAlloc(100);
    void* b = trackedAlloc(200);
    void* c = trackedAlloc(300);
    ASSERT_TRUE(a && b && c);
    EXPECT_TRUE(allZero(b, 200));  // the host hands out 0xCD-filled buffers
    EXPECT_EQ(g.host->liveBuffers(), 3);
    EXPECT_EQ(trackedBlockCount(), 3);
    EXPECT_EQ(trackedFree(nullptr), 0);
    int local = 0;
    EXPECT_EQ(trackedFree(&local), -1);  // unknown: nothing released
    EXPECT_EQ(g.host->liveBuffers(), 3);
    EXPECT_EQ(trackedFree(b), 0);
    EXPECT_EQ(g.host->liveBuffers(), 2);
    freeAllTracked();
    EXPECT_EQ(g.host->liveBuffers(), 0);
    EXPECT_EQ(trackedFree(a), -1);  // already released
    EXPECT_TRUE(g.host->violations().empty()) << g.host->violations().front();
    EXPECT_EQ(g.result, 0);
}

TEST(TrackedMemory, HeapWhenTheHostCannotOrMustNotHelp) {
    testhost::TestHostOptions noBuffers;
    noBuffers.withholdBufferProcs = true;
    testutil::HostedRun withoutSuite = globals(noBuffers);
    void* p = trackedAlloc(64);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(allZero(p, 64));
    EXPECT_EQ(withoutSuite.host->buffersAllocated(), 0);
    EXPECT_EQ(trackedBlockCount(), 1);
    freeAllTracked();

    // A refusal leaves the host's code in the result cell and the block comes from the heap;
    // while the cell holds it, the host is not asked again.
    testhost::TestHostOptions refusing;
    refusing.faults.failBufferAllocation = 1;
    testutil::HostedRun g = globals(refusing);
    void* first = trackedAlloc(32);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(g.result, memFullErr);
    EXPECT_EQ(g.host->buffersAllocated(), 0);
    void* second = trackedAlloc(32);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(g.host->buffersAllocated(), 0);
    g.result = 0;
    void* third = trackedAlloc(32);
    EXPECT_EQ(g.host->buffersAllocated(), 1);
    EXPECT_EQ(trackedBlockCount(), 3);
    (void)third;

    // A buffer whose lock fails goes back to the host; the block comes from the heap.
    testhost::TestHostOptions badLock;
    badLock.faults.failBufferLock = 1;
    testutil::HostedRun h = globals(badLock);
    void* q = trackedAlloc(16);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(h.result, memFullErr);
    EXPECT_EQ(h.host->liveBuffers(), 0);
}

TEST(RecordHandles, MissingOrUnlockableHandles) {
    testutil::HostedRun g = globals();
    lockHandles();
    EXPECT_EQ(g.result, filterBadParameters);  // no handles at all
    g.result = 0;
    newParameterHandle();
    newDataHandle();
    ASSERT_EQ(g.result, 0);
    lockHandles();
    EXPECT_EQ(g.result, 0);
    EXPECT_NE(params, nullptr);
    EXPECT_NE(runData, nullptr);
    unlockHandles();
    disposeHandles();
    EXPECT_EQ(g.data, 0);
    EXPECT_EQ(g.host->liveHandles(), 0);

    testhost::TestHostOptions options;
    options.faults.failHandleLock = 2;
    testutil::HostedRun h = globals(options);
    newParameterHandle();
    newDataHandle();
    lockHandles();
    EXPECT_EQ(h.result, memFullErr);
    EXPECT_EQ(runData, nullptr);
    unlockHandles();
    disposeHandles();
    EXPECT_TRUE(h.host->violations().empty()) << h.host->violations().front();
}
