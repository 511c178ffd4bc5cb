// The generator's building blocks: cell volumes against quadrature, the skin on hand-made
// meshes, and block grids of every mix of kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <vector>

#include "BlockGrid.h"
#include "MeshAudit.h"
#include "PartGenerator.h"

using audit::Point;
using qvr::gen::BlockGrid;
using qvr::gen::BlockKind;

namespace {

// nNode is the list's length, also past the eight slots a record holds (an overlong cell).
nqbio::PartElement cell(std::vector<int> nodes) {
    nqbio::PartElement c;
    c.nNode = static_cast<int>(nodes.size());
    std::copy_n(nodes.begin(), std::min(nodes.size(), std::size(c.node)), c.node);
    return c;
}

nqbio::MeshData oneCell(const std::vector<Point>& corners) {
    nqbio::MeshData mesh;
    std::vector<int> nodes;
    for (const Point& p : corners) {
        mesh.xyz.insert(mesh.xyz.end(), {float(p[0]), float(p[1]), float(p[2])});
        nodes.push_back(mesh.nodeCount());
    }
    mesh.parts.push_back(cell(nodes));
    qvr::gen::computeVolumes(mesh);
    return mesh;
}

// Unit cubes as blocks.
BlockGrid lattice(int nx, int ny, int nz) {
    BlockGrid grid(nx, ny, nz, false);
    for (int k = 0; k <= nz; ++k)
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i) grid.setPoint(i, j, k, {double(i), double(j), double(k)});
    return grid;
}

