// The worker threads: every index once, no more threads than the limit, none
// left running after the call, the caller's floating-point settings in every
// worker, and the same work done when threads cannot be started.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "base/Parallel.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace {

// Counts the threads that have ended, from the destructor of a per-thread object.
std::atomic<int> endedThreads{0};
struct EndMarker {
    bool used = false;
    ~EndMarker() {
        if (used) endedThreads.fetch_add(1);
    }
};
thread_local EndMarker endMarker;

struct Recorder {
    std::vector<std::atomic<int>> hits;
    std::mutex lock;
    std::set<std::thread::id> threads;
    std::atomic<int> active{0}, maxActive{0};
    explicit Recorder(size_t n) : hits(n) {}

    void operator()(ptrdiff_t begin, ptrdiff_t end) {
        const int now = active.fetch_add(1) + 1;
        for (int seen = maxActive.load(); now > seen && !maxActive.compare_exchange_weak(seen, now);) {
        }
        if (std::this_thread::get_id() != caller) endMarker.used = true;
        {
            std::lock_guard<std::mutex> hold(lock);
            threads.insert(std::this_thread::get_id());
        }
        for (ptrdiff_t i = begin; i < end; ++i) hits[size_t(i)].fetch_add(1);
        std::this_thread::sleep_for(std::chrono::microseconds(200));  // lets the others take pieces too
        active.fetch_sub(1);
    }
    int missedOrRepeated() const {
        int bad = 0;
        for (const auto& h : hits) bad += h.load() != 1;
        return bad;
    }
    std::thread::id caller = std::this_thread::get_id();
};

struct LimitScope {
    explicit LimitScope(int n) { setThreadLimit(n); }
    ~LimitScope() {
        setThreadLimit(0);
        failWorkerStartsAfter(-1);
    }
};

}  // namespace

TEST(Parallel, EveryIndexOnceWithinTheLimitAndNoThreadOutlivesTheCall) {
    for (int limit : {1, 2, 4})
        for (ptrdiff_t count : {1, 7, 64, 1000})
            for (ptrdiff_t grain : {1, 3, 64}) {
                LimitScope scope(limit);
                ASSERT_EQ(threadLimit(), limit);
                Recorder r{size_t(count)};
                const int endedBefore = endedThreads.load();
                parallelFor(count, grain, [&](ptrdiff_t b, ptrdiff_t e) { r(b, e); });
                EXPECT_EQ(r.missedOrRepeated(), 0) << limit << " " << count << " " << grain;
                EXPECT_LE(r.maxActive.load(), limit);
                EXPECT_LE(r.threads.size(), size_t(limit));
                // Every worker that ran a piece has ended by the time the call returns.
                EXPECT_EQ(endedThreads.load() - endedBefore, int(r.threads.size() - r.threads.count(r.caller)));
                if (limit == 1) {
                    EXPECT_EQ(r.threads.size(), 1u);
                    EXPECT_EQ(r.threads.count(r.caller), 1u);
                }
            }
}

TEST(Parallel, ThreadsThatCannotStartLeaveTheWorkToTheOthers) {
    for (int succeed : {0, 1}) {
        LimitScope scope(4);
        failWorkerStartsAfter(succeed);
        Recorder r{500};
        parallelFor(500, 5, [&](ptrdiff_t b, ptrdiff_t e) { r(b, e); });
        EXPECT_EQ(r.missedOrRepeated(), 0);
        EXPECT_LE(r.threads.size(), size_t(succeed + 1));
    }
}

TEST(Parallel, NestedCallsRunOnTheirOwnThread) {
    LimitScope scope(4);
    std::atomic<int> foreign{0}, total{0};
    parallelFor(8, 1, [&](ptrdiff_t, ptrdiff_t) {
        const std::thread::id outer = std::this_thread::get_id();
        parallelFor(100, 1, [&](ptrdiff_t b, ptrdiff_t e) {
            foreign += std::this_thread::get_id() != outer;
            total += int(e - b);
        });
    });
    EXPECT_EQ(foreign.load(), 0);
    EXPECT_EQ(total.load(), 800);
}

#if defined(__SSE__)
TEST(Parallel, WorkersTakeTheCallersFloatingPointControl) {
    LimitScope scope(4);
    const unsigned saved = _mm_getcsr();
    const unsigned wanted = (saved & ~0x6000u) | 0x6000u | 0x8040u;  // toward zero, flush-to-zero, denormals-are-zero
    _mm_setcsr(wanted);
    std::atomic<int> differing{0};
    parallelFor(64, 1, [&](ptrdiff_t, ptrdiff_t) {
        differing += (_mm_getcsr() & ~0x3Fu) != (wanted & ~0x3Fu);  // the exception flags may differ
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    });
    _mm_setcsr(saved);
    EXPECT_EQ(differing.load(), 0);
}
#endif

TEST(Parallel, ATeamKeepsItsWorkersForItsCallsAndEndsThemWithIt) {
    LimitScope scope(3);
    const int endedBefore = endedThreads.load();
    std::set<std::thread::id> workers;
    {
        WorkerTeam team;
        EXPECT_EQ(team.threads(), 3);
        for (int call = 0; call < 30; ++call) {
            Recorder r{40};
            // The first pieces wait (a while at most) for a second thread to
            // take one, so the caller cannot do the whole call alone.
            std::atomic<int> entered{0};
            parallelFor(40, 2, [&](ptrdiff_t b, ptrdiff_t e) {
                ++entered;
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
                while (entered.load() < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
                r(b, e);
            });
            EXPECT_EQ(r.missedOrRepeated(), 0) << "call " << call;
            EXPECT_LE(r.maxActive.load(), 3);
            EXPECT_GE(r.threads.size(), 2u) << "call " << call;
            for (std::thread::id id : r.threads)
                if (id != r.caller) workers.insert(id);
        }
        EXPECT_EQ(endedThreads.load(), endedBefore);  // no worker ended between the calls
        {
            WorkerTeam inner;  // another team is active: this one starts nothing
            EXPECT_EQ(inner.threads(), 1);
        }
        EXPECT_EQ(endedThreads.load(), endedBefore);
        EXPECT_GE(workers.size(), 1u);
        EXPECT_LE(workers.size(), 2u);
    }
    EXPECT_EQ(endedThreads.load() - endedBefore, int(workers.size()));  // they ended with the team
}

TEST(Parallel, ATeamWithoutAllItsThreadsStillDoesTheWork) {
    LimitScope scope(4);
    failWorkerStartsAfter(1);
    WorkerTeam team;
    EXPECT_EQ(team.threads(), 2);
    Recorder r{300};
    parallelFor(300, 3, [&](ptrdiff_t b, ptrdiff_t e) { r(b, e); });
    EXPECT_EQ(r.missedOrRepeated(), 0);
    EXPECT_LE(r.threads.size(), 2u);
}
