#include "base/Parallel.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace {

constexpr int kMaxThreads = 64;

int processorCount() {
    static const int count = [] {
        const unsigned n = std::thread::hardware_concurrency();
        return n == 0 ? 1 : (n > unsigned(kMaxThreads) ? kMaxThreads : int(n));
    }();
    return count;
}

// VELMORA_THREADS, read once; 0 when unset or not a positive number.
int environmentLimit() {
    static const int limit = [] {
        const char* value = std::getenv("VELMORA_THREADS");
        if (value == nullptr || *value == '\0') return 0;
        char* end = nullptr;
        const long n = std::strtol(value, &end, 10);
        if (*end != '\0' || n < 1) {
            std::fprintf(stderr, "VELMORA_THREADS=%s is not a positive whole number; ignored\n", value);
            return 0;
        }
        return n > kMaxThreads ? kMaxThreads : int(n);
    }();
    return limit;
}

std::atomic<int> setterLimit{0};
std::atomic<int> failAfter{-1};

// True on a thread that is running a parallelFor's body.
thread_local bool insideParallel = false;

// The caller's floating-point control settings, carried to the workers.
struct FloatControl {
#if defined(__SSE__)
    unsigned csr = _mm_getcsr();
#endif
#if defined(__i386__)
    unsigned short x87 = 0;
    FloatControl() { __asm__ volatile("fnstcw %0" : "=m"(x87)); }
#endif
    void apply() const {
#if defined(__SSE__)
        _mm_setcsr(csr);
#endif
#if defined(__i386__)
        __asm__ volatile("fldcw %0" : : "m"(x87));
#endif
    }
};

struct Job {
    RangeFunction function;
    void* context;
    ptrdiff_t count, grain, pieces;
    std::atomic<ptrdiff_t> next{0};
    FloatControl control;

    void work() {
        for (;;) {
            const ptrdiff_t piece = next.fetch_add(1, std::memory_order_relaxed);
            if (piece >= pieces) return;
            const ptrdiff_t begin = piece * grain;
            const ptrdiff_t end = count - begin < grain ? count : begin + grain;
            function(context, begin, end);
        }
    }
};

void workerMain(Job* job) {
    insideParallel = true;
    job->control.apply();
    job->work();
}

// A started thread, or false when the system has none to give (or the tests
// say it has none).
bool startThread(std::thread* slot, int startedSoFar, void (*main)(void*), void* argument) {
    try {
        const int fail = failAfter.load(std::memory_order_relaxed);
        if (fail >= 0 && startedSoFar >= fail)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        *slot = std::thread(main, argument);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

// Workers wait for a job; a job is posted with a new generation number and
// the caller works on it too, then waits until no worker is still inside it
// before it clears the job (a worker that wakes after that finds no job).
struct WorkerTeamState {
    std::mutex lock;
    std::condition_variable wake, idle;
    Job* job = nullptr;
    unsigned long long generation = 0;
    int busy = 0;
    bool stop = false;
    int started = 0;
    std::thread workers[kMaxThreads - 1];
};

namespace {

thread_local WorkerTeamState* activeTeam = nullptr;

void teamWorker(void* argument) {
    WorkerTeamState* team = static_cast<WorkerTeamState*>(argument);
    insideParallel = true;
    std::unique_lock<std::mutex> hold(team->lock);
    unsigned long long seen = 0;
    for (;;) {
        team->wake.wait(hold, [&] { return team->stop || team->generation != seen; });
        if (team->stop) return;
        seen = team->generation;
        Job* job = team->job;
        if (job == nullptr) continue;
        ++team->busy;
        hold.unlock();
        job->control.apply();
        job->work();
        hold.lock();
        if (--team->busy == 0) team->idle.notify_all();
    }
}

void runOnTeam(WorkerTeamState* team, Job& job) {
    {
        std::lock_guard<std::mutex> hold(team->lock);
        team->job = &job;
        ++team->generation;
    }
    team->wake.notify_all();
    insideParallel = true;
    job.work();
    insideParallel = false;
    std::unique_lock<std::mutex> hold(team->lock);
    team->idle.wait(hold, [&] { return team->busy == 0; });
    team->job = nullptr;
}

void perCallWorker(void* job) { workerMain(static_cast<Job*>(job)); }

}  // namespace

WorkerTeam::WorkerTeam() : state_(nullptr) {
    if (activeTeam != nullptr || insideParallel) return;
    const int wanted = threadLimit() - 1;
    if (wanted < 1) return;
    WorkerTeamState* team = new (std::nothrow) WorkerTeamState;
    if (team == nullptr) return;
    while (team->started < wanted &&
           startThread(&team->workers[team->started], team->started, teamWorker, team))
        ++team->started;
    if (team->started == 0) {
        delete team;
        return;
    }
    state_ = team;
    activeTeam = team;
}

WorkerTeam::~WorkerTeam() {
    if (state_ == nullptr) return;
    {
        std::lock_guard<std::mutex> hold(state_->lock);
        state_->stop = true;
    }
    state_->wake.notify_all();
    for (int t = 0; t < state_->started; ++t) state_->workers[t].join();
    activeTeam = nullptr;
    delete state_;
}

int WorkerTeam::threads() const { return state_ == nullptr ? 1 : state_->started + 1; }

int threadLimit() {
    int n = processorCount();
    const int env = environmentLimit(), set = setterLimit.load(std::memory_order_relaxed);
    if (env > 0) n = env;
    if (set > 0 && (env == 0 || set < env)) n = set;
    return n < 1 ? 1 : n;
}

void failWorkerStartsAfter(int succeed) { failAfter.store(succeed); }

void setThreadLimit(int n) { setterLimit.store(n < 0 ? 0 : (n > kMaxThreads ? kMaxThreads : n)); }

void parallelForRanges(ptrdiff_t count, ptrdiff_t grain, RangeFunction function, void* context) {
    if (count <= 0) return;
    if (grain < 1) grain = 1;
    const ptrdiff_t pieces = (count + grain - 1) / grain;
    ptrdiff_t threads = threadLimit();
    if (threads > pieces) threads = pieces;
    if (threads <= 1 || insideParallel) {
        function(context, 0, count);
        return;
    }

    Job job;
    job.function = function;
    job.context = context;
    job.count = count;
    job.grain = grain;
    job.pieces = pieces;
    if (activeTeam != nullptr) {
        runOnTeam(activeTeam, job);
        return;
    }
    std::thread workers[kMaxThreads - 1];
    int started = 0;
    while (started < threads - 1 && startThread(&workers[started], started, perCallWorker, &job)) ++started;
    // With fewer threads than asked for, the ones running share the work.
    insideParallel = true;
    job.work();
    insideParallel = false;
    for (int t = 0; t < started; ++t) workers[t].join();
}
