// The Gmsh importer on files that Gmsh wrote (tests/data/gmsh/*.geo are their sources) and on
// small hand-written files with sparse node tags.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "MeshChecks.h"
#include "gmsh_import.h"

using qvr::cli::GmshImportReport;
using qvr::cli::importGmshFile;

namespace {

std::string fixture(const std::string& name) { return std::string(QVR_TEST_DATA_DIR) + "/gmsh/" + name; }

nqbio::MeshData importOrFail(const std::string& name, GmshImportReport& report) {
    nqbio::MeshData mesh;
    std::string error;
    EXPECT_TRUE(importGmshFile(fixture(name), "mm", mesh, report, error)) << error;
    return mesh;
}

struct Expected {
    const char* file;
    double volume;           // of the geometry, mm^3
    bool tets, pyramids, prisms, hexes;  // which kinds occur
};

class GmshFixture : public ::testing::TestWithParam<Expected> {};

// Every file: only the kinds its geometry asks for, positive cells that fill the geometry's
// volume, and a closed skin whose faces point out (the enclosed volume is positive and equal).
TEST_P(GmshFixture, CellsFillTheGeometryAndTheSkinIsClosedAndOutward) {
    const Expected& e = GetParam();
    GmshImportReport r;
    const nqbio::MeshData mesh = importOrFail(e.file, r);
    EXPECT_EQ(r.tets > 0, e.tets);
    EXPECT_EQ(r.pyramids > 0, e.pyramids);
    EXPECT_EQ(r.prisms > 0, e.prisms);
    EXPECT_EQ(r.hexes > 0, e.hexes);
    EXPECT_EQ(static_cast<long long>(mesh.parts.size()), r.tets + r.pyramids + r.prisms + r.hexes);
    EXPECT_EQ(r.reorientedCells, 0) << "Gmsh's linear node orders are the mesh format's";
    EXPECT_GT(r.ignoredElements, 0) << "Gmsh also writes the boundary triangles and lines";
    for (const nqbio::PartElement& cell : mesh.parts) EXPECT_GT(cell.volume, 0.0f);
    EXPECT_NEAR(cellVolumeSum(mesh), e.volume, 1e-5 * e.volume);

    const SkinGeometry g = skinGeometry(mesh);
    for (double c : g.areaSum) EXPECT_NEAR(c, 0.0, 1e-9 * g.area);
    EXPECT_NEAR(g.enclosedVolume, e.volume, 1e-5 * e.volume);
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        EXPECT_EQ(s.kind, 1);
        for (int n : s.node) {
            EXPECT_GE(n, 1);
            EXPECT_LE(n, mesh.nodeCount());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    GmshWritten, GmshFixture,
    ::testing::Values(Expected{"box_tet_41.msh", 180.0, true, false, false, false},
                      Expected{"box_tet_22.msh", 180.0, true, false, false, false},
                      Expected{"box_tet_41_bin.msh", 180.0, true, false, false, false},
                      Expected{"box_tet_22_bin.msh", 180.0, true, false, false, false},
                      Expected{"box_hex_41_bin.msh", 64.0, false, false, false, true},
                      Expected{"box_hex_22.msh", 64.0, false, false, false, true},
                      Expected{"wedge_prism_41.msh", 36.0, false, false, true, false},
                      Expected{"wedge_prism_22_bin.msh", 36.0, false, false, true, false},
                      Expected{"hybrid_41_bin.msh", 128.0, true, true, false, true},
                      Expected{"hybrid_22.msh", 128.0, true, true, false, true}),
    [](const ::testing::TestParamInfo<Expected>& param) {
        std::string name = param.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(GmshImport, StructuredMeshesHaveTheirCountedNodesCellsAndFaces) {
    GmshImportReport r;
    // 4 x 2 x 2 hexahedra: 5 x 3 x 3 nodes; skin 2 (4x2 + 4x2 + 2x2) quadrangles.
    const nqbio::MeshData hex = importOrFail("box_hex_22.msh", r);
    EXPECT_EQ(hex.nodeCount(), 45);
    EXPECT_EQ(r.hexes, 16);
    EXPECT_EQ(hex.surfaces.size(), 40u);
    // 2 x 2 x 2 hexahedra in the left cube, the shared 2 x 2 quadrangles each under a pyramid.
    const nqbio::MeshData hybrid = importOrFail("hybrid_22.msh", r);
    EXPECT_EQ(r.hexes, 8);
    EXPECT_EQ(r.pyramids, 4);
    // Three layers of prisms on the same triangles: cells and nodes come in threes and fours.
    const nqbio::MeshData prism = importOrFail("wedge_prism_41.msh", r);
    EXPECT_EQ(r.prisms % 3, 0);
    EXPECT_EQ(prism.nodeCount() % 4, 0);
    // Skin: the two end triangulations (one triangle per prism column) and 3 x 3 quadrangle rows.
    long long triangles = 0;
    for (const nqbio::SurfaceElement& s : prism.surfaces) triangles += s.node[3] == s.node[2] ? 1 : 0;
    EXPECT_EQ(triangles, 2 * r.prisms / 3);
}

TEST(GmshImport, AllFourEncodingsOfOneMeshGiveTheSameContent) {
    GmshImportReport r;
    const nqbio::MeshData reference = importOrFail("box_tet_41.msh", r);
    for (const char* other : {"box_tet_22.msh", "box_tet_41_bin.msh", "box_tet_22_bin.msh"}) {
        const nqbio::MeshData mesh = importOrFail(other, r);
        EXPECT_EQ(mesh.xyz, reference.xyz) << other;
        ASSERT_EQ(mesh.parts.size(), reference.parts.size()) << other;
        for (std::size_t i = 0; i < mesh.parts.size(); ++i)
            for (int k = 0; k < 8; ++k) EXPECT_EQ(mesh.parts[i].node[k], reference.parts[i].node[k]);
        EXPECT_EQ(mesh.surfaces.size(), reference.surfaces.size()) << other;
    }
}

// Hand-written: a unit cube hexahedron with a pyramid (apex 0.5 above the top face) on it,
// node tags 10..90 out of order, an unused node with tag 1000000, a point, a line and a
// triangle. The 4.1 file lists the pyramid inside out.
TEST(GmshImport, SparseTagsAreRenumberedInFileOrderAndUnusedNodesDropped) {
    for (const char* file : {"sparse_tags_22.msh", "sparse_tags_41.msh"}) {
        SCOPED_TRACE(file);
        GmshImportReport r;
        const nqbio::MeshData mesh = importOrFail(file, r);
        EXPECT_EQ(r.nodesInFile, 10);
        EXPECT_EQ(r.nodesKept, 9);
        ASSERT_EQ(mesh.nodeCount(), 9);
        // File order of the used nodes: tags 70 10 40 20 90 30 50 80 60.
        const float expected[9][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1},
                                      {1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {0.5f, 0.5f, 1.5f}};
        for (int i = 0; i < 9; ++i)
            for (int c = 0; c < 3; ++c) EXPECT_EQ(mesh.xyz[3 * i + c], expected[i][c]);
        ASSERT_EQ(mesh.parts.size(), 2u);
        const int hex[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        for (int k = 0; k < 8; ++k) EXPECT_EQ(mesh.parts[0].node[k], hex[k]);
        EXPECT_EQ(mesh.parts[1].nNode, 5);
        EXPECT_EQ(mesh.parts[1].node[4], 9);
        EXPECT_FLOAT_EQ(mesh.parts[1].volume, 1.0f / 6.0f);
        EXPECT_NEAR(cellVolumeSum(mesh), 7.0 / 6.0, 1e-6);
        EXPECT_EQ(mesh.surfaces.size(), 9u);  // 5 cube faces, 4 pyramid sides
        EXPECT_NEAR(skinGeometry(mesh).enclosedVolume, 7.0 / 6.0, 1e-6);
    }
    GmshImportReport r22, r41;
    importOrFail("sparse_tags_22.msh", r22);
    importOrFail("sparse_tags_41.msh", r41);
    EXPECT_EQ(r22.reorientedCells, 0);
    EXPECT_EQ(r41.reorientedCells, 1);
}

TEST(GmshImport, TheUnitIsWrittenAsGiven) {
    nqbio::MeshData mesh;
    GmshImportReport r;
    std::string error;
    ASSERT_TRUE(importGmshFile(fixture("box_hex_22.msh"), "cm", mesh, r, error)) << error;
    EXPECT_EQ(mesh.unit, "cm");
}

}  // namespace
