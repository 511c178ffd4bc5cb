// The chunked fan-out: every item exactly once on at most the threads asked for, progress only
// on the calling thread with rising counts ending at the total, and a worker's exception
// handed back to the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "kernel/chunked_threads.h"

namespace {

TEST(ChunkedThreads, EveryItemOnceProgressRisingOnTheCallersThread) {
    const std::thread::id caller = std::this_thread::get_id();
    for (int threads : {1, 2, 3, 8}) {
        for (int count : {0, 1, 7, 1000}) {
            for (int chunk : {1, 16, 5000}) {
                SCOPED_TRACE(testing::Message()
                             << threads << " threads, " << count << " items, chunks of " << chunk);
                std::vector<std::atomic<int>> seen(static_cast<std::size_t>(count));
                std::mutex mutex;
                std::set<int> workers;
                std::set<std::thread::id> ids;
                bool chunksOk = true;
                qvr::runChunked(
                    count, threads, chunk,
                    [&](int first, int last, int worker) {
                        for (int i = first; i < last; ++i) ++seen[static_cast<std::size_t>(i)];
                        std::lock_guard<std::mutex> lock(mutex);
                        chunksOk = chunksOk && last - first <= chunk && last > first &&
                                   (first % chunk == 0);
                        workers.insert(worker);
                        ids.insert(std::this_thread::get_id());
                    },
                    [&, last = 0](int done) mutable {
                        EXPECT_EQ(std::this_thread::get_id(), caller);
                        EXPECT_GT(done, last);
                        last = done;
                    });
                for (const auto& s : seen) EXPECT_EQ(s.load(), 1);
                EXPECT_TRUE(chunksOk);
                if (count == 0) continue;
                const int chunks = (count + chunk - 1) / chunk;
                EXPECT_LE(static_cast<int>(workers.size()), std::min(threads, chunks));
                EXPECT_LE(*workers.rbegin(), std::min(threads, chunks) - 1);
                if (threads == 1) {
                    EXPECT_EQ(ids, std::set<std::thread::id>{caller});
                }
            }
        }
    }
}

TEST(ChunkedThreads, TheLastProgressCallReportsTheTotal) {
    for (int threads : {1, 4}) {
        std::vector<int> calls;
        qvr::runChunked(
            1000, threads, 10, [](int, int, int) {}, [&](int done) { calls.push_back(done); });
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), 1000);
        if (threads == 1) {
            EXPECT_EQ(calls.size(), 100u);  // one call per chunk on one thread
        }
    }
}

TEST(ChunkedThreads, AWorkersExceptionReachesTheCallerAfterEveryThreadStopped) {
    for (int threads : {1, 3}) {
        std::atomic<int> running{0}, after{0};
        std::atomic<bool> thrown{false};
        EXPECT_THROW(qvr::runChunked(
                         10000, threads, 1,
                         [&](int first, int, int) {
                             ++running;
                             if (thrown) {
                                 // Chunks that start while the exception is on its way take
                                 // a while each: the bound below then does not depend on
                                 // how long the first unwinding in the process takes.
                                 ++after;
                                 std::this_thread::sleep_for(std::chrono::microseconds(100));
                             }
                             if (first == 50) {
                                 thrown = true;
                                 --running;
                                 throw std::runtime_error("item 50");
                             }
                             --running;
                         },
                         nullptr),
                     std::runtime_error);
        EXPECT_EQ(running.load(), 0);  // nothing still inside work once the call returned
        // Chunks already handed out may finish; the rest never start.
        EXPECT_LT(after.load(), 9000);
    }
    EXPECT_GE(qvr::hardwareThreadCount(), 1);
}

}  // namespace
