// Meshes and fibre values handed in as arrays: the kernel and the tool must end up exactly as
// after loading the same content from files (tables, searches, normals, profiles), and bad
// arrays must be refused with the object left as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "PartGenerator.h"
#include "QVR3DExtractTool.h"
#include "QVROptKer.h"
#include "TempDir.h"

namespace {

// A mesh as zero-based arrays: cell and face blocks are the runs of equal node counts in file
// order, so mixed parts keep their cell and face order.
struct Arrays {
    std::vector<double> xyz;
    std::vector<std::vector<int>> cellNodes, faceNodes;
    std::vector<QVRIndexBlock> cells, faces;
    std::string unit;

    explicit Arrays(const nqbio::MeshData& m) : xyz(m.xyz.begin(), m.xyz.end()), unit(m.unit) {
        for (const nqbio::PartElement& p : m.parts) add(cells, cellNodes, p.nNode, p.node);
        // A triangle repeats its last corner in the file.
        for (const nqbio::SurfaceElement& s : m.surfaces)
            add(faces, faceNodes, s.node[3] == s.node[2] ? 3 : 4, s.node);
        for (std::size_t b = 0; b < cells.size(); ++b) cells[b].nodes = cellNodes[b].data();
        for (std::size_t b = 0; b < faces.size(); ++b) faces[b].nodes = faceNodes[b].data();
    }
    static void add(std::vector<QVRIndexBlock>& blocks, std::vector<std::vector<int>>& lists, int n,
                    const int* fileNodes) {
        if (blocks.empty() || blocks.back().nodesPerItem != n) {
            blocks.push_back({n, 0, nullptr});
            lists.emplace_back();
        }
        for (int k = 0; k < n; ++k) lists.back().push_back(fileNodes[k] - 1);
        ++blocks.back().count;
    }
    int nodeCount() const { return static_cast<int>(xyz.size() / 3); }
    int load(CQVROptKer& k, bool givenFaces, int allNodeFlag = 0) {
        return k.SetMeshArrays(nodeCount(), xyz.data(), static_cast<int>(cells.size()),
                               cells.data(), givenFaces ? static_cast<int>(faces.size()) : 0,
                               givenFaces ? faces.data() : nullptr, unit.c_str(), allNodeFlag);
    }
};

std::string writeFile(const TempDir& dir, const nqbio::MeshData& m) {
    const std::string path = dir.file("part.nqb");
    std::string error;
    EXPECT_TRUE(nqbio::writeBinary(path, m, &error)) << error;
    return path;
}

template <typename Record>
std::vector<std::tuple<std::vector<int>, double, double, double>> records(const Record* t, int n) {
    std::vector<std::tuple<std::vector<int>, double, double, double>> out;
    for (int i = 1; i <= n; ++i)
        out.emplace_back(std::vector<int>(t[i].pNode + 1, t[i].pNode + 1 + t[i].nNode), t[i].xc,
                         t[i].yc, t[i].zc);
    return out;
}

// Everything a load sets, compared exactly.
void expectSameTables(const CQVROptKer& a, const CQVROptKer& b) {
    ASSERT_EQ(std::make_tuple(a.m_nNodeInFile, a.m_nNode, a.m_nInnerCell, a.m_nSurface),
              std::make_tuple(b.m_nNodeInFile, b.m_nNode, b.m_nInnerCell, b.m_nSurface));
    EXPECT_EQ(a.TotalVolume, b.TotalVolume);
    for (int i = 1; i <= a.m_nNode; ++i) {
        const Cnode &p = a.m_pNode[i], &q = b.m_pNode[i];
        ASSERT_EQ(std::make_tuple(p.x, p.y, p.z, p.orgID), std::make_tuple(q.x, q.y, q.z, q.orgID))
            << "node " << i;
    }
    for (int i = 0; i <= a.m_nNodeInFile; ++i) {
        ASSERT_EQ(std::make_tuple(a.m_pNodeInPart[i], a.m_pNodeKind[i], a.m_pNodeNewID[i]),
                  std::make_tuple(b.m_pNodeInPart[i], b.m_pNodeKind[i], b.m_pNodeNewID[i]))
            << "file node " << i;
    }
    EXPECT_EQ(std::vector<int>(a.m_pCellKind, a.m_pCellKind + a.m_nInnerCell + 1),
              std::vector<int>(b.m_pCellKind, b.m_pCellKind + b.m_nInnerCell + 1));
    EXPECT_EQ(records(a.p_Cell, a.m_nInnerCell), records(b.p_Cell, b.m_nInnerCell));
    EXPECT_EQ(records(a.m_pSurface, a.m_nSurface), records(b.m_pSurface, b.m_nSurface));
    for (int i = 1; i <= a.m_nSurface; ++i) {
        const CFaceElem &f = a.m_pSurface[i], &g = b.m_pSurface[i];
        ASSERT_EQ(std::make_tuple(f.ax, f.ay, f.az), std::make_tuple(g.ax, g.ay, g.az));
    }
}

// Searches and normals after the set-up, on boxes and rays spread over the part.
void expectSameAnswers(CQVROptKer& a, CQVROptKer& b) {
    a.InitialzeSearch(1);
    b.InitialzeSearch(1);
    EXPECT_EQ(std::make_tuple(a.MinMesh, a.AverageThickness, a.Box_xMax, a.Box_zMin),
              std::make_tuple(b.MinMesh, b.AverageThickness, b.Box_xMax, b.Box_zMin));
    const auto list = [](const int* ids, int n) { return std::vector<int>(ids, ids + n); };
    for (int i = 1; i <= a.m_nNode; i += 1 + a.m_nNode / 17) {
        const Cnode& p = a.m_pNode[i];
        int na = 0, nb = 0;
        const int* la =
            a.SearchNearBlockID(p.x - 1, p.y - 1, p.z - 1, p.x + 1, p.y + 1, p.z + 1, na, 0);
        const int* lb =
            b.SearchNearBlockID(p.x - 1, p.y - 1, p.z - 1, p.x + 1, p.y + 1, p.z + 1, nb, 0);
        EXPECT_EQ(list(la, na), list(lb, nb));
        la = a.FindPassElemByAnyRay(na, p.x, p.y, p.z, 0.3, -0.2, -1.0, 0);
        lb = b.FindPassElemByAnyRay(nb, p.x, p.y, p.z, 0.3, -0.2, -1.0, 0);
        EXPECT_EQ(list(la, na), list(lb, nb));
        EXPECT_GT(na, 0);
    }
    const auto normals = [](CQVROptKer& k) {
        std::vector<double> n(3 * (static_cast<std::size_t>(k.m_nNode) + 1), 0.0);
        k.ComputeNodeSurfaceNormal(n.data(), n.data() + k.m_nNode + 1,
                                   n.data() + 2 * (k.m_nNode + 1));
        return n;
    };
    EXPECT_EQ(normals(a), normals(b));
}

std::vector<nqbio::MeshData> sampleParts() {
    using qvr::gen::CellType;
    std::vector<nqbio::MeshData> parts;
    for (CellType type :
         {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex, CellType::Mixed}) {
        qvr::gen::PlateSpec plate;
        plate.nx = 6, plate.ny = 4, plate.nz = 2, plate.type = type;
        plate.ribs = plate.hole = type == CellType::Mixed;
        parts.push_back(qvr::gen::makePlate(plate));
    }
    qvr::gen::TubeSpec tube;
    tube.nTheta = 12, tube.nWall = 2, tube.nZ = 3, tube.type = CellType::Mixed;
    parts.push_back(qvr::gen::makeTube(tube));
    parts.back().unit = "cm";  // the unit factor must act as on loading the file
    // A node no cell uses: kept only with allNodeFlag 1, and never on a face.
    parts.back().xyz.insert(parts.back().xyz.end(), {5.0f, 5.0f, 5.0f});
    return parts;
}

TEST(MeshArrays, GiveTheKernelOfTheSameMeshFile) {
    TempDir dir;
    for (const nqbio::MeshData& part : sampleParts()) {
        std::string path = writeFile(dir, part);
        SCOPED_TRACE(std::to_string(part.parts.size()) + " cells in " + part.unit);
        std::set<int> used;
        for (const nqbio::PartElement& p : part.parts) used.insert(p.node, p.node + p.nNode);
        const int usedNodes = static_cast<int>(used.size());
        for (int allNodeFlag : {0, 1}) {
            for (bool givenFaces : {true, false}) {
                CQVROptKer fromFile, fromArrays;
                ASSERT_EQ(fromFile.ReadMeshData(path.data(), allNodeFlag), 1);
                Arrays arrays(part);
                ASSERT_EQ(arrays.load(fromArrays, givenFaces, allNodeFlag), QVR_ARRAYS_OK)
                    << fromArrays.GetLastErrorText();
                expectSameTables(fromFile, fromArrays);
                if (allNodeFlag == 0) expectSameAnswers(fromFile, fromArrays);
                EXPECT_EQ(fromArrays.m_nNode, allNodeFlag == 1 ? part.nodeCount() : usedNodes);
            }
        }
    }
}

// Profiles of every skin node in both thickness modes, from files and from arrays.
TEST(MeshArrays, ToolProfilesEqualThoseFromFiles) {
    qvr::gen::PlateSpec plate;
    plate.nx = 8, plate.ny = 4, plate.nz = 3, plate.type = qvr::gen::CellType::Mixed;
    plate.ribs = true;
    const nqbio::MeshData part = qvr::gen::makePlate(plate);
    const k7t::ResultFile result = qvr::gen::makeFiberResult(part, {});
    TempDir dir;
    std::string meshPath = writeFile(dir, part);
    std::string resultPath = dir.file("part.k7t");
    ASSERT_TRUE(k7t::write(resultPath, result));

    // Cell values in GetFiber's order: items 4 5 6 9 11 10.
    std::vector<double> values;
    const int itemOf[6] = {0, 1, 2, 3, 5, 4};
    for (std::size_t c = 0; c < part.parts.size(); ++c)
        for (int k : itemOf) values.push_back(result.items[static_cast<std::size_t>(k)].values[c]);

    QVR3DExtractTool fromFiles, fromArrays;
    ASSERT_EQ(fromFiles.SetMeshFileName(meshPath.data()), 1);
    ASSERT_EQ(fromFiles.SetK7TFileName(resultPath.data()), 1);
    Arrays arrays(part);
    ASSERT_EQ(fromArrays.SetMeshArrays(arrays.nodeCount(), arrays.xyz.data(),
                                       static_cast<int>(arrays.cells.size()), arrays.cells.data(),
                                       0, nullptr, arrays.unit.c_str()),
              QVR_ARRAYS_OK);
    ASSERT_EQ(fromArrays.SetFiberValues(static_cast<int>(part.parts.size()), values.data()),
              QVR_ARRAYS_OK);

    CQVROptKer kernel;
    ASSERT_EQ(kernel.ReadMeshData(meshPath.data(), 0), 1);
    const int n = kernel.m_nNode;
    std::vector<double> nx(n + 1, 0.0), ny(nx), nz(nx), x(nx), y(nx), z(nx);
    kernel.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data());
    for (int i = 1; i <= n; ++i) {
        x[i] = kernel.m_pNode[i].x, y[i] = kernel.m_pNode[i].y, z[i] = kernel.m_pNode[i].z;
        nx[i] = -nx[i], ny[i] = -ny[i], nz[i] = -nz[i];
    }
    constexpr int kLayers = 5;
    for (int mode : {QVR_THICKNESS_CENTROID_PLANE, QVR_THICKNESS_EXACT}) {
        std::vector<double> out[2];
        for (QVR3DExtractTool* tool : {&fromFiles, &fromArrays}) {
            tool->SetThicknessMode(mode);
            ASSERT_EQ(tool->SetSurfaceNode(n, kLayers, x.data(), y.data(), z.data(), nx.data(),
                                           ny.data(), nz.data()),
                      1);
            std::vector<double>& o = out[tool == &fromArrays];
            std::vector<double> f[7];
            for (auto& v : f) v.assign(kLayers + 1, 0.0);
            for (int i = 1; i <= n; ++i) {
                ASSERT_EQ(tool->GetFiber(i, f[0].data(), f[1].data(), f[2].data(), f[3].data(),
                                         f[4].data(), f[5].data(), f[6].data()),
                          1);
                for (const auto& v : f) o.insert(o.end(), v.begin() + 1, v.end());
            }
        }
        EXPECT_EQ(out[0], out[1]) << "mode " << mode;
        EXPECT_EQ(fromFiles.GetNoCrossingCount(), fromArrays.GetNoCrossingCount());
    }
}

