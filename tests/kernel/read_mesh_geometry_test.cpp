// Loading a mesh: unit scaling, volumes, centroids and skin area vectors.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "KernelMeshFiles.h"

namespace {

using kerneltest::Encoding;
using kerneltest::load;
using kerneltest::MeshBuilder;
using kerneltest::unitCube;
using kerneltest::writeMesh;

constexpr char kIllegalUnit[] = "The unit of NQB is illegal. ";

TEST(ReadMeshGeometry, LengthsAndVolumeFollowTheUnit) {
    const struct {
        const char* unit;
        double factor;
        bool recognised;
    } units[] = {{"mm", 1.0, true}, {"cm", 10.0, true}, {"inch", 25.4, true},
                 {"um", 0.001, true},
                 {"mm and cm", 1.0, true},   // the first substring found decides
                 {"cm, not mm", 1.0, true},  // "mm" is looked for before "cm"
                 {"square inches", 25.4, true}, {"MM", 1.0, false}, {"CM", 1.0, false},
                 {"metre", 1.0, false}, {"", 1.0, false}};
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
        const kerneltest::LoadOutcome o = load(kernel, writeMesh(dir, "unit.nqb", b.mesh()));
        ASSERT_EQ(o.result, 1);
        EXPECT_EQ(o.out.find(kIllegalUnit) != std::string::npos, !c.recognised) << o.out;
        ASSERT_EQ(kernel.m_nNode, 4);
        const Cnode& n = kernel.m_pNode[1];
        EXPECT_EQ(std::make_tuple(n.x, n.y, n.z, kernel.m_pNode[3].x),
                  std::make_tuple(1.0 * c.factor, 2.0 * c.factor, 3.0 * c.factor, -7.0 * c.factor));
        EXPECT_DOUBLE_EQ(kernel.TotalVolume, 2.0 * c.factor * c.factor * c.factor);
        // The centroid is the mean of the scaled corners: (-1, 16, 19) / 4 in file units; the
        // scaled sums round differently from the scaled result, hence the tolerance.
        const double tolerance = 1e-12 * c.factor;
        EXPECT_NEAR(kernel.p_Cell[1].xc, -0.25 * c.factor, tolerance);
        EXPECT_NEAR(kernel.p_Cell[1].yc, 4.0 * c.factor, tolerance);
        EXPECT_NEAR(kernel.p_Cell[1].zc, 4.75 * c.factor, tolerance);
    }
}

TEST(ReadMeshGeometry, CubeSkinAreaVectorsPointOutAndCloseUp) {
    TempDir dir;
    const std::string path = writeMesh(dir, "cube.nqb", unitCube("cm").mesh());
    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, path).result, 1);
    ASSERT_EQ(kernel.m_nSurface, 6);
    // Faces in file order: bottom, top, y = 0, x = 1, y = 1, x = 0; each 10 x 10 mm.
    const double expected[6][3] = {{0, 0, -100}, {0, 0, 100}, {0, -100, 0},
                                   {100, 0, 0},  {0, 100, 0}, {-100, 0, 0}};
    const double centroid[6][3] = {{5, 5, 0},  {5, 5, 10}, {5, 0, 5},
                                   {10, 5, 5}, {5, 10, 5}, {0, 5, 5}};
    double sum[3] = {0, 0, 0};
    for (int i = 1; i <= 6; ++i) {
        const CFaceElem& f = kernel.m_pSurface[i];
        const double* a = expected[i - 1];
        const double* c = centroid[i - 1];
        EXPECT_EQ(f.nNode, 4);
        EXPECT_EQ(std::make_tuple(f.ax, f.ay, f.az, f.xc, f.yc, f.zc),
                  std::make_tuple(a[0], a[1], a[2], c[0], c[1], c[2])) << i;
        sum[0] += f.ax;
        sum[1] += f.ay;
        sum[2] += f.az;
    }
    for (double s : sum) EXPECT_DOUBLE_EQ(s, 0.0);  // a closed skin has no net area
    const CInnerCell& cell = kernel.p_Cell[1];
    EXPECT_EQ(std::make_tuple(cell.xc, cell.yc, cell.zc), std::make_tuple(5.0, 5.0, 5.0));
    EXPECT_DOUBLE_EQ(kernel.TotalVolume, 1000.0);
}

