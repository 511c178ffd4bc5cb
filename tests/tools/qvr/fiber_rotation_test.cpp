// Turning the fibre tensors with the part: the rotation agrees with the generator's rotation
// of the nodes, and the tensors turn as A' = R A R^T.
#include <gtest/gtest.h>

#include <cmath>

#include "fiber_rotation.h"
#include "generator/PartGenerator.h"

using namespace qvr::cli;

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(FiberRotation, TheMatrixTurnsPointsAsTheGeneratorTurnsNodes) {
    nqbio::MeshData mesh;
    mesh.xyz = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.3f, -0.7f, 2.0f};
    const std::array<double, 3> axis{1.0, 2.0, 3.0};
    const double angle = 0.7;
    const Matrix3 r = rotationMatrix(axis, angle);
    nqbio::MeshData turned = mesh;
    qvr::gen::rotate(turned, axis, angle);
    for (std::size_t n = 0; n < 3; ++n) {
        for (int i = 0; i < 3; ++i) {
            double expected = 0.0;
            for (int j = 0; j < 3; ++j) expected += r[i][j] * mesh.xyz[3 * n + static_cast<std::size_t>(j)];
            EXPECT_NEAR(turned.xyz[3 * n + static_cast<std::size_t>(i)], expected, 1e-6);
        }
    }
}

k7t::ResultFile oneCell(const std::array<float, 6>& a) {  // a11 a22 a33 a12 a13 a23
    k7t::ResultFile f;
    f.elemCount = 1;
    for (int k = 0; k < 6; ++k) {
        k7t::ResultItem item;
        item.id = k7t::kFiberItemIds[k];
        item.values = {a[static_cast<std::size_t>(k)]};
        f.items.push_back(item);
    }
    return f;
}

float item(const k7t::ResultFile& f, int id) {
    for (const k7t::ResultItem& i : f.items)
        if (i.id == id) return i.values[0];
    return NAN;
}

TEST(FiberRotation, AQuarterTurnAboutZSwapsTheInPlaneAxes) {
    k7t::ResultFile f = oneCell({0.7f, 0.2f, 0.1f, 0.05f, 0.03f, 0.01f});
    rotateFiberResult(f, rotationMatrix({0, 0, 1}, kPi / 2));
    // x' = -y, y' = x: a11' = a22, a22' = a11, a12' = -a12, a13' = -a23, a23' = a13.
    EXPECT_NEAR(item(f, 4), 0.2f, 1e-7);
    EXPECT_NEAR(item(f, 5), 0.7f, 1e-7);
    EXPECT_NEAR(item(f, 6), 0.1f, 1e-7);
    EXPECT_NEAR(item(f, 9), -0.05f, 1e-7);
    EXPECT_NEAR(item(f, 10), -0.01f, 1e-7);
    EXPECT_NEAR(item(f, 11), 0.03f, 1e-7);
}

TEST(FiberRotation, AnyTurnKeepsTheTraceAndTheDirectionOfAUniaxialTensor) {
    // Fibres all along x: A = e_x e_x^T. After the turn they lie along R e_x.
    k7t::ResultFile f = oneCell({1, 0, 0, 0, 0, 0});
    const Matrix3 r = rotationMatrix({1, -2, 0.5}, 1.1);
    rotateFiberResult(f, r);
    EXPECT_NEAR(item(f, 4) + item(f, 5) + item(f, 6), 1.0, 1e-6);
    EXPECT_NEAR(item(f, 4), r[0][0] * r[0][0], 1e-6);
    EXPECT_NEAR(item(f, 9), r[0][0] * r[1][0], 1e-6);
    EXPECT_NEAR(item(f, 11), r[1][0] * r[2][0], 1e-6);
}

}  // namespace