// A fingerprint of a kernel's mesh: refusals must leave it as it was.
std::tuple<int, int, int, double, double> fingerprint(const CQVROptKer& k) {
    return {k.m_nNode, k.m_nInnerCell, k.m_nSurface, k.TotalVolume,
            k.m_nNode > 0 ? k.m_pNode[k.m_nNode].x : 0.0};
}

TEST(MeshArrays, BadArraysAreRefusedAndChangeNothing) {
    // One unit tetrahedron (nodes 0..3) and a spare node 4 above it.
    const std::vector<double> good = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 2};
    const std::vector<int> tet = {0, 1, 2, 3};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<double> xyz;
        int nodeCount;
        std::vector<int> cell;
        int nodesPerCell;
        std::vector<int> face;  // one triangle when not empty
        const char* unit;
        int status;
        const char* says;
    } cases[] = {
        {"no nodes", good, 0, tet, 4, {}, "mm", QVR_ARRAYS_INVALID_ARGUMENT, "no nodes"},
        {"NaN",
         {0, 0, 0, 1, 0, 0, 0, nan, 0, 0, 0, 1},
         4,
         tet,
         4,
         {},
         "mm",
         QVR_ARRAYS_NOT_FINITE,
         "node 2: coordinate 1"},
        {"beyond float",
         {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1e39},
         4,
         tet,
         4,
         {},
         "mm",
         QVR_ARRAYS_NOT_FINITE,
         "node 3: coordinate 2"},
        {"node past the end",
         good,
         5,
         {0, 1, 2, 5},
         4,
         {},
         "mm",
         QVR_ARRAYS_NODE_OUT_OF_RANGE,
         "cell 0 (block 0, entry 0): node 5 is outside 0..4"},
        {"negative node",
         good,
         5,
         {0, -1, 2, 3},
         4,
         {},
         "mm",
         QVR_ARRAYS_NODE_OUT_OF_RANGE,
         "node -1"},
        {"seven nodes",
         good,
         5,
         {0, 1, 2, 3, 4, 0, 1},
         7,
         {},
         "mm",
         QVR_ARRAYS_INVALID_ARGUMENT,
         "7 nodes per item"},
        {"inverted", good, 5, {0, 2, 1, 3}, 4, {}, "mm", QVR_ARRAYS_BAD_CELL, "inverted"},
        {"flat",
         {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0},
         4,
         tet,
         4,
         {},
         "mm",
         QVR_ARRAYS_BAD_CELL,
         "no volume"},
        {"repeated node", good, 5, {0, 1, 1, 3}, 4, {}, "mm", QVR_ARRAYS_BAD_CELL, "node 1 twice"},
        {"face past the end",
         good,
         5,
         tet,
         4,
         {0, 2, 9},
         "mm",
         QVR_ARRAYS_NODE_OUT_OF_RANGE,
         "face 0 (block 0, entry 0): node 9"},
        {"face of two corners",
         good,
         5,
         tet,
         4,
         {0, 2, 2},
         "mm",
         QVR_ARRAYS_BAD_CELL,
         "fewer than three distinct corners"},
        {"unit", good, 5, tet, 4, {}, "metre", QVR_ARRAYS_UNKNOWN_UNIT, "\"metre\""},
        {"no cells", good, 5, {}, 4, {}, "mm", QVR_ARRAYS_INVALID_ARGUMENT, "no cells"},
    };
    CQVROptKer kernel;
    ASSERT_EQ(Arrays(qvr::gen::makePlate({})).load(kernel, false), QVR_ARRAYS_OK);
    const auto before = fingerprint(kernel);
    QVR3DExtractTool tool;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVRIndexBlock cells{c.nodesPerCell, static_cast<int>(c.cell.size()) / c.nodesPerCell,
                                  c.cell.data()};
        const QVRIndexBlock faces{3, 1, c.face.data()};
        const QVRIndexBlock* faceBlocks = c.face.empty() ? nullptr : &faces;
        EXPECT_EQ(kernel.SetMeshArrays(c.nodeCount, c.xyz.data(), 1, &cells, faceBlocks ? 1 : 0,
                                       faceBlocks, c.unit, 0),
                  c.status);
        const std::string why = kernel.GetLastErrorText();
        EXPECT_NE(why.find(c.says), std::string::npos) << why;
        EXPECT_EQ(kernel.GetLastErrorCode(), c.status);
        EXPECT_EQ(fingerprint(kernel), before);
        EXPECT_EQ(tool.SetMeshArrays(c.nodeCount, c.xyz.data(), 1, &cells, faceBlocks ? 1 : 0,
                                     faceBlocks, c.unit),
                  c.status);
        EXPECT_EQ(tool.GetLastErrorText(), why);
    }
    // Shapes that cannot be: a null block array, a block without its nodes, a negative count.
    const QVRIndexBlock nullNodes{4, 1, nullptr}, negative{4, -1, tet.data()};
    EXPECT_EQ(kernel.SetMeshArrays(5, good.data(), 1, nullptr, 0, nullptr, "mm", 0),
              QVR_ARRAYS_INVALID_ARGUMENT);
    EXPECT_EQ(kernel.SetMeshArrays(5, good.data(), 1, &nullNodes, 0, nullptr, "mm", 0),
              QVR_ARRAYS_INVALID_ARGUMENT);
    EXPECT_EQ(kernel.SetMeshArrays(5, good.data(), 1, &negative, 0, nullptr, "mm", 0),
              QVR_ARRAYS_INVALID_ARGUMENT);
    EXPECT_EQ(fingerprint(kernel), before);
    // A load that succeeds clears the last refusal and, as a file load does, drops the tree
    // of the previous mesh.
    kernel.InitialzeSearch(1);
    ASSERT_EQ(Arrays(qvr::gen::makePlate({})).load(kernel, false), QVR_ARRAYS_OK);
    EXPECT_EQ(std::make_tuple(std::string(kernel.GetLastErrorText()), kernel.GetLastErrorCode()),
              std::make_tuple(std::string(), 0));
    int found = -1;
    kernel.SearchNearBlockID(-1e9, -1e9, -1e9, 1e9, 1e9, 1e9, found, 0);
    EXPECT_EQ(found, 0);
}

