// The skin faces' outward sides and bounding cells, and the exact mode's set-up that builds them
// and the cell neighbour table from one list of the cells around each node, against the plain
// references of both (ReferenceFaceOrientation.h, ReferenceCellAdjacency.h): on loaded parts of
// every kind, one numbered at random, one with part elements of no kind in front of the cells
// that bound its faces, and on random tables with cells no loader hands over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "CellTable.h"
#include "ExtractTestSupport.h"
#include "ReferenceCellAdjacency.h"
#include "ReferenceFaceOrientation.h"
#include "TestParts.h"
#include "extract/CExtractToolData.h"
#include "extract/face_orientation.h"
#include "geometry/cell_adjacency.h"
#include "geometry/cells_around_nodes.h"

using namespace extract_test;
using qvr::geom::CellAdjacency;
using qvr::geom::CellsAroundNodes;

namespace {

::testing::AssertionResult sameFaces(const std::vector<signed char>& outward,
                                     const std::vector<int>& faceCell,
                                     const qvrtest::ReferenceFaceOrientation& want) {
    if (outward.size() != want.outward.size() || faceCell.size() != want.faceCell.size()) {
        return ::testing::AssertionFailure()
               << "sizes " << outward.size() << "/" << faceCell.size() << ", the reference "
               << want.outward.size() << "/" << want.faceCell.size();
    }
    for (std::size_t f = 0; f < faceCell.size(); ++f) {
        if (faceCell[f] != want.faceCell[f] || outward[f] != want.outward[f]) {
            return ::testing::AssertionFailure()
                   << "face " << f << ": cell " << faceCell[f] << " side " << int{outward[f]}
                   << ", the reference cell " << want.faceCell[f] << " side "
                   << int{want.outward[f]};
        }
    }
    return ::testing::AssertionSuccess();
}

// The exact mode's set-up on a loaded mesh against both references on the tool's own tables;
// and the face orientation alone (what the default mode's wall rays build) on a second tool.
::testing::AssertionResult setUpLikeTheReferences(const nqbio::MeshData& mesh) {
    TempDir dir;
    CExtractToolData data;
    if (!loadInto(data, dir, mesh)) return ::testing::AssertionFailure() << "not loaded";
    if (data.PrepareExactMode() != 1) return ::testing::AssertionFailure() << "no set-up";
    const auto faces = qvrtest::buildReferenceFaceOrientation(
        data.p_Cell, data.m_nInnerCell, data.m_nNode, data.m_pSurface, data.m_nSurface);
    if (auto same = sameFaces(data.m_faceOutward, data.m_faceCell, faces); !same)
        return same << " (exact set-up)";
    const auto table =
        qvrtest::buildReferenceCellAdjacency(data.p_Cell, data.m_nInnerCell, data.m_nNode);
    if (auto same = qvrtest::sameAsReference(data.m_cellAdjacency, table); !same)
        return same << " (exact set-up)";

    CExtractToolData alone;
    if (!loadInto(alone, dir, mesh)) return ::testing::AssertionFailure() << "not loaded again";
    alone.ComputeFaceOrientation();
    if (auto same = sameFaces(alone.m_faceOutward, alone.m_faceCell, faces); !same)
        return same << " (orientation alone)";
    return ::testing::AssertionSuccess();
}

// The mesh with its cells and skin faces in another order and its nodes renumbered.
nqbio::MeshData renumbered(nqbio::MeshData mesh, unsigned seed) {
    std::mt19937 random(seed);
    std::shuffle(mesh.parts.begin(), mesh.parts.end(), random);
    std::shuffle(mesh.surfaces.begin(), mesh.surfaces.end(), random);
    std::vector<int> to(static_cast<std::size_t>(mesh.nodeCount()) + 1);
    std::iota(to.begin(), to.end(), 0);
    std::shuffle(to.begin() + 1, to.end(), random);
    std::vector<float> xyz(mesh.xyz.size());
    for (int n = 1; n <= mesh.nodeCount(); ++n) {
        for (int a = 0; a < 3; ++a) {
            xyz[static_cast<std::size_t>(3 * (to[static_cast<std::size_t>(n)] - 1) + a)] =
                mesh.xyz[static_cast<std::size_t>(3 * (n - 1) + a)];
        }
    }
    mesh.xyz.swap(xyz);
    for (auto& e : mesh.parts) {
        for (int k = 0; k < e.nNode; ++k) e.node[k] = to[static_cast<std::size_t>(e.node[k])];
    }
    for (auto& s : mesh.surfaces) {
        for (int& n : s.node) n = to[static_cast<std::size_t>(n)];
    }
    return mesh;
}

}  // namespace

