#include "tools/velmora/OutputPlan.h"

namespace cli {

namespace {

#ifdef _WIN32
const char* const kSeparators = "/\\";
#else
const char* const kSeparators = "/";
#endif

// The same file, or the same folder entry, whatever the spelling.
bool samePlace(const PathFacts& a, const PathFacts& b) {
    return a.entry == b.entry || (!a.fileId.empty() && a.fileId == b.fileId);
}

struct Read {
    std::string path;
    PathFacts facts;
};

}  // namespace

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of(kSeparators);
    if (slash == std::string::npos) return ".";
    if (slash == 0) return path.substr(0, 1);
    return path.substr(0, slash);
}

std::string lastNameOf(const std::string& path) {
    size_t slash = path.find_last_of(kSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool planOutputs(const Options& o, const PathInspector& inspect, const FormatCheck& formatWritten,
                 std::vector<PlannedFile>* plan, std::string* error) {
    const std::string nothing = " (nothing was written)";
    std::vector<Read> reads;
    for (const std::string& input : o.inputs) reads.push_back({input, inspect(input)});
    if (!o.selection.empty()) reads.push_back({o.selection, inspect(o.selection)});

    std::vector<Read> outputs;
    plan->clear();
    for (size_t i = 0; i < o.inputs.size(); ++i) {
        const std::string& input = o.inputs[i];
        std::string output = outputPathFor(o, input);
        if (!formatWritten(output, error)) {
            *error += nothing;
            return false;
        }
        PathFacts facts = inspect(output);
        if (!facts.folderExists) {
            *error = output + ": the folder " + folderOf(output) + " does not exist" + nothing;
            return false;
        }
        if (lastNameOf(output).empty() || facts.isFolder) {
            *error = output + ": is a folder, not a file name for the output" + nothing;
            return false;
        }
        if (lastNameOf(output).size() > facts.nameMax) {
            *error = output + ": the name is " + std::to_string(lastNameOf(output).size()) +
                     " bytes long; the file system takes at most " + std::to_string(facts.nameMax) + nothing;
            return false;
        }
        for (size_t r = 0; r < reads.size(); ++r) {
            if (!samePlace(facts, reads[r].facts)) continue;
            if (r == i)
                *error = input + ": the output would overwrite the input" + nothing;
            else if (r < o.inputs.size())
                *error = input + ": the output " + output + " would overwrite the input " + reads[r].path + nothing;
            else
                *error = input + ": the output " + output + " would overwrite the selection mask " + reads[r].path +
                         nothing;
            return false;
        }
        for (size_t k = 0; k < outputs.size(); ++k) {
            if (!samePlace(facts, outputs[k].facts)) continue;
            *error = (*plan)[k].input + " and " + input + " would both be written to " + output + nothing;
            return false;
        }
        if (facts.exists && !o.overwrite) {
            *error = output + ": already exists; give --overwrite to replace it" + nothing;
            return false;
        }
        outputs.push_back({output, facts});
        plan->push_back({input, output});
    }
    return true;
}

}  // namespace cli