TEST(MeshArrays, FiberValuesNeedTheMeshAndOneFiniteRowPerCell) {
    QVR3DExtractTool tool;
    const std::vector<double> values(6 * 4, 0.25);
    EXPECT_EQ(tool.SetFiberValues(4, values.data()), QVR_ARRAYS_NO_MESH);
    qvr::gen::PlateSpec plate;
    plate.nx = 2, plate.ny = 1, plate.nz = 2;  // four hexahedra
    Arrays arrays(qvr::gen::makePlate(plate));
    ASSERT_EQ(tool.SetMeshArrays(arrays.nodeCount(), arrays.xyz.data(), 1, arrays.cells.data(), 0,
                                 nullptr, "mm"),
              QVR_ARRAYS_OK);
    EXPECT_EQ(tool.SetFiberValues(3, values.data()), QVR_ARRAYS_INVALID_ARGUMENT);
    EXPECT_EQ(std::string(tool.GetLastErrorText()), "expected values for 4 cells, got 3");
    std::vector<double> withNaN(values);
    withNaN[6 * 2 + 4] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(tool.SetFiberValues(4, withNaN.data()), QVR_ARRAYS_NOT_FINITE);
    EXPECT_EQ(std::string(tool.GetLastErrorText()), "cell 2: value 4 is not finite");

    // A refused call keeps the earlier values and rays: the profile stays as it was.
    ASSERT_EQ(tool.SetFiberValues(4, values.data()), QVR_ARRAYS_OK);
    double x[2] = {0, 0}, y[2] = {0, 0}, z[2] = {0, 0}, ax[2] = {0, 0}, ay[2] = {0, 0},
           az[2] = {0, 1};
    ASSERT_EQ(tool.SetSurfaceNode(1, 2, x, y, z, ax, ay, az), 1);
    const auto profile = [&tool] {
        std::vector<double> f[7];
        for (auto& v : f) v.assign(3, 0.0);
        tool.GetFiber(1, f[0].data(), f[1].data(), f[2].data(), f[3].data(), f[4].data(),
                      f[5].data(), f[6].data());
        return std::vector<double>{f[0][2], f[1][1], f[5][2]};
    };
    const std::vector<double> first = profile();
    EXPECT_EQ(first[1], 0.25);
    EXPECT_EQ(tool.SetFiberValues(4, withNaN.data()), QVR_ARRAYS_NOT_FINITE);
    EXPECT_EQ(tool.SetMeshArrays(0, nullptr, 0, nullptr, 0, nullptr, "mm"),
              QVR_ARRAYS_INVALID_ARGUMENT);
    EXPECT_EQ(profile(), first);
}

}  // namespace
