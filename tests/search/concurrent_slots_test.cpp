// The kernel's rule for concurrent searches, under ThreadSanitizer in CI: after InitialzeSearch,
// ray pass and near block searches on different slots from different threads give what the
// same searches give one after another, and touch nothing another slot uses, also when they
// are the slots' first searches (which allocate the slots' lists in the tree). The extraction
// tool's own threads (one slot and scratch each) are run the same way in both modes.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "KernelMeshBuilder.h"
#include "QVROptKer.h"

namespace {

constexpr int kThreads = 4;
constexpr int kRaysPerThread = 150;

struct Query {
    double p[3], d[3];
};

std::vector<Query> queries(int thread) {
    std::vector<Query> q;
    for (int i = 0; i < kRaysPerThread; ++i) {
        const double a = 0.37 * (thread * kRaysPerThread + i);
        q.push_back(
            {{0.2 + 5.6 * std::fmod(0.618 * a, 1.0), 0.1 + 2.8 * std::fmod(0.414 * a, 1.0), 0.0},
             {0.3 * std::sin(a), 0.3 * std::cos(a), 1.0}});
    }
    return q;
}

// The lists of one slot's searches, in order: a near block list over the whole part (the tree's
// own walk), then each ray's pass list and its near block list (the walk index).
std::vector<std::vector<int>> search(CQVROptKer& k, const std::vector<Query>& q, int slot) {
    std::vector<std::vector<int>> lists;
    int count = 0;
    const int* all = k.SearchNearBlockID(-1, -1, -1, 10, 10, 10, count, slot);
    lists.emplace_back(all, all + count);
    for (const Query& r : q) {
        const int* pass =
            k.FindPassElemByAnyRay(count, r.p[0], r.p[1], r.p[2], r.d[0], r.d[1], r.d[2], slot);
        lists.emplace_back(pass, pass + count);
        const int* near = k.SearchNearBlockID(r.p[0] - 0.1, r.p[1] - 0.1, r.p[2], r.p[0] + 0.1,
                                              r.p[1] + 0.1, r.p[2] + 0.2, count, slot);
        lists.emplace_back(near, near + count);
    }
    return lists;
}

TEST(ConcurrentSlots, SearchesOnDifferentSlotsFromDifferentThreadsMatchSerialOnes) {
    qvrtest::KernelMeshBuilder builder;
    builder.addBlock({qvrtest::CellKind::Tet, 12, 6, 4, 0.0, 0.0, 0.0, 0.5, 0.5, 0.5});
    CQVROptKer k;
    builder.install(k);
    ASSERT_EQ(k.InitialzeSearch(kThreads), 1);
    const auto inParallel = [&] {
        std::vector<std::vector<std::vector<int>>> lists(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back(
                [&, t] { lists[static_cast<std::size_t>(t)] = search(k, queries(t), t); });
        }
        for (std::thread& t : threads) t.join();
        return lists;
    };
    // First on fresh slots, then one after another, then on slots that have their lists.
    const std::vector<std::vector<std::vector<int>>> first = inParallel();
    std::vector<std::vector<std::vector<int>>> serial;
    for (int t = 0; t < kThreads; ++t) serial.push_back(search(k, queries(t), t));
    EXPECT_EQ(first, serial);
    EXPECT_EQ(inParallel(), serial);
    std::size_t found = 0;
    for (const auto& lists : serial)
        for (const auto& l : lists) found += l.size();
    EXPECT_GT(found, 1000u);  // the rays do pass cells
}

}  // namespace
