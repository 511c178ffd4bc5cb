// The cell each sample point of a ray gets, in both thickness modes, on cells whose centroids
// and extents are known by construction.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "QVROptKer.h"
#include "extract/ray_scratch.h"
#include "geometry/cell_adjacency.h"

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

// ---- Meshes whose neighbours do not reach every cell around a point -------------------------

namespace {

// A unit hexahedron (cell 1) and, against its face x = 1, cells of another kind that do not
// share that face whole: `transitionCells` adds them with their nodes. The skin is every cell
// face used once that does not lie in the plane x = 1, so the faces against the hexahedron are
// inside the part whichever way they are split.
nqbio::MeshData hexWithTransition(const std::vector<Point>& extraNodes,
                                  const std::vector<std::vector<int>>& transitionCells) {
    nqbio::MeshData mesh;
    const std::vector<Point> cube = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                     {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (const auto* nodes : {&cube, &extraNodes}) {
        for (const Point& p : *nodes) {
            for (double c : p) mesh.xyz.push_back(static_cast<float>(c));
        }
    }
    std::vector<std::vector<int>> cells = {{1, 2, 3, 4, 5, 6, 7, 8}};
    cells.insert(cells.end(), transitionCells.begin(), transitionCells.end());
    std::map<std::vector<int>, std::pair<int, std::vector<int>>> faces;  // sorted: uses, in order
    for (const auto& c : cells) {
        nqbio::PartElement e;
        e.nNode = static_cast<int>(c.size());
        std::copy(c.begin(), c.end(), e.node);
        mesh.parts.push_back(e);
        for (int f = 0; f < qvr::geom::CellAdjacency::faceCount(e.nNode); ++f) {
            int positions[qvr::geom::CellAdjacency::kMaxFaceNodes];
            const int n = qvr::geom::CellAdjacency::faceCorners(e.nNode, f, positions);
            std::vector<int> face;
            for (int k = 0; k < n; ++k) face.push_back(c[static_cast<std::size_t>(positions[k])]);
            std::vector<int> key = face;
            std::sort(key.begin(), key.end());
            auto& entry = faces[key];
            ++entry.first;
            entry.second = face;
        }
    }
    for (const auto& [key, entry] : faces) {
        const bool atInterface = std::all_of(key.begin(), key.end(), [&](int node) {
            return mesh.xyz[static_cast<std::size_t>(3 * (node - 1))] == 1.0f;
        });
        if (entry.first != 1 || atInterface) continue;
        nqbio::SurfaceElement s;
        for (std::size_t k = 0; k < 4; ++k)
            s.node[k] = entry.second[std::min(k, entry.second.size() - 1)];
        mesh.surfaces.push_back(s);
    }
    return mesh;
}

// Two tetrahedra (cells 2 and 3) splitting the pyramid over the face along its diagonal from
// (1, 0, 0) to (1, 1, 1): each tetrahedron's face lies on half of the hexahedron's, so each
// names the hexahedron as its neighbour but the hexahedron has none across x = 1.
nqbio::MeshData hexAgainstTwoTetrahedra() {
    return hexWithTransition({{2.0, 0.5, 0.5}}, {{2, 3, 7, 9}, {2, 7, 6, 9}});
}

// Four half-size hexahedra (cells 2 to 5) against the face, whose middle and edge midpoints are
// nodes of theirs only: no cell has all the corners of another's face at x = 1, so none of
// those faces has a neighbour, on either side.
nqbio::MeshData hexAgainstFourHalfHexahedra() {
    std::vector<Point> nodes;  // (1, y, z) at index 9 + 3 * iz + iy, then (1.5, y, z) 9 on
    for (double x : {1.0, 1.5}) {
        for (double z : {0.0, 0.5, 1.0}) {
            for (double y : {0.0, 0.5, 1.0}) nodes.push_back({x, y, z});
        }
    }
    // The cube's corners on x = 1 stand for the grid's corners there.
    auto at = [](int layer, int iy, int iz) {
        const int grid = 9 * layer + 3 * iz + iy;
        if (layer == 0 && (iy == 0 || iy == 2) && (iz == 0 || iz == 2)) {
            return iz == 0 ? (iy == 0 ? 2 : 3) : (iy == 0 ? 6 : 7);
        }
        return 9 + grid;
    };
    std::vector<std::vector<int>> cells;
    for (int iz = 0; iz < 2; ++iz) {
        for (int iy = 0; iy < 2; ++iy) {
            cells.push_back({at(0, iy, iz), at(1, iy, iz), at(1, iy + 1, iz), at(0, iy + 1, iz),
                             at(0, iy, iz + 1), at(1, iy, iz + 1), at(1, iy + 1, iz + 1),
                             at(0, iy + 1, iz + 1)});
        }
    }
    // The grid's own copies of the four corners are left unused; the loader drops them.
    return hexWithTransition(nodes, cells);
}

// The documented choice worked out the plain way: of all cells that contain p, the nearest
// centroid, of equally near ones the lowest number; 0 when none does.
int nearestContaining(CExtractToolData& data, const Point& p) {
    int best = 0;
    double bestSquared = 0.0;
    for (int c = 1; c <= data.m_nInnerCell; ++c) {
        if (!data.PointInCell(c, p[0], p[1], p[2])) continue;
        const CInnerCell& cell = data.p_Cell[c];
        const double squared = (cell.xc - p[0]) * (cell.xc - p[0]) +
                               (cell.yc - p[1]) * (cell.yc - p[1]) +
                               (cell.zc - p[2]) * (cell.zc - p[2]);
        if (best == 0 || squared < bestSquared) {
            best = c;
            bestSquared = squared;
        }
    }
    return best;
}

struct TransitionCase {
    const char* name;
    nqbio::MeshData (*mesh)();
    bool symmetric;  // of the neighbour relation
    // Points on or beside the face x = 1, each with the cell the documented choice gives.
    std::vector<std::pair<Point, int>> points;
};
void PrintTo(const TransitionCase& c, std::ostream* os) { *os << c.name; }

class NonConformingFace : public ::testing::TestWithParam<TransitionCase> {};

}  // namespace

// Where a face of one cell meets several faces of others, the cells around a point on it are
// not all reached from any one of them through neighbours: the choice among the cells that
// contain the point must still be the documented one from whichever cell the walk starts, and
// along a ray whose points lie one after the other on that face (where each point's group of
// cells could otherwise be taken over from the previous point's).
TEST_P(NonConformingFace, PointsOnItTakeTheNearestContainingCellFromAnyStart) {
    const TransitionCase& param = GetParam();
    TempDir dir;
    CExtractToolData data;
    ASSERT_TRUE(loadInto(data, dir, param.mesh()));
    ASSERT_EQ(data.SelectThicknessMode(QVR_THICKNESS_EXACT), 1);
    HostRays rays;
    rays.add({0.0, 0.5, 0.5}, {1, 0, 0});
    ASSERT_EQ(buildRays(data, rays, static_cast<int>(param.points.size())), 1);
    EXPECT_EQ(data.m_cellAdjacency.symmetric(), param.symmetric);
    EXPECT_FALSE(data.m_bFaceNeighboursClosed);

    CRayData& r = data.m_pRayData[1];
    qvr::extract::RayScratch scratch;
    auto place = [&r](int j, const Point& p) {
        r.pX[j] = p[0];
        r.pY[j] = p[1];
        r.pZ[j] = p[2];
        r.pCellID[j] = -1;
    };
    const int points = r.nPoint;
    for (const auto& [p, want] : param.points) {
        ASSERT_EQ(nearestContaining(data, p), want) << p[0] << " " << p[1] << " " << p[2];
    }
    for (int start = 1; start <= data.m_nInnerCell; ++start) {
        r.nPoint = 1;  // one point per call: every walk starts in `start`
        for (const auto& [p, want] : param.points) {
            place(1, p);
            ASSERT_EQ(data.AssignContainingCells(1, start, 0, scratch), 1);
            EXPECT_EQ(r.pCellID[1], want)
                << "(" << p[0] << ", " << p[1] << ", " << p[2] << ") from cell " << start;
        }
        r.nPoint = points;  // all points in one call, each walk from the previous point's cell
        for (std::size_t k = 0; k < param.points.size(); ++k) {
            place(static_cast<int>(k) + 1, param.points[k].first);
        }
        ASSERT_EQ(data.AssignContainingCells(1, start, 0, scratch), 1);
        for (std::size_t k = 0; k < param.points.size(); ++k) {
            EXPECT_EQ(r.pCellID[k + 1], param.points[k].second)
                << "point " << k + 1 << " of one ray from cell " << start;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Transitions, NonConformingFace,
    ::testing::Values(
        TransitionCase{"TwoTetrahedra",
                       hexAgainstTwoTetrahedra,
                       false,
                       {{{1.0, 0.7, 0.3}, 2},
                        {{1.0, 0.8, 0.3}, 2},  // the same face of each cell as the point before
                        {{1.0, 0.3, 0.7}, 3},
                        {{1.0, 0.6, 0.6}, 2},  // on the diagonal: as near to both, the lower
                        {{1.0, 1.0, 0.5}, 2},  // on an edge of the hexahedron
                        {{1.0 - 1e-9, 0.7, 0.3}, 2},
                        {{0.5, 0.5, 0.5}, 1}}},
        TransitionCase{"FourHalfHexahedra",
                       hexAgainstFourHalfHexahedra,
                       true,
                       {{{1.0, 0.3, 0.2}, 2},
                        {{1.0, 0.3, 0.3}, 2},
                        {{1.0, 0.7, 0.2}, 3},
                        {{1.0, 0.5, 0.3}, 2},  // between two of them: the lower
                        {{1.0, 0.8, 0.9}, 5},
                        {{1.0 - 1e-9, 0.3, 0.8}, 4},
                        {{0.5, 0.5, 0.5}, 1}}}),
    [](const auto& p) { return std::string(p.param.name); });

// The generated parts are conforming: their cells around a point are gathered through
// neighbours, never searched for in the tree.
TEST(FaceNeighbours, GeneratedPartsOfEveryKindAreClosed) {
    using qvr::gen::CellType;
    for (CellType type :
         {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex, CellType::Mixed}) {
        TempDir dir;
        CExtractToolData data;
        ASSERT_TRUE(loadInto(data, dir, plate(4.0, 3.0, 1.0, 4, 3, 2, type)));
        ASSERT_EQ(data.PrepareExactMode(), 1);
        EXPECT_TRUE(data.m_cellAdjacency.symmetric()) << qvr::gen::cellTypeName(type);
        EXPECT_TRUE(data.m_bFaceNeighboursClosed) << qvr::gen::cellTypeName(type);
    }
    // A tube of every kind, closed around by a band of pyramids.
    TempDir dir;
    CExtractToolData data;
    ASSERT_TRUE(loadInto(data, dir,
                         qvr::gen::makeTube({.innerRadius = 2.0,
                                             .wall = 1.0,
                                             .length = 2.0,
                                             .nTheta = 10,
                                             .nWall = 2,
                                             .nZ = 2,
                                             .type = CellType::Mixed})));
    ASSERT_EQ(data.PrepareExactMode(), 1);
    EXPECT_TRUE(data.m_bFaceNeighboursClosed);
}
