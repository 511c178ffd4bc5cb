// Node surface normals and surface value smoothing.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "KernelMeshBuilder.h"
#include "QVROptKer.h"

namespace {

using qvrtest::CellKind;
using qvrtest::KernelMeshBuilder;

std::string kindName(const ::testing::TestParamInfo<CellKind>& p) {
    return qvrtest::cellKindName(p.param);
}

struct Normals {
    std::vector<double> x, y, z;
    explicit Normals(std::size_t n, double fill = 0.0) : x(n, fill), y(n, fill), z(n, fill) {}
};

Normals normalsOf(CQVROptKer& k, double fill = 0.0) {
    Normals n(static_cast<std::size_t>(k.m_nNode) + 1, fill);
    EXPECT_EQ(k.ComputeNodeSurfaceNormal(n.x.data(), n.y.data(), n.z.data()), 1);
    return n;
}

// The unit square in z = 0, corners counter-clockwise seen from +z.
KernelMeshBuilder unitSquareNodes() {
    KernelMeshBuilder b;
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) b.addNode(x, y, 0);
    return b;
}

TEST(NodeNormals, TwoTrianglesGiveHalfAtEveryCorner) {
    KernelMeshBuilder b = unitSquareNodes();
    b.addFace({1, 2, 3});
    b.addFace({1, 3, 4});
    b.addNode(5, 5, 5);  // on no face
    CQVROptKer k;
    b.install(k);
    const Normals z = normalsOf(k);
    for (std::size_t i = 1; i <= 4; ++i)
        EXPECT_EQ(std::make_tuple(z.x[i], z.y[i], z.z[i]), std::make_tuple(0.0, 0.0, 0.5)) << i;
    // Pre-filled arrays: the sums add to what was there, and the whole is divided.
    const Normals n = normalsOf(k, 7.0);
    EXPECT_EQ(n.z[1], (7.0 + 0.5 + 0.5) / 2.0);
    EXPECT_EQ(n.z[2], 7.0 + 0.5);
    // The node on no face keeps what the caller passed; entry 0 too.
    EXPECT_EQ(std::make_tuple(n.x[5], n.z[5], n.z[0]), std::make_tuple(7.0, 7.0, 7.0));
}

TEST(NodeNormals, ReversedOrderReversesAndSizeDominates) {
    // A small triangle and a large one share node 1; the second is listed clockwise.
    KernelMeshBuilder b;
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {0, -10}, {-10, 0}})
        b.addNode(x, y, 0);
    b.addFace({1, 2, 3});  // area 0.5, +z
    b.addFace({1, 4, 5});  // area 50, listed (0,0) (0,-10) (-10,0): clockwise from +z
    CQVROptKer k;
    b.install(k);
    const Normals n = normalsOf(k);
    EXPECT_EQ(n.z[1], (0.5 + -50.0) / 2.0);
    EXPECT_EQ(n.z[2], 0.5);
    EXPECT_EQ(n.z[4], -50.0);
}

class ClosedSkin : public ::testing::TestWithParam<CellKind> {};

TEST_P(ClosedSkin, NormalsTimesFaceCountsSumToZeroAndPointOutward) {
    KernelMeshBuilder b;
    b.addBlock({GetParam(), 3, 2, 2, 1.0, -1.0, 2.0, 0.5, 1.5, 1.0});
    CQVROptKer k;
    b.install(k);
    const Normals n = normalsOf(k);

    std::vector<int> faceCount(b.nodes().size() + 1, 0);
    for (const auto& f : b.faces())
        for (int v : f.nodes) ++faceCount[static_cast<std::size_t>(v)];
    double sum[3] = {0.0, 0.0, 0.0}, scale = 0.0;
    const double cx = 1.0 + 0.75, cy = -1.0 + 1.5, cz = 2.0 + 1.0;  // the block's centre
    for (int i = 1; i <= k.m_nNode; ++i) {
        const auto u = static_cast<std::size_t>(i);
        const double c = faceCount[u], m[3] = {n.x[u] * c, n.y[u] * c, n.z[u] * c};
        for (int a = 0; a < 3; ++a) sum[a] += m[a], scale += std::fabs(m[a]);
        if (c == 0) {
            EXPECT_EQ(n.x[u], 0.0);  // interior nodes untouched
            continue;
        }
        const auto& p = b.node(i);
        EXPECT_GT(n.x[u] * (p.x - cx) + n.y[u] * (p.y - cy) + n.z[u] * (p.z - cz), 0.0) << i;
    }
    for (double component : sum) EXPECT_NEAR(component, 0.0, 1e-12 * scale);
    EXPECT_GT(scale, 1.0);
}

