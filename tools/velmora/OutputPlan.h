// Every output of a run is planned before any is written. The run is refused,
// with one line and nothing written, when an output would replace a file the
// run reads (an input or the selection mask), when two inputs would be written
// to one output, when an output's folder is missing, when its format is not
// one the tool writes, when its name is longer than the folder's file system
// takes, or when it exists and --overwrite was not given.
//
// Paths are compared by what the file system says about them (PathFacts), so
// every spelling, symbolic link and hard link of one file counts as that file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/velmora/CliOptions.h"

namespace cli {

// What the file system says about one path.
struct PathFacts {
    bool folderExists = false;  // the folder that would hold the path's last name
    bool exists = false;        // something is there (a dangling symbolic link counts)
    bool isFolder = false;      // it is a folder (symbolic links followed)
    std::string entry;          // canonical folder + "/" + last name: one spelling per folder entry
    std::string fileId;         // the file it names (links followed), "" when there is none
    size_t nameMax = 255;       // the longest name the folder's file system takes, in bytes
};

using PathInspector = std::function<PathFacts(const std::string& path)>;
// True when the tool writes the format the path's extension names; else one line in *error.
using FormatCheck = std::function<bool(const std::string& path, std::string* error)>;

struct PlannedFile {
    std::string input;
    std::string output;
};

// Plans the outputs of options.inputs; on refusal returns false with one line in *error.
bool planOutputs(const Options& options, const PathInspector& inspect, const FormatCheck& formatWritten,
                 std::vector<PlannedFile>* plan, std::string* error);

// The folder part of a path ("." when it has none) and its last name.
std::string folderOf(const std::string& path);
std::string lastNameOf(const std::string& path);

}  // namespace cli