TEST(ExactSetUpIdentity, GeneratedPartsOfEveryKind) {
    using qvr::gen::CellType;
    for (CellType kind :
         {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex, CellType::Mixed}) {
        EXPECT_TRUE(setUpLikeTheReferences(makePlate(qvrtest::ribbedTestPlate(kind))))
            << "plate " << qvr::gen::cellTypeName(kind);
        EXPECT_TRUE(setUpLikeTheReferences(makeTube(qvrtest::smallTestTube(kind))))
            << "tube " << qvr::gen::cellTypeName(kind);
    }
    for (unsigned seed : {3u, 17u}) {
        EXPECT_TRUE(setUpLikeTheReferences(
            renumbered(makePlate(qvrtest::ribbedTestPlate(CellType::Mixed)), seed)))
            << "renumbered, seed " << seed;
    }
}

// The file format allows part elements of 1 to 8 nodes. Those of no kind (here 3 and 7 nodes,
// in front of the cells, so first on every list) bound skin faces whose corners they list, but
// are no cell's neighbour: the one place where the two uses of the cells around the nodes take
// different cells, and where the set-up cannot share one list.
TEST(ExactSetUpIdentity, PartElementsOfNoKindBoundFacesButJoinNoNeighbours) {
    using qvr::gen::CellType;
    for (CellType kind : {CellType::Tet, CellType::Hex}) {
        nqbio::MeshData mesh = plate(3.0, 2.0, 1.0, 3, 2, 1, kind);
        const nqbio::SurfaceElement face = mesh.surfaces.front();
        const nqbio::PartElement solid = mesh.parts.back();
        nqbio::PartElement triangle;  // a triangle's corners (a quadrilateral's first three)
        triangle.nNode = 3;
        std::copy(face.node, face.node + 3, triangle.node);
        nqbio::PartElement seven;  // a solid's corners (but a hexahedron's last), then the face's
        seven.nNode = 7;
        for (int k = 0; k < 7; ++k)
            seven.node[k] = k < solid.nNode ? solid.node[k] : face.node[k - solid.nNode];
        nqbio::PartElement single;
        single.nNode = 1;
        single.node[0] = face.node[0];
        mesh.parts.insert(mesh.parts.begin(), {triangle, seven, single});

        TempDir dir;
        CExtractToolData data;
        ASSERT_TRUE(loadInto(data, dir, mesh));
        ASSERT_EQ(data.PrepareExactMode(), 1);
        int boundByNoKind = 0;
        for (int f = 1; f <= data.m_nSurface; ++f) {
            const int c = data.m_faceCell[static_cast<std::size_t>(f)];
            boundByNoKind += c != 0 && CellAdjacency::faceCount(data.p_Cell[c].nNode) == 0;
        }
        EXPECT_GT(boundByNoKind, 0) << qvr::gen::cellTypeName(kind);
        for (int c = 1; c <= 3; ++c) {
            for (int f = 0; f < data.m_cellAdjacency.faceSlots(); ++f)
                EXPECT_EQ(data.m_cellAdjacency.neighbour(c, f), 0) << c;
        }
        EXPECT_TRUE(setUpLikeTheReferences(mesh)) << qvr::gen::cellTypeName(kind);
    }
}

namespace {

// Skin faces as the kernel holds them, with their corner lists; an empty list stands for a face
// whose list is missing.
class FaceTable {
public:
    explicit FaceTable(const std::vector<std::vector<int>>& corners)
        : lists_(corners.size() + 1), faces_(corners.size() + 1) {
        for (std::size_t f = 0; f < corners.size(); ++f) {
            CFaceElem& face = faces_[f + 1];
            face.nNode = corners[f].empty() ? 3 : static_cast<int>(corners[f].size());
            if (corners[f].empty()) continue;
            lists_[f + 1].push_back(0);
            lists_[f + 1].insert(lists_[f + 1].end(), corners[f].begin(), corners[f].end());
            face.pNode = lists_[f + 1].data();
        }
    }
    CFaceElem* data() { return faces_.data(); }
    int count() const { return static_cast<int>(faces_.size()) - 1; }

private:
    std::vector<std::vector<int>> lists_;
    std::vector<CFaceElem> faces_;
};

}  // namespace

