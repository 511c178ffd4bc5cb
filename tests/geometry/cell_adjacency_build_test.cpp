// The cell neighbour table against the plain reference (ReferenceCellAdjacency.h), whole: every
// slot of every cell, the slot count, the packed size and the symmetry flag; built on its own
// and from the cells around the nodes a caller hands it (and those lists against plain ones). On
// generated parts of every kind, one with its cells and nodes numbered at random, the
// non-conforming transitions of the exact mode's tests, degenerate and unusable cells, and small
// random meshes in which many cells share many nodes (where the choice among cells that have all of
// a face's nodes, the lowest numbered, matters most).
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "CellTable.h"
#include "PartGenerator.h"
#include "QVROptKer.h"
#include "ReferenceCellAdjacency.h"
#include "TestParts.h"
#include "geometry/cell_adjacency.h"
#include "geometry/cells_around_nodes.h"

namespace {

using qvr::geom::CellAdjacency;
using qvr::geom::CellsAroundNodes;

using qvrtest::CellTable;
using qvrtest::NodeLists;
using qvrtest::nodeListsOf;

// Builds into `adjacency` (which may hold an earlier build) and compares with the reference:
// on its own, and from the cells around the nodes built by the caller (both kinds of list, the
// exact mode's set-up hands it the one with cells of any node count).
::testing::AssertionResult buildsLikeTheReference(CellAdjacency& adjacency, const NodeLists& mesh,
                                                  int nodeCount) {
    const CellTable table(mesh);
    const qvrtest::ReferenceCellAdjacency want =
        qvrtest::buildReferenceCellAdjacency(table.data(), table.count(), nodeCount);
    adjacency.build(table.data(), table.count(), nodeCount);
    if (auto same = qvrtest::sameAsReference(adjacency, want); !same) return same << " (own lists)";
    for (const auto kinds : {CellsAroundNodes::Kinds::Any, CellsAroundNodes::Kinds::WithFaces}) {
        const CellsAroundNodes around(table.data(), table.count(), nodeCount, kinds);
        adjacency.build(table.data(), table.count(), nodeCount, around);
        if (auto same = qvrtest::sameAsReference(adjacency, want); !same) {
            return same << " (lists of "
                        << (kinds == CellsAroundNodes::Kinds::Any ? "any" : "with faces")
                        << " kind)";
        }
    }
    return ::testing::AssertionSuccess();
}
::testing::AssertionResult buildsLikeTheReference(CellAdjacency& adjacency, const NodeLists& mesh) {
    return buildsLikeTheReference(adjacency, mesh, mesh.nodeCount);
}

// The cells around each node as plain lists: a cell on node v's list once for each time it
// names v, in ascending order, when every node it names lies in 1..nodeCount (and, for
// Kinds::WithFaces, its kind has faces); the most faces among them and whether all have faces.
::testing::AssertionResult listsLikePlainOnes(const NodeLists& mesh,
                                              CellsAroundNodes::Kinds kinds) {
    const CellTable table(mesh);
    const CellsAroundNodes around(table.data(), table.count(), mesh.nodeCount, kinds);
    std::vector<std::vector<int>> want(static_cast<std::size_t>(mesh.nodeCount) + 1);
    int mostFaces = 0;
    bool allWithFaces = true;
    for (std::size_t c = 0; c < mesh.cells.size(); ++c) {
        const auto& nodes = mesh.cells[c];
        const int faces = CellAdjacency::faceCount(static_cast<int>(nodes.size()));
        const bool inTable = std::all_of(nodes.begin(), nodes.end(),
                                         [&](int n) { return n >= 1 && n <= mesh.nodeCount; });
        if (nodes.empty() || !inTable ||
            (kinds == CellsAroundNodes::Kinds::WithFaces && faces == 0))
            continue;
        mostFaces = std::max(mostFaces, faces);
        allWithFaces = allWithFaces && faces > 0;
        for (int n : nodes) want[static_cast<std::size_t>(n)].push_back(static_cast<int>(c) + 1);
    }
    for (int v = 1; v <= mesh.nodeCount; ++v) {
        const auto list = around.around(v);
        if (!std::equal(list.begin(), list.end(), want[static_cast<std::size_t>(v)].begin(),
                        want[static_cast<std::size_t>(v)].end())) {
            return ::testing::AssertionFailure() << "node " << v << ": the lists differ";
        }
    }
    if (around.mostFaces() != mostFaces || around.onlyCellsWithFaces() != allWithFaces) {
        return ::testing::AssertionFailure()
               << "most faces " << around.mostFaces() << "/" << mostFaces << ", only with faces "
               << around.onlyCellsWithFaces() << "/" << allWithFaces << " (built/plain)";
    }
    if (!around.builtOver(table.data(), table.count(), mesh.nodeCount))
        return ::testing::AssertionFailure() << "not marked as built over its table";
    return ::testing::AssertionSuccess();
}

// The same mesh with its cells in another order and its nodes renumbered: the cells around a
// node no longer lie close together in the numbering.
NodeLists shuffled(NodeLists mesh, unsigned seed) {
    std::mt19937 random(seed);
    std::shuffle(mesh.cells.begin(), mesh.cells.end(), random);
    std::vector<int> renumber(static_cast<std::size_t>(mesh.nodeCount) + 1);
    std::iota(renumber.begin(), renumber.end(), 0);
    std::shuffle(renumber.begin() + 1, renumber.end(), random);
    for (auto& cell : mesh.cells) {
        for (int& node : cell) node = renumber[static_cast<std::size_t>(node)];
    }
    return mesh;
}

std::vector<std::pair<std::string, NodeLists>> generatedParts() {
    using qvr::gen::CellType;
    std::vector<std::pair<std::string, NodeLists>> parts;
    for (CellType kind :
         {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex, CellType::Mixed}) {
        parts.emplace_back(std::string("plate-") + qvr::gen::cellTypeName(kind),
                           nodeListsOf(makePlate(qvrtest::ribbedTestPlate(kind))));
        parts.emplace_back(std::string("tube-") + qvr::gen::cellTypeName(kind),
                           nodeListsOf(makeTube(qvrtest::smallTestTube(kind))));
    }
    const qvr::gen::PlateSpec mixed{
        .lx = 5.0, .ly = 3.0, .thickness = 1.0, .nx = 8, .ny = 5, .nz = 3, .type = CellType::Mixed};
    parts.emplace_back("shuffled-mixed-plate", shuffled(nodeListsOf(makePlate(mixed)), 11));
    return parts;
}

TEST(CellAdjacencyBuildIdentity, GeneratedPartsOfEveryKind) {
    CellAdjacency adjacency;  // one object: each build replaces the one before
    for (const auto& [name, mesh] : generatedParts()) {
        ASSERT_GT(mesh.cells.size(), 50u) << name;
        EXPECT_TRUE(buildsLikeTheReference(adjacency, mesh)) << name;
        EXPECT_TRUE(adjacency.symmetric()) << name;  // conforming parts
    }
}

// Hexahedron 1 (nodes 1 to 8, its face x = 1 on nodes 2, 3, 7, 6) against cells that do not
// share that face whole, as in the exact mode's transition tests.
TEST(CellAdjacencyBuildIdentity, NonConformingTransitions) {
    CellAdjacency adjacency;
    const std::vector<int> hex = {1, 2, 3, 4, 5, 6, 7, 8};
    // Two tetrahedra on the face's halves, apex node 9: each reaches the hexahedron, which
    // reaches neither.
    const NodeLists twoTetrahedra{9, {hex, {2, 3, 7, 9}, {2, 7, 6, 9}}};
    EXPECT_TRUE(buildsLikeTheReference(adjacency, twoTetrahedra));
    EXPECT_FALSE(adjacency.symmetric());
    EXPECT_EQ(adjacency.neighbour(2, 0), 1);
    // Four half-size hexahedra against the face, its middle and edge midpoints theirs only.
    NodeLists fourHalves{26, {hex}};
    auto at = [](int layer, int iy, int iz) {
        if (layer == 0 && (iy == 0 || iy == 2) && (iz == 0 || iz == 2))
            return iz == 0 ? (iy == 0 ? 2 : 3) : (iy == 0 ? 6 : 7);
        return 9 + 9 * layer + 3 * iz + iy;
    };
    for (int iz = 0; iz < 2; ++iz) {
        for (int iy = 0; iy < 2; ++iy) {
            fourHalves.cells.push_back({at(0, iy, iz), at(1, iy, iz), at(1, iy + 1, iz),
                                        at(0, iy + 1, iz), at(0, iy, iz + 1), at(1, iy, iz + 1),
                                        at(1, iy + 1, iz + 1), at(0, iy + 1, iz + 1)});
        }
    }
    EXPECT_TRUE(buildsLikeTheReference(adjacency, fourHalves));
    // A pyramid on the face and a prism beside the pyramid's side.
    const NodeLists pyramidAndPrism{12, {hex, {2, 3, 7, 6, 9}, {2, 3, 9, 10, 11, 12}}};
    EXPECT_TRUE(buildsLikeTheReference(adjacency, pyramidAndPrism));
}

// Repeated node numbers (collapsed corners), cells that are copies of others (a face of three
// cells), and cells the build skips: null lists, node numbers out of 1..nodeCount, node counts
// of no kind. Skipped cells get no neighbours and are no one's.
TEST(CellAdjacencyBuildIdentity, DegenerateAndUnusableCells) {
    CellAdjacency adjacency;
    const std::vector<int> hex = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<int> above = {5, 6, 7, 8, 9, 10, 11, 12};
    const NodeLists degenerate{
        12,
        {hex,
         {5, 6, 7, 7, 9, 10, 11, 11},  // a prism written as a hexahedron
         {5, 6, 7, 8, 9, 10, 11, 12},
         above,         // a copy
         {5, 5, 5, 5},  // one node four times: it has all of no other cell's faces
         {6, 7, 8, 8},
         {1, 2, 3, 4, 4}}};
    EXPECT_TRUE(buildsLikeTheReference(adjacency, degenerate));
    EXPECT_FALSE(adjacency.symmetric());

    const NodeLists unusable{12,
                             {hex,
                              {},                            // no list
                              {5, 6, 7, 8, 9, 10, 11, 13},   // beyond the node table
                              {5, 6, 7, 8, 9, 10, 11, 0},    // below it
                              {5, 6, 7, 8, -9, 10, 11, 12},  // negative
                              {5, 6, 7},                     // a triangle is no cell
                              {5, 6, 7, 8, 9, 10, 11},       // seven nodes: no kind
                              above}};
    EXPECT_TRUE(buildsLikeTheReference(adjacency, unusable));
    EXPECT_EQ(adjacency.neighbour(1, 1), 8);
    for (int f = 0; f < CellAdjacency::kMaxFaces; ++f) EXPECT_EQ(adjacency.neighbour(3, f), 0);
    // Only tetrahedra usable: four slots, whatever the skipped cells' node counts.
    const NodeLists tetrahedraOnly{5, {{1, 2, 3, 4}, {1, 2, 3, 5, 6, 7, 8, 9}, {2, 3, 4, 5}}};
    EXPECT_TRUE(buildsLikeTheReference(adjacency, tetrahedraOnly));
    EXPECT_EQ(adjacency.faceSlots(), 4);
    // Node numbers checked against the count passed, not the largest listed.
    EXPECT_TRUE(buildsLikeTheReference(adjacency, NodeLists{12, {hex, above}}, 11));
}

TEST(CellAdjacencyBuildIdentity, EmptyAndRefusedInput) {
    CellAdjacency adjacency;
    ASSERT_TRUE(buildsLikeTheReference(adjacency, generatedParts().front().second));
    EXPECT_TRUE(buildsLikeTheReference(adjacency, NodeLists{}));  // no cells, no nodes
    EXPECT_EQ(adjacency.cellCount(), 0);
    EXPECT_TRUE(buildsLikeTheReference(adjacency, NodeLists{8, {}}));
    EXPECT_TRUE(buildsLikeTheReference(adjacency, NodeLists{0, {{1, 2, 3, 4}}}));
    EXPECT_TRUE(buildsLikeTheReference(adjacency, NodeLists{4, {{}, {}}}));  // no usable cell
    EXPECT_EQ(adjacency.faceSlots(), 0);
    adjacency.build(nullptr, 3, 3);
    EXPECT_TRUE(
        qvrtest::sameAsReference(adjacency, qvrtest::buildReferenceCellAdjacency(nullptr, 3, 3)));
}

// A few nodes and many cells of random kinds over them, repeated and out-of-range node numbers
// among them: most faces have several candidate cells, and the table's bit width runs from 1 to
// 7 bits.
TEST(CellAdjacencyBuildIdentity, RandomCellsOverFewNodes) {
    std::mt19937 random(2026);
    const int sizes[] = {4, 5, 6, 8, 8, 8, 8, 7, 3};  // weighted towards hexahedra
    CellAdjacency adjacency;
    int oneSided = 0;
    for (int trial = 0; trial < 400; ++trial) {
        NodeLists mesh;
        mesh.nodeCount = 4 + static_cast<int>(random() % 12);
        const int cells = 1 + static_cast<int>(random() % (trial < 200 ? 12 : 100));
        std::uniform_int_distribution<int> node(1, mesh.nodeCount);
        for (int c = 0; c < cells; ++c) {
            std::vector<int> list(static_cast<std::size_t>(sizes[random() % std::size(sizes)]));
            for (int& n : list) n = node(random);
            if (random() % 50 == 0) list[random() % list.size()] = mesh.nodeCount + 1;
            if (random() % 80 == 0) list.clear();
            mesh.cells.push_back(std::move(list));
        }
        ASSERT_TRUE(buildsLikeTheReference(adjacency, mesh)) << "trial " << trial;
        oneSided += !adjacency.symmetric();
        for (const auto kinds : {CellsAroundNodes::Kinds::Any, CellsAroundNodes::Kinds::WithFaces})
            ASSERT_TRUE(listsLikePlainOnes(mesh, kinds)) << "trial " << trial;
    }
    // The symmetry check is exercised both ways.
    EXPECT_GT(oneSided, 100);
    EXPECT_LT(oneSided, 390);
}

}  // namespace

