// velmora: filters photo files through the Velmora plug-in's own code, as a
// replayed action. velmora-host.exe is the same program built for Windows,
// loading a real Velmora.8bf.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "base/Product.h"
#include "tools/velmora/CliOptions.h"
#include "tools/velmora/FilterImage.h"
#include "tools/velmora/ImageIo.h"
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

bool filterFile(const cli::Options& o, const std::string& input, PluginEntryProc entry, ProgressBar& bar,
                std::string* error) {
    std::string output = cli::outputPathFor(o, input);
    if (output == input || cli::sameFile(input, output)) {
        *error = input + ": the output would overwrite the input";
        return false;
    }
    cli::SourceImage source;
    if (!cli::readImage(input, &source, error)) return false;
    cli::Pixels mask;
    cli::FilterJob job;
    job.entry = entry;
    job.brightness = o.brightness;
    job.color = o.color;
    job.hasRect = o.hasRect;
    job.rect = o.rect;
    job.fault = o.fault;
    job.showDialog = o.dialog;
    job.hostProfile = o.hostProfile;
    if (!o.selection.empty()) {
        if (!cli::readMask(o.selection, &mask, error)) return false;
        job.selection = &mask;
    }
    if (!cli::checkFilterable(source.pixels, job, error)) {
        *error = input + ": " + *error;
        return false;
    }
    bar.begin(input);
    job.onProgress = [&bar](int32_t done, int32_t total) { bar.report(done, total); };
    int16_t result = cli::filterImage(source.pixels, job, error);
    bar.end();
    if (result != 0) {
        *error = input + ": " + *error;
        return false;
    }
    return cli::writeImage(source, source.pixels, output, o.quality, error);
}

}  // namespace

int main(int argc, char** argv) {
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
    if (!cli::initImageIo(argv[0], &error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return 1;
    }
    PluginEntryProc entry = cli::pluginEntry(options, &error);
    if (entry == nullptr) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return 1;
    }
    ProgressBar bar(isatty(2) != 0);
    int failures = 0;
    for (const std::string& input : options.inputs) {
        if (!filterFile(options, input, entry, bar, &error)) {
            std::fprintf(stderr, "%s: %s\n", program, error.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
