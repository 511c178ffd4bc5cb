// Loading a mesh into the kernel: unit scaling, volumes, centroids and skin area vectors,
// which nodes and faces are kept and how nodes and cells are classified, what a load prints,
// and that a refused file leaves the kernel as it was while a good one replaces its mesh.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "NqbTestFiles.h"
#include "QVROptKer.h"
#include "TempDir.h"

namespace {

using nqbtest::MeshBuilder;

std::string writeMesh(const TempDir& dir, const std::string& name, const nqbio::MeshData& mesh,
                      bool binary = false) {
    const std::string path = dir.file(name);
    std::string error;
    EXPECT_TRUE((binary ? nqbio::writeBinary : nqbio::writeText)(path, mesh, &error)) << error;
    return path;
}

// A load with standard output and standard error captured.
struct Load {
    int result = 0;
    std::string out, err;
};

Load load(CQVROptKer& kernel, std::string path, int allNodeFlag = 0) {
    Load o;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    o.result = kernel.ReadMeshData(path.data(), allNodeFlag);
    o.err = testing::internal::GetCapturedStderr();
    o.out = testing::internal::GetCapturedStdout();
    return o;
}

std::vector<int> nodeList(const CFaceElem& f) { return {f.pNode + 1, f.pNode + 1 + f.nNode}; }

TEST(ReadMesh, LengthsAndVolumeFollowTheUnit) {
    const struct {
        const char* unit;
        double factor;
        bool recognised;
    } units[] = {{"mm", 1.0, true},
                 {"cm", 10.0, true},
                 {"inch", 25.4, true},
                 {"um", 0.001, true},
                 {"mm and cm", 1.0, true},   // the first substring found decides
                 {"cm, not mm", 1.0, true},  // "mm" is looked for before "cm"
                 {"square inches", 25.4, true},
                 {"MM", 1.0, false},
                 {"CM", 1.0, false},
                 {"metre", 1.0, false},
                 {"", 1.0, false}};
    TempDir dir;
    for (const auto& c : units) {
        SCOPED_TRACE(c.unit);
        MeshBuilder b(c.unit);
        b.node(1, 2, 3);
        b.node(4, 5, 6);
        b.node(-7, 8, 9);
        b.node(1, 1, 1);
        b.cell({1, 2, 3, 4}, 2.0f);
        CQVROptKer kernel;
        const Load o = load(kernel, writeMesh(dir, "unit.nqb", b.mesh));
        ASSERT_EQ(o.result, 1);
        // Reported even at print level 0.
        EXPECT_EQ(o.out, c.recognised ? "" : "The unit of NQB is illegal. \n");
        ASSERT_EQ(kernel.m_nNode, 4);
        const Cnode& n = kernel.m_pNode[1];
        EXPECT_EQ(std::make_tuple(n.x, n.y, n.z, kernel.m_pNode[3].x),
                  std::make_tuple(1.0 * c.factor, 2.0 * c.factor, 3.0 * c.factor, -7.0 * c.factor));
        EXPECT_DOUBLE_EQ(kernel.TotalVolume, 2.0 * c.factor * c.factor * c.factor);
    }
}

TEST(ReadMesh, CubeSkinAreaVectorsPointOutFromEitherEncoding) {
    TempDir dir;
    // Faces in file order: bottom, top, y = 0, x = 1, y = 1, x = 0; each 10 x 10 mm.
    const double area[6][3] = {{0, 0, -100}, {0, 0, 100}, {0, -100, 0},
                               {100, 0, 0},  {0, 100, 0}, {-100, 0, 0}};
    const double centroid[6][3] = {{5, 5, 0},  {5, 5, 10}, {5, 0, 5},
                                   {10, 5, 5}, {5, 10, 5}, {0, 5, 5}};
    for (bool binary : {false, true}) {
        CQVROptKer kernel;
        ASSERT_EQ(load(kernel, writeMesh(dir, "cube", nqbtest::cube("cm").mesh, binary)).result, 1);
        EXPECT_EQ(kernel.m_bFormatFlag, binary);
        ASSERT_EQ(kernel.m_nSurface, 6);
        for (int i = 1; i <= 6; ++i) {
            const CFaceElem& f = kernel.m_pSurface[i];
            const double *a = area[i - 1], *c = centroid[i - 1];
            EXPECT_EQ(f.nNode, 4);
            EXPECT_EQ(std::make_tuple(f.ax, f.ay, f.az, f.xc, f.yc, f.zc),
                      std::make_tuple(a[0], a[1], a[2], c[0], c[1], c[2]))
                << i;
        }
        const CInnerCell& cell = kernel.p_Cell[1];
        EXPECT_EQ(std::make_tuple(cell.xc, cell.yc, cell.zc), std::make_tuple(5.0, 5.0, 5.0));
        EXPECT_DOUBLE_EQ(kernel.TotalVolume, 1000.0);
    }
}

TEST(ReadMesh, TrianglesFromRepeatedCornersAndFanAreas) {
    TempDir dir;
    MeshBuilder b;
    const int o = b.node(0, 0, 0), x = b.node(1, 0, 0), y = b.node(0, 1, 0);
    const int xy = b.node(1, 1, 0), apex = b.node(0.25f, 0.25f, 1), far = b.node(2, 0, 0);
    b.cell({o, x, xy, y, apex}, 1.0f / 3.0f);
    b.cell({x, far, xy, apex}, 0.25f);
    b.face(o, x, y, y);     // repeated last corner
    b.face(o, o, x, y);     // repeated first corner
    b.face(o, x, o, y);     // repeated, not adjacent
    b.face(o, x, xy, y);    // unit square
    b.face(x, far, xy, x);  // area 0.5, normal +z
    b.face(o, y, xy, x);    // the square seen from below
    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, writeMesh(dir, "tri.nqb", b.mesh)).result, 1);
    ASSERT_EQ(kernel.m_nSurface, 6);
    const int nodes[6] = {3, 3, 3, 4, 3, 4};
    const double az[6] = {0.5, 0.5, 0.5, 1.0, 0.5, -1.0};
    for (int i = 1; i <= 6; ++i) {
        const CFaceElem& f = kernel.m_pSurface[i];
        EXPECT_EQ(f.nNode, nodes[i - 1]) << i;
        EXPECT_EQ(std::make_tuple(f.ax, f.ay, f.az), std::make_tuple(0.0, 0.0, az[i - 1])) << i;
        // Corner order is kept with the repeats removed.
        if (i <= 3) {
            EXPECT_EQ(nodeList(f), (std::vector<int>{o, x, y})) << i;
        }
    }
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[1].xc, 1.0 / 3.0);
    EXPECT_EQ(
        std::make_tuple(kernel.m_pSurface[4].xc, kernel.m_pSurface[4].yc, kernel.m_pSurface[4].zc),
        std::make_tuple(0.5, 0.5, 0.0));
    // Pyramid centroid: mean of its five nodes.
    EXPECT_DOUBLE_EQ(kernel.p_Cell[1].xc, 2.25 / 5.0);
    EXPECT_DOUBLE_EQ(kernel.p_Cell[1].zc, 1.0 / 5.0);
    EXPECT_EQ(kernel.p_Cell[2].nNode, 4);
    EXPECT_DOUBLE_EQ(kernel.TotalVolume,
                     static_cast<double>(1.0f / 3.0f) + static_cast<double>(0.25f));
}