namespace {

// Lists the table was not built over are left aside: those of fewer nodes (which leave out the
// cells that name the last node), and those of another table with the same counts.
TEST(CellAdjacencyBuildIdentity, ListsOfOtherCellsOrCountsAreNotUsed) {
    const std::vector<int> hex = {1, 2, 3, 4, 5, 6, 7, 8};
    const NodeLists mesh{12, {hex, {5, 6, 7, 8, 9, 10, 11, 12}}};
    const NodeLists other{12, {hex, {1, 2, 3, 4, 9, 10, 11, 12}}};
    const CellTable table(mesh), otherTable(other);
    const qvrtest::ReferenceCellAdjacency want =
        qvrtest::buildReferenceCellAdjacency(table.data(), table.count(), mesh.nodeCount);
    ASSERT_EQ(want.neighbour(1, 1), 2);
    CellAdjacency adjacency;
    const CellsAroundNodes fewerNodes(table.data(), table.count(), 11,
                                      CellsAroundNodes::Kinds::Any);
    adjacency.build(table.data(), table.count(), mesh.nodeCount, fewerNodes);
    EXPECT_TRUE(qvrtest::sameAsReference(adjacency, want));
    const CellsAroundNodes otherCells(otherTable.data(), otherTable.count(), other.nodeCount,
                                      CellsAroundNodes::Kinds::Any);
    adjacency.build(table.data(), table.count(), mesh.nodeCount, otherCells);
    EXPECT_TRUE(qvrtest::sameAsReference(adjacency, want));
    // Empty lists over no table stand for none.
    adjacency.build(table.data(), table.count(), mesh.nodeCount, CellsAroundNodes());
    EXPECT_TRUE(qvrtest::sameAsReference(adjacency, want));
}

}  // namespace