// Volume of the trilinear map of the unit cube through eight corners (in the hexahedron's
// node order, as the floats the mesh stores): the Jacobian determinant has degree two at most
// in each coordinate, so two Gauss points per direction integrate it exactly. A prism is the
// map with corners 2 and 3 (6 and 7) joined, a pyramid the one with the whole top at the apex.
double trilinearVolume(const nqbio::MeshData& mesh, const std::vector<int>& nodes) {
    constexpr double kGauss[2] = {0.5 - 0.5 / 1.7320508075688772, 0.5 + 0.5 / 1.7320508075688772};
    const int iu[8] = {0, 1, 1, 0, 0, 1, 1, 0}, iv[8] = {0, 0, 1, 1, 0, 0, 1, 1},
              iw[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    double volume = 0.0;
    for (double u : kGauss)
        for (double v : kGauss)
            for (double w : kGauss) {
                const double U[2] = {1 - u, u}, V[2] = {1 - v, v}, W[2] = {1 - w, w};
                Point d[3] = {};
                for (int c = 0; c < 8; ++c) {
                    const Point p = audit::point(mesh, nodes[static_cast<std::size_t>(c)]);
                    const double weight[3] = {(iu[c] ? 1 : -1) * V[iv[c]] * W[iw[c]],
                                              U[iu[c]] * (iv[c] ? 1 : -1) * W[iw[c]],
                                              U[iu[c]] * V[iv[c]] * (iw[c] ? 1 : -1)};
                    for (int a = 0; a < 3; ++a)
                        for (int k = 0; k < 3; ++k) d[a][k] += weight[a] * p[k];
                }
                volume += 0.125 * audit::det(d[0], d[1], d[2]);
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
        EXPECT_NEAR(mesh.parts[0].volume, volume, 1e-6) << volume;
        EXPECT_NEAR(audit::coneVolume(mesh, mesh.parts[0]), volume, 1e-12) << volume;
    }
    // Warped cells, the hexahedron far from the origin: the linear element's volume.
    const std::vector<std::pair<std::vector<Point>, std::vector<int>>> warped = {
        {{{100.0, 200.0, 50.0},
          {101.1, 200.1, 50.2},
          {101.0, 201.3, 49.9},
          {99.8, 200.9, 50.1},
          {100.2, 199.9, 51.0},
          {101.0, 200.2, 51.3},
          {101.2, 201.1, 50.8},
          {99.9, 201.0, 51.1}},
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {{{0.0, 0.0, 0.0},
          {1.0, 0.1, 0.2},
          {0.1, 1.2, -0.1},
          {0.1, -0.1, 1.0},
          {1.2, 0.0, 1.1},
          {-0.1, 0.9, 1.3}},
         {1, 2, 3, 3, 4, 5, 6, 6}},
        {{{0.0, 0.0, 0.1}, {1.0, 0.0, -0.2}, {1.1, 1.0, 0.3}, {0.0, 0.9, -0.1}, {0.4, 0.5, 1.2}},
         {1, 2, 3, 4, 5, 5, 5, 5}}};
    for (const auto& [corners, asHex] : warped) {
        const nqbio::MeshData mesh = oneCell(corners);
        EXPECT_NEAR(mesh.parts[0].volume, trilinearVolume(mesh, asHex), 1e-5) << corners.size();
    }
    // Cells that cannot be measured keep their volume: a node 0, a node beyond the count, a
    // triangle and a kind beyond the format's range.
    nqbio::MeshData mesh = oneCell({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    for (const auto& bad :
         {cell({1, 2, 0, 4}), cell({1, 2, 3, 5}), cell({1, 2, 3}), cell({1, 2, 3, 4})}) {
        mesh.parts.push_back(bad);
        mesh.parts.back().volume = 7.0f;
    }
    mesh.parts.back().nNode = 9;
    qvr::gen::computeVolumes(mesh);
    for (std::size_t c = 1; c < mesh.parts.size(); ++c) EXPECT_EQ(mesh.parts[c].volume, 7.0f) << c;
}

TEST(Skin, OutwardFacesUsedOnceAndOnlyEqualCornersMatch) {
    // The unit cube, the worked example of the mesh format; stale faces are replaced.
    nqbio::MeshData mesh;
    mesh.xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
    mesh.parts.push_back(cell({1, 2, 3, 4, 5, 6, 7, 8}));
    mesh.surfaces.resize(3);
    qvr::gen::deriveSkin(mesh);
    std::vector<std::array<int, 4>> faces;
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        faces.push_back({s.node[0], s.node[1], s.node[2], s.node[3]});
        EXPECT_TRUE(s.kind == 1 && s.code == 0 && s.aux1 == 0 && s.aux2 == 0 && s.aux3 == 0);
    }
    EXPECT_EQ(
        faces,
        (std::vector<std::array<int, 4>>{
            {1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 4, 8, 7}, {4, 1, 5, 8}}));

    // A pyramid (apex 0.7 up) on the cube's top quadrilateral matches it: 5 + 4 faces.
    nqbio::MeshData capped = mesh;
    capped.xyz.insert(capped.xyz.end(), {0.5f, 0.5f, 1.7f});
    capped.parts.push_back(cell({5, 6, 7, 8, 9}));
    qvr::gen::deriveSkin(capped);
    EXPECT_EQ(capped.surfaces.size(), 9u);
    const audit::Report r = audit::inspect(capped);
    EXPECT_EQ(r.unpairedEdges + r.onceUsedNotSkin, 0);
    EXPECT_NEAR(r.divergenceVolume, 1.0 + 0.7 / 3.0, 1e-6);

    // Two prisms on the top split it into triangles 5-6-7 and 5-7-8, which the quadrilateral
    // does not match: both sides stay skin; the prisms share their diagonal wall.
    mesh.xyz.insert(mesh.xyz.end(), {0, 0, 2, 1, 0, 2, 1, 1, 2, 0, 1, 2});  // 9..12
    mesh.parts.push_back(cell({5, 6, 7, 9, 10, 11}));
    mesh.parts.push_back(cell({5, 7, 8, 9, 11, 12}));
    qvr::gen::deriveSkin(mesh);
    EXPECT_EQ(mesh.surfaces.size(), 6u + 2u * 5u - 2u);
}

TEST(Skin, CollapsedFacesOverSharedFacesAndUnusableCells) {
    // A prism on z in [0, 1] over the triangle 1 2 3, and below it a hexahedron collapsed into a
    // wedge (corners 3 and 4 of each face coincide) whose top face 1 2 3 3 is that triangle.
    // Prism: 5 faces less the shared one; wedge: the bottom triangle and three sides (the face
    // collapsed to an edge drops out, the shared top too). A closed skin of one shell.
    nqbio::MeshData mesh;
    mesh.xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1, 0, 0, -1, 1, 0, -1, 0, 1, -1};
    mesh.parts = {cell({1, 2, 3, 4, 5, 6}), cell({7, 8, 9, 9, 1, 2, 3, 3})};
    qvr::gen::deriveSkin(mesh);
    EXPECT_EQ(mesh.surfaces.size(), 8u);
    const audit::Report r = audit::inspect(mesh);
    EXPECT_EQ(std::make_pair(r.unpairedEdges, r.euler), std::make_pair(0, 2));
    EXPECT_NEAR(r.divergenceVolume, 1.0, 1e-6);  // two half-unit prisms

    // Three tetrahedra on the face 1 2 3: it is skin of none; unusable cells add nothing.
    mesh.xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1, 1, 1, 1};
    mesh.parts = {cell({1, 2, 3, 4}), cell({1, 3, 2, 5}), cell({1, 3, 2, 6})};
    qvr::gen::deriveSkin(mesh);
    EXPECT_EQ(mesh.surfaces.size(), 3u * 3u);
    for (const auto& bad : {cell({1, 2, 3, 0}), cell({1, 2, 3, 99}), cell({1, 2, 3}),
                            cell({-4, 1, 2, 3, 5}), cell({1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4})})
        mesh.parts.push_back(bad);
    qvr::gen::deriveSkin(mesh);
    EXPECT_EQ(mesh.surfaces.size(), 3u * 3u);
}

TEST(BlockGrid, AnyPatternOfKindsComesOutConforming) {
    // Random kinds put every pair of kinds side by side across every face direction.
    constexpr int n = 4;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> pick(0, 4);  // Empty, Hex, Prism, Tet, Pyramid
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        BlockGrid grid = lattice(n, n, n);
        for (int k = 0; k < n; ++k)
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i)
                    grid.setKind(i, j, k, static_cast<BlockKind>(pick(random)));
        grid.makeConforming();
        // The volume is the number of solid blocks, the skin area the number of block faces
        // towards an empty block or the outside.
        int solid = 0, exposed = 0;
        for (int k = 0; k < n; ++k)
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    if (grid.kind(i, j, k) == BlockKind::Empty) continue;
                    ++solid;
                    for (int s = -1; s <= 1; s += 2)
                        exposed += (grid.kind(i + s, j, k) == BlockKind::Empty) +
                                   (grid.kind(i, j + s, k) == BlockKind::Empty) +
                                   (grid.kind(i, j, k + s) == BlockKind::Empty);
                }
        if (solid == 0) continue;
        const nqbio::MeshData mesh = grid.build("mm");
        // Blocks touching only along edges make the skin's Euler number any value; the rest
        // of the audit holds.
        expectSoundMesh(mesh, solid, exposed, audit::inspect(mesh).euler);
    }
}

