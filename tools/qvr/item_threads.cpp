// Chunks from one atomic counter; the calling thread works and reports.
#include "item_threads.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace qvr::cli {

void forEachChunkOnThreads(std::size_t count, int threads, std::size_t chunk,
                           const std::function<void(std::size_t, std::size_t)>& work,
                           const std::function<void(std::size_t)>& afterChunk) {
    if (count == 0) return;
    chunk = std::max<std::size_t>(chunk, 1);
    const std::size_t chunks = (count + chunk - 1) / chunk;
    const std::size_t workers =
        std::clamp<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), 1, chunks);

    std::atomic<std::size_t> nextChunk{0}, finished{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    auto takeChunks = [&](bool report) {
        for (;;) {
            const std::size_t c = nextChunk.fetch_add(1, std::memory_order_relaxed);
            if (c >= chunks) return;
            const std::size_t first = c * chunk;
            const std::size_t last = std::min(count, first + chunk);
            try {
                work(first, last);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureMutex);
                if (!failure) failure = std::current_exception();
                nextChunk.store(chunks, std::memory_order_relaxed);
                return;
            }
            const std::size_t done =
                finished.fetch_add(last - first, std::memory_order_relaxed) + (last - first);
            if (report && afterChunk) afterChunk(done);
        }
    };

    std::vector<std::thread> others;
    others.reserve(workers - 1);
    for (std::size_t k = 1; k < workers; ++k) {
        try {
            others.emplace_back(takeChunks, false);
        } catch (const std::system_error&) {
            break;  // the threads there are do the work
        }
    }
    try {
        takeChunks(true);
    } catch (...) {  // afterChunk threw: stop handing out chunks, then pass it on
        nextChunk.store(chunks, std::memory_order_relaxed);
        for (std::thread& t : others) t.join();
        throw;
    }
    for (std::thread& t : others) t.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace qvr::cli
