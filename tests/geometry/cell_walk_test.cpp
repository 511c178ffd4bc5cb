// Face neighbours of the solid cells and the walk through them: every shared face is found from
// both sides, the faces left without a neighbour are exactly the skin, and a walk from any cell
// ends in a cell that contains the point.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "KernelMeshBuilder.h"
#include "QVROptKer.h"
#include "geometry/cell_adjacency.h"

namespace {

using qvr::geom::CellAdjacency;
using qvrtest::CellKind;

class CellWalk : public ::testing::TestWithParam<CellKind> {
protected:
    void SetUp() override {
        // Two blocks side by side (one face in common), unevenly spaced.
        builder.addBlock({GetParam(), 3, 2, 2, 0.0, 0.0, 0.0, 1.0, 0.7, 1.3});
        builder.install(kernel);
        adjacency.build(kernel.p_Cell, kernel.m_nInnerCell, kernel.m_nNode);
    }
    std::vector<int> faceNodes(int cell, int face) const {
        const CInnerCell& c = kernel.p_Cell[cell];
        int positions[CellAdjacency::kMaxFaceNodes];
        const int n = CellAdjacency::faceCorners(c.nNode, face, positions);
        std::vector<int> nodes;
        for (int k = 0; k < n; ++k) nodes.push_back(c.pNode[positions[k] + 1]);
        std::sort(nodes.begin(), nodes.end());
        return nodes;
    }
    // Inside or on every face plane of a convex cell with planar faces, worked out on its own:
    // the cell's centroid and the point on the same side of each face.
    bool inside(int cell, const double p[3]) const {
        const CInnerCell& c = kernel.p_Cell[cell];
        for (int f = 0; f < CellAdjacency::faceCount(c.nNode); ++f) {
            const auto nodes = faceNodes(cell, f);
            const Cnode& a = kernel.m_pNode[nodes[0]];
            const Cnode& b = kernel.m_pNode[nodes[1]];
            const Cnode& d = kernel.m_pNode[nodes[2]];
            const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
            const double v[3] = {d.x - a.x, d.y - a.y, d.z - a.z};
            const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                 u[0] * v[1] - u[1] * v[0]};
            const double centre = n[0] * (c.xc - a.x) + n[1] * (c.yc - a.y) + n[2] * (c.zc - a.z);
            const double point = n[0] * (p[0] - a.x) + n[1] * (p[1] - a.y) + n[2] * (p[2] - a.z);
            if (centre * point < -1e-12) return false;
        }
        return true;
    }

    qvrtest::KernelMeshBuilder builder;
    CQVROptKer kernel;
    CellAdjacency adjacency;
};

TEST_P(CellWalk, SharedFacesAreFoundFromBothSidesAndTheRestIsTheSkin) {
    std::multiset<std::vector<int>> open;
    for (int c = 1; c <= kernel.m_nInnerCell; ++c) {
        const int faces = CellAdjacency::faceCount(kernel.p_Cell[c].nNode);
        ASSERT_GT(faces, 0);
        for (int f = 0; f < faces; ++f) {
            const int other = adjacency.neighbour(c, f);
            const auto mine = faceNodes(c, f);
            if (other == 0) {
                open.insert(mine);
                continue;
            }
            ASSERT_NE(other, c);
            int back = 0;
            for (int g = 0; g < CellAdjacency::faceCount(kernel.p_Cell[other].nNode); ++g) {
                if (adjacency.neighbour(other, g) == c) {
                    ++back;
                    EXPECT_EQ(faceNodes(other, g), mine);
                }
            }
            EXPECT_EQ(back, 1) << "cell " << c << " face " << f;
        }
    }
    std::multiset<std::vector<int>> skin;
    for (const auto& f : builder.faces()) {
        auto nodes = f.nodes;
        std::sort(nodes.begin(), nodes.end());
        skin.insert(nodes);
    }
    EXPECT_EQ(open, skin);
}

TEST_P(CellWalk, EndsInACellThatContainsThePointFromAnyStart) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> x(0.0, 3.0), y(0.0, 1.4), z(0.0, 2.6);
    std::uniform_int_distribution<int> cell(1, kernel.m_nInnerCell);
    std::vector<int> visited;
    for (int i = 0; i < 300; ++i) {
        double p[3] = {x(random), y(random), z(random)};
        if (i % 10 == 0) p[0] = 1.0;  // on a layer of shared faces
        visited.clear();
        const int start = cell(random);
        const int found = qvr::geom::walkToPoint(
            adjacency, kernel.p_Cell, kernel.m_pNode, start, p, [&](int c) { return inside(c, p); },
            visited, 1000);
        ASSERT_GT(found, 0) << "point " << i << " from cell " << start;
        EXPECT_TRUE(inside(found, p));
        EXPECT_EQ(visited.front(), start);
        EXPECT_EQ(visited.back(), found);
    }
    // A point outside the block: the walk reaches the skin and gives up.
    const double outside[3] = {-1.0, 0.5, 0.5};
    visited.clear();
    EXPECT_EQ(qvr::geom::walkToPoint(
                  adjacency, kernel.p_Cell, kernel.m_pNode, kernel.m_nInnerCell, outside,
                  [&](int c) { return inside(c, outside); }, visited, 1000),
              0);
    EXPECT_FALSE(visited.empty());
}

