// The cell each sample point of a ray gets, in both thickness modes, on cells whose centroids
// and extents are known by construction.
#include <gtest/gtest.h>

#include <vector>

#include "QVROptKer.h"
#include "extract/ray_scratch.h"

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
// wins.
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

// The exact mode walks from the cell at the node to a cell containing each point; where the
// point lies on (or within the containment tolerance of) the face the cubes share, both contain
// it, and the choice must not depend on where the walk came from: the nearer centroid, of equally
// near ones the lower number, as when every passed cell was tested in order of distance.
TEST(AssignContainingCells, PointsOnASharedFaceTakeTheNearerCentroidFromEitherSide) {
    TwoCubes b;
    ASSERT_TRUE(b.ok);
    ASSERT_EQ(b.data.SelectThicknessMode(QVR_THICKNESS_EXACT), 1);
    HostRays rays;
    rays.add({0.5, 0.5, 0.0}, {0, 0, 1});
    ASSERT_EQ(buildRays(b.data, rays, 4), 1);
    CRayData& r = b.data.m_pRayData[1];
    // On the face (a tie), just into cube 2, just into cube 1, and deep inside cube 2.
    const double xs[4] = {1.0, 1.0 + 1e-9, 1.0 - 1e-9, 1.7};
    const int want[4] = {1, 2, 1, 2};
    qvr::extract::RayScratch scratch;
    const int points = r.nPoint;
    r.nPoint = 1;  // one point per call, so that every walk starts in the given cell
    for (int start : {1, 2}) {
        for (int k = 0; k < 4; ++k) {
            r.pX[1] = xs[k];
            r.pY[1] = 0.5;
            r.pZ[1] = 0.2 * (k + 1);
            r.pCellID[1] = -1;
            ASSERT_EQ(b.data.AssignContainingCells(1, start, 0, scratch), 1);
            EXPECT_EQ(r.pCellID[1], want[k]) << "x " << xs[k] << " from cell " << start;
        }
    }
    r.nPoint = points;
}
