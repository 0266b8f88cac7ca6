// The tool's dealings with the file system: what does not depend on the
// platform in Files.cpp, the rest once per platform (FilesPosix.cpp,
// FilesWin32.cpp).
//
// An output is written to a temporary file created exclusively (never through
// a symbolic link) in the output's own folder, under a short name of its own,
// flushed to disk and then renamed into place; it is removed on every failure
// and, natively, when SIGINT, SIGTERM or SIGHUP stops the run. Without
// overwrite, the rename refuses to replace a file that appeared meanwhile.
// Messages name the output, never the temporary file.
#pragma once

#include <memory>
#include <string>

#include "tools/velmora/OutputPlan.h"

namespace cli {

PathFacts inspectPath(const std::string& path);

class OutputFile {
public:
    OutputFile();
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file for `path`; on failure one line in *error.
    bool create(const std::string& path, bool overwrite, std::string* error);
    // The open temporary file (POSIX builds).
    int descriptor() const;
    // The temporary file's path (Windows builds write it by name).
    std::string temporaryPath() const;
    const std::string& path() const { return path_; }
    // Flushes, renames into place and syncs the folder.
    bool commit(std::string* error);
    // Removes the temporary file now.
    void discard();

    struct State;

private:
    // The platform's part of create(): the temporary file in `folder`.
    bool createTemporary(const std::string& folder, std::string* error);

    std::string path_;
    bool overwrite_ = false;
    bool committed_ = false;
    std::unique_ptr<State> state_;
};

// Installs the handlers that remove the current temporary file when SIGINT,
// SIGTERM or SIGHUP ends the run (signals ignored at start stay ignored), and
// ignores SIGXFSZ so an over-size write fails with a reason instead of
// killing the run. Does nothing on Windows.
void removeTemporaryFilesOnSignals();

}  // namespace cli
