#include "base/Parallel.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
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

}  // namespace

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
    std::thread workers[kMaxThreads - 1];
    int started = 0;
    for (ptrdiff_t t = 1; t < threads; ++t) {
        try {
            const int fail = failAfter.load(std::memory_order_relaxed);
            if (fail >= 0 && started >= fail)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            workers[started] = std::thread(workerMain, &job);
            ++started;
        } catch (...) {
            break;  // no more threads to be had: the ones running share the work
        }
    }
    insideParallel = true;
    job.work();
    insideParallel = false;
    for (int t = 0; t < started; ++t) workers[t].join();
}
