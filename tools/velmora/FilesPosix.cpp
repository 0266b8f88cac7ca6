#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/velmora/Files.h"

namespace cli {

namespace {

// The temporary file a terminating signal must remove: one at a time, as the
// tool writes its outputs one after another. Set before `active` is raised.
volatile sig_atomic_t gActive = 0;
int gFolder = -1;
char gName[32];

extern "C" void onTerminatingSignal(int signal) {
    if (gActive) unlinkat(gFolder, gName, 0);
    // The handler was installed with SA_RESETHAND: raising again ends the
    // process as the signal would have, with its usual exit status.
    raise(signal);
}

std::string randomSuffix() {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[10];
    if (getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes)) {
        static unsigned counter = 0;
        unsigned seed = unsigned(getpid()) * 2654435761u ^ unsigned(time(nullptr)) ^ (++counter * 40503u);
        for (unsigned char& b : bytes) b = (unsigned char)((seed = seed * 1103515245u + 12345u) >> 16);
    }
    std::string text;
    for (unsigned char b : bytes) text += kAlphabet[b % (sizeof kAlphabet - 1)];
    return text;
}

// Temporary files are named .velmora-PID-RANDOM.tmp and locked while written.
// One whose lock is free and whose process is gone was left by a run that was
// killed (SIGKILL, a crash, a power cut): it is removed.
void removeAbandonedTemporaries(int folder) {
    int listing = dup(folder);
    DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr;
    if (dir == nullptr) {
        if (listing >= 0) close(listing);
        return;
    }
    rewinddir(dir);
    while (dirent* entry = readdir(dir)) {
        unsigned long pid = 0;
        char rest[32];
        if (std::sscanf(entry->d_name, ".velmora-%lu-%30s", &pid, rest) != 2 || pid == 0 ||
            std::strlen(rest) < 5 || std::strcmp(rest + std::strlen(rest) - 4, ".tmp") != 0)
            continue;
        if (kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;  // its process still runs
        int fd = openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() && flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlinkat(folder, entry->d_name, 0);
        close(fd);
    }
    closedir(dir);
}

}  // namespace

struct OutputFile::State {
    int folder = -1;
    int fd = -1;
    std::string name;  // the temporary file's name in `folder`
};

PathFacts inspectPath(const std::string& path) {
    PathFacts facts;
    std::string folder = folderOf(path);
    std::string name = lastNameOf(path);
    struct stat st;
    if (char* real = realpath(folder.c_str(), nullptr)) {
        facts.folderExists = stat(real, &st) == 0 && S_ISDIR(st.st_mode);
        facts.entry = std::string(real) + (std::string(real) == "/" ? "" : "/") + name;
        std::free(real);
    } else {
        facts.entry = path;
    }
    if (name == "." || name == "..") {
        if (char* real = realpath(path.c_str(), nullptr)) {
            facts.entry = real;
            std::free(real);
        }
    }
    long nameMax = pathconf(facts.folderExists ? folder.c_str() : "/", _PC_NAME_MAX);
    if (nameMax > 0) facts.nameMax = size_t(nameMax);
    facts.exists = lstat(path.c_str(), &st) == 0;
    if (stat(path.c_str(), &st) == 0) {
        facts.fileId = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
        facts.isFolder = S_ISDIR(st.st_mode);
    }
    return facts;
}

OutputFile::OutputFile() : state_(new State) {}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::createTemporary(const std::string& folder, std::string* error) {
    const std::string& path = path_;
    state_->folder = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (state_->folder < 0) {
        *error = errno == ENOENT || errno == ENOTDIR
                     ? path + ": the folder " + folder + " does not exist"
                     : path + ": cannot write in the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    removeAbandonedTemporaries(state_->folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".velmora-" + std::to_string(getpid()) + "-" + randomSuffix() + ".tmp";
        // O_EXCL: a file or symbolic link already at the name is never opened.
        // Read and write: the TIFF writer and its metadata read back what they wrote.
        int fd = openat(state_->folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            flock(fd, LOCK_EX | LOCK_NB);  // held while the run lives: the file is not abandoned
            state_->fd = fd;
            state_->name = name;
            std::snprintf(gName, sizeof gName, "%s", name.c_str());
            gFolder = state_->folder;
            std::atomic_signal_fence(std::memory_order_seq_cst);
            gActive = 1;
            return true;
        }
        if (errno != EEXIST) break;
    }
    *error = path + ": cannot write in the folder " + folder + ": " + std::strerror(errno);
    close(state_->folder);
    state_->folder = -1;
    return false;
}

int OutputFile::descriptor() const { return state_->fd; }

std::string OutputFile::temporaryPath() const { return folderOf(path_) + "/" + state_->name; }

bool OutputFile::commit(std::string* error) {
    State& s = *state_;
    std::string name = lastNameOf(path_);
    struct stat old;
    // A replaced file keeps its permissions.
    if (overwrite_ && fstatat(s.folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode))
        fchmod(s.fd, old.st_mode & 07777);
    if (fsync(s.fd) != 0 || close(s.fd) != 0) {
        s.fd = -1;
        *error = path_ + ": cannot write: " + std::strerror(errno);
        discard();
        return false;
    }
    s.fd = -1;
    int result = 0;
    if (overwrite_) {
        result = renameat(s.folder, s.name.c_str(), s.folder, name.c_str());
    } else {
        result = renameat2(s.folder, s.name.c_str(), s.folder, name.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // The file system cannot rename without replacing: a hard link
            // cannot replace either.
            result = linkat(s.folder, s.name.c_str(), s.folder, name.c_str(), 0);
            if (result == 0) unlinkat(s.folder, s.name.c_str(), 0);
        }
    }
    if (result != 0) {
        *error = errno == EEXIST ? path_ + ": already exists; give --overwrite to replace it"
                                 : path_ + ": cannot write: " + std::strerror(errno);
        discard();
        return false;
    }
    committed_ = true;
    gActive = 0;
    fsync(s.folder);  // some file systems cannot sync a folder; the file itself is on disk
    discard();
    return true;
}

void OutputFile::discard() {
    State& s = *state_;
    if (s.fd >= 0) close(s.fd);
    s.fd = -1;
    if (s.folder >= 0) {
        if (!committed_ && !s.name.empty()) unlinkat(s.folder, s.name.c_str(), 0);
        gActive = 0;
        close(s.folder);
    }
    s.folder = -1;
    s.name.clear();
}

void removeTemporaryFilesOnSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old;
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;  // as nohup asked
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = onTerminatingSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace cli
