// Loading a mesh: unit scaling, volumes, centroids and skin area vectors.
#include <gtest/gtest.h>

#include <string>

#include "KernelMeshFiles.h"

namespace {

using kerneltest::Encoding;
using kerneltest::load;
using kerneltest::MeshBuilder;
using kerneltest::unitCube;
using kerneltest::writeMesh;

constexpr char kIllegalUnit[] = "The unit of NQB is illegal. ";

struct UnitCase {
    const char* unit;
    double factor;
    bool recognised;
};

class UnitScaling : public testing::TestWithParam<UnitCase> {};

TEST_P(UnitScaling, LengthsAndVolumeFollowTheUnit) {
    const UnitCase c = GetParam();
    TempDir dir;
    MeshBuilder b(c.unit);
    const int p = b.node(1, 2, 3);
    const int q = b.node(4, 5, 6);
    const int r = b.node(-7, 8, 9);
    const int s = b.node(1, 1, 1);
    b.cell({p, q, r, s}, 2.0f);
    const std::string path = writeMesh(dir, "unit.nqb", b.mesh());

    CQVROptKer kernel;
    const kerneltest::LoadOutcome o = load(kernel, path);
    ASSERT_EQ(o.result, 1);
    EXPECT_EQ(o.out.find(kIllegalUnit) != std::string::npos, !c.recognised) << o.out;
    ASSERT_EQ(kernel.m_nNode, 4);
    EXPECT_DOUBLE_EQ(kernel.m_pNode[1].x, 1.0 * c.factor);
    EXPECT_DOUBLE_EQ(kernel.m_pNode[1].y, 2.0 * c.factor);
    EXPECT_DOUBLE_EQ(kernel.m_pNode[1].z, 3.0 * c.factor);
    EXPECT_DOUBLE_EQ(kernel.m_pNode[3].x, -7.0 * c.factor);
    EXPECT_DOUBLE_EQ(kernel.TotalVolume, 2.0 * c.factor * c.factor * c.factor);
    // The centroid is the mean of the scaled corners: (-1, 16, 19) / 4 in file units; the
    // scaled sums round differently from the scaled result, hence the tolerance.
    const double tolerance = 1e-12 * c.factor;
    EXPECT_NEAR(kernel.p_Cell[1].xc, -0.25 * c.factor, tolerance);
    EXPECT_NEAR(kernel.p_Cell[1].yc, 4.0 * c.factor, tolerance);
    EXPECT_NEAR(kernel.p_Cell[1].zc, 4.75 * c.factor, tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Units, UnitScaling,
    testing::Values(UnitCase{"mm", 1.0, true}, UnitCase{"cm", 10.0, true},
                    UnitCase{"inch", 25.4, true}, UnitCase{"um", 0.001, true},
                    UnitCase{"mm and cm", 1.0, true},   // the first substring found decides
                    UnitCase{"cm, not mm", 1.0, true},  // "mm" is looked for before "cm"
                    UnitCase{"square inches", 25.4, true}, UnitCase{"MM", 1.0, false},
                    UnitCase{"CM", 1.0, false}, UnitCase{"metre", 1.0, false},
                    UnitCase{"", 1.0, false}));

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
        EXPECT_EQ(f.nNode, 4);
        EXPECT_DOUBLE_EQ(f.ax, expected[i - 1][0]) << i;
        EXPECT_DOUBLE_EQ(f.ay, expected[i - 1][1]) << i;
        EXPECT_DOUBLE_EQ(f.az, expected[i - 1][2]) << i;
        EXPECT_DOUBLE_EQ(f.xc, centroid[i - 1][0]) << i;
        EXPECT_DOUBLE_EQ(f.yc, centroid[i - 1][1]) << i;
        EXPECT_DOUBLE_EQ(f.zc, centroid[i - 1][2]) << i;
        sum[0] += f.ax;
        sum[1] += f.ay;
        sum[2] += f.az;
    }
    for (double s : sum) EXPECT_DOUBLE_EQ(s, 0.0);  // a closed skin has no net area
    EXPECT_DOUBLE_EQ(kernel.p_Cell[1].xc, 5.0);
    EXPECT_DOUBLE_EQ(kernel.p_Cell[1].yc, 5.0);
    EXPECT_DOUBLE_EQ(kernel.p_Cell[1].zc, 5.0);
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
        EXPECT_DOUBLE_EQ(f.ax, 0.0) << i;
        EXPECT_DOUBLE_EQ(f.ay, 0.0) << i;
        EXPECT_DOUBLE_EQ(f.az, az[i - 1]) << i;
    }
    // Corner order is kept with the repeats removed: o, x, y.
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(kernel.m_pSurface[i].pNode[1], o) << i;
        EXPECT_EQ(kernel.m_pSurface[i].pNode[2], x) << i;
        EXPECT_EQ(kernel.m_pSurface[i].pNode[3], y) << i;
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

TEST(ReadMeshGeometry, BinaryFileLoadsTheSameAndSetsTheFormatFlag) {
    TempDir dir;
    const nqbio::MeshData cube = unitCube("inch").mesh();
    const std::string text = writeMesh(dir, "cube.nqb", cube);
    const std::string binary = writeMesh(dir, "cube.nqbb", cube, Encoding::Binary);
    CQVROptKer fromText, fromBinary;
    ASSERT_EQ(load(fromText, text).result, 1);
    ASSERT_EQ(load(fromBinary, binary).result, 1);
    EXPECT_FALSE(fromText.m_bFormatFlag);
    EXPECT_TRUE(fromBinary.m_bFormatFlag);
    ASSERT_EQ(fromBinary.m_nNode, fromText.m_nNode);
    for (int i = 1; i <= fromText.m_nNode; ++i) {
        EXPECT_EQ(fromBinary.m_pNode[i].x, fromText.m_pNode[i].x);
        EXPECT_EQ(fromBinary.m_pNode[i].y, fromText.m_pNode[i].y);
        EXPECT_EQ(fromBinary.m_pNode[i].z, fromText.m_pNode[i].z);
    }
    EXPECT_DOUBLE_EQ(fromBinary.m_pNode[7].x, 25.4);
    EXPECT_EQ(fromBinary.TotalVolume, fromText.TotalVolume);
}

}  // namespace
