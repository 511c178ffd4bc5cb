#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "MeshAudit.h"
#include "PartGenerator.h"

namespace {

nqbio::MeshData ribbedMixedPlate() {
    qvr::gen::PlateSpec plate;
    plate.nx = 8;
    plate.ny = 5;
    plate.nz = 2;
    plate.type = qvr::gen::CellType::Mixed;
    plate.ribs = true;
    plate.hole = true;
    return qvr::gen::makePlate(plate);
}

void expectSameMesh(const nqbio::MeshData& a, const nqbio::MeshData& b) {
    EXPECT_EQ(a.xyz, b.xyz);
    ASSERT_EQ(a.parts.size(), b.parts.size());
    for (std::size_t c = 0; c < a.parts.size(); ++c)
        EXPECT_EQ(a.parts[c].volume, b.parts[c].volume);
}

}  // namespace

TEST(Rotate, QuarterTurnAboutZIsCounterClockwiseAndAnyTurnKeepsTheMeshSound) {
    const nqbio::MeshData original = ribbedMixedPlate();
    nqbio::MeshData mesh = original;
    qvr::gen::rotate(mesh, {0.0, 0.0, 2.0}, std::acos(-1.0) / 2.0);
    for (int k = 1; k <= mesh.nodeCount(); ++k) {
        const audit::Point p = audit::point(original, k);
        const audit::Point q = audit::point(mesh, k);
        EXPECT_NEAR(q[0], -p[1], 1e-5);
        EXPECT_NEAR(q[1], p[0], 1e-5);
        EXPECT_EQ(q[2], p[2]);
    }
    // The stored volumes stay; measured again they agree within float rounding.
    const audit::Report before = audit::inspect(original);
    mesh = original;
    qvr::gen::rotate(mesh, {1.0, -2.0, 0.5}, 0.7);
    EXPECT_NE(mesh.xyz, original.xyz);
    for (std::size_t c = 0; c < mesh.parts.size(); ++c)
        EXPECT_EQ(mesh.parts[c].volume, original.parts[c].volume);
    expectSoundMesh(mesh, before.cellVolumeSum, before.skinArea);
}

TEST(Scale, ScalesLengthsAndVolumes) {
    const nqbio::MeshData original = ribbedMixedPlate();
    const audit::Report before = audit::inspect(original);
    nqbio::MeshData mesh = original;
    qvr::gen::scale(mesh, 2.5);
    for (std::size_t k = 0; k < mesh.xyz.size(); ++k)
        EXPECT_FLOAT_EQ(mesh.xyz[k], 2.5f * original.xyz[k]);
    EXPECT_EQ(mesh.unit, original.unit);
    // expectSoundMesh also compares the stored volumes with volumes measured again.
    expectSoundMesh(mesh, 15.625 * before.cellVolumeSum, 6.25 * before.skinArea);
}

TEST(Transform, RefusedArgumentsLeaveTheMesh) {
    const nqbio::MeshData original = ribbedMixedPlate();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    nqbio::MeshData mesh = original;
    qvr::gen::rotate(mesh, {0.0, 0.0, 0.0}, 1.0);
    qvr::gen::rotate(mesh, {nan, 1.0, 0.0}, 1.0);
    qvr::gen::rotate(mesh, {1.0, 1.0, 0.0}, inf);
    // 1e37 would carry the 40 mm plate beyond the float range.
    for (double factor : {0.0, -1.0, nan, inf, 1e37}) qvr::gen::scale(mesh, factor);
    expectSameMesh(mesh, original);
}
