#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/velmora/Files.h"

namespace cli {

namespace {

std::string lastErrorText() {
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0,
                             text, sizeof text, nullptr);
    std::string s(text, n);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
    return s;
}

std::string fullPath(const std::string& path) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    std::string s = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
    for (char& c : s) c = char(tolower(static_cast<unsigned char>(c)));  // names are case-blind
    return s;
}

}  // namespace

struct OutputFile::State {
    std::string temporary;
};

PathFacts inspectPath(const std::string& path) {
    PathFacts facts;
    DWORD folder = GetFileAttributesA(folderOf(path).c_str());
    facts.folderExists = folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY);
    facts.entry = fullPath(path);
    DWORD attributes = GetFileAttributesA(path.c_str());
    facts.exists = attributes != INVALID_FILE_ATTRIBUTES;
    facts.isFolder = facts.exists && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(h, &info))
            facts.fileId = std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) +
                           ":" + std::to_string(info.nFileIndexLow);
        CloseHandle(h);
    }
    return facts;
}

OutputFile::OutputFile() : state_(new State) {}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::createTemporary(const std::string& folder, std::string* error) {
    const std::string& path = path_;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "\\.velmora-%lu-%d.tmp", GetCurrentProcessId(), attempt);
        std::string temporary = folder + name;
        HANDLE h = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            state_->temporary = temporary;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    *error = path + ": cannot write in the folder " + folder + ": " + lastErrorText();
    return false;
}

int OutputFile::descriptor() const { return -1; }

std::string OutputFile::temporaryPath() const { return state_->temporary; }

bool OutputFile::commit(std::string* error) {
    DWORD flags = MOVEFILE_WRITE_THROUGH | (overwrite_ ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExA(state_->temporary.c_str(), path_.c_str(), flags)) {
        *error = GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS
                     ? path_ + ": already exists; give --overwrite to replace it"
                     : path_ + ": cannot write: " + lastErrorText();
        discard();
        return false;
    }
    committed_ = true;
    state_->temporary.clear();
    return true;
}

void OutputFile::discard() {
    if (!committed_ && !state_->temporary.empty()) DeleteFileA(state_->temporary.c_str());
    state_->temporary.clear();
}

void removeTemporaryFilesOnSignals() {}

}  // namespace cli
