// Figures over a set of profiles: thickness statistics, the node chosen to show, the mean
// profile.
#include <gtest/gtest.h>

#include "profile_stats.h"

using namespace qvr::cli;

namespace {

NodeProfile profile(int node, double thickness, bool crossed = true, double x = 0.0) {
    NodeProfile p;
    p.fileNode = node;
    p.x = x;
    p.crossed = crossed;
    p.thickness = thickness;
    p.depth = {0.0, thickness};
    std::array<double, kComponentCount> v{};
    v.fill(thickness);
    p.value = {v, v};
    return p;
}

TEST(ProfileStats, ThicknessFiguresCountOnlyRaysThatCrossed) {
    const std::vector<NodeProfile> odd = {profile(1, 3.0), profile(2, 1.0), profile(3, 1e30, false),
                                          profile(4, 2.0), profile(5, 1e-12)};
    const ThicknessStats s = thicknessStats(odd);
    EXPECT_EQ(s.count, 4);
    EXPECT_EQ(s.min, 1e-12);
    EXPECT_EQ(s.max, 3.0);
    EXPECT_EQ(s.median, 1.5);  // even count: mean of 1 and 2
    EXPECT_EQ(s.collapsed, 1);
    const ThicknessStats three = thicknessStats({profile(1, 5.0), profile(2, 1.0), profile(3, 4.0)});
    EXPECT_EQ(three.median, 4.0);
    EXPECT_EQ(thicknessStats({profile(1, 1e30, false)}).count, 0);
}

TEST(ProfileStats, TheRepresentativeIsNearestTheMedianLowestNodeFirst) {
    // Median 2.5 of {1, 2, 3, 4}: nodes 7 (thickness 2) and 9 (3) are equally near; 7 wins.
    const std::vector<NodeProfile> set = {profile(9, 3.0), profile(8, 4.0), profile(7, 2.0),
                                          profile(6, 1.0), profile(5, 2.5, false)};
    EXPECT_EQ(findRepresentative(set), 2);
    EXPECT_EQ(findRepresentative({profile(1, 1e30, false)}), -1);
    EXPECT_EQ(findProfileOfNode(set, 8), 1);
    EXPECT_EQ(findProfileOfNode(set, 99), -1);
    // Nearest to x = 10 among the crossed: node 4 at x = 9 (node 3 at x = 10 did not cross).
    const std::vector<NodeProfile> row = {profile(1, 1, true, 0), profile(3, 1, false, 10), profile(4, 1, true, 9)};
    EXPECT_EQ(findProfileNear(row, 10, 0, 0), 2);
}

TEST(ProfileStats, TheMeanProfileAveragesPointByPointOverCrossedRays) {
    const MeanProfile m = meanProfile({profile(1, 1.0), profile(2, 4.0), profile(3, 100.0, false)}, 2);
    EXPECT_EQ(m.nodes, 2);
    EXPECT_EQ(m.fraction, (std::vector<double>{0.0, 1.0}));
    for (const auto& row : m.mean)
        for (double v : row) EXPECT_EQ(v, 2.5);
    EXPECT_EQ(meanProfile({}, 3).nodes, 0);
    EXPECT_EQ(meanProfile({}, 3).fraction, (std::vector<double>{0.0, 0.5, 1.0}));
}

}  // namespace
