// A fan-out of independent items over a few threads, in contiguous chunks.
//
// Chunks are handed out in order from one counter, so any thread may take any chunk; callers
// that keep per-item results apart (each item writes only its own output, each thread uses its
// own scratch) get the same results whatever the thread count.
#ifndef QVR_KERNEL_CHUNKED_THREADS_H
#define QVR_KERNEL_CHUNKED_THREADS_H

#include <functional>

namespace qvr {

// Threads the hardware runs at once; 1 when the standard library cannot tell.
int hardwareThreadCount();

// Calls work(first, last, worker) for chunks [first, last) of at most `chunk` items that cover
// [0, count), on min(threads, number of chunks) threads with worker numbers 0, 1, ...; with one
// thread everything runs on the calling thread, with more it waits for them (woken after
// chunks only when there is progress to report). progress(done) runs on the calling thread
// only, never concurrently, after chunks finish, with rising counts of finished items and a
// last call with done == count (not when work throws). If work throws, no new chunk starts,
// and the first exception is rethrown once every thread has stopped. If the system refuses to
// start a thread, the threads already started (or the calling thread) do all the work.
void runChunked(int count, int threads, int chunk,
                const std::function<void(int first, int last, int worker)>& work,
                const std::function<void(int done)>& progress);

}  // namespace qvr

#endif