// File nodes 1..6: a tetrahedron over 1, 2, 4, 5; nodes 3 and 6 are used by skin faces only.
nqbio::MeshData retentionMesh() {
    MeshBuilder b;
    for (int k = 1; k <= 6; ++k) b.node(float(k), float(k * k), float(-k));
    b.cell({1, 2, 4, 5}, 0.5f);
    b.face(1, 4, 2, 2);         // kept
    b.face(1, 2, 5, 5, 2, 0);   // kind 2: not a skin face
    b.face(1, 5, 4, 4, 1, 13);  // code 13: excluded
    b.face(2, 4, 5, 5, 1, 12);  // kept
    b.face(1, 2, 6, 6);         // uses node 6, which no cell uses
    b.face(1, 3, 4, 4);         // uses node 3, which no cell uses
    b.face(1, 5, 2, 2, 0, 0);   // kind 0: not a skin face
    return b.mesh;
}

// A skin triangle without any cell.
nqbio::MeshData skinOnly() {
    MeshBuilder b;
    b.node(0, 0, 0);
    b.node(1, 0, 0);
    b.node(0, 1, 0);
    b.face(1, 2, 3, 3);
    return b.mesh;
}

// allNodeFlag 1 keeps every node and every kind 1 face whose code is not 13; any other value
// only the nodes of cells and the faces that lie on them. Only nodes of cells are classified.
TEST(Retention, NodesAndFacesKeptByTheFlag) {
    const struct {
        nqbio::MeshData mesh;
        std::vector<int> flags, orgID, newID, inPart, kind;  // kept nodes; then file nodes 0..n
        std::vector<std::vector<int>> faces;                 // in new numbers
    } cases[] = {
        {retentionMesh(),
         {0, 2, -1},
         {1, 2, 4, 5},
         {0, 1, 2, 0, 3, 4, 0},
         {0, 1, 1, 0, 1, 1, 0},
         {0, 1, 1, 0, 1, 1, 0},
         {{1, 3, 2}, {2, 3, 4}}},
        {retentionMesh(),
         {1},
         {1, 2, 3, 4, 5, 6},
         {0, 1, 2, 3, 4, 5, 6},
         {1, 1, 1, 1, 1, 1, 1},
         {0, 1, 1, 0, 1, 1, 0},
         {{1, 4, 2}, {2, 4, 5}, {1, 2, 6}, {1, 3, 4}}},
        {skinOnly(), {0}, {}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {}},
        {skinOnly(), {1}, {1, 2, 3}, {0, 1, 2, 3}, {1, 1, 1, 1}, {0, 0, 0, 0}, {{1, 2, 3}}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = writeMesh(dir, "retain.nqb", c.mesh);
        for (int flag : c.flags) {
            SCOPED_TRACE(testing::Message() << "case " << &c - cases << ", allNodeFlag " << flag);
            CQVROptKer kernel;
            ASSERT_EQ(load(kernel, path, flag).result, 1);
            EXPECT_EQ(kernel.m_nNodeInFile, c.mesh.nodeCount());
            EXPECT_EQ(kernel.m_nInnerCell, static_cast<int>(c.mesh.parts.size()));
            ASSERT_EQ(kernel.m_nNode, static_cast<int>(c.orgID.size()));
            ASSERT_NE(kernel.m_pNode, nullptr);  // allocated with its zero entry even when empty
            for (int k = 1; k <= kernel.m_nNode; ++k) {
                const Cnode& n = kernel.m_pNode[k];
                const std::size_t at = 3 * static_cast<std::size_t>(n.orgID - 1);
                EXPECT_EQ(n.orgID, c.orgID[k - 1]);
                EXPECT_EQ(std::make_tuple(n.x, n.y, n.z),
                          std::make_tuple(double(c.mesh.xyz[at]), double(c.mesh.xyz[at + 1]),
                                          double(c.mesh.xyz[at + 2])));
            }
            for (int i = 0; i <= kernel.m_nNodeInFile; ++i) {
                EXPECT_EQ(std::make_tuple(kernel.m_pNodeNewID[i], kernel.m_pNodeInPart[i],
                                          kernel.m_pNodeKind[i]),
                          std::make_tuple(c.newID[i], c.inPart[i], c.kind[i]))
                    << "node " << i;
            }
            ASSERT_EQ(kernel.m_nSurface, static_cast<int>(c.faces.size()));
            for (int f = 1; f <= kernel.m_nSurface; ++f) {
                EXPECT_EQ(nodeList(kernel.m_pSurface[f]), c.faces[f - 1]) << "face " << f;
            }
        }
    }
}

// Bits of an attribute word that flag a cell as marked when its code is 100 or less.
constexpr std::uint32_t kTopBit = 0x80000000u;
constexpr std::uint32_t kLowestMarkBit = 0x01000000u;
constexpr std::uint32_t kAllUnmarkedBits = 0x00FFFFFFu;

TEST(Classification, CellsAreAppliedInFileOrder) {
    TempDir dir;
    MeshBuilder b;
    for (int i = 0; i < 10; ++i) b.node(static_cast<float>(i), 0, 0);
    b.cell({1, 2, 3, 4}, 1, 0, 50);                  // ordinary: 1..4 -> 1, cell 0
    b.cell({3, 4, 5, 6}, 1, kTopBit, 50);            // marked: 3, 4 stay 1; 5, 6 -> -1
    b.cell({6, 7, 8, 9}, 1, 0, 150);                 // 101..200: nothing changes
    b.cell({5, 1, 2, 3}, 1, 0, 201);                 // 201 and up: all -1
    b.cell({6, 2, 7, 3}, 1, kAllUnmarkedBits, 100);  // ordinary again: 6, 2, 7, 3 -> 1
    b.cell({8, 9, 4, 1}, 1, kLowestMarkBit, 101);    // 101: nothing, whatever the word
    b.cell({8, 9, 4, 1}, 1, 0, 200);                 // 200: nothing
    b.cell({9, 8, 7, 2}, 1, kLowestMarkBit, -5);     // marked, negative code counts as <= 100
    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, writeMesh(dir, "kinds.nqb", b.mesh)).result, 1);
    // Worked through cell by cell:
    // node 1: 1 (c1), -1 (c4)                     -> -1
    // node 2: 1, -1 (c4), 1 (c5), kept 1 (c8)     ->  1
    // node 3: 1, kept 1 (c2), -1 (c4), 1 (c5)     ->  1
    // node 4: 1, kept 1 (c2)                      ->  1
    // node 5: -1 (c2), -1 (c4)                    -> -1
    // node 6: -1 (c2), 1 (c5)                     ->  1
    // node 7: 1 (c5), kept 1 (c8)                 ->  1
    // node 8: -1 (c8)                             -> -1
    // node 9: -1 (c8)                             -> -1
    // node 10: no cell                            ->  0
    const int nodeKind[11] = {0, -1, 1, 1, 1, -1, 1, 1, -1, -1, 0};
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(kernel.m_pNodeKind[i], nodeKind[i]) << "node " << i;
    const int cellKind[9] = {1, 0, -1, 1, -1, 0, 1, 1, -1};
    for (int k = 0; k <= 8; ++k) EXPECT_EQ(kernel.m_pCellKind[k], cellKind[k]) << "cell " << k;
    // Cells of codes 101..200 still keep their nodes.
    EXPECT_EQ(kernel.m_nNode, 9);
    EXPECT_EQ(kernel.m_pNodeInPart[10], 0);
}

