// The generator's building blocks: cell volumes against quadrature, the skin on hand-made
// meshes, and block grids of every mix of kinds.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <tuple>
#include <vector>

#include "BlockGrid.h"
#include "MeshAudit.h"
#include "PartGenerator.h"

using audit::Point;
using qvr::gen::BlockGrid;
using qvr::gen::BlockKind;

namespace {

nqbio::PartElement cell(std::vector<int> nodes) {
    nqbio::PartElement c;
    c.nNode = static_cast<int>(nodes.size());
    for (std::size_t k = 0; k < nodes.size(); ++k) c.node[k] = nodes[k];
    return c;
}

nqbio::MeshData oneCell(const std::vector<Point>& corners) {
    nqbio::MeshData mesh;
    std::vector<int> nodes;
    for (const Point& p : corners) {
        for (double v : p) mesh.xyz.push_back(static_cast<float>(v));
        nodes.push_back(mesh.nodeCount());
    }
    mesh.parts.push_back(cell(nodes));
    return mesh;
}

double computedVolume(const std::vector<Point>& corners) {
    nqbio::MeshData mesh = oneCell(corners);
    qvr::gen::computeVolumes(mesh);
    return mesh.parts[0].volume;
}

Point combine(const std::vector<Point>& p, const std::vector<double>& weight) {
    Point x{};
    for (std::size_t a = 0; a < p.size(); ++a) {
        for (int d = 0; d < 3; ++d) x[d] += weight[a] * p[a][d];
    }
    return x;
}

// Corners as the floats the mesh stores.
std::vector<Point> stored(const std::vector<Point>& corners) {
    const nqbio::MeshData mesh = oneCell(corners);
    std::vector<Point> p;
    for (int k = 1; k <= mesh.nodeCount(); ++k) p.push_back(audit::point(mesh, k));
    return p;
}

constexpr double kGauss[2] = {0.5 - 0.5 / 1.7320508075688772, 0.5 + 0.5 / 1.7320508075688772};

// Volume of the trilinear map of the unit cube: the Jacobian determinant has degree at most
// two in each coordinate, so two Gauss points per direction integrate it exactly.
double trilinearVolume(const std::vector<Point>& p) {
    // Corner c sits at (iu, iv, iw) of the unit cube, in the hexahedron's node order.
    const int iu[8] = {0, 1, 1, 0, 0, 1, 1, 0}, iv[8] = {0, 0, 1, 1, 0, 0, 1, 1},
              iw[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    double volume = 0.0;
    for (double u : kGauss) {
        for (double v : kGauss) {
            for (double w : kGauss) {
                const double U[2] = {1 - u, u}, V[2] = {1 - v, v}, W[2] = {1 - w, w};
                std::vector<double> du(8), dv(8), dw(8);
                for (int c = 0; c < 8; ++c) {
                    du[c] = (iu[c] ? 1 : -1) * V[iv[c]] * W[iw[c]];
                    dv[c] = U[iu[c]] * (iv[c] ? 1 : -1) * W[iw[c]];
                    dw[c] = U[iu[c]] * V[iv[c]] * (iw[c] ? 1 : -1);
                }
                volume += 0.125 * audit::det(combine(p, du), combine(p, dv), combine(p, dw));
            }
        }
    }
    return volume;
}

// Prism: linear over the triangle (degree one there, centroid rule), degree two along its axis.
double prismVolume(const std::vector<Point>& p) {
    double volume = 0.0;
    const double r = 1.0 / 3.0, s = 1.0 / 3.0;
    for (double w : kGauss) {
        const std::vector<double> dr = {-(1 - w), (1 - w), 0, -w, w, 0};
        const std::vector<double> ds = {-(1 - w), 0, (1 - w), -w, 0, w};
        const std::vector<double> dw = {-(1 - r - s), -r, -s, 1 - r - s, r, s};
        volume += 0.5 * 0.5 * audit::det(combine(p, dr), combine(p, ds), combine(p, dw));
    }
    return volume;
}

// Pyramid: the cone from the apex over the bilinear base x(u, v); the integrand
// (apex - x) . (x_u x x_v) has degree two in u and in v.
double pyramidVolume(const std::vector<Point>& p) {
    double volume = 0.0;
    for (double u : kGauss) {
        for (double v : kGauss) {
            const std::vector<double> n = {(1 - u) * (1 - v), u * (1 - v), u * v, (1 - u) * v, 0};
            const std::vector<double> nu = {-(1 - v), 1 - v, v, -v, 0};
            const std::vector<double> nv = {-(1 - u), -u, u, 1 - u, 0};
            volume += 0.25 * audit::det(audit::sub(p[4], combine(p, n)), combine(p, nu),
                                        combine(p, nv)) /
                      3.0;
        }
    }
    return volume;
}

}  // namespace

TEST(CellVolume, FlatWarpedInvertedAndUnusableCells) {
    // Flat cells: the analytic volume, which the audit's cone volume must give too.
    const std::vector<std::pair<std::vector<Point>, double>> flat = {
        {{{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4}}, 4.0},
        {{{0, 0, 0}, {2, 0, 0}, {2, 3, 0}, {0, 3, 0}, {0.5, 0.7, 1.5}}, 3.0},
        {{{0, 0, 0}, {2, 0, 0}, {0, 1, 0}, {0, 0, 5}, {2, 0, 5}, {0, 1, 5}}, 5.0},
        {{{1, 1, 1}, {3, 1, 1}, {3, 2, 1}, {1, 2, 1}, {1, 1, 4}, {3, 1, 4}, {3, 2, 4}, {1, 2, 4}},
         6.0},
        // The unit cube and a tetrahedron turned inside out.
        {{{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
         -1.0},
        {{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}}, -1.0 / 6.0}};
    for (const auto& [corners, volume] : flat) {
        const nqbio::MeshData mesh = oneCell(corners);
        EXPECT_NEAR(computedVolume(corners), volume, 1e-6) << volume;
        EXPECT_NEAR(audit::coneVolume(mesh, mesh.parts[0]), volume, 1e-12) << volume;
    }

    // Warped cells, far from the origin: the linear element's volume.
    const std::vector<Point> hex = {
        {100.0, 200.0, 50.0}, {101.1, 200.1, 50.2}, {101.0, 201.3, 49.9}, {99.8, 200.9, 50.1},
        {100.2, 199.9, 51.0}, {101.0, 200.2, 51.3}, {101.2, 201.1, 50.8}, {99.9, 201.0, 51.1}};
    EXPECT_NEAR(computedVolume(hex), trilinearVolume(stored(hex)), 1e-5);
    const std::vector<Point> prism = {{0.0, 0.0, 0.0},  {1.0, 0.1, 0.2}, {0.1, 1.2, -0.1},
                                      {0.1, -0.1, 1.0}, {1.2, 0.0, 1.1}, {-0.1, 0.9, 1.3}};
    EXPECT_NEAR(computedVolume(prism), prismVolume(stored(prism)), 1e-6);
    const std::vector<Point> pyramid = {
        {0.0, 0.0, 0.1}, {1.0, 0.0, -0.2}, {1.1, 1.0, 0.3}, {0.0, 0.9, -0.1}, {0.4, 0.5, 1.2}};
    EXPECT_NEAR(computedVolume(pyramid), pyramidVolume(stored(pyramid)), 1e-6);

    // Cells that cannot be measured keep their volume.
    nqbio::MeshData mesh = oneCell({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    nqbio::PartElement bad = mesh.parts[0];
    bad.volume = 7.0f;
    std::vector<nqbio::PartElement> cells(4, bad);
    cells[0].node[2] = 0;  // no such node
    cells[1].node[3] = 5;  // beyond the node count
    cells[2].nNode = 3;    // not a solid kind
    cells[3].nNode = 9;    // beyond the format's range
    mesh.parts.insert(mesh.parts.end(), cells.begin(), cells.end());
    qvr::gen::computeVolumes(mesh);
    EXPECT_NEAR(mesh.parts[0].volume, 1.0 / 6.0, 1e-7);
    for (std::size_t c = 1; c < mesh.parts.size(); ++c) EXPECT_EQ(mesh.parts[c].volume, 7.0f) << c;
}

namespace {

std::vector<std::array<int, 4>> skinOf(const nqbio::MeshData& mesh) {
    std::vector<std::array<int, 4>> faces;
    for (const nqbio::SurfaceElement& s : mesh.surfaces)
        faces.push_back({s.node[0], s.node[1], s.node[2], s.node[3]});
    return faces;
}

nqbio::MeshData unitCube() {
    nqbio::MeshData mesh;
    mesh.xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
    mesh.parts.push_back(cell({1, 2, 3, 4, 5, 6, 7, 8}));
    return mesh;
}

}  // namespace

TEST(Skin, UnitCubeGivesTheSixOutwardFacesAndOnlyEqualCornersMatch) {
    // The worked example of the mesh format.
    nqbio::MeshData mesh = unitCube();
    mesh.surfaces.resize(3);  // stale faces are replaced
    qvr::gen::deriveSkin(mesh);
    const std::vector<std::array<int, 4>> expected = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5},
                                                      {2, 3, 7, 6}, {3, 4, 8, 7}, {4, 1, 5, 8}};
    EXPECT_EQ(skinOf(mesh), expected);
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        EXPECT_EQ(std::make_tuple(s.kind, s.code, s.aux1, s.aux2, s.aux3),
                  std::make_tuple(1, 0, 0, 0, 0));
    }

    // Two prisms on the cube's top split it into triangles 5-6-7 and 5-7-8, which the cube's
    // quadrilateral does not match: both sides stay skin; the prisms share their diagonal wall.
    mesh.xyz.insert(mesh.xyz.end(), {0, 0, 2, 1, 0, 2, 1, 1, 2, 0, 1, 2});  // 9..12
    mesh.parts.push_back(cell({5, 6, 7, 9, 10, 11}));
    mesh.parts.push_back(cell({5, 7, 8, 9, 11, 12}));
    qvr::gen::deriveSkin(mesh);
    EXPECT_EQ(mesh.surfaces.size(), 6u + 2u * 5u - 2u);

    // A pyramid on the cube's top quadrilateral matches it.
    nqbio::MeshData capped = unitCube();
    capped.xyz.insert(capped.xyz.end(), {0.5f, 0.5f, 1.7f});
    capped.parts.push_back(cell({5, 6, 7, 8, 9}));
    qvr::gen::deriveSkin(capped);
    EXPECT_EQ(capped.surfaces.size(), 5u + 4u);
    const audit::Report r = audit::inspect(capped);
    EXPECT_EQ(r.inwardSkinFaces + r.onceUsedNotSkin, 0);
    EXPECT_NEAR(r.divergenceVolume, 1.0 + 0.7 / 3.0, 1e-6);
}

TEST(Skin, CollapsedQuadrilateralMatchesATriangle) {
    // A prism on z in [0, 1] over the triangle 1 2 3, and below it a hexahedron collapsed into a
    // wedge (corners 3 and 4 of each face coincide) whose top face 1 2 3 3 is that triangle.
    nqbio::MeshData mesh;
    mesh.xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1, 0, 0, -1, 1, 0, -1, 0, 1, -1};
    mesh.parts.push_back(cell({1, 2, 3, 4, 5, 6}));
    mesh.parts.push_back(cell({7, 8, 9, 9, 1, 2, 3, 3}));
    qvr::gen::deriveSkin(mesh);
    // Prism: 5 faces less the shared one. Wedge: bottom triangle, three side faces, the face
    // collapsed to an edge drops out, the shared top too.
    EXPECT_EQ(mesh.surfaces.size(), 4u + 4u);
    Point sum{};
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        std::vector<Point> p;
        for (int k = 0; k < 4; ++k) p.push_back(audit::point(mesh, s.node[k]));
        const Point a = audit::cross(audit::sub(p[2], p[0]), audit::sub(p[3], p[1]));
        for (int d = 0; d < 3; ++d) sum[d] += a[d];
        // Three distinct corners; a triangle repeats only its last.
        EXPECT_TRUE(s.node[0] != s.node[1] && s.node[1] != s.node[2] && s.node[0] != s.node[2]);
        EXPECT_TRUE(s.node[3] == s.node[2] || (s.node[3] != s.node[0] && s.node[3] != s.node[1]));
    }
    for (int d = 0; d < 3; ++d) EXPECT_NEAR(sum[d], 0.0, 1e-6);
}

