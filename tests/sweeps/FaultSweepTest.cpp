// Every failure point of whole runs, in turn (tests/util/FaultSweep.h).
// Natively the runs are replayed and interactive (a scripted user who confirms
// or cancels the dialog); against the DLL they are replayed, and its dialog's
// sweeps are among the dialog tests.
#include <gtest/gtest.h>

#include "tests/scenarios/PluginUnderTest.h"
#include "tests/util/FaultSweep.h"
#include "tests/util/SceneImages.h"
#ifndef _WIN32
#include "host/TrackedMemory.h"
#include "ui/headless/Headless.h"
#endif

namespace {

enum class Mode { Replayed, Confirmed, Cancelled };

testutil::SweepRun runsOf(const testhost::HostImage& image, Mode mode) {
    return [&image, mode](const testhost::Faults& faults, int trackedFault) {
        testhost::TestHostOptions options = testutil::sweptStep(mode != Mode::Replayed);
        options.faults = faults;
#ifndef _WIN32
        HeadlessUser user;
        user.confirm = mode == Mode::Confirmed;
        setHeadlessUser(&user);
#endif
        testutil::failTrackedAllocation(trackedFault);
        testutil::SweepOutcome out;
        {
            testhost::TestHost host(image, options);
            host.setEntry(pluginUnderTest());
            out.result = host.runFilter();
            out.image = host.image();
            out.leaks = host.leaks();
            out.points = host.faultPoints();
        }
        testutil::failTrackedAllocation(0);
#ifndef _WIN32
        setHeadlessUser(nullptr);
        out.liveBlocks = trackedBlockCount();
#endif
        return out;
    };
}

}  // namespace

TEST(FaultSweep, ReplayedRun) {
    testhost::HostImage input = scenes::darkRoom(420, 390);
    testutil::sweepFaults("replayed", input, false, false, runsOf(input, Mode::Replayed));
}

TEST(FaultSweep, DeepImageReplayed) {
    testhost::HostImage input = scenes::deepRoom(420, 390);
    testutil::sweepFaults("16-bit, replayed", input, false, false, runsOf(input, Mode::Replayed));
}

#ifndef _WIN32
TEST(FaultSweep, DeepImageDialogConfirmed) {
    testhost::HostImage input = scenes::deepRoom(420, 390);
    testutil::sweepFaults("16-bit, dialog, OK", input, true, false, runsOf(input, Mode::Confirmed));
}

TEST(FaultSweep, DialogConfirmed) {
    testhost::HostImage input = scenes::darkRoom(420, 390);
    testutil::sweepFaults("dialog, OK", input, true, false, runsOf(input, Mode::Confirmed));
}

TEST(FaultSweep, DialogCancelled) {
    testhost::HostImage input = scenes::darkRoom(420, 390);
    testutil::sweepFaults("dialog, Cancel", input, true, true, runsOf(input, Mode::Cancelled));
}
#endif