// Each piece appears in `out`, in the order given.
void expectInOrder(const std::string& out, std::initializer_list<std::string> pieces) {
    std::size_t at = 0;
    for (const std::string& piece : pieces) {
        const std::size_t found = out.find(piece, at);
        ASSERT_NE(found, std::string::npos) << piece << " after " << at << " in:\n" << out;
        at = found + piece.size();
    }
}

TEST(ReadMesh, PrintLevelsAboveZeroReportTheFileTheFactorAndTheRetainedCounts) {
    TempDir dir;
    // A node no cell uses and a face that is no skin face: the counts must be the kept ones.
    MeshBuilder b = nqbtest::cube("cm");
    b.node(7, 7, 7);
    b.face(1, 2, 3, 4, 2, 0);
    const std::string path = writeMesh(dir, "cube.nqb", b.mesh);
    for (int level : {2, 0, -1}) {
        CQVROptKer kernel;
        kernel.setParameter(level);
        const Load o = load(kernel, path);
        ASSERT_EQ(o.result, 1);
        EXPECT_EQ(o.err, "");
        if (level < 1) {
            EXPECT_EQ(o.out, "") << level;
            continue;
        }
        expectInOrder(o.out, {path, "dUnitFactor = 10.000000\n", "Mesh file read end",
                              "Number of Sufurace Elems      : 6 \n"
                              "Number of Part Elems          : 1 \n"
                              "Number of Nodes               : 8 \n"});
    }
}