TEST(ReadMeshGeometry, TrianglesFromRepeatedCornersAndFanAreas) {
    TempDir dir;
    MeshBuilder b;
    const int o = b.node(0, 0, 0);
    const int x = b.node(1, 0, 0);
    const int y = b.node(0, 1, 0);
    const int xy = b.node(1, 1, 0);
    const int apex = b.node(0.25f, 0.25f, 1);
    const int far = b.node(2, 0, 0);
    b.cell({o, x, xy, y, apex}, 1.0f / 3.0f);
    b.cell({x, far, xy, apex}, 0.25f);
    b.face(o, x, y, y);     // repeated last corner
    b.face(o, o, x, y);     // repeated first corner
    b.face(o, x, o, y);     // repeated, not adjacent
    b.face(o, x, xy, y);    // unit square
    b.face(x, far, xy, x);  // area 0.5, normal +z
    b.face(o, y, xy, x);    // the square seen from below
    const std::string path = writeMesh(dir, "tri.nqb", b.mesh());

    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, path).result, 1);
    ASSERT_EQ(kernel.m_nSurface, 6);
    const int nodes[6] = {3, 3, 3, 4, 3, 4};
    const double az[6] = {0.5, 0.5, 0.5, 1.0, 0.5, -1.0};
    for (int i = 1; i <= 6; ++i) {
        const CFaceElem& f = kernel.m_pSurface[i];
        EXPECT_EQ(f.nNode, nodes[i - 1]) << i;
        EXPECT_EQ(std::make_tuple(f.ax, f.ay, f.az), std::make_tuple(0.0, 0.0, az[i - 1])) << i;
    }
    // Corner order is kept with the repeats removed: o, x, y.
    for (int i = 1; i <= 3; ++i) {
        const int* p = kernel.m_pSurface[i].pNode;
        EXPECT_EQ(std::make_tuple(p[1], p[2], p[3]), std::make_tuple(o, x, y)) << i;
    }
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[1].xc, 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[4].xc, 0.5);
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[4].yc, 0.5);
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[4].zc, 0.0);
    // Pyramid centroid: mean of its five nodes.
    EXPECT_DOUBLE_EQ(kernel.p_Cell[1].xc, 2.25 / 5.0);
    EXPECT_DOUBLE_EQ(kernel.p_Cell[1].zc, 1.0 / 5.0);
    EXPECT_EQ(kernel.p_Cell[1].nNode, 5);
    EXPECT_EQ(kernel.p_Cell[2].nNode, 4);
    EXPECT_DOUBLE_EQ(kernel.TotalVolume,
                     static_cast<double>(1.0f / 3.0f) + static_cast<double>(0.25f));
}

TEST(ReadMeshGeometry, BinaryFileLoadsScaledAndSetsTheFormatFlag) {
    TempDir dir;
    const nqbio::MeshData cube = unitCube("inch").mesh();
    CQVROptKer fromText, fromBinary;
    ASSERT_EQ(load(fromText, writeMesh(dir, "cube.nqb", cube)).result, 1);
    ASSERT_EQ(load(fromBinary, writeMesh(dir, "cube.nqbb", cube, Encoding::Binary)).result, 1);
    EXPECT_FALSE(fromText.m_bFormatFlag);
    EXPECT_TRUE(fromBinary.m_bFormatFlag);
    EXPECT_DOUBLE_EQ(fromBinary.m_pNode[7].x, 25.4);
    EXPECT_DOUBLE_EQ(fromBinary.TotalVolume, 25.4 * 25.4 * 25.4);
}

}  // namespace