TEST(BlockGrid, ConformingPassChangesOnlyClashingBlocksAndBlocksSplitAsDocumented) {
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
    EXPECT_EQ(std::make_pair(grid.kind(-1, 0, 0), grid.kind(0, 0, 3)),
              std::make_pair(BlockKind::Empty, BlockKind::Empty));

    // One block of each kind, and a pyramid block beside a tetrahedron block: the cells, nodes
    // (a pyramid block adds its centre) and skin faces (tri, quad) counted by hand.
    const struct {
        BlockKind first, second;  // second: the block at i = 1, Empty for a single block
        int cells, nodes, triangles, quads;
    } splits[] = {{BlockKind::Hex, BlockKind::Empty, 1, 8, 0, 6},
                  {BlockKind::Prism, BlockKind::Empty, 2, 8, 4, 4},
                  {BlockKind::Tet, BlockKind::Empty, 6, 8, 12, 0},
                  {BlockKind::Pyramid, BlockKind::Empty, 6, 9, 0, 6},
                  // 6 + 1 cells for the split face, and 6 tetrahedra; 12 lattice nodes + centre.
                  {BlockKind::Pyramid, BlockKind::Tet, 13, 13, 10, 5}};
    for (const auto& s : splits) {
        SCOPED_TRACE(static_cast<int>(s.first) * 10 + static_cast<int>(s.second));
        BlockGrid pair = lattice(2, 1, 1);
        pair.setKind(0, 0, 0, s.first);
        pair.setKind(1, 0, 0, s.second);
        const nqbio::MeshData mesh = pair.build("mm");
        const int triangles = static_cast<int>(
            std::count_if(mesh.surfaces.begin(), mesh.surfaces.end(),
                          [](const nqbio::SurfaceElement& f) { return f.node[3] == f.node[2]; }));
        EXPECT_EQ(std::make_tuple(static_cast<int>(mesh.parts.size()), mesh.nodeCount(), triangles,
                                  static_cast<int>(mesh.surfaces.size()) - triangles),
                  std::make_tuple(s.cells, s.nodes, s.triangles, s.quads));
        const double solid = s.second == BlockKind::Empty ? 1.0 : 2.0;
        expectSoundMesh(mesh, solid, 4.0 * solid + 2.0, 2);
    }
}
