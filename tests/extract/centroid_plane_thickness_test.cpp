// The centroid-plane thickness on two unit cubes: the distance along the line to the nearest
// crossed face plane, worked out by hand; and the nearest passed cell of each sample point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "TwoCubes.h"
#include "extract/ray_scratch.h"

using namespace extract_test;

TEST(FindSurfaceCrossing, MeasuresAlongTheLineToTheNearestPlaneOnEitherSide) {
    TwoCubes b;
    ASSERT_TRUE(b.ok);
    const int bottom = b.faceAt({0.5, 0.5, 0.0}), top = b.faceAt({0.5, 0.5, 1.0}),
              side = b.faceAt({0.0, 0.5, 0.5});
    ASSERT_TRUE(bottom && top && side);
    struct Case {
        std::vector<int> faces;
        Point p, d;
        double t;
    } const cases[] = {
        {{bottom, top}, {0.5, 0.5, 0.25}, {0, 0, 1}, 0.25},  // behind counts like ahead
        {{top, bottom}, {0.5, 0.5, 0.75}, {0, 0, 1}, 0.25},
        {{bottom}, {0.5, 0.5, 0.75}, {0, 0, -1}, 0.75},
        {{top}, {0.5, 0.5, 0.5}, {0.6, 0.0, 0.8}, 0.5 / 0.8},  // along the line, not square
        {{bottom, top}, {0.25, 0.5, 0.0}, {0, 0, 1}, 1.0},     // the node's own face drops out
        {{bottom}, {0.25, 0.5, 0.0}, {0, 0, 1}, 1e30},
        {{side}, {0.0, 0.5, 0.5}, {0, 0, 1}, 1e30},  // parallel
        {{}, {0.5, 0.5, 0.5}, {0, 0, 1}, 1e30},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(b.crossing(c.faces, c.p, c.d), c.t) << c.p[2];
}

// The nearest passed cell found by grouping the cells along the ray against the straight scan
// of the ascending list, on a lattice of cubes whose centroids and the sample points below are
// exact in binary, so that a point on a face between two cells ties exactly: the lower number
// must win however the list is ordered. Lists are shuffled, hold invalid numbers and
// repeats, and sample points lie on, beside, behind and far beyond the ray.
TEST(AssignNearestPassedCells, ChoosesAsTheAscendingListDoesInAnyOrder) {
    TempDir dir;
    CExtractToolData data;
    ASSERT_TRUE(loadInto(data, dir, plate(4.0, 4.0, 2.0, 8, 8, 4)));  // cubes of 0.5
    HostRays rays;
    rays.add({1.0, 1.0, 0.0}, {0, 0, 1});
    rays.add({0.0, 0.0, 0.0}, {1, 1, 1});
    rays.add({2.0, 2.0, 1.0}, {0, 0, 0});  // stored as no direction at all
    rays.add({4.0, 1.5, 0.5}, {-1, 0, 0});
    const int nLayer = 9;
    ASSERT_EQ(buildRays(data, rays, nLayer), 1);

    std::mt19937 rng(7u);
    std::uniform_int_distribution<int> pickCell(-2, data.m_nInnerCell + 3);
    std::uniform_int_distribution<int> pickStep(-8, 16);
    qvr::extract::RayScratch scratch;
    int ties = 0, grouped = 0;
    for (int trial = 0; trial < 200; ++trial) {
        const int inode = 1 + trial % rays.count();
        CRayData& r = data.m_pRayData[inode];
        // Sample points at multiples of a quarter cube along and across the ray.
        for (int j = 2; j <= nLayer; ++j) {
            const double s = 0.25 * pickStep(rng);
            r.pX[j] = r.pX[1] + s * r.dx + 0.25 * (j % 3);
            r.pY[j] = r.pY[1] + s * r.dy;
            r.pZ[j] = r.pZ[1] + s * r.dz;
        }
        if (trial % 10 == 3) r.pX[nLayer] = 1e30;  // a ray without a crossing
        const int listed = trial % 5 == 0 ? 10 : 30 + trial;
        std::vector<int> cells(1, 0);
        for (int k = 0; k < listed; ++k) cells.push_back(pickCell(rng));
        if (trial % 7 == 0) cells.push_back(cells[1]);  // a repeat

        std::vector<int> ascending(cells.begin() + 1, cells.end());
        std::sort(ascending.begin(), ascending.end());
        ascending.erase(std::unique(ascending.begin(), ascending.end()), ascending.end());
        ascending.insert(ascending.begin(), 0);
        data.AssignNearestCells(ascending.data(), static_cast<int>(ascending.size()) - 1, inode);
        const std::vector<int> expected(r.pCellID + 1, r.pCellID + nLayer + 1);

        std::shuffle(cells.begin() + 1, cells.end(), rng);
        scratch.cellIds = cells;
        std::fill(r.pCellID, r.pCellID + nLayer + 1, -1);
        ASSERT_EQ(data.AssignNearestPassedCells(inode, scratch), 1);
        ASSERT_EQ(std::vector<int>(r.pCellID + 1, r.pCellID + nLayer + 1), expected)
            << "trial " << trial;

        grouped += listed >= 30 ? 1 : 0;
        for (int j = 1; j <= nLayer; ++j) {  // points on a face between two listed cells
            const double fx = r.pX[j] * 2.0, fy = r.pY[j] * 2.0, fz = r.pZ[j] * 2.0;
            ties += fx == std::floor(fx) || fy == std::floor(fy) || fz == std::floor(fz) ? 1 : 0;
        }
    }
    EXPECT_GT(grouped, 150);
    EXPECT_GT(ties, 500);
    EXPECT_EQ(data.AssignNearestPassedCells(0, scratch), -1);
    EXPECT_EQ(data.AssignNearestPassedCells(rays.count() + 1, scratch), -1);
}
