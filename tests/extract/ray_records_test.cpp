// The progress callback of SetSurfaceNode: about a hundred rising counts ending at the total,
// in either thickness mode, with no effect on the results; a null callback removes it.
#include <gtest/gtest.h>

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
