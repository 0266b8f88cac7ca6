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

// A line for the terminal: control characters, and bytes that are not UTF-8,
// escaped (\n, \x1b, ...), so a file name cannot move the cursor or recolour
// the screen.
std::string printable(const std::string& text) {
    std::string out;
    char hex[8];
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool whole = length > 0 && i + length <= text.size();
        for (size_t k = 1; whole && k < length; ++k) whole = (static_cast<unsigned char>(text[i + k]) >> 6) == 2;
        // C1 controls (U+0080 to U+009F) act on terminals too.
        bool control = length == 1 ? (c < 0x20 || c == 0x7f)
                                   : whole && length == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0;
        if (whole && !control) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else {
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
        ++i;
    }
    return out;
}

void say(const char* program, const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", program, printable(line).c_str());
}

// A one-line progress bar on standard error. A file's run goes through
// decoding, filtering and writing, each a share of the bar; the bar only
// moves forward, whatever the parts report (the plug-in's own reports start
// again from zero for its render).
class ProgressBar {
public:
    explicit ProgressBar(bool enabled) : enabled_(enabled) {}
    void begin(const std::string& name) {
        name_ = printable(name);
        shown_ = -1;
        filterPart_ = 0;
        lastDone_ = -1;
    }
    void decoding(double fraction) { show(kDecodeShare * fraction); }
    // The plug-in reports its proxy stage, then its render, each from zero.
    void filtering(int32_t done, int32_t total) {
        if (total <= 0 || done < 0) return;
        if (done < lastDone_) filterPart_ = 1;
        lastDone_ = done;
        double fraction = double(done > total ? total : done) / total;
        double part = filterPart_ == 0 ? kProxyShare * fraction : kProxyShare + (1 - kProxyShare) * fraction;
        show(kDecodeShare + kFilterShare * part);
    }
    void writing(double fraction) { show(kDecodeShare + kFilterShare + (1 - kDecodeShare - kFilterShare) * fraction); }
    void end() {
        if (enabled_ && shown_ >= 0) std::fprintf(stderr, "\n");
        shown_ = -1;
    }

private:
    static constexpr double kDecodeShare = 0.2, kFilterShare = 0.5, kProxyShare = 0.3;

    void show(double fraction) {
        int percent = int(fraction * 100);
        if (!enabled_ || percent <= shown_) return;
        shown_ = percent > 100 ? 100 : percent;
        int filled = shown_ * 30 / 100;
        std::fprintf(stderr, "\r%-24.24s [%s%s] %3d%%", name_.c_str(), std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(30 - filled), '.').c_str(), shown_);
        std::fflush(stderr);
    }

    bool enabled_;
    std::string name_;
    int shown_ = -1;
    int filterPart_ = 0;
    int32_t lastDone_ = -1;
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
    return cli::checkMemory(in.width, in.height, cli::memoryNeeded(in.width, in.height, in.bands, in.depth, selection),
                            cli::memoryAvailable(), error);
}

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
    cli::Pixels header{in.width, in.height, in.bands, {}, in.depth};
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
    bar.begin(input);
    in.onProgress = [&bar](double fraction) { bar.decoding(fraction); };
    bool decoded = cli::decodeInput(in, &source, &notice, error);
    if (decoded && !cli::checkNotFlat(source.pixels, job, &reason)) {
        *error = input + ": " + reason;
        decoded = false;
    }
    if (!decoded) {
        bar.end();
        return false;
    }
    job.onProgress = [&bar](int32_t done, int32_t total) { bar.filtering(done, total); };
    int16_t result = 0;
    try {
        result = cli::filterImage(source.pixels, job, error);
    } catch (const std::bad_alloc&) {
        *error = "not enough memory to filter its " + std::to_string(in.width) + " x " + std::to_string(in.height) +
                 " pixels";
        result = memFullErr;
    }
    if (result != 0) {
        bar.end();
        bool damaged = notice.find("damaged") != std::string::npos;
        *error = input + ": " + *error + (damaged ? " (in what could be decoded of the damaged file)" : "");
        return false;
    }
    cli::WriteOptions options;
    options.quality = o.quality;
    options.flatten = o.flatten;
    options.onProgress = [&bar](double fraction) { bar.writing(fraction); };
    std::string written;
    bool ok = cli::writeImage(source, source.pixels, output, options, &written, error) && output.commit(error);
    bar.end();
    if (!ok) return false;
    // Said once the output is written, in one line: a run that fails says only why.
    if (!written.empty()) notice = notice.empty() ? file.output + ": note: " + written : notice + "; " + written;
    if (!notice.empty()) say(program, notice);
    return true;
}

int run(int argc, char** argv) {
    cli::Options options;
    std::string error;
    const char* program = cli::kHostTool ? "velmora-host" : "velmora";
    if (!cli::parseOptions(argc, argv, cli::kHostTool, &options, &error)) {
        say(program, error);
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
        say(program, error);
        return 1;
    }
    if (!cli::initImageIo(argv[0], &error)) {
        say(program, error);
        return 1;
    }
    if (options.threads > 0) cli::limitPluginThreads(options.threads);
    PluginEntryProc entry = cli::pluginEntry(options, &error);
    if (entry == nullptr) {
        say(program, error);
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
            say(program, error);
            return 1;
        }
        if (!notice.empty()) say(program, notice);
    }
    ProgressBar bar(isatty(2) != 0);
    int failures = 0;
    for (const cli::PlannedFile& file : plan) {
        entry = cli::pluginEntry(options, &error);  // a host may have loaded it afresh
        if (!filterFile(options, file, options.selection.empty() ? nullptr : &mask.pixels, entry, bar, program,
                        &error)) {
            say(program, error);
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
