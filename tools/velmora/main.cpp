// velmora: filters photo files through the Velmora plug-in's own code, as a
// replayed action. velmora-host.exe is the same program built for Windows,
// loading a real Velmora.8bf.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#include "base/Product.h"
#include "tools/velmora/CliOptions.h"
#include "tools/velmora/Files.h"
#include "tools/velmora/FilterImage.h"
#include "tools/velmora/ImageIo.h"
#include "tools/velmora/MemoryBudget.h"
#include "tools/velmora/OutputPlan.h"
#include "tools/velmora/PluginEntry.h"

namespace {

// A one-line progress bar on standard error, driven by the plug-in's reports.
class ProgressBar {
public:
    explicit ProgressBar(bool enabled) : enabled_(enabled) {}
    void begin(const std::string& name) {
        name_ = name;
        shown_ = -1;
    }
    void report(int32_t done, int32_t total) {
        if (!enabled_ || total <= 0 || done < 0) return;
        int percent = int(int64_t(done > total ? total : done) * 100 / total);
        if (percent == shown_) return;
        shown_ = percent;
        int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r%-24.24s [%s%s] %3d%%", name_.c_str(), std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(30 - filled), '.').c_str(), percent);
        std::fflush(stderr);
    }
    void end() {
        if (enabled_ && shown_ >= 0) std::fprintf(stderr, "\n");
    }

private:
    bool enabled_;
    std::string name_;
    int shown_ = -1;
};

std::string upper(std::string s) {
    for (char& c : s) c = char(toupper(static_cast<unsigned char>(c)));
    return s;
}

// An alpha channel goes only where the format can hold it, unless asked to flatten.
bool checkAlpha(const cli::InputFile& in, const std::string& output, bool flatten, std::string* error) {
    if (in.bands != 4 || flatten || cli::outputHoldsAlpha(output)) return true;
    size_t dot = output.find_last_of('.');
    std::string format = dot == std::string::npos ? "the output format" : upper(output.substr(dot + 1));
    *error = "has an alpha channel, which " + format + " cannot hold; write .png" +
             std::string(cli::kHostTool ? "" : " or .tif") + ", or give --flatten to put it on white";
    return false;
}

bool checkMemory(const cli::InputFile& in, bool selection, std::string* error) {
    return cli::checkMemory(in.width, in.height, cli::memoryNeeded(in.width, in.height, in.bands, selection),
                            cli::memoryAvailable(), error);
}

// A single flat colour: the plug-in's mask then has no contrast and its run
// fails (reported by the host interface as out of memory); said plainly here.
// One input: header and checks first, then the temporary output, then the
// pixels; nothing is decoded for an input that cannot be filtered.
bool filterFile(const cli::Options& o, const cli::PlannedFile& file, const cli::Pixels* mask, PluginEntryProc entry,
                ProgressBar& bar, const char* program, std::string* error) {
    const std::string& input = file.input;
    cli::InputFile in;
    if (!cli::openInput(input, cli::InputKind::Photo, o.acceptDamaged, &in, error)) return false;
    cli::FilterJob job;
    job.entry = entry;
    job.reload = cli::reloadPluginEntry;
    job.brightness = o.brightness;
    job.color = o.color;
    job.hasRect = o.hasRect;
    job.rect = o.rect;
    job.fault = o.fault;
    job.showDialog = o.dialog;
    job.hostProfile = o.hostProfile;
    job.selection = mask;
    cli::Pixels header{in.width, in.height, in.bands, {}};
    std::string reason;
    if (!cli::checkFilterable(header, job, &reason) || !checkAlpha(in, file.output, o.flatten, &reason) ||
        !checkMemory(in, mask != nullptr, &reason)) {
        *error = input + ": " + reason;
        return false;
    }
    cli::OutputFile output;
    if (!output.create(file.output, o.overwrite, error)) return false;

    cli::SourceImage source;
    std::string notice;
    if (!cli::decodeInput(in, &source, &notice, error)) return false;
    bar.begin(input);
    job.onProgress = [&bar](int32_t done, int32_t total) { bar.report(done, total); };
    int16_t result = 0;
    try {
        result = cli::filterImage(source.pixels, job, error);
    } catch (const std::bad_alloc&) {
        *error = "not enough memory to filter its " + std::to_string(in.width) + " x " + std::to_string(in.height) +
                 " pixels";
        result = memFullErr;
    }
    bar.end();
    if (result != 0) {
        bool damaged = notice.find("damaged") != std::string::npos;
        *error = input + ": " + *error + (damaged ? " (in what could be decoded of the damaged file)" : "");
        return false;
    }
    cli::WriteOptions options;
    options.quality = o.quality;
    options.flatten = o.flatten;
    if (!cli::writeImage(source, source.pixels, output, options, error) || !output.commit(error)) return false;
    // Said once the output is written: a run that fails says only why.
    if (!notice.empty()) std::fprintf(stderr, "%s: %s\n", program, notice.c_str());
    return true;
}

int run(int argc, char** argv) {
    cli::Options options;
    std::string error;
    const char* program = cli::kHostTool ? "velmora-host" : "velmora";
    if (!cli::parseOptions(argc, argv, cli::kHostTool, &options, &error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(cli::usage(program, cli::kHostTool).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", program, kProductVersion);
        return 0;
    }
    cli::removeTemporaryFilesOnSignals();
    std::vector<cli::PlannedFile> plan;
    if (!cli::planOutputs(options, cli::inspectPath, cli::outputFormatWritten, &plan, &error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return 1;
    }
    if (!cli::initImageIo(argv[0], &error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return 1;
    }
    if (options.threads > 0) cli::limitPluginThreads(options.threads);
    PluginEntryProc entry = cli::pluginEntry(options, &error);
    if (entry == nullptr) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return 1;
    }
    // The selection is read once, for every input.
    cli::SourceImage mask;
    if (!options.selection.empty()) {
        cli::InputFile in;
        std::string notice;
        if (!cli::openInput(options.selection, cli::InputKind::Mask, options.acceptDamaged, &in, &error) ||
            !cli::checkMemory(in.width, in.height, uint64_t(in.width) * uint64_t(in.height), cli::memoryAvailable(),
                              &error) ||
            !cli::decodeInput(in, &mask, &notice, &error)) {
            std::fprintf(stderr, "%s: %s\n", program, error.c_str());
            return 1;
        }
        if (!notice.empty()) std::fprintf(stderr, "%s: %s\n", program, notice.c_str());
    }
    ProgressBar bar(isatty(2) != 0);
    int failures = 0;
    for (const cli::PlannedFile& file : plan) {
        entry = cli::pluginEntry(options, &error);  // a host may have loaded it afresh
        if (!filterFile(options, file, options.selection.empty() ? nullptr : &mask.pixels, entry, bar, program,
                        &error)) {
            std::fprintf(stderr, "%s: %s\n", program, error.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Allocation failure anywhere ends with one line, never a signal.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", cli::kHostTool ? "velmora-host" : "velmora");
        return 1;
    }
}
