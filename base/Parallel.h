// Worker threads for pure computation. parallelFor splits an index range
// into pieces of `grain` indices and runs them on the calling thread and on
// worker threads started for the call; every worker has ended when it
// returns, so no thread outlives the call that started it.
//
// The thread count is the number of processors, or the smaller of the limits
// set by VELMORA_THREADS=N and by setThreadLimit (the command line's
// --threads N); 1 means no worker thread at all. A worker that cannot be
// started leaves its share to the others. The body must compute each index
// on its own (so the bytes do not depend on how the range is split), touch
// no host interface and throw nothing. A parallelFor inside a body runs on
// the thread that calls it. Workers start with the caller's floating-point
// control settings (rounding, denormal handling, x87 precision).
#pragma once
#include <cstddef>

// About how many samples one piece of a parallelFor over a plane takes: small
// enough to share the work, large enough that a piece outweighs its start.
constexpr ptrdiff_t kSamplesPerPiece = ptrdiff_t(1) << 16;
// Rows of `width` samples per piece of that size (at least 1).
constexpr ptrdiff_t rowsPerPiece(ptrdiff_t width) {
    return width >= kSamplesPerPiece ? 1 : kSamplesPerPiece / (width > 0 ? width : 1);
}

// The threads a parallelFor may use, the calling one included (at least 1).
int threadLimit();
// Caps the thread count at n (n >= 1); 0 removes this cap. Not to be called
// while a parallelFor runs.
void setThreadLimit(int n);

// For tests: worker starts after the first `succeed` ones fail as if the
// system had no thread to give; -1 (the default) turns this off.
void failWorkerStartsAfter(int succeed);

using RangeFunction = void (*)(void* context, ptrdiff_t begin, ptrdiff_t end);
void parallelForRanges(ptrdiff_t count, ptrdiff_t grain, RangeFunction function, void* context);

// Keeps worker threads for the parallelFor calls this thread makes while the
// team lives, so that work made of many short calls (a pyramid, a render's
// bands) starts its threads once rather than at every call. They end when
// the team does, within the call that made it. A team made while another is
// active on this thread, or inside a parallelFor body, starts nothing and
// leaves the calls to the active one. Its size is the thread limit when it
// is made; a worker that cannot be started leaves it smaller.
struct WorkerTeamState;
class WorkerTeam {
public:
    WorkerTeam();
    ~WorkerTeam();
    WorkerTeam(const WorkerTeam&) = delete;
    WorkerTeam& operator=(const WorkerTeam&) = delete;
    // The threads this team runs calls on, the calling one included; 1 when
    // it started none (another team is active, or no worker could start).
    int threads() const;

private:
    WorkerTeamState* state_;
};

// Calls body(begin, end) for disjoint ranges that together cover 0 .. count - 1.
template <class Body>
void parallelFor(ptrdiff_t count, ptrdiff_t grain, const Body& body) {
    parallelForRanges(
        count, grain,
        [](void* context, ptrdiff_t begin, ptrdiff_t end) { (*static_cast<const Body*>(context))(begin, end); },
        const_cast<void*>(static_cast<const void*>(&body)));
}
