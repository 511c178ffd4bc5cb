#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "MeshAudit.h"
#include "PartGenerator.h"

namespace {

nqbio::PartElement cell(std::vector<int> nodes) {
    nqbio::PartElement c;
    c.nNode = static_cast<int>(nodes.size());
    for (std::size_t k = 0; k < nodes.size(); ++k) c.node[k] = nodes[k];
    return c;
}

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

TEST(Skin, UnitCubeGivesTheSixOutwardFaces) {
    // The worked example of the mesh format.
    nqbio::MeshData mesh = unitCube();
    mesh.surfaces.resize(3);  // stale faces are replaced
    qvr::gen::deriveSkin(mesh);
    const std::vector<std::array<int, 4>> expected = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5},
                                                      {2, 3, 7, 6}, {3, 4, 8, 7}, {4, 1, 5, 8}};
    EXPECT_EQ(skinOf(mesh), expected);
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        EXPECT_EQ(s.kind, 1);
        EXPECT_EQ(s.code, 0);
        EXPECT_EQ(s.aux1 + s.aux2 + s.aux3, 0);
    }
}

TEST(Skin, OnlyFacesWithTheSameCornersMatch) {
    // Two prisms on the cube's top split it into triangles 5-6-7 and 5-7-8, which the cube's
    // quadrilateral does not match: both sides stay skin; the prisms share their diagonal wall.
    nqbio::MeshData mesh = unitCube();
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
    EXPECT_EQ(r.inwardSkinFaces, 0);
    EXPECT_EQ(r.onceUsedNotSkin, 0);
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
    audit::Point sum{};
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        std::vector<audit::Point> p;
        for (int k = 0; k < 4; ++k) p.push_back(audit::point(mesh, s.node[k]));
        const audit::Point a = audit::cross(audit::sub(p[2], p[0]), audit::sub(p[3], p[1]));
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
    mesh.parts.push_back(cell({1, 2, 3, 4}));
    mesh.parts.push_back(cell({1, 3, 2, 5}));
    mesh.parts.push_back(cell({1, 3, 2, 6}));  // a third cell on triangle 1 2 3
    qvr::gen::deriveSkin(mesh);
    EXPECT_EQ(mesh.surfaces.size(), 3u * 3u);

    const std::size_t before = mesh.surfaces.size();
    for (const auto& bad :
         {cell({1, 2, 3, 0}), cell({1, 2, 3, 99}), cell({1, 2, 3}), cell({-4, 1, 2, 3, 5})}) {
        mesh.parts.push_back(bad);
    }
    nqbio::PartElement overlong = cell({1, 2, 3, 4});
    overlong.nNode = 12;
    mesh.parts.push_back(overlong);
    qvr::gen::deriveSkin(mesh);
    EXPECT_EQ(mesh.surfaces.size(), before);

    nqbio::MeshData empty;
    qvr::gen::deriveSkin(empty);
    EXPECT_TRUE(empty.surfaces.empty());
}