// What a refusal must not touch: the tables, the counts, the volume, the format flag, and
// samples of the cube's entries behind the tables.
auto stateOf(const CQVROptKer& k) {
    const bool cube = k.m_nNode == 8 && k.m_nInnerCell == 1 && k.m_nSurface == 6;
    return std::make_tuple(k.m_pNode, k.m_pSurface, k.p_Cell, k.m_pNodeInPart, k.m_pNodeKind,
                           k.m_pNodeNewID, k.m_pCellKind, k.m_nNodeInFile, k.m_nNode,
                           k.m_nInnerCell, k.m_nSurface, k.TotalVolume, k.m_bFormatFlag, cube,
                           cube ? k.m_pNode[7].x + k.p_Cell[1].pNode[8] + k.m_pSurface[6].ax : 0);
}

// A refused file leaves the mesh and the search set-up alone and says why in one line; a good
// one replaces the mesh, clears the reason and drops the set-up made for the old mesh.
TEST(ReadMesh, ARefusedFileChangesNothingAndAGoodOneReplacesTheMesh) {
    TempDir dir;
    const std::string cube = writeMesh(dir, "cube.nqb", nqbtest::cube("cm", 2.0f).mesh);
    const std::string text = dir.file("bad.nqb"), binary = dir.file("bad.nqbb");
    nqbtest::writeBytes(text, nqbtest::replaced(nqbtest::kCubeText, "COUNTS 8", "COUNTS 9"));
    // The format is known before the file is checked: a refused binary file must still not
    // mark a kernel that holds a text mesh.
    const std::string good = nqbtest::readBytes(nqbtest::corpusFile("bin_valid.nqb"));
    nqbtest::writeBytes(binary, good.substr(0, good.size() - 1));

    CQVROptKer kernel;
    EXPECT_STREQ(kernel.GetLastErrorText(), "");
    ASSERT_EQ(load(kernel, cube).result, 1);
    ASSERT_EQ(kernel.InitialzeSearch(1), 1);
    const auto before = stateOf(kernel);
    auto everything = [&kernel] {
        int count = -1;
        const int* ids = kernel.SearchNearBlockID(-1e3, -1e3, -1e3, 1e3, 1e3, 1e3, count, 0);
        return std::vector<int>(ids, ids + count);
    };
    const std::vector<int> cubeIds = everything();
    ASSERT_EQ(cubeIds.size(), 7u);  // six faces and the cell
    for (const auto& [path, where] :
         {std::make_pair(text, text + ":13: "), std::make_pair(binary, binary + ":423: ")}) {
        const Load o = load(kernel, path);
        EXPECT_EQ(o.result, 3301);
        // One reader diagnostic line, then the kernel's own message with the code.
        EXPECT_EQ(o.err.rfind(where, 0), 0u) << o.err;
        EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
        EXPECT_NE(o.out.find("Can't open mesh file !"), std::string::npos) << o.out;
        EXPECT_NE(o.out.find("3301"), std::string::npos) << o.out;
        // The same diagnostic, without the line end, for a host that does not read stderr.
        EXPECT_EQ(kernel.GetLastErrorText() + std::string("\n"), o.err);
        EXPECT_EQ(kernel.GetLastErrorCode(), 3301);
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(kernel.ReadMeshData(nullptr, 0), 3301);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("3301"), std::string::npos);
    EXPECT_STREQ(kernel.GetLastErrorText(), "no mesh file name given");
    EXPECT_EQ(stateOf(kernel), before);
    EXPECT_EQ(everything(), cubeIds);

    // A smaller mesh in another unit replaces the cube entirely.
    MeshBuilder tet("mm");
    tet.mesh.xyz = {0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0, 3};
    tet.cell({1, 2, 3, 4}, 4.5f).face(1, 3, 2, 2);
    ASSERT_EQ(load(kernel, writeMesh(dir, "tet.nqb", tet.mesh)).result, 1);
    EXPECT_STREQ(kernel.GetLastErrorText(), "");
    EXPECT_EQ(kernel.GetLastErrorCode(), 0);
    // The cube's tree would answer with ids the tet mesh does not have: until a new set-up
    // every search finds nothing, also along a ray.
    EXPECT_EQ(everything(), std::vector<int>{});
    int count = -1;
    kernel.FindPassElemByAnyRay(count, 1.0, 1.0, -1.0, 0.0, 0.0, 1.0, 0);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(kernel.InitialzeSearch(1), 1);
    EXPECT_EQ(everything(), (std::vector<int>{1, 2}));
    EXPECT_EQ(std::make_tuple(kernel.m_nNodeInFile, kernel.m_nNode, kernel.m_nInnerCell,
                              kernel.m_nSurface, kernel.p_Cell[1].nNode),
              std::make_tuple(4, 4, 1, 1, 4));
    EXPECT_DOUBLE_EQ(kernel.TotalVolume, 4.5);   // not added to the cube's volume
    EXPECT_DOUBLE_EQ(kernel.m_pNode[2].x, 3.0);  // in mm now, not scaled by the old unit
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[1].az, -4.5);
    // And back to the cube: the tables grow again (the sanitizer build checks the releases).
    ASSERT_EQ(load(kernel, cube).result, 1);
    EXPECT_EQ(std::make_tuple(kernel.m_nNode, kernel.m_nSurface), std::make_tuple(8, 6));
    EXPECT_DOUBLE_EQ(kernel.TotalVolume, 2000.0);
}

}  // namespace

