// A fan-out of independent items over a few threads, in contiguous chunks, on helper threads
// kept parked between runs.
//
// Chunks are handed out in order from one counter, so any thread may take any chunk; callers
// that keep per-item results apart (each item writes only its own output, each thread uses its
// own scratch) get the same results whatever the thread count.
//
// The work runs on helper threads kept parked on a condition variable from run to run, while
// the calling thread waits (waking only to report progress): starting a thread costs from a
// fraction of a millisecond to several milliseconds before it first runs on a busy machine,
// waking a parked one a few microseconds, and a whole-skin trace of a small part lasts only 10
// to 50 ms. The caller does not work beside them: on a machine busy with other work, a helper
// woken by a caller that goes on computing tends to share the caller's core, and such calls
// took as long as on one thread, while parked helpers woken by a waiting caller ran about twice
// as fast as one thread (hex/1e4, load average 7 on 2 cores).
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
    // with one thread everything runs on the calling thread, with more on helpers while the
    // caller waits. progress(done) runs on the calling thread only, never concurrently, with
    // rising counts of finished items and a last call with done == count (not when work
    // throws). If work throws, no new chunk starts, and the first exception is rethrown once
    // every thread has left the run; an exception of progress stops the reports, not the work,
    // and is rethrown at the end. If the system refuses to start a helper, the helpers there
    // are do all the work (the calling thread when there is none). One run at a time: run is
    // not reentrant and not for concurrent callers.
    void run(int count, int threads, int chunk, const Work& work, const Progress& progress);

    // Helper threads started so far (parked between runs): the largest thread count asked for
    // above 1, or fewer when the system refused some.
    int helperCount() const;

private:
    struct Job;
    void helperLoop(int worker);
    // Starts helpers up to `wanted`; returns how many there are (fewer when the system refuses).
    int growHelpers(int wanted);

    mutable std::mutex mutex_;
    std::condition_variable wake_;      // helpers: a new job, or stop
    std::condition_variable finished_;  // caller: items finished, a failure, a helper left
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
