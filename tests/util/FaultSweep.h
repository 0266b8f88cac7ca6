// Sweeps of every failure point of a run: the 1st, 2nd, ... Nth tracked
// allocation, handle allocation and lock, buffer allocation and lock,
// advanceState and abort poll, for every N the run reaches. The caller says
// how a run is made (replayed, or through a dialog driven one way or another);
// each failed run must end with the result its failure calls for, hold nothing
// of the host's memory, and leave every pixel either as it was or as the clean
// run made it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/HostInterface.h"
#include "engine/Controls.h"
#include "testhost/TestHost.h"

namespace testutil {

// What the plug-in's tracked allocator is told to fail (0: nothing): its
// testing aid reads this at the start of each run.
inline void failTrackedAllocation(int n) {
    std::string value = std::to_string(n);
#ifdef _WIN32
    _putenv(("VELMORA_FAIL_TRACKED_ALLOCATION=" + value).c_str());
#else
    setenv("VELMORA_FAIL_TRACKED_ALLOCATION", value.c_str(), 1);
#endif
}

struct SweepOutcome {
    int16_t result = 0;
    testhost::HostImage image;
    std::vector<std::string> leaks;
    testhost::FaultPoints points = {};
    int liveBlocks = 0;  // the plug-in's tracked blocks after the run, where they can be seen
};

// A replayed step at fixed settings; `dialog` asks for the dialog.
inline testhost::TestHostOptions sweptStep(bool dialog) {
    testhost::TestHostOptions options;
    options.replay.present = true;
    options.replay.playInfo = dialog ? plugInDialogDisplay : plugInDialogDontDisplay;
    options.replay.values = {{keyAmount, 13.0}, {keyVibrance, 1.0}};
    return options;
}

// Makes one run with these faults (its options come from sweptStep).
using SweepRun = std::function<SweepOutcome(const testhost::Faults& faults, int trackedFault)>;

// Samples that are neither the input's nor the clean run's.
inline int strayPixels(const testhost::HostImage& input, const testhost::HostImage& clean,
                       const testhost::HostImage& got) {
    int stray = 0;
    const size_t step = got.depth == 16 ? 2 : 1;
    for (size_t i = 0; i < got.data.size(); i += step)
        stray += std::memcmp(&got.data[i], &input.data[i], step) != 0 && std::memcmp(&got.data[i], &clean.data[i], step) != 0;
    return stray;
}

struct FaultKind {
    const char* name;
    int16_t expected;  // 1: the clean run's result and bytes (the plug-in gets by without)
    int* (*point)(testhost::Faults&);
    int testhost::FaultPoints::*reached;
};

constexpr int16_t kSweptHostError = -36;

inline const std::vector<FaultKind>& faultKinds() {
    static const std::vector<FaultKind> kinds = {
        {"handle allocation", memFullErr, [](testhost::Faults& f) { return &f.failHandleAllocation; },
         &testhost::FaultPoints::handleAllocations},
        {"handle lock", memFullErr, [](testhost::Faults& f) { return &f.failHandleLock; },
         &testhost::FaultPoints::handleLocks},
        {"buffer allocation", 1, [](testhost::Faults& f) { return &f.failBufferAllocation; },
         &testhost::FaultPoints::bufferAllocations},
        {"buffer lock", 1, [](testhost::Faults& f) { return &f.failBufferLock; },
         &testhost::FaultPoints::bufferLocks},
        {"advanceState", kSweptHostError, [](testhost::Faults& f) { return &f.failAdvanceState; },
         &testhost::FaultPoints::advanceCalls},
        {"abort poll", userCanceledErr, [](testhost::Faults& f) { return &f.abortAtPoll; },
         &testhost::FaultPoints::abortPolls},
    };
    return kinds;
}

// Sweeps every point of the runs `run` makes of `input`; `label` names them.
inline void sweepFaults(const char* label, const testhost::HostImage& input, bool dialog, bool cancelled,
                        const SweepRun& run) {
    SweepOutcome clean = run({}, 0);
    ASSERT_EQ(clean.result, cancelled ? userCanceledErr : noErr) << label;
    int swept = 0, survived = 0;
    auto check = [&](const std::string& what, const SweepOutcome& out, int16_t expected) {
        ++swept;
        survived += out.result == clean.result;
        EXPECT_TRUE(out.leaks.empty()) << what << ": " << out.leaks.front();
        EXPECT_EQ(out.liveBlocks, 0) << what;
        EXPECT_EQ(strayPixels(input, clean.image, out.image), 0) << what;
        if (expected == 1) {
            EXPECT_EQ(out.result, clean.result) << what;
            EXPECT_TRUE(out.image.data == clean.image.data) << what;
            return;
        }
        // In the dialog a failed recomputation ends it as out of memory, and a
        // failed fetch of a pane's pixels is not acted on (the pane stays as it was).
        bool dialogFetch =
            dialog && expected == kSweptHostError && (out.result == memFullErr || out.result == clean.result);
        bool userCancelled = cancelled && out.result == userCanceledErr;
        if (!dialogFetch && !userCancelled) {
            EXPECT_EQ(out.result, expected) << what;
        }
    };
    for (const FaultKind& kind : faultKinds()) {
        for (int n = 1; n <= clean.points.*kind.reached; ++n) {
            testhost::Faults faults;
            *kind.point(faults) = n;
            faults.advanceStateError = kSweptHostError;
            check(std::string(label) + ": " + kind.name + " " + std::to_string(n), run(faults, 0), kind.expected);
        }
    }
    // The plug-in's own allocations: every one fails in turn until a run gets past the last.
    for (int n = 1; n < 200; ++n) {
        SweepOutcome out = run({}, n);
        if (out.result == clean.result && out.image.data == clean.image.data) break;
        check(std::string(label) + ": tracked allocation " + std::to_string(n), out, memFullErr);
    }
    std::printf("fault sweep (%s): %d points swept, %d ended as the clean run\n", label, swept, survived);
}

}  // namespace testutil
