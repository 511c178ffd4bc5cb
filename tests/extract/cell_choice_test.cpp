// The cell each sample point of a ray gets, in both thickness modes, on cells whose centroids
// and extents are known by construction.
#include <gtest/gtest.h>

#include <vector>

#include "TwoCubes.h"

using namespace extract_test;

TEST(AssignNearestCells, TakesTheNearestPassedCentroidWithinTheCutOff) {
    TwoCubes b;
    ASSERT_TRUE(b.ok);
    HostRays rays;
    rays.add({0.5, 0.5, 0.0}, {0, 0, 1});
    ASSERT_EQ(buildRays(b.data, rays, 3), 1);
    CRayData& r = b.data.m_pRayData[1];
    const double xs[4] = {0, 0.9, 1.2, 2e15};      // squared distance of the last above 1e30
    for (int j = 1; j <= 3; ++j) r.pX[j] = xs[j];  // y and z are the same for both centroids
    const int both[3] = {0, 1, 2};
    b.data.AssignNearestCells(both, 2, 1);
    EXPECT_EQ(std::vector<int>(r.pCellID + 1, r.pCellID + 4), (std::vector<int>{1, 2, 0}));
    const int secondOnly[2] = {0, 2};
    b.data.AssignNearestCells(secondOnly, 1, 1);
    EXPECT_EQ(std::vector<int>(r.pCellID + 1, r.pCellID + 4), (std::vector<int>{2, 2, 0}));
    b.data.AssignNearestCells(both, 0, 1);
    EXPECT_EQ(std::vector<int>(r.pCellID + 1, r.pCellID + 4), (std::vector<int>{0, 0, 0}));
}

// Points on and just either side of the face the two cubes share, both of which contain them
// (the containment test allows a little outside a cell): of equally near cells the first listed
// wins. (The exact mode walks to a containing cell instead; either cube interpolates the same.)
TEST(CellChoice, TiesKeepTheFirstListed) {
    TwoCubes b;
    ASSERT_TRUE(b.ok);
    HostRays rays;
    rays.add({0.5, 0.5, 0.0}, {0, 0, 1});
    ASSERT_EQ(buildRays(b.data, rays, 3), 1);
    CRayData& r = b.data.m_pRayData[1];
    const double xs[4] = {0, 1.0, 1.0 + 1e-9, 1.0 - 1e-9};  // tie, nearer 2, nearer 1
    for (int j = 1; j <= 3; ++j) {
        r.pX[j] = xs[j];
        r.pY[j] = r.pZ[j] = 0.5;
        ASSERT_TRUE(b.data.PointInCell(1, r.pX[j], 0.5, 0.5) &&
                    b.data.PointInCell(2, r.pX[j], 0.5, 0.5))
            << j;
    }
    const int firstThenSecond[3] = {0, 1, 2}, secondThenFirst[3] = {0, 2, 1};
    auto cells = [&r] { return std::vector<int>(r.pCellID + 1, r.pCellID + 4); };
    auto assign = [&](const int* list) {
        b.data.AssignNearestCells(list, 2, 1);
        return cells();
    };
    EXPECT_EQ(assign(firstThenSecond), (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(assign(secondThenFirst), (std::vector<int>{2, 2, 1}));
}
