// What is done to a part after it is made: rotating and scaling it, and its fibre results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string>

#include "MeshAudit.h"
#include "PartGenerator.h"

using qvr::gen::FiberSpec;

namespace {

// 40 x 20 x 2 mm, mixed cells on 6 x 4 x nz blocks, 1 mm ribs.
nqbio::MeshData mixedPlate(bool ribs, bool hole, int nz) {
    qvr::gen::PlateSpec plate;
    plate.nx = 6;
    plate.ny = 4;
    plate.nz = nz;
    plate.type = qvr::gen::CellType::Mixed;
    plate.ribs = ribs;
    plate.ribHeight = 1.0;
    plate.hole = hole;
    return qvr::gen::makePlate(plate);
}

// a11, a22, a33, a12, a13, a23 of cell c, taken from the items by id.
std::array<double, 6> tensor(const k7t::ResultFile& file, std::size_t c) {
    std::array<double, 6> a{};
    for (const k7t::ResultItem& item : file.items)
        a[std::find(std::begin(k7t::kFiberItemIds), std::end(k7t::kFiberItemIds), item.id) -
          std::begin(k7t::kFiberItemIds)] = item.values.at(c);
    return a;
}

// Trace one and positive semi-definite: every principal minor is non-negative.
void expectOrientationTensor(const std::array<double, 6>& a) {
    const double a11 = a[0], a22 = a[1], a33 = a[2], a12 = a[3], a13 = a[4], a23 = a[5];
    EXPECT_NEAR(a11 + a22 + a33, 1.0, 1e-6);
    const double det = a11 * (a22 * a33 - a23 * a23) - a12 * (a12 * a33 - a23 * a13) +
                       a13 * (a12 * a23 - a22 * a13);
    EXPECT_TRUE(a11 >= 0 && a22 >= 0 && a33 >= 0 && a11 * a22 >= a12 * a12 &&
                a11 * a33 >= a13 * a13 && a22 * a33 >= a23 * a23 && det >= 0)
        << a11 << " " << a22 << " " << a33 << " " << a12 << " " << a13 << " " << a23;
}

}  // namespace

TEST(FiberResult, SkinShellCoreProfileInTheDocumentedItems) {
    const nqbio::MeshData mesh = mixedPlate(true, false, 10);
    const std::map<int, std::string> names = {{4, "a11"}, {5, "a22"},  {6, "a33"},
                                              {9, "a12"}, {10, "a13"}, {11, "a23"}};
    FiberSpec fibre;
    fibre.zBottom = 0.0;
    fibre.zTop = 2.0;
    const k7t::ResultFile file = qvr::gen::makeFiberResult(mesh, fibre);
    EXPECT_EQ(file.nodeCount, mesh.nodeCount());
    EXPECT_EQ(file.elemCount, static_cast<std::int64_t>(mesh.parts.size()));
    ASSERT_EQ(file.items.size(), 6u);
    for (const k7t::ResultItem& item : file.items)
        EXPECT_TRUE(item.name == "FiberOrientation_" + names.at(item.id) && item.location == 1 &&
                    item.unit.empty() && item.values.size() == mesh.parts.size())
            << item.id;
    std::map<long long, double> a11ByDepth;  // by centroid z in micrometres
    for (std::size_t c = 0; c < mesh.parts.size(); ++c) {
        const std::array<double, 6> a = tensor(file, c);
        expectOrientationTensor(a);
        const double s = audit::centroid(mesh, mesh.parts[c])[2] / 2.0;
        const bool shell = s < 0.1 || s > 0.9, core = std::fabs(s - 0.5) < 0.1;
        EXPECT_TRUE(!shell || (a[0] >= 0.7 && a[0] <= 0.8)) << "shell cell " << c << ": " << a[0];
        EXPECT_TRUE(!core || (a[0] >= 0.2 && a[0] <= 0.3 && a[1] > 0.6)) << "core cell " << c;
        EXPECT_TRUE(a[2] >= 0.03 && a[2] <= 0.05) << a[2];
        for (std::size_t k = 3; k < 6; ++k) EXPECT_LE(std::fabs(a[k]), 0.05);
        if (s <= 1.0) a11ByDepth[std::llround(s * 2000.0)] = a[0];
    }
    // The two shells mirror each other about the mid-plane.
    for (const auto& [depth, a11] : a11ByDepth) {
        const auto mirror = a11ByDepth.find(2000 - depth);
        if (mirror != a11ByDepth.end()) {
            EXPECT_NEAR(a11, mirror->second, 1e-6) << depth;
        }
    }
    // No thickness range: the whole part is core.
    fibre.zTop = fibre.zBottom;
    const k7t::ResultFile flat = qvr::gen::makeFiberResult(mesh, fibre);
    for (std::size_t c = 0; c < mesh.parts.size(); ++c) {
        expectOrientationTensor(tensor(flat, c));
        EXPECT_LE(tensor(flat, c)[0], 0.3);
    }
}