// A host that reports a refused file itself can keep the reader (1), and also the kernel (2),
// quiet; the reason, the result and the state are the same at every setting.
TEST(ReadMesh, QuietReadingSilencesOnlyTheStreamsAskedFor) {
    TempDir dir;
    const std::string bad = dir.file("bad.nqb");
    nqbtest::writeBytes(bad, nqbtest::replaced(nqbtest::kCubeText, "COUNTS 8", "COUNTS 9"));
    CQVROptKer loud;
    const Load said = load(loud, bad);
    ASSERT_EQ(said.result, 3301);
    ASSERT_FALSE(said.err.empty());
    ASSERT_FALSE(said.out.empty());

    for (const int quiet : {1, 2}) {
        CQVROptKer kernel;
        ASSERT_EQ(kernel.SetQuietReading(quiet), 1);
        const Load o = load(kernel, bad);
        EXPECT_EQ(o.result, 3301);
        EXPECT_EQ(o.err, "") << quiet;
        EXPECT_EQ(o.out, quiet == 1 ? said.out : "") << quiet;
        EXPECT_STREQ(kernel.GetLastErrorText(), loud.GetLastErrorText());
        EXPECT_EQ(kernel.GetLastErrorCode(), 3301);
        EXPECT_EQ(kernel.m_nNode, 0);
        // Back to the default: both lines again.
        ASSERT_EQ(kernel.SetQuietReading(0), 1);
        const Load again = load(kernel, bad);
        EXPECT_EQ(std::make_pair(again.out, again.err), std::make_pair(said.out, said.err));
    }
    // Out-of-range settings are refused and change nothing.
    CQVROptKer kernel;
    ASSERT_EQ(kernel.SetQuietReading(2), 1);
    EXPECT_EQ(kernel.SetQuietReading(3), -1);
    EXPECT_EQ(kernel.SetQuietReading(-1), -1);
    EXPECT_EQ(load(kernel, bad).out, "");
}

