#include "tests/util/HostedRun.h"

#include "host/Parameters.h"
#include "host/TrackedMemory.h"

namespace testutil {

// The plug-in keeps its records in host handles whose first member is the data.
template <typename T>
T* handleData(void* handle) {
    return *reinterpret_cast<T**>(handle);
}

HostedRun::HostedRun(testhost::HostImage image, testhost::TestHostOptions options, RunStage s,
                     const std::vector<uint8_t>& selection)
    : host(new testhost::TestHost(std::move(image), std::move(options))), stage(s) {
    if (!selection.empty()) host->setSelection(selection);
    host->setEntry(&PluginMain);
    if (stage == RunStage::Bare) {
        stageResult = host->call(filterSelectorContinue);  // makes this host the live one for its callbacks
    } else {
        stageResult = host->call(stage == RunStage::Started ? filterSelectorParameters : filterSelectorPrepare);
        if (stageResult == 0 && stage == RunStage::Started) stageResult = host->call(filterSelectorPrepare);
        if (stageResult == 0 && stage == RunStage::Started) stageResult = host->call(filterSelectorStart);
    }
    hostRecord = &host->record();
    resultCell = &result;
    dataCell = &data;
    if (stage == RunStage::Started && stageResult == 0) {
        params = handleData<FilterParameters>(host->record().parameters);
        runData = handleData<RunData>(reinterpret_cast<void*>(host->dataCell()));
    } else {
        params = &ownParams;
        runData = &ownRun;
        setDefaultParameters();
        initRunData();
    }
}

int16_t HostedRun::finish() {
    finished = true;
    if (stage == RunStage::Bare) {
        freeAllTracked();
        return 0;
    }
    return host->call(filterSelectorFinish);
}

HostedRun::~HostedRun() {
    if (!finished) finish();
}

}  // namespace testutil
