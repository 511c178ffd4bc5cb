// The progress callback of SetSurfaceNode: about a hundred rising counts ending at the total,
// in either thickness mode, with no effect on the results; a null callback removes it. Tracing
// on several threads: the same results bit for bit whatever the count, progress from the
// calling thread only.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <utility>
#include <vector>

#include "ExtractTestSupport.h"

using namespace extract_test;

using Calls = std::vector<std::pair<int, int>>;

TEST(ProgressCallback, ReportsAboutEveryPercentUpToTheTotalAndChangesNoResult) {
    constexpr int kLayers = 3;
    constexpr int kRays = 450;  // reporting every ray would be far more than a hundred calls
    Tool t;
    ASSERT_EQ(t.loadMesh(plate(4.0, 4.0, 2.0, 2, 2, 2)), 1);
    ASSERT_EQ(t.loadResult(fiberResult(8, [](int item, int e) { return 0.01f * item * e; })), 1);
    HostRays rays;
    for (int i = 0; i < kRays; ++i) rays.add({0.25 + 0.0075 * i, 1.5, 0.0}, {0.1, 0.2, 1.0});
    auto traced = [&] {  // every ray's output after a fresh trace
        std::vector<FiberOutput> all(kRays + 1, FiberOutput(kLayers));
        EXPECT_EQ(t.set(rays, kLayers), 1);
        for (int i = 1; i <= kRays; ++i) t.get(i, all[static_cast<std::size_t>(i)]);
        return all;
    };

    auto record = [](int done, int total, void* user) {
        static_cast<Calls*>(user)->emplace_back(done, total);
    };
    for (int mode : {QVR_THICKNESS_CENTROID_PLANE, QVR_THICKNESS_EXACT}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(t.tool.SetThicknessMode(mode), 1);
        Calls calls;
        ASSERT_EQ(t.tool.SetProgressCallback(nullptr, &calls), 1);
        const auto quiet = traced();
        EXPECT_TRUE(calls.empty());

        ASSERT_EQ(t.tool.SetProgressCallback(+record, &calls), 1);
        EXPECT_TRUE(traced() == quiet);
        EXPECT_GE(calls.size(), 50u);
        EXPECT_LE(calls.size(), 200u);
        int last = 0;
        for (const auto& [done, total] : calls) {
            EXPECT_EQ(total, kRays);
            EXPECT_GT(done, last);
            EXPECT_LE(done - last, kRays / 50);  // no gap above 2 %
            last = done;
        }
        EXPECT_EQ(last, kRays);
    }
}

TEST(ThreadCount, IsOneUntilSetAndRefusesNegativeCounts) {
    QVR3DExtractTool tool;
    EXPECT_EQ(tool.GetThreadCount(), 1);
    EXPECT_EQ(tool.SetThreadCount(3), 1);
    EXPECT_EQ(tool.GetThreadCount(), 3);
    EXPECT_EQ(tool.SetThreadCount(-1), -1);
    EXPECT_EQ(tool.GetThreadCount(), 3);
    EXPECT_EQ(tool.SetThreadCount(0), 1);
    EXPECT_EQ(tool.GetThreadCount(),
              static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
}

TEST(ThreadCount, ResultsAreTheSameBitForBitWhateverTheCount) {
    constexpr int kLayers = 5;
    Tool t;
    ASSERT_EQ(t.loadMesh(plate(8.0, 6.0, 2.0, 8, 6, 3, qvr::gen::CellType::Tet)), 1);
    ASSERT_EQ(t.loadResult(fiberResult(
                  8 * 6 * 3 * 6,
                  [](int item, int e) { return 0.001f * static_cast<float>(item * e % 97); })),
              1);
    // Into the part at odd angles, out of it (no crossing), and without a direction.
    HostRays rays;
    for (int i = 0; i < 700; ++i) {
        const double x = 0.3 + 7.4 * std::fmod(0.618 * i, 1.0),
                     y = 0.2 + 5.6 * std::fmod(0.414 * i, 1.0);
        if (i % 50 == 0) {
            rays.add({x, y, 0.0}, {0.0, 0.0, 0.0});
        } else {
            rays.add({x, y, i % 7 == 0 ? 2.0 : 0.0},
                     {0.3 * std::sin(i), 0.2 * std::cos(i), i % 11 == 0 ? -1.0 : 1.0});
        }
    }
    const std::thread::id caller = std::this_thread::get_id();
    struct Seen {
        std::thread::id caller;
        bool elsewhere = false;
        int last = 0, calls = 0;
    };
    auto progress = [](int done, int, void* user) {
        auto* s = static_cast<Seen*>(user);
        s->elsewhere = s->elsewhere || std::this_thread::get_id() != s->caller;
        EXPECT_GT(done, s->last);
        s->last = done;
        ++s->calls;
    };
    for (int mode : {QVR_THICKNESS_CENTROID_PLANE, QVR_THICKNESS_EXACT}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(t.tool.SetThicknessMode(mode), 1);
        std::vector<FiberOutput> first;
        int firstMissed = -1;
        for (int threads : {1, 2, 3, 8}) {
            SCOPED_TRACE(threads);
            ASSERT_EQ(t.tool.SetThreadCount(threads), 1);
            Seen seen{caller};
            ASSERT_EQ(t.tool.SetProgressCallback(+progress, &seen), 1);
            ASSERT_EQ(t.set(rays, kLayers), 1);
            EXPECT_FALSE(seen.elsewhere);
            EXPECT_EQ(seen.last, rays.count());
            // One thread reports every percent; more report as often as the calling thread
            // gets to it, at least the total.
            EXPECT_GE(seen.calls, threads == 1 ? 50 : 1);
            std::vector<FiberOutput> all;
            for (int i = 1; i <= rays.count(); ++i) {
                all.emplace_back(kLayers);
                ASSERT_EQ(t.get(i, all.back()), 1);
            }
            if (first.empty()) {
                first = all;
                firstMissed = t.tool.GetNoCrossingCount();
                EXPECT_GT(firstMissed, 0);
                continue;
            }
            EXPECT_TRUE(all == first);
            EXPECT_EQ(t.tool.GetNoCrossingCount(), firstMissed);
        }
    }
}
