// A fan-out of independent items over a few threads, in contiguous chunks, on helper threads
// kept parked between runs.
//
// Chunks are handed out in order from one counter, so any thread may take any chunk; callers
// that keep per-item results apart (each item writes only its own output, each thread uses its
// own scratch) get the same results whatever the thread count.
//
// The calling thread works too (worker 0) and the helpers (workers 1, 2, ...) stay parked on a
// condition variable from run to run: starting a thread costs a fraction of a millisecond to
// several milliseconds before it first runs on a busy machine, waking a parked one a few
// microseconds, and a whole-skin trace of a small part lasts only 10 to 50 ms.
#ifndef QVR_KERNEL_CHUNKED_THREADS_H
#define QVR_KERNEL_CHUNKED_THREADS_H

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace qvr {

// Threads the hardware runs at once; 1 when the standard library cannot tell.
int hardwareThreadCount();

class ChunkedThreads {
public:
    using Work = std::function<void(int first, int last, int worker)>;
    using Progress = std::function<void(int done)>;

    ChunkedThreads();
    // Stops and joins the helpers. Must not run while run() does (the owner's job).
    ~ChunkedThreads();
    ChunkedThreads(const ChunkedThreads&) = delete;
    ChunkedThreads& operator=(const ChunkedThreads&) = delete;

    // Calls work(first, last, worker) for chunks [first, last) of at most `chunk` items that
    // cover [0, count), on min(threads, number of chunks) threads with worker numbers 0, 1, ...;
    // worker 0 is the calling thread, and with one thread everything runs there. progress(done)
    // runs on the calling thread only, never concurrently, between its own chunks, with rising
    // counts of finished items and a last call with done == count (not when work throws). If
    // work throws, no new chunk starts, and the first exception is rethrown once every thread
    // has left the run; an exception of progress stops the reports, not the work, and is
    // rethrown at the end. If the system refuses to start a helper, the threads there are do
    // all the work. One run at a time: run is not reentrant and not for concurrent callers.
    void run(int count, int threads, int chunk, const Work& work, const Progress& progress);

    // Helper threads started so far (parked between runs); at most the largest thread count
    // asked for less one.
    int helperCount() const;

private:
    struct Job;
    void helperLoop(int worker);
    // Starts helpers up to `wanted`; returns how many there are (fewer when the system refuses).
    int growHelpers(int wanted);

    mutable std::mutex mutex_;
    std::condition_variable wake_;      // helpers: a new job, or stop
    std::condition_variable finished_;  // caller: the last helper left the job
    std::vector<std::thread> helpers_;
    Job* job_ = nullptr;  // the current run's job, null between runs; guarded by mutex_
    unsigned long long generation_ = 0;  // runs published so far; guarded by mutex_
    bool stopping_ = false;              // guarded by mutex_
};

// One run on helpers started for it alone (for a single fan-out; a caller that fans out
// repeatedly keeps a ChunkedThreads).
void runChunked(int count, int threads, int chunk, const ChunkedThreads::Work& work,
                const ChunkedThreads::Progress& progress);

}  // namespace qvr

#endif
