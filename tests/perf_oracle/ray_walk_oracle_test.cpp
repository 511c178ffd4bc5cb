// The ray pass search against the straightforward walk, bit for bit: the returned list, and
// the slot's near-block list and the tree's found list as the last step leaves them, on
// generated parts of every cell kind with rays of every sort and unusual step lengths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "OracleParts.h"
#include "QVROptKer.h"
#include "StraightforwardOracle.h"
#include "search/CQvrADT.h"

namespace {

struct Ray {
    double x, y, z, dx, dy, dz;
};

// What a call left in the kernel and the tree for its slot.
struct SlotState {
    std::vector<int> passed, nearList, treeFound;
    const int* passPointer = nullptr;
    const int* nearPointer = nullptr;
};

SlotState snapshot(CQVROptKer& k, int slot, int count) {
    SlotState s;
    s.passPointer = k.m_ppPassElemList[slot];
    s.nearPointer = k.m_ppNearBlockList[slot];
    s.passed.assign(s.passPointer, s.passPointer + count);
    const int found = k.m_pADTree->GetFoundCount(slot);
    if (found > 0) {
        const int* list = k.m_pADTree->GetFoundList(slot);
        s.treeFound.assign(list + 1, list + 1 + found);
    }
    // The near-block list has the tree's count of entries.
    s.nearList.assign(s.nearPointer, s.nearPointer + found);
    return s;
}

// Skin nodes with their inward area-weighted normals, then random rays from inside and outside
// the overall box, then the corner cases of the direction.
std::vector<Ray> raysFor(CQVROptKer& k, unsigned seed, int skinRays, int randomRays) {
    std::vector<Ray> rays;
    const auto n = static_cast<std::size_t>(k.m_nNode) + 1;
    std::vector<double> nx(n, 0.0), ny(n, 0.0), nz(n, 0.0);
    k.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data());
    std::vector<int> skin;
    for (int i = 1; i <= k.m_nNode; ++i) {
        if (nx[i] != 0.0 || ny[i] != 0.0 || nz[i] != 0.0) skin.push_back(i);
    }
    const std::size_t stride =
        std::max<std::size_t>(1, skin.size() / static_cast<std::size_t>(std::max(skinRays, 1)));
    for (std::size_t s = 0; skinRays > 0 && s < skin.size(); s += stride) {
        const Cnode& p = k.m_pNode[skin[s]];
        const auto i = static_cast<std::size_t>(skin[s]);
        rays.push_back({p.x, p.y, p.z, -nx[i], -ny[i], -nz[i]});
    }

    std::mt19937 rng(seed);
    const double ex = k.Box_xMax - k.Box_xMin, ey = k.Box_yMax - k.Box_yMin,
                 ez = k.Box_zMax - k.Box_zMin;
    std::uniform_real_distribution<double> u(-0.2, 1.2), g(-1.0, 1.0);
    for (int r = 0; r < randomRays; ++r) {
        Ray ray{k.Box_xMin + u(rng) * ex, k.Box_yMin + u(rng) * ey, k.Box_zMin + u(rng) * ez,
                g(rng), g(rng), g(rng)};
        if (r % 5 == 0) {
            // Axis-parallel: zero direction components make flat step boxes.
            const int axis = r % 3;
            ray.dx = axis == 0 ? (r % 2 ? 1.0 : -1.0) : 0.0;
            ray.dy = axis == 1 ? (r % 2 ? 1.0 : -1.0) : 0.0;
            ray.dz = axis == 2 ? (r % 2 ? 1.0 : -1.0) : 0.0;
        }
        if (r % 7 == 0 && k.m_nInnerCell > 0) {
            // From a cell centroid, so the walk starts inside the material.
            const int c = 1 + static_cast<int>(rng() % static_cast<unsigned>(k.m_nInnerCell));
            ray.x = k.p_Cell[c].xc;
            ray.y = k.p_Cell[c].yc;
            ray.z = k.p_Cell[c].zc;
        }
        rays.push_back(ray);
    }
    const double cx = 0.5 * (k.Box_xMin + k.Box_xMax), cy = 0.5 * (k.Box_yMin + k.Box_yMax),
                 cz = 0.5 * (k.Box_zMin + k.Box_zMax);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    rays.push_back({cx, cy, k.Box_zMin, 0.0, 0.0, 0.0});      // zero direction walks +z
    rays.push_back({cx, cy, cz, 0.0, 0.0, -1e-30});           // below the length guard
    rays.push_back({cx, cy, cz, 1e300, 1e300, 1e300});        // overflowing length
    rays.push_back({nan, cy, cz, 1.0, 0.0, 0.0});
    rays.push_back({cx, cy, cz, nan, 1.0, 0.0});
    rays.push_back({cx, cy, cz, inf, 0.0, 0.0});
    rays.push_back({k.Box_xMax + 10.0 * ex, cy, cz, -1.0, 0.0, 0.0});  // starts far away
    rays.push_back({k.Box_xMin, k.Box_yMin, k.Box_zMin, ex, ey, ez});  // along the diagonal
    return rays;
}

