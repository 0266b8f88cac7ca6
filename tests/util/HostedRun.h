// A test host with the plug-in's globals pointed at it, for tests and
// benchmarks that call the plug-in's routines directly rather than through
// its entry point. The stage says how far the run has gone:
// - Bare: the host is live for its callbacks; the globals point at records of
//   the fixture's own, at their initial values (no handle exists);
// - Prepared: Prepare has made and initialised the host's handles;
// - Started: Start has run; the globals point at the run's own records, as
//   the dialog's preview finds them.
// The destructor releases what the run holds (Finish, or the tracked memory).
#pragma once

#include <memory>

#include "engine/FilterParameters.h"
#include "host/PluginGlobals.h"
#include "testhost/TestHost.h"

namespace testutil {

enum class RunStage { Bare, Prepared, Started };

struct HostedRun {
    std::unique_ptr<testhost::TestHost> host;
    RunStage stage;
    int16_t result = 0;       // the result cell of direct calls
    int16_t stageResult = 0;  // what the last selector the fixture called returned
    intptr_t data = 0;
    FilterParameters ownParams = {};
    RunData ownRun = {};
    bool finished = false;

    // `selection`, when given, is the host's selection (one byte a pixel).
    HostedRun(testhost::HostImage image, testhost::TestHostOptions options, RunStage stage,
              const std::vector<uint8_t>& selection = {});
    ~HostedRun();
    // Ends the run now (Finish); returns its result.
    int16_t finish();
    HostedRun(const HostedRun&) = delete;
    HostedRun& operator=(const HostedRun&) = delete;
};

}  // namespace testutil