// A few nodes and many cells of every node count over them (1 to 8, repeated node numbers among
// them), some with no list or a node outside the table, and faces made mostly of a cell's
// corners in any order: many cells have all of a face's corners, and the first on the list must
// be the one taken. Centroids and area vectors are random, so that the side depends on the cell.
TEST(FaceOrientationIdentity, RandomTablesWithCellsNoLoaderHandsOver) {
    std::mt19937 random(41);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    int found = 0, inward = 0, byNoKind = 0;
    for (int trial = 0; trial < 300; ++trial) {
        qvrtest::NodeLists mesh;
        mesh.nodeCount = 4 + static_cast<int>(random() % 10);
        std::uniform_int_distribution<int> node(1, mesh.nodeCount);
        const int cells = 1 + static_cast<int>(random() % 40);
        for (int c = 0; c < cells; ++c) {
            std::vector<int> list(1 + random() % 8);
            for (int& n : list) n = node(random);
            if (random() % 40 == 0) list[random() % list.size()] = mesh.nodeCount + 1;
            if (random() % 40 == 0) list.clear();
            mesh.cells.push_back(std::move(list));
        }
        std::vector<std::vector<int>> corners;
        const int faces = static_cast<int>(random() % 30);
        for (int f = 0; f < faces; ++f) {
            std::vector<int> face;
            const auto& from = mesh.cells[random() % mesh.cells.size()];
            if (random() % 4 != 0 && from.size() >= 3) {
                face = from;
                std::shuffle(face.begin(), face.end(), random);
                face.resize(std::min<std::size_t>(face.size(), 3 + random() % 2));
            } else {
                face.resize(3 + random() % 2);
                for (int& n : face) n = node(random);
            }
            if (random() % 30 == 0) face[0] = random() % 2 ? 0 : mesh.nodeCount + 1;
            if (random() % 30 == 0) face.resize(2);
            if (random() % 30 == 0) face.clear();
            corners.push_back(std::move(face));
        }

        qvrtest::CellTable table(mesh);
        for (int c = 1; c <= table.count(); ++c) {
            CInnerCell& cell = table.data()[c];
            cell.xc = value(random), cell.yc = value(random), cell.zc = value(random);
        }
        FaceTable faceTable(corners);
        for (int f = 1; f <= faceTable.count(); ++f) {
            CFaceElem& face = faceTable.data()[f];
            face.xc = value(random), face.yc = value(random), face.zc = value(random);
            face.ax = value(random), face.ay = value(random), face.az = value(random);
        }

        const CellsAroundNodes around(table.data(), table.count(), mesh.nodeCount,
                                      CellsAroundNodes::Kinds::Any);
        std::vector<signed char> outward;
        std::vector<int> faceCell;
        qvr::extract::orientSkinFaces(table.data(), faceTable.data(), faceTable.count(), around,
                                      outward, faceCell);
        const auto want = qvrtest::buildReferenceFaceOrientation(
            table.data(), table.count(), mesh.nodeCount, faceTable.data(), faceTable.count());
        ASSERT_TRUE(sameFaces(outward, faceCell, want)) << "trial " << trial;
        for (std::size_t f = 1; f < faceCell.size(); ++f) {
            if (faceCell[f] == 0) continue;
            ++found;
            inward += outward[f] < 0;
            byNoKind += CellAdjacency::faceCount(table.data()[faceCell[f]].nNode) == 0;
        }
    }
    // Both sides, and cells of no kind among those found.
    EXPECT_GT(found, 1000);
    EXPECT_GT(inward, found / 4);
    EXPECT_GT(byNoKind, found / 20);
}

// No faces, no cells, or no mesh at all: every face keeps +1 and no cell.
TEST(FaceOrientationIdentity, EmptyTables) {
    std::vector<signed char> outward = {0, 0, 0};
    std::vector<int> faceCell = {5, 5, 5};
    qvr::extract::orientSkinFaces(nullptr, nullptr, 0, CellsAroundNodes(), outward, faceCell);
    EXPECT_EQ(outward, std::vector<signed char>{1});
    EXPECT_EQ(faceCell, std::vector<int>{0});
    FaceTable faces({{1, 2, 3}, {2, 3, 4}});
    const qvrtest::CellTable cells(qvrtest::NodeLists{4, {}});
    qvr::extract::orientSkinFaces(
        cells.data(), faces.data(), faces.count(),
        CellsAroundNodes(cells.data(), cells.count(), 4, CellsAroundNodes::Kinds::Any), outward,
        faceCell);
    EXPECT_EQ(outward, (std::vector<signed char>{1, 1, 1}));
    EXPECT_EQ(faceCell, (std::vector<int>{0, 0, 0}));

    CExtractToolData data;  // no mesh
    EXPECT_EQ(data.PrepareExactMode(), 1);
    EXPECT_EQ(data.m_faceCell, std::vector<int>{0});
    EXPECT_EQ(data.m_cellAdjacency.cellCount(), 0);
}
