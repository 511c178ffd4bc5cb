// Ray pass search against a brute-force walk over every element box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "KernelMeshBuilder.h"
#include "QVROptKer.h"
#include "ReferenceBoxes.h"
#include "geometry/ray_pass_search.h"
#include "search/CQvrADT.h"
#include "search/search_slots.h"

namespace {

using qvrtest::Box6;
using qvrtest::CellKind;
using qvrtest::FBox6;
using qvrtest::KernelMeshBuilder;

std::string kindName(const ::testing::TestParamInfo<CellKind>& p) {
    return qvrtest::cellKindName(p.param);
}

struct Reference {
    std::vector<FBox6> boxes;  // element boxes by kernel id - 1, enlarged as the tree keeps them
    Box6 overall{};            // the overall box of the nodes
};

Reference referenceOf(const KernelMeshBuilder& b) {
    std::vector<int> all(b.nodes().size());
    for (std::size_t n = 0; n < all.size(); ++n) all[n] = static_cast<int>(n) + 1;
    return {qvrtest::treeBoxes(b), qvrtest::boxOf(b, all)};
}

// The walk written out directly: steps of h from the start point, each step's box scanned
// against every element box, until a step meets nothing or ends outside the overall box.
std::vector<int> bruteWalk(const Reference& r, double h, const double start[3], const double dir[3],
                           int* steps = nullptr) {
    double d[3] = {0.0, 0.0, 1.0};
    const double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    if (len >= 1e-20)
        for (int a = 0; a < 3; ++a) d[a] = dir[a] / len;
    double p[3] = {start[0], start[1], start[2]}, q[3];
    for (int a = 0; a < 3; ++a) q[a] = p[a] + h * d[a];
    std::set<int> ids;
    for (int n = 1;; ++n) {
        Box6 box;
        bool outside = false, met = false;
        for (std::size_t a = 0; a < 3; ++a) {
            box[a] = std::min(p[a], q[a]), box[a + 3] = std::max(p[a], q[a]);
            outside = outside || q[a] < r.overall[a] || q[a] > r.overall[a + 3];
        }
        for (std::size_t i = 0; i < r.boxes.size(); ++i)
            if (qvrtest::meets(r.boxes[i], box)) ids.insert(static_cast<int>(i) + 1), met = true;
        for (int a = 0; a < 3; ++a) p[a] = q[a], q[a] = q[a] + h * d[a];
        if (!met || outside) {
            if (steps) *steps = n;
            return {ids.begin(), ids.end()};
        }
    }
}

std::vector<int> listOf(const int* ids, int count) { return std::vector<int>(ids, ids + count); }

std::vector<int> passList(CQVROptKer& k, double x, double y, double z, double dx, double dy,
                          double dz, int slot) {
    int count = -1;
    const int* ids = k.FindPassElemByAnyRay(count, x, y, z, dx, dy, dz, slot);
    EXPECT_EQ(ids, k.m_ppPassElemList[slot]);
    return listOf(ids, count);
}

class RayAllKinds : public ::testing::TestWithParam<CellKind> {};

TEST_P(RayAllKinds, MatchesTheBruteForceWalk) {
    KernelMeshBuilder b;
    b.addBlock({GetParam(), 5, 4, 3, -2.0, 1.0, 0.0, 1.0, 1.25, 0.8});
    CQVROptKer k;
    b.install(k);
    ASSERT_EQ(k.InitialzeSearch(2), 1);
    const Reference ref = referenceOf(b);

    std::mt19937 rng(static_cast<unsigned>(GetParam()) + 11u);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> pickNode(1, static_cast<int>(b.nodes().size()));
    int nonEmpty = 0;
    for (int ray = 0; ray < 150; ++ray) {
        double start[3], dir[3] = {u(rng), u(rng), u(rng)};
        if (ray % 3 == 0) {
            const auto& p = b.node(pickNode(rng));  // from a node, often on the skin
            start[0] = p.x, start[1] = p.y, start[2] = p.z;
        } else {
            start[0] = -2.5 + 6.0 * (u(rng) + 1.0) / 2.0;
            start[1] = 0.5 + 6.0 * (u(rng) + 1.0) / 2.0;
            start[2] = -0.5 + 3.4 * (u(rng) + 1.0) / 2.0;
        }
        if (ray % 10 == 1) dir[1] = dir[2] = 0.0;  // along an axis
        if (ray % 10 == 2) dir[0] = 0.0;           // in a coordinate plane
        const int slot = ray % 2;
        const std::vector<int> got =
            passList(k, start[0], start[1], start[2], dir[0], dir[1], dir[2], slot);
        ASSERT_EQ(got, bruteWalk(ref, k.MinMesh, start, dir)) << "ray " << ray;
        nonEmpty += got.empty() ? 0 : 1;
    }
    EXPECT_GT(nonEmpty, 50);
}

// Rays that barely leave an axis, on a part far from the origin (float spacing there about a
// thousandth of a cell): the steps' corners creep along the slow axes by whole float units now
// and then, which the walk's per-axis step ranges and its node prefilter must follow exactly.
TEST_P(RayAllKinds, NearlyAxisParallelRaysFarFromTheOriginMatchTheBruteForceWalk) {
    KernelMeshBuilder b;
    b.addBlock({GetParam(), 6, 3, 2, 8000.0, -3000.0, 1000.0, 1.0, 1.0, 1.0});
    CQVROptKer k;
    b.install(k);
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    const Reference ref = referenceOf(b);
    int nonEmpty = 0, ray = 0;
    std::vector<double> ys = {-2999.5, -2999.0, -2998.0 - 1e-4};
    for (int i = -4; i <= 4; ++i) ys.push_back(-2999.001 + 6e-5 * i);  // across a box's edge
    for (double slow : {0.0, 1e-12, 1e-9, 3e-8, 1e-6, 2e-6, 5e-6, 1e-5, 1e-4, 0.05}) {
        for (double y : ys) {
            for (int sign : {1, -1}) {
                const double start[3] = {sign > 0 ? 8000.0 : 8006.0, y, 1001.0};
                const double dir[3] = {1.0 * sign, slow, -0.5 * slow};
                const std::vector<int> got =
                    passList(k, start[0], start[1], start[2], dir[0], dir[1], dir[2], 0);
                ASSERT_EQ(got, bruteWalk(ref, k.MinMesh, start, dir)) << "ray " << ray;
                nonEmpty += got.empty() ? 0 : 1;
                ++ray;
            }
        }
    }
    EXPECT_GT(nonEmpty, ray / 2);
}

// The library's own unsorted walk: the same elements as the public search, each once, and the
// slot's lists (pass list, near-block list, the tree's found list) left as the last public
// search made them; no answer where the walk index does not serve the slot.
TEST_P(RayAllKinds, TheUnorderedWalkPassesTheSameElementsAndLeavesTheSlotAlone) {
    KernelMeshBuilder b;
    b.addBlock({GetParam(), 5, 4, 3, -2.0, 1.0, 0.0, 1.0, 1.25, 0.8});
    CQVROptKer k;
    b.install(k);
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    std::mt19937 rng(static_cast<unsigned>(GetParam()) + 29u);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    int count = 0;
    const int* before = k.FindPassElemByAnyRay(count, 0.5, 2.0, 1.0, 1.0, 0.0, 0.0, 0);
    const std::vector<int> keptPass = listOf(before, count);
    const int* keptNear = k.m_ppNearBlockList[0];
    const std::vector<int> keptFound =
        listOf(k.m_pADTree->GetFoundList(0) + 1, k.m_pADTree->GetFoundCount(0));
    for (int ray = 0; ray < 60; ++ray) {
        const double x = 3.0 * u(rng), y = 2.5 + 2.5 * u(rng), z = 1.2 + 1.5 * u(rng);
        double dx = u(rng), dy = u(rng), dz = u(rng);
        if (ray % 4 == 1) dy = dz = 0.0;
        const std::vector<int>* unordered =
            qvr::ray::passedElementsAnyOrder(k, x, y, z, dx, dy, dz, 0);
        ASSERT_NE(unordered, nullptr);
        std::vector<int> sorted = *unordered;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << ray;
        // The public search on a second kernel, so that this one's slot stays as it was.
        CQVROptKer other;
        b.install(other);
        ASSERT_EQ(other.InitialzeSearch(1), 1);
        EXPECT_EQ(sorted, passList(other, x, y, z, dx, dy, dz, 0)) << "ray " << ray;
    }
    EXPECT_EQ(k.m_ppPassElemList[0], before);
    EXPECT_EQ(listOf(before, count), keptPass);
    EXPECT_EQ(k.m_ppNearBlockList[0], keptNear);
    EXPECT_EQ(listOf(k.m_pADTree->GetFoundList(0) + 1, k.m_pADTree->GetFoundCount(0)), keptFound);

    EXPECT_EQ(qvr::ray::passedElementsAnyOrder(k, 0, 0, 0, 0, 0, 1, 1), nullptr);
    CQVROptKer host;  // a tree the host fills itself has no walk index
    host.SetADTreeRange(1, 1, 1, 0, 0, 0, 1, 0, 0);
    host.AddSurfaceToADTree(1, 0.5, 0.5, 0.5, 0.2, 0.2, 0.2);
    EXPECT_EQ(qvr::ray::passedElementsAnyOrder(host, 0.3, 0.3, 0.3, 0, 0, 1, 0), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RayAllKinds,
                         ::testing::Values(CellKind::Hex, CellKind::Prism, CellKind::Tet,
                                           CellKind::Pyramid),
                         kindName);

struct TwoSlabs : ::testing::Test {
    // Two 4 x 4 x 1 slabs of unit hexahedra, one above the other, 2.5 apart.
    KernelMeshBuilder b;
    CQVROptKer k;
    Reference ref;
    void SetUp() override {
        b.addBlock({CellKind::Hex, 4, 4, 1, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0});
        b.addBlock({CellKind::Hex, 4, 4, 1, 0.0, 0.0, 3.5, 1.0, 1.0, 1.0});
        b.install(k);
        ASSERT_EQ(k.InitialzeSearch(2), 1);
        ref = referenceOf(b);
        ASSERT_LT(k.MinMesh, 2.0);
    }
    bool inUpperSlab(int id) const {
        const FBox6& r = ref.boxes[static_cast<std::size_t>(id - 1)];
        return r[2] > 3.0f;
    }
};

TEST_F(TwoSlabs, AGapWiderThanAStepStopsTheWalk) {
    const double start[3] = {1.5, 1.5, 0.5}, dir[3] = {0, 0, 1};
    const std::vector<int> got = passList(k, 1.5, 1.5, 0.5, 0, 0, 1, 0);
    ASSERT_FALSE(got.empty());
    EXPECT_TRUE(std::none_of(got.begin(), got.end(), [&](int id) { return inUpperSlab(id); }));
    EXPECT_EQ(got, bruteWalk(ref, k.MinMesh, start, dir));
    // With a step longer than the gap the walk crosses it.
    k.resetMinMesh(3.0);
    const std::vector<int> longer = passList(k, 1.5, 1.5, 0.5, 0, 0, 1, 0);
    EXPECT_TRUE(std::any_of(longer.begin(), longer.end(), [&](int id) { return inUpperSlab(id); }));
    EXPECT_EQ(longer, bruteWalk(ref, 3.0, start, dir));
    // A zero or vanishing direction walks up.
    EXPECT_EQ(passList(k, 1.5, 1.5, 4.0, 0, 0, 0, 1), passList(k, 1.5, 1.5, 4.0, 0, 0, 1, 0));
    EXPECT_EQ(passList(k, 1.5, 1.5, 4.0, 1e-21, 0, 0, 1), passList(k, 1.5, 1.5, 4.0, 0, 0, 1, 0));
}

// Start points just outside each face of the overall box, within the element boxes' margin, so
// that the first step meets elements: moving away from the face or along it, the walk ends after
// that step, whichever side of the box it is on; moving into the box it goes on. Each as the
// direct walk does.
TEST_F(TwoSlabs, AWalkFromJustOutsideTheBoxEndsAfterItsFirstStep) {
    const double lo[3] = {0.0, 0.0, 0.0}, hi[3] = {4.0, 4.0, 4.5};
    const double off = 5e-4;  // outside the box, inside the 0.001 margin of the boxes at the face
    int stoppedAtOnce = 0;
    for (int a = 0; a < 3; ++a) {
        for (int side = 0; side < 2; ++side) {
            double start[3] = {1.5, 1.5, 0.5};
            start[a] = side == 0 ? lo[a] - off : hi[a] + off;
            if (a != 2 && side == 1) start[2] = 4.0;  // beside the upper slab
            for (int m = 0; m < 3; ++m) {
                for (int sign : {1, -1}) {
                    double dir[3] = {0.0, 0.0, 0.0};
                    dir[m] = sign;
                    if (m != a) dir[(m + 1) % 3] = 0.01 * sign;  // not quite along an axis
                    const std::vector<int> got =
                        passList(k, start[0], start[1], start[2], dir[0], dir[1], dir[2], 0);
                    int steps = 0;
                    ASSERT_EQ(got, bruteWalk(ref, k.MinMesh, start, dir, &steps))
                        << "axis " << a << " side " << side << " direction " << m << sign;
                    stoppedAtOnce += steps == 1 && !got.empty() ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GE(stoppedAtOnce, 24);
}

TEST_F(TwoSlabs, LeavingTheBoxStopsAfterTheStepThatEndsOutside) {
    // Upwards from inside the upper slab, whose top is at 4.5: the step ends run 4.15, 4.25,
    // 4.35, 4.45 and 4.55; the last one is outside, and what that step meets still counts.
    const double start[3] = {2.5, 2.5, 4.05}, dir[3] = {0, 0, 1};
    ASSERT_EQ(k.MinMesh, 0.1);
    int steps = 0;
    const std::vector<int> want = bruteWalk(ref, k.MinMesh, start, dir, &steps);
    EXPECT_EQ(steps, 5);
    const std::vector<int> got = passList(k, 2.5, 2.5, 4.05, 0, 0, 1, 0);
    EXPECT_EQ(got, want);
    EXPECT_TRUE(std::any_of(got.begin(), got.end(), [&](int id) {
        return id <= k.m_nSurface && ref.boxes[static_cast<std::size_t>(id - 1)][2] > 4.49f;
    }));
}

// A ray leaves behind, beside its pass list, what the near block search of its last step
// found: with the walk index that list is gathered in no particular order and must be put back
// into the order the tree's own breadth-first search visits it, for the slot's near list and
// for the tree's found list alike.
TEST_F(TwoSlabs, TheLastStepsNearListIsInTheTreesVisitingOrder) {
    // Downwards through the corner of four cells, out of the box below z = 0: the last step
    // meets four cells and their four bottom faces.
    auto walk = [this] {
        const std::vector<int> passed = passList(k, 1.0, 1.0, 0.5, 0, 0, -1, 0);
        const int found = k.m_pADTree->GetFoundCount(0);
        const int* tree = k.m_pADTree->GetFoundList(0);
        EXPECT_EQ(listOf(k.m_ppNearBlockList[0], found), listOf(tree + 1, found));
        return std::make_pair(passed, listOf(tree + 1, found));
    };
    ASSERT_NE(k.m_pADTree->WalkIndex(), nullptr);
    const auto indexed = walk();
    ASSERT_EQ(indexed.second.size(), 8u);
    // Adding an id the tree already holds changes nothing but drops the index: the same ray
    // then walks through the tree's own search.
    EXPECT_EQ(k.AddSurfaceToADTree(1, 1, 1, 1, 0, 0, 0), 1);
    ASSERT_EQ(k.m_pADTree->WalkIndex(), nullptr);
    const auto direct = walk();
    EXPECT_EQ(indexed.first, direct.first);
    EXPECT_EQ(indexed.second, direct.second);
    EXPECT_FALSE(std::is_sorted(direct.second.begin(), direct.second.end()));  // not by id
}

TEST_F(TwoSlabs, HostileInputEndsAndReportsConsistently) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    int count = -1;
    auto expectEnds = [&](double x, double y, double z, double dx, double dy, double dz) {
        count = -1;
        const int* ids = k.FindPassElemByAnyRay(count, x, y, z, dx, dy, dz, 0);
        ASSERT_NE(ids, nullptr);
        ASSERT_GE(count, 0);
        EXPECT_TRUE(std::is_sorted(ids, ids + count));
    };
    // NaN and overflowing rays on generated parts are the performance oracle's.
    expectEnds(inf, 1, 0.5, 1, 0, 0);
    expectEnds(1, 1, 0.5, -inf, 0, 0);
    for (double h : {0.0, -0.0, 1e-300, -0.25, nan, inf, -inf}) {
        k.resetMinMesh(h);
        expectEnds(1.5, 1.5, 0.5, 0.3, 0.2, 1.0);
        expectEnds(1.5, 1.5, 0.5, 0, 0, 0);
    }
    // A step of 1e-8 is cut after 1e6 steps, 0.01 along +x: from x = 1.9885 the walk ends at
    // 1.9985, short of the next cell's box (from 2 - 0.001); 5% more steps would reach it.
    k.resetMinMesh(1e-8);
    EXPECT_EQ(passList(k, 1.9885, 1.5, 0.5, 1, 0, 0, 0).size(), 1u);
    EXPECT_EQ(passList(k, 1.9995, 1.5, 0.5, 1, 0, 0, 0).size(), 2u);
    // A step of zero from inside an element: only the elements around the start point.
    k.resetMinMesh(0.0);
    const int* ids = k.FindPassElemByAnyRay(count, 1.5, 1.5, 0.5, 0, 0, 1, 0);
    int nearCount = 0;
    const int* nearIds = k.SearchNearBlockID(1.5, 1.5, 0.5, 1.5, 1.5, 0.5, nearCount, 1);
    std::vector<int> around(nearIds, nearIds + nearCount);
    std::sort(around.begin(), around.end());
    EXPECT_EQ(listOf(ids, count), around);

    CQVROptKer none;
    EXPECT_EQ(none.FindPassElemByAnyRay(count, 0, 0, 0, 0, 0, 1, 0), qvr::emptySearchList());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(k.FindPassElemByAnyRay(count, 0, 0, 0, 0, 0, 1, 2), qvr::emptySearchList());
    EXPECT_EQ(count, 0);
}

}  // namespace
