// The Gmsh importer: files that Gmsh wrote (tests/data/gmsh/*.geo are their sources), small
// hand-written files with sparse node tags, and damaged files, which are refused with a reason
// that says where and why, never read past their end.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

#include "MeshAudit.h"
#include "QvrTestSupport.h"
#include "gmsh_import.h"

using qvr::cli::GmshImportReport;

namespace {

std::string fixture(const std::string& name) {
    return std::string(QVR_TEST_DATA_DIR) + "/gmsh/" + name;
}

nqbio::MeshData importOrFail(const std::string& name, GmshImportReport& report,
                             const std::string& unit = "mm") {
    nqbio::MeshData mesh;
    std::string error;
    EXPECT_TRUE(qvr::cli::importGmshFile(fixture(name), unit, mesh, report, error)) << error;
    return mesh;
}

// The error text of importing `data`, "" on success.
std::string importError(const std::string& data) {
    nqbio::MeshData mesh;
    GmshImportReport r;
    std::string error;
    return qvr::cli::importGmshData(data, "mm", mesh, r, error) ? std::string() : error;
}

struct Geometry {
    const char* file;
    double volume, area;  // of the geometry, mm^3 and mm^2
    const char* kinds;    // t p w h: tetrahedra, pyramids, prisms (wedges), hexahedra
};

// The file names the case in test listings (the default would print the struct's raw bytes,
// pointers included, which change from build to build).
void PrintTo(const Geometry& g, std::ostream* os) { *os << g.file; }

class GmshFixture : public ::testing::TestWithParam<Geometry> {};

// Every file: only the kinds its geometry asks for, positively oriented cells that fill the
// geometry (boxes 10 x 6 x 3 and 8 x 4 x 2, a prism over the right triangle with legs 6 and 4
// extruded 3, two 4 mm cubes side by side), and the closed outward skin of one shell.
TEST_P(GmshFixture, CellsFillTheGeometryUnderAClosedOutwardSkin) {
    const Geometry& g = GetParam();
    GmshImportReport r;
    const nqbio::MeshData mesh = importOrFail(g.file, r);
    std::string kinds;
    for (const auto& [nodes, count, letter] : {std::tuple{4, r.tets, 't'},
                                               {5, r.pyramids, 'p'},
                                               {6, r.prisms, 'w'},
                                               {8, r.hexes, 'h'}}) {
        EXPECT_EQ(cellsWithNodes(mesh, nodes), count) << letter;
        kinds += count > 0 ? std::string(1, letter) : "";
    }
    EXPECT_EQ(kinds, g.kinds);
    EXPECT_EQ(r.reorientedCells, 0) << "Gmsh's linear node orders are the mesh format's";
    EXPECT_GT(r.ignoredElements, 0) << "Gmsh also writes the boundary triangles and lines";
    EXPECT_EQ(r.skinFaces, static_cast<long long>(mesh.surfaces.size()));
    expectSoundMesh(mesh, g.volume, g.area, 2);
}

INSTANTIATE_TEST_SUITE_P(
    GmshWritten, GmshFixture,
    ::testing::Values(
        Geometry{"box_tet_41.msh", 180, 216, "t"}, Geometry{"box_tet_22.msh", 180, 216, "t"},
        Geometry{"box_tet_41_bin.msh", 180, 216, "t"},
        Geometry{"box_tet_22_bin.msh", 180, 216, "t"}, Geometry{"box_hex_41_bin.msh", 64, 112, "h"},
        Geometry{"box_hex_22.msh", 64, 112, "h"},
        Geometry{"wedge_prism_41.msh", 36, 24 + 3 * (10 + std::sqrt(52.0)), "w"},
        Geometry{"wedge_prism_22_bin.msh", 36, 24 + 3 * (10 + std::sqrt(52.0)), "w"},
        Geometry{"hybrid_41_bin.msh", 128, 160, "tph"}, Geometry{"hybrid_22.msh", 128, 160, "tph"}),
    [](const ::testing::TestParamInfo<Geometry>& param) {
        const std::string name = param.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(GmshImport, SparseTagsUnusedNodesAndAnInvertedCell) {
    GmshImportReport r;
    // Hand-written: a unit cube hexahedron with a pyramid (apex 0.5 above the top face) on it,
    // node tags 10..90 out of order, an unused node with tag 1000000, a point, a triangle and
    // in 2.2 a line. The 4.1 file lists the pyramid inside out.
    for (const bool v41 : {false, true}) {
        const char* file = v41 ? "sparse_tags_41.msh" : "sparse_tags_22.msh";
        SCOPED_TRACE(file);
        const nqbio::MeshData mesh = importOrFail(file, r, "cm");
        EXPECT_EQ(mesh.unit, "cm");
        EXPECT_EQ(std::make_tuple(r.nodesInFile, r.nodesKept, r.ignoredElements, r.reorientedCells),
                  std::make_tuple(10LL, 9LL, v41 ? 2LL : 3LL, v41 ? 1LL : 0LL));
        // File order of the used nodes: tags 70 10 40 20 90 30 50 80 60.
        EXPECT_EQ(mesh.xyz, (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1,    0,    0,   0,
                                                1, 1, 0, 1, 1, 1, 1, 0, 1, 1, 0.5f, 0.5f, 1.5f}));
        ASSERT_EQ(mesh.parts.size(), 2u);
        EXPECT_EQ(std::vector<int>(mesh.parts[0].node, mesh.parts[0].node + 8),
                  (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(std::make_pair(mesh.parts[1].nNode, mesh.parts[1].node[4]), std::make_pair(5, 9));
        expectSoundMesh(mesh, 7.0 / 6.0, 5.0 + 4.0 * 0.5 * std::sqrt(0.5), 2);
    }
}

const char* const kTwoTets22 =
    "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n"
    "$Nodes\n5\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 0 0 1\n5 1 1 1\n$EndNodes\n"
    "$Elements\n2\n1 4 0 1 2 3 4\n2 4 0 2 3 4 5\n$EndElements\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(GmshDamage, EachFaultIsRefusedWithItsReason) {
    ASSERT_EQ(importError(kTwoTets22), "");
    const std::string boundaryOnly = replaced(replaced(kTwoTets22, "1 4 0 1 2 3 4", "1 2 0 1 2 3"),
                                              "2 4 0 2 3 4 5", "2 2 0 2 3 4");
    const std::pair<std::string, const char*> cases[] = {
        {"", "end of file"},
        {"NQBTEXT 1\nUNIT mm\n", "not a Gmsh mesh file"},
        {replaced(kTwoTets22, "2.2 0 8", "3.0 0 8"), "MSH version 3.0 is not supported"},
        {replaced(kTwoTets22, "2.2 0 8", "4.0 0 8"), "MSH version 4.0 is not supported"},
        {replaced(kTwoTets22, "2 4 0 2 3 4 5", "2 17 0 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5"),
         "element type 17 (20-node hexahedron) is not supported"},
        {readText(fixture("box_tet10_41.msh")),
         "element type 11 (10-node tetrahedron) is not supported"},
        {replaced(kTwoTets22, "2 4 0 2 3 4 5", "2 4 0 2 3 4 99"), "node tag 99"},
        {replaced(kTwoTets22, "5 1 1 1", "4 1 1 1"), "node tag 4 appears twice"},
        {replaced(kTwoTets22, "1 0 0 0\n", "0 0 0 0\n"), "not positive"},
        {boundaryOnly, "no tetrahedra"},
        {replaced(kTwoTets22, "$EndNodes", "$EndNode"), "expected $EndNodes"},
        {replaced(kTwoTets22, "$Elements\n2\n", "$Elements\n3\n"), ""},
        {replaced(kTwoTets22, "2 1 0 0", "2 1 zero 0"), "line 7"},  // node 2's line
        {replaced(kTwoTets22, "$Nodes\n5\n", "$Nodes\n1000000000000\n"),
         "more than the file holds"},
    };
    for (const auto& [data, reason] : cases) {
        const std::string error = importError(data);
        EXPECT_NE(error, "") << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    // Binary 4.1: a node count (the size_t after "$Nodes\n" and the block count) of 2^62, and a
    // byte-order mark of a big-endian writer.
    std::string bin = readText(fixture("hybrid_41_bin.msh"));
    const unsigned long long huge = 1ull << 62;
    bin.replace(bin.find("$Nodes\n") + 7 + 8, 8, reinterpret_cast<const char*>(&huge), 8);
    EXPECT_NE(importError(bin).find("damaged"), std::string::npos);
    bin = readText(fixture("box_hex_41_bin.msh"));
    bin.replace(bin.find("4.1 1 8\n") + 8, 4, std::string("\0\0\0\1", 4));
    EXPECT_NE(importError(bin).find("big-endian"), std::string::npos);
}

// Every cut of a file before its last section ends is refused, and no cut reads past the data
// (the sanitizer build would stop on that).
TEST(GmshDamage, EveryTruncationBeforeTheEndIsRefused) {
    for (const char* name : {"sparse_tags_22.msh", "sparse_tags_41.msh", "box_hex_41_bin.msh",
                             "wedge_prism_22_bin.msh"}) {
        const std::string whole = readText(fixture(name));
        const std::size_t complete =
            whole.rfind("$EndElements") + std::string("$EndElements").size();
        for (std::size_t length = 0; length < complete; ++length)
            ASSERT_NE(importError(whole.substr(0, length)), "") << name << " cut at " << length;
        EXPECT_EQ(importError(whole.substr(0, complete)), "") << name;
    }
}

}  // namespace