TEST(Skin, FaceOfThreeCellsAndUnusableCellsAreNotSkin) {
    nqbio::MeshData mesh;
    mesh.xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1, 1, 1, 1};
    mesh.parts = {cell({1, 2, 3, 4}), cell({1, 3, 2, 5}), cell({1, 3, 2, 6})};  // 3 on 1 2 3
    qvr::gen::deriveSkin(mesh);
    EXPECT_EQ(mesh.surfaces.size(), 3u * 3u);
    nqbio::PartElement overlong = cell({1, 2, 3, 4});
    overlong.nNode = 12;
    for (const auto& bad : {cell({1, 2, 3, 0}), cell({1, 2, 3, 99}), cell({1, 2, 3}),
                            cell({-4, 1, 2, 3, 5}), overlong}) {
        mesh.parts.push_back(bad);
    }
    qvr::gen::deriveSkin(mesh);
    EXPECT_EQ(mesh.surfaces.size(), 3u * 3u);
}

TEST(BlockGrid, AnyPatternOfKindsComesOutConforming) {
    // Random kinds put every pair of kinds side by side across every face direction.
    constexpr BlockKind kKinds[] = {BlockKind::Empty, BlockKind::Hex, BlockKind::Prism,
                                    BlockKind::Tet, BlockKind::Pyramid};
    constexpr int n = 4;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> pick(0, 4);
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        BlockGrid grid(n, n, n, false);  // unit cubes as blocks
        for (int k = 0; k <= n; ++k)
            for (int j = 0; j <= n; ++j)
                for (int i = 0; i <= n; ++i) grid.setPoint(i, j, k, {double(i), double(j), double(k)});
        for (int k = 0; k < n; ++k)
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) grid.setKind(i, j, k, kKinds[pick(random)]);
        grid.makeConforming();
        // The volume is the number of solid blocks, the skin area the number of block faces
        // towards an empty block or the outside.
        int solid = 0, exposed = 0;
        for (int k = 0; k < n; ++k) {
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    if (grid.kind(i, j, k) == BlockKind::Empty) continue;
                    ++solid;
                    for (int s = -1; s <= 1; s += 2) {
                        exposed += (grid.kind(i + s, j, k) == BlockKind::Empty) +
                                   (grid.kind(i, j + s, k) == BlockKind::Empty) +
                                   (grid.kind(i, j, k + s) == BlockKind::Empty);
                    }
                }
            }
        }
        if (solid > 0) expectSoundMesh(grid.build("mm"), solid, exposed);
    }
}