// Runs every ray on alternating slots and compares each call with the straightforward walk.
void compareWalks(CQVROptKer& k, const std::vector<Ray>& rays, const char* what) {
    SlotState previous[2];
    bool have[2] = {false, false};
    for (std::size_t r = 0; r < rays.size(); ++r) {
        const int slot = static_cast<int>(r % 2);
        const int other = 1 - slot;
        const Ray& ray = rays[r];
        int count = -7;
        const int* list =
            k.FindPassElemByAnyRay(count, ray.x, ray.y, ray.z, ray.dx, ray.dy, ray.dz, slot);
        ASSERT_NE(list, nullptr);
        ASSERT_GE(count, 0);
        ASSERT_EQ(list, k.m_ppPassElemList[slot]);
        const SlotState got = snapshot(k, slot, count);
        if (have[other]) {
            // The other slot keeps its lists, pointers and contents alike.
            const SlotState kept = snapshot(k, other, static_cast<int>(previous[other].passed.size()));
            ASSERT_EQ(kept.passPointer, previous[other].passPointer);
            ASSERT_EQ(kept.nearPointer, previous[other].nearPointer);
            ASSERT_EQ(kept.passed, previous[other].passed);
            ASSERT_EQ(kept.nearList, previous[other].nearList);
            ASSERT_EQ(kept.treeFound, previous[other].treeFound);
        }

        const oracle::PassResult want =
            oracle::findPassElem(k, ray.x, ray.y, ray.z, ray.dx, ray.dy, ray.dz, slot);
        ASSERT_TRUE(want.searched);
        ASSERT_EQ(got.passed, want.passed) << what << " ray " << r;
        ASSERT_EQ(got.treeFound, want.lastNear) << what << " ray " << r;
        ASSERT_EQ(got.nearList, want.lastNear) << what << " ray " << r;
        previous[slot] = got;
        have[slot] = true;
    }
}

class RayWalkOracle : public ::testing::TestWithParam<int> {};

TEST_P(RayWalkOracle, EveryRayMatchesTheStepByStepWalk) {
    const std::vector<oracle::NamedPart> parts = oracle::testParts();
    const oracle::NamedPart& part = parts[static_cast<std::size_t>(GetParam())];
    CQVROptKer k;
    ASSERT_TRUE(oracle::loadPart(part.mesh, k)) << part.name;
    ASSERT_EQ(k.InitialzeSearch(2), 1);
    ASSERT_NE(k.m_pADTree->WalkIndex(), nullptr);
    const std::vector<Ray> rays = raysFor(k, 17u + static_cast<unsigned>(GetParam()), 150, 150);
    compareWalks(k, rays, part.name.c_str());

    // Other step lengths: longer and shorter than the set-up's, and the degenerate ones that
    // only resetMinMesh can give (no progress, backwards, NaN).
    const double setUp = k.MinMesh;
    for (double step : {setUp * 2.7, setUp * 0.37, 0.0, -setUp, std::nan("")}) {
        k.resetMinMesh(step);
        const std::vector<Ray> few = raysFor(k, 5u, 12, 12);
        compareWalks(k, few, part.name.c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Parts, RayWalkOracle, ::testing::Range(0, 10),
                         [](const ::testing::TestParamInfo<int>& p) {
                             std::string name = oracle::testParts()[static_cast<std::size_t>(p.param)].name;
                             for (char& c : name) {
                                 if (c == '-') c = '_';
                             }
                             return name;
                         });

TEST(RayWalkOracle, TreeChangedAfterTheSetUpAndHostTrees) {
    const std::vector<oracle::NamedPart> parts = oracle::testParts();
    CQVROptKer k;
    ASSERT_TRUE(oracle::loadPart(parts[3].mesh, k));
    ASSERT_EQ(k.InitialzeSearch(2), 1);
    // A box added after the set-up: the walk must see it as the tree does.
    k.AddSurfaceToADTree(k.m_nSurface + k.m_nInnerCell + 1, k.Box_xMax, k.Box_yMax, k.Box_zMax,
                         0.5 * (k.Box_xMin + k.Box_xMax), k.Box_yMin, k.Box_zMin);
    compareWalks(k, raysFor(k, 9u, 40, 40), "after AddSurfaceToADTree");
    // A second set-up indexes the tree again.
    ASSERT_EQ(k.InitialzeSearch(2), 1);
    ASSERT_NE(k.m_pADTree->WalkIndex(), nullptr);
    compareWalks(k, raysFor(k, 10u, 40, 40), "after a second set-up");

    // A host's own tree: one tree slot for two kernel slots.
    CQVROptKer host;
    ASSERT_EQ(host.SetADTreeRange(4.0, 4.0, 4.0, 0.0, 0.0, 0.0, 2, 0, 0), 1);
    std::mt19937 rng(4u);
    std::uniform_real_distribution<double> c(0.0, 3.5), e(0.0, 0.5);
    for (int id = 1; id <= 60; ++id) {
        const double x = c(rng), y = c(rng), z = c(rng);
        host.AddSurfaceToADTree(id, x + e(rng), y + e(rng), z + e(rng), x, y, z);
    }
    host.resetMinMesh(0.05);
    compareWalks(host, raysFor(host, 11u, 0, 60), "host tree");
}

}  // namespace