TEST_P(ClosedSkin, ConstantFieldStaysConstant) {
    KernelMeshBuilder b;
    b.addBlock({GetParam(), 2, 2, 3, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0});
    CQVROptKer k;
    b.install(k);
    std::vector<double> v(static_cast<std::size_t>(k.m_nNode) + 1, 7.25);
    v[0] = -1.0;
    ASSERT_EQ(k.SmoothSurfaceNodeValue(v.data(), 5), 1);
    EXPECT_EQ(v[0], -1.0);
    for (std::size_t i = 1; i < v.size(); ++i) EXPECT_EQ(v[i], 7.25) << i;
}

INSTANTIATE_TEST_SUITE_P(Kinds, ClosedSkin,
                         ::testing::Values(CellKind::Hex, CellKind::Prism, CellKind::Tet,
                                           CellKind::Pyramid),
                         kindName);

TEST(NodeNormals, MessageAtLevelOneOnlyNullArraysAndNoMesh) {
    KernelMeshBuilder b = unitSquareNodes();
    b.addFace({1, 2, 3, 4});
    CQVROptKer k;
    b.install(k);
    testing::internal::CaptureStdout();
    normalsOf(k);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    k.setParameter(1);
    testing::internal::CaptureStdout();
    const Normals n = normalsOf(k);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Compute Node Surface Normal end\n");
    EXPECT_EQ(n.z[3], 1.0);  // a unit square quadrilateral
    std::vector<double> x(5), y(5);
    EXPECT_EQ(k.ComputeNodeSurfaceNormal(x.data(), y.data(), nullptr), -1);
    EXPECT_EQ(x[1], 0.0);

    CQVROptKer none;
    double a[2] = {3, 3}, c[2] = {4, 4}, d[2] = {5, 5};
    EXPECT_EQ(none.ComputeNodeSurfaceNormal(a, c, d), 1);
    EXPECT_EQ(none.ComputeNodeSurfaceNormal(nullptr, c, d), -1);
    EXPECT_EQ(none.SmoothSurfaceNodeValue(a, 3), 1);
    EXPECT_EQ(none.SmoothSurfaceNodeValue(nullptr, 3), -1);
    EXPECT_EQ(std::make_pair(a[0], a[1]), std::make_pair(3.0, 3.0));
}

TEST(Smoothing, TwoTrianglesNoneOneAndTwoPasses) {
    KernelMeshBuilder b = unitSquareNodes();
    b.addFace({1, 2, 3});
    b.addFace({1, 3, 4});
    const int lonely = b.addNode(9, 9, 9);
    CQVROptKer k;
    b.install(k);
    std::vector<double> v{0, 0, 4, 0, 0, 100};
    ASSERT_EQ(lonely, 5);
    for (int none : {0, -4}) ASSERT_EQ(k.SmoothSurfaceNodeValue(v.data(), none), 1);
    EXPECT_EQ(v, (std::vector<double>{0, 0, 4, 0, 0, 100}));  // no pass changes nothing
    ASSERT_EQ(k.SmoothSurfaceNodeValue(v.data(), 1), 1);
    EXPECT_DOUBLE_EQ(v[1], 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(v[2], 4.0 / 3.0);
    EXPECT_DOUBLE_EQ(v[3], 2.0 / 3.0);
    // Node 5 keeps its value and, on no face, reaches no other node.
    EXPECT_EQ(std::make_pair(v[4], v[5]), std::make_pair(0.0, 100.0));

    // Second pass, by hand: face means 8/9 and 4/9.
    ASSERT_EQ(k.SmoothSurfaceNodeValue(v.data(), 1), 1);
    EXPECT_NEAR(v[1], 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(v[2], 8.0 / 9.0, 1e-15);
    EXPECT_NEAR(v[3], 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(v[4], 4.0 / 9.0, 1e-15);

    // Two passes in one call equal two calls of one pass.
    std::vector<double> w{0, 0, 4, 0, 0, 100};
    k.SmoothSurfaceNodeValue(w.data(), 2);
    EXPECT_EQ(w, v);
}

}  // namespace