TEST(FiberResult, AffineFieldAtCellCentroids) {
    nqbio::MeshData mesh = mixedPlate(false, false, 10);
    qvr::gen::rotate(mesh, {1.0, 1.0, 0.0}, 0.3);  // so that every coordinate varies
    FiberSpec fibre;
    fibre.field = qvr::gen::FiberField::Affine;
    for (std::size_t k = 0; k < 6; ++k) {
        fibre.c0[k] = 0.1 * static_cast<double>(k) - 0.2;
        fibre.gx[k] = 0.01 * static_cast<double>(k + 1);
        fibre.gy[k] = -0.02 * static_cast<double>(k);
        fibre.gz[k] = 0.3 - 0.05 * static_cast<double>(k);
    }
    const k7t::ResultFile file = qvr::gen::makeFiberResult(mesh, fibre);
    for (std::size_t c = 0; c < mesh.parts.size(); ++c) {
        const audit::Point x = audit::centroid(mesh, mesh.parts[c]);
        const std::array<double, 6> a = tensor(file, c);
        for (std::size_t k = 0; k < 6; ++k)
            EXPECT_NEAR(a[k],
                        fibre.c0[k] + fibre.gx[k] * x[0] + fibre.gy[k] * x[1] + fibre.gz[k] * x[2],
                        1e-6)
                << "cell " << c << " component " << k;
    }
}

TEST(Transform, TurnsAndScalingKeepASoundMeshAndRefusedArgumentsNothing) {
    const nqbio::MeshData original = mixedPlate(true, true, 2);
    const audit::Report before = audit::inspect(original);
    // Any turn keeps the stored volumes, which the audit measures again. (The turn's direction:
    // the host's tests compare it with the matrix that turns the fibre tensors.)
    nqbio::MeshData mesh = original;
    qvr::gen::rotate(mesh, {1.0, -2.0, 0.5}, 0.7);
    EXPECT_NE(mesh.xyz, original.xyz);
    expectSoundMesh(mesh, before.cellVolumeSum, before.skinArea, before.euler);

    mesh = original;
    qvr::gen::scale(mesh, 2.5);
    for (std::size_t k = 0; k < mesh.xyz.size(); ++k)
        EXPECT_FLOAT_EQ(mesh.xyz[k], 2.5f * original.xyz[k]);
    EXPECT_EQ(mesh.unit, original.unit);
    expectSoundMesh(mesh, 15.625 * before.cellVolumeSum, 6.25 * before.skinArea, before.euler);

    // Refused arguments leave the mesh; 1e37 would carry the 40 mm plate beyond the float range.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    mesh = original;
    qvr::gen::rotate(mesh, {0.0, 0.0, 0.0}, 1.0);
    qvr::gen::rotate(mesh, {nan, 1.0, 0.0}, 1.0);
    qvr::gen::rotate(mesh, {1.0, 1.0, 0.0}, inf);
    for (double factor : {0.0, -1.0, nan, inf, 1e37}) qvr::gen::scale(mesh, factor);
    EXPECT_EQ(mesh.xyz, original.xyz);
    EXPECT_TRUE(std::equal(mesh.parts.begin(), mesh.parts.end(), original.parts.begin(),
                           [](const auto& a, const auto& b) { return a.volume == b.volume; }));
}
