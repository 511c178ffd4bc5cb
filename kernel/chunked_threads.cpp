// Chunked fan-out: one shared chunk counter, parked helpers woken per run while the caller
// waits, one exception slot, progress on the caller.
#include "kernel/chunked_threads.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>

namespace qvr {

int hardwareThreadCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, 4096u));
}

// One run as the helpers see it. Lives on the caller's stack for the run; a helper uses it only
// between joining it (active + 1, while not closed) and leaving it (active - 1), both under the
// pool's mutex, and the caller waits for active == 0 before it returns.
struct ChunkedThreads::Job {
    int count = 0, chunk = 1, chunks = 0;
    int threads = 1;  // helpers 0 .. threads - 1 take part
    const Work* work = nullptr;
    bool wakeEachChunk = false;  // the caller reports progress: wake it after every chunk
    std::atomic<int> nextChunk{0};
    std::atomic<int> finishedItems{0};
    int active = 0;              // helpers inside the run; guarded by the mutex
    bool closed = false;         // the run is over: late helpers stay out; guarded by the mutex
    std::exception_ptr failure;  // the first exception of work; guarded by the mutex
};

ChunkedThreads::ChunkedThreads() = default;

ChunkedThreads::~ChunkedThreads() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : helpers_) t.join();
}

int ChunkedThreads::helperCount() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(helpers_.size());
}

int ChunkedThreads::growHelpers(int wanted) {
    while (static_cast<int>(helpers_.size()) < wanted) {
        const int worker = static_cast<int>(helpers_.size());
        try {
            // A lambda, not a member pointer: the thread state's type then stays as hidden as
            // this class (a member pointer's would be exported with the library).
            std::thread t([this, worker] { helperLoop(worker); });
            const std::lock_guard<std::mutex> lock(mutex_);
            helpers_.push_back(std::move(t));
        } catch (const std::system_error&) {
            break;  // a thread the system refused; std::bad_alloc goes to the caller
        }
    }
    return static_cast<int>(helpers_.size());
}

void ChunkedThreads::helperLoop(int worker) {
    unsigned long long seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
        if (stopping_) return;
        seen = generation_;
        Job* job = job_;
        if (job == nullptr || job->closed || worker >= job->threads) continue;
        ++job->active;
        lock.unlock();
        for (;;) {
            const int c = job->nextChunk.fetch_add(1, std::memory_order_relaxed);
            if (c >= job->chunks) break;
            const int first = c * job->chunk;
            const int last = std::min(job->count, first + job->chunk);
            try {
                (*job->work)(first, last, worker);
            } catch (...) {
                const std::lock_guard<std::mutex> failed(mutex_);
                if (!job->failure) job->failure = std::current_exception();
                job->nextChunk.store(job->chunks, std::memory_order_relaxed);
                finished_.notify_one();
                break;
            }
            const int done = job->finishedItems.fetch_add(last - first, std::memory_order_relaxed) +
                             (last - first);
            if (job->wakeEachChunk || done == job->count) {
                const std::lock_guard<std::mutex> wake(mutex_);
                finished_.notify_one();
            }
        }
        lock.lock();
        if (--job->active == 0) finished_.notify_one();
    }
}

void ChunkedThreads::run(int count, int threads, int chunk, const Work& work,
                         const Progress& progress) {
    if (count <= 0) return;
    chunk = std::max(chunk, 1);
    const int chunks = count / chunk + (count % chunk != 0 ? 1 : 0);
    threads = std::clamp(threads, 1, chunks);
    if (threads > 1) threads = std::min(threads, growHelpers(threads));
    if (threads <= 1) {  // one thread asked for, or no helper could start
        for (int first = 0; first < count; first += chunk) {
            const int last = std::min(count, first + chunk);
            work(first, last, 0);
            if (progress) progress(last);
        }
        return;
    }

    Job job;
    job.count = count;
    job.chunk = chunk;
    job.chunks = chunks;
    job.threads = threads;
    job.work = &work;
    job.wakeEachChunk = static_cast<bool>(progress);
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = &job;
    ++generation_;
    wake_.notify_all();

    int reported = 0;
    std::exception_ptr progressFailure;
    for (;;) {
        finished_.wait(lock, [&] {
            const int done = job.finishedItems.load(std::memory_order_relaxed);
            return done == count || job.failure ||
                   (progress && !progressFailure && done != reported);
        });
        const int done = job.finishedItems.load(std::memory_order_relaxed);
        if (done == count || job.failure) break;
        reported = done;
        lock.unlock();
        try {
            progress(done);
        } catch (...) {
            progressFailure = std::current_exception();
        }
        lock.lock();
    }
    job.closed = true;
    finished_.wait(lock, [&] { return job.active == 0; });
    job_ = nullptr;
    lock.unlock();
    if (job.failure) std::rethrow_exception(job.failure);
    if (progressFailure) std::rethrow_exception(progressFailure);
    if (progress && reported != count) progress(count);
}

void runChunked(int count, int threads, int chunk, const ChunkedThreads::Work& work,
                const ChunkedThreads::Progress& progress) {
    ChunkedThreads pool;
    pool.run(count, threads, chunk, work, progress);
}

}  // namespace qvr