TEST(BlockGrid, ConformingPassChangesOnlyClashingBlocks) {
    BlockGrid grid(3, 3, 3, false);
    // Row along i: hex | tet | prism. Tet clashes with both neighbours and becomes pyramids;
    // the prism's quadrilateral side then meets a pyramid block, which adapts. Column along k:
    // prism over tet match (same diagonal); prism over hex does not.
    const struct {
        int i, j, k;
        BlockKind set, after;
    } blocks[] = {{0, 0, 0, BlockKind::Hex, BlockKind::Hex},
                  {1, 0, 0, BlockKind::Tet, BlockKind::Pyramid},
                  {2, 0, 0, BlockKind::Prism, BlockKind::Prism},
                  {0, 2, 0, BlockKind::Tet, BlockKind::Tet},
                  {0, 2, 1, BlockKind::Prism, BlockKind::Prism},
                  {2, 2, 0, BlockKind::Hex, BlockKind::Hex},
                  {2, 2, 1, BlockKind::Prism, BlockKind::Pyramid}};
    for (const auto& b : blocks) grid.setKind(b.i, b.j, b.k, b.set);
    grid.makeConforming();
    for (const auto& b : blocks) EXPECT_EQ(grid.kind(b.i, b.j, b.k), b.after) << b.i << b.j << b.k;
    EXPECT_EQ(grid.kind(-1, 0, 0), BlockKind::Empty);
    EXPECT_EQ(grid.kind(0, 0, 3), BlockKind::Empty);
}