// The cells around the node most cells share, gathered from each of them through neighbours
// across faces that hold the node: exactly the cells that have the node, whatever the start;
// and a cap below their number is reported.
TEST_P(CellWalk, GathersTheCellsAroundANodeFromAnyOfThem) {
    std::vector<std::vector<int>> cellsOf(static_cast<std::size_t>(kernel.m_nNode) + 1);
    for (int c = 1; c <= kernel.m_nInnerCell; ++c) {
        const CInnerCell& cell = kernel.p_Cell[c];
        for (int k = 1; k <= cell.nNode; ++k)
            cellsOf[static_cast<std::size_t>(cell.pNode[k])].push_back(c);
    }
    const auto most =
        std::max_element(cellsOf.begin(), cellsOf.end(),
                         [](const auto& a, const auto& b) { return a.size() < b.size(); });
    const int node = static_cast<int>(most - cellsOf.begin());
    ASSERT_GE(most->size(), 4u);
    auto faceHoldsNode = [&](int from, int face) {
        const auto nodes = faceNodes(from, face);
        return std::find(nodes.begin(), nodes.end(), node) != nodes.end();
    };
    for (int start : *most) {
        std::vector<int> gathered{-7};  // appended to, not replaced
        ASSERT_TRUE(qvr::geom::gatherConnected(adjacency, start, faceHoldsNode, gathered, 1000));
        EXPECT_EQ(gathered[0], -7);
        EXPECT_EQ(gathered[1], start);
        std::vector<int> sorted(gathered.begin() + 1, gathered.end());
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, *most) << "from cell " << start;
    }
    std::vector<int> capped;
    EXPECT_FALSE(qvr::geom::gatherConnected(adjacency, most->front(), faceHoldsNode, capped,
                                            most->size() - 1));
}

// Each face's corner set (what the cell choice compares node positions with) holds exactly the
// positions its corner list names; faces a kind does not have, and unknown kinds, have none.
TEST(CellAdjacencyFaces, CornerSetsHoldExactlyTheListedCorners) {
    for (int nNode : {4, 5, 6, 8}) {
        for (int face = -1; face <= CellAdjacency::kMaxFaces; ++face) {
            int positions[CellAdjacency::kMaxFaceNodes];
            const int n = CellAdjacency::faceCorners(nNode, face, positions);
            unsigned listed = 0;
            for (int k = 0; k < n; ++k) listed |= 1u << positions[k];
            EXPECT_EQ(CellAdjacency::faceCornerMask(nNode, face), listed)
                << nNode << " nodes, face " << face;
            EXPECT_EQ(listed == 0, face < 0 || face >= CellAdjacency::faceCount(nNode));
        }
    }
    EXPECT_EQ(CellAdjacency::faceCornerMask(7, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CellWalk,
                         ::testing::Values(CellKind::Tet, CellKind::Pyramid, CellKind::Prism,
                                           CellKind::Hex),
                         [](const auto& p) { return std::string(qvrtest::cellKindName(p.param)); });

// Conforming blocks of every kind name each neighbour both ways; a cell laid over another's
// place (a face then shared by three cells) is reached by one side only.
TEST_P(CellWalk, NeighboursNameEachOtherBackUnlessAFaceHasThreeCells) {
    EXPECT_TRUE(adjacency.symmetric());
    const int copy = builder.addCell(builder.cells().back().nodes, 1.0);
    builder.install(kernel);
    adjacency.build(kernel.p_Cell, kernel.m_nInnerCell, kernel.m_nNode);
    EXPECT_FALSE(adjacency.symmetric()) << "copy of the last cell as cell " << copy;
    adjacency.clear();
    EXPECT_TRUE(adjacency.symmetric());  // nothing built: nothing one-sided
}

TEST(CellAdjacencyBuild, CellsWithUnusableNodeListsAreSkipped) {
    qvrtest::KernelMeshBuilder builder;
    builder.addBlock({CellKind::Hex, 2, 1, 1, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0});
    CQVROptKer kernel;
    builder.install(kernel);
    CellAdjacency adjacency;
    // Cell 2 names a node beyond the table: it neither gets nor is a neighbour.
    const int saved = kernel.p_Cell[2].pNode[1];
    kernel.p_Cell[2].pNode[1] = kernel.m_nNode + 1;
    adjacency.build(kernel.p_Cell, kernel.m_nInnerCell, kernel.m_nNode);
    for (int f = 0; f < CellAdjacency::kMaxFaces; ++f) {
        EXPECT_EQ(adjacency.neighbour(1, f), 0);
        EXPECT_EQ(adjacency.neighbour(2, f), 0);
    }
    kernel.p_Cell[2].pNode[1] = saved;
    adjacency.build(kernel.p_Cell, kernel.m_nInnerCell, kernel.m_nNode);
    int shared = 0;
    for (int f = 0; f < CellAdjacency::kMaxFaces; ++f) shared += adjacency.neighbour(1, f) == 2;
    EXPECT_EQ(shared, 1);
    adjacency.build(nullptr, 5, 5);
    EXPECT_EQ(adjacency.cellCount(), 0);
}

}  // namespace