// The header's unit and surface count, which the kernel's tables alone do not tell: kept from
// the last mesh loaded, whatever the encoding or source, and kept through a refused load.
TEST(ReadMesh, TheLoadedMeshKeepsItsUnitTextAndSurfaceCount) {
    TempDir dir;
    CQVROptKer kernel;
    EXPECT_STREQ(kernel.GetMeshUnitText(), "");
    EXPECT_EQ(kernel.GetSurfaceCountInFile(), 0);

    // Two of the eight faces are not skin (kind 2, code 13): not retained, but counted.
    nqbtest::MeshBuilder cube = nqbtest::cube("furlong");
    cube.face(1, 2, 3, 4, 2).face(5, 6, 7, 8, 1, 13);
    ASSERT_EQ(load(kernel, writeMesh(dir, "text.nqb", cube.mesh)).result, 1);
    EXPECT_STREQ(kernel.GetMeshUnitText(), "furlong");
    EXPECT_EQ(std::make_pair(kernel.m_nSurface, kernel.GetSurfaceCountInFile()),
              std::make_pair(6, 8));
    EXPECT_FALSE(kernel.m_bFormatFlag);

    const nqbtest::MeshBuilder inch = nqbtest::cube("inch");
    ASSERT_EQ(load(kernel, writeMesh(dir, "bin.nqb", inch.mesh, true)).result, 1);
    EXPECT_STREQ(kernel.GetMeshUnitText(), "inch");
    EXPECT_EQ(kernel.GetSurfaceCountInFile(), 6);
    EXPECT_TRUE(kernel.m_bFormatFlag);

    const std::string bad = dir.file("bad.nqb");
    nqbtest::writeBytes(bad, nqbtest::replaced(nqbtest::kCubeText, "UNIT mm", "UNIT cm\nX"));
    ASSERT_EQ(load(kernel, bad).result, 3301);
    EXPECT_STREQ(kernel.GetMeshUnitText(), "inch");
    EXPECT_EQ(kernel.GetSurfaceCountInFile(), 6);

    // Arrays: the unit handed in, millimetres for none; faces derived from the cells count.
    const double xyz[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const int tet[] = {0, 1, 2, 3};
    const QVRIndexBlock cells{4, 1, tet};
    ASSERT_EQ(kernel.SetMeshArrays(4, xyz, 1, &cells, 0, nullptr, nullptr, 0), QVR_ARRAYS_OK);
    EXPECT_STREQ(kernel.GetMeshUnitText(), "mm");
    EXPECT_EQ(kernel.GetSurfaceCountInFile(), 4);
    ASSERT_EQ(kernel.SetMeshArrays(4, xyz, 1, &cells, 0, nullptr, "cm", 0), QVR_ARRAYS_OK);
    EXPECT_STREQ(kernel.GetMeshUnitText(), "cm");
}
