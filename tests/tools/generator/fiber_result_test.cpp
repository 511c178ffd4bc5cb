#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include "MeshAudit.h"
#include "PartGenerator.h"

using qvr::gen::FiberField;
using qvr::gen::FiberSpec;

namespace {

// Float rounding of six stored components (dimensionless).
constexpr double kTensorTolerance = 1e-6;

nqbio::MeshData layeredPlate(bool ribs) {
    qvr::gen::PlateSpec plate;  // thickness 2 mm
    plate.nx = 6;
    plate.ny = 4;
    plate.nz = 10;
    plate.type = qvr::gen::CellType::Mixed;
    plate.ribs = ribs;
    plate.ribHeight = 1.0;
    return qvr::gen::makePlate(plate);
}

audit::Point centroid(const nqbio::MeshData& mesh, const nqbio::PartElement& cell) {
    audit::Point sum{};
    for (int k = 0; k < cell.nNode; ++k) {
        const audit::Point p = audit::point(mesh, cell.node[k]);
        for (int d = 0; d < 3; ++d) sum[d] += p[d] / cell.nNode;
    }
    return sum;
}

// a11, a22, a33, a12, a13, a23 of cell c, taken from the items by id.
std::array<double, 6> tensor(const k7t::ResultFile& file, std::size_t c) {
    const int ids[6] = {4, 5, 6, 9, 10, 11};
    std::array<double, 6> a{};
    for (int k = 0; k < 6; ++k) {
        for (const k7t::ResultItem& item : file.items) {
            if (item.id == ids[k]) a[static_cast<std::size_t>(k)] = item.values.at(c);
        }
    }
    return a;
}

// Trace one and positive semi-definite: every principal minor is non-negative.
void expectOrientationTensor(const std::array<double, 6>& a) {
    const double a11 = a[0], a22 = a[1], a33 = a[2], a12 = a[3], a13 = a[4], a23 = a[5];
    EXPECT_NEAR(a11 + a22 + a33, 1.0, kTensorTolerance);
    const double det = a11 * (a22 * a33 - a23 * a23) - a12 * (a12 * a33 - a23 * a13) +
                       a13 * (a12 * a23 - a22 * a13);
    EXPECT_TRUE(a11 >= 0 && a22 >= 0 && a33 >= 0 && a11 * a22 >= a12 * a12 &&
                a11 * a33 >= a13 * a13 && a22 * a33 >= a23 * a23 && det >= 0)
        << a11 << " " << a22 << " " << a33 << " " << a12 << " " << a13 << " " << a23;
}

}  // namespace

TEST(FiberResult, SkinShellCoreProfileInTheDocumentedItems) {
    const nqbio::MeshData mesh = layeredPlate(true);
    FiberSpec fibre;
    fibre.zBottom = 0.0;
    fibre.zTop = 2.0;
    const k7t::ResultFile file = qvr::gen::makeFiberResult(mesh, fibre);
    EXPECT_EQ(file.nodeCount, mesh.nodeCount());
    EXPECT_EQ(file.elemCount, static_cast<std::int64_t>(mesh.parts.size()));
    const std::map<int, std::string> names = {
        {4, "FiberOrientation_a11"}, {5, "FiberOrientation_a22"},  {6, "FiberOrientation_a33"},
        {9, "FiberOrientation_a12"}, {10, "FiberOrientation_a13"}, {11, "FiberOrientation_a23"}};
    ASSERT_EQ(file.items.size(), 6u);
    for (const k7t::ResultItem& item : file.items) {
        ASSERT_EQ(names.count(item.id), 1u) << item.id;
        EXPECT_EQ(std::make_tuple(item.name, item.location, item.unit, item.values.size()),
                  std::make_tuple(names.at(item.id), 1, std::string(), mesh.parts.size()));
    }
    std::map<long long, double> a11ByDepth;  // by centroid z in micrometres
    for (std::size_t c = 0; c < mesh.parts.size(); ++c) {
        const std::array<double, 6> a = tensor(file, c);
        expectOrientationTensor(a);
        const double s = centroid(mesh, mesh.parts[c])[2] / 2.0;
        if (s < 0.1 || s > 0.9) {
            EXPECT_TRUE(a[0] >= 0.7 && a[0] <= 0.8) << "shell cell " << c << ": " << a[0];
        } else if (std::fabs(s - 0.5) < 0.1) {
            EXPECT_TRUE(a[0] >= 0.2 && a[0] <= 0.3 && a[1] > 0.6) << "core cell " << c;
        }
        EXPECT_TRUE(a[2] >= 0.03 && a[2] <= 0.05) << a[2];
        for (int k = 3; k < 6; ++k) EXPECT_LE(std::fabs(a[static_cast<std::size_t>(k)]), 0.05);
        if (s <= 1.0) a11ByDepth[std::llround(s * 2000.0)] = a[0];
    }
    // The two shells mirror each other about the mid-plane.
    for (const auto& [depth, a11] : a11ByDepth) {
        const auto mirror = a11ByDepth.find(2000 - depth);
        if (mirror != a11ByDepth.end()) {
            EXPECT_NEAR(a11, mirror->second, kTensorTolerance) << depth;
        }
    }
    // No thickness range: the whole part is core.
    fibre.zTop = fibre.zBottom;
    const k7t::ResultFile flat = qvr::gen::makeFiberResult(mesh, fibre);
    for (std::size_t c = 0; c < mesh.parts.size(); ++c) {
        const std::array<double, 6> a = tensor(flat, c);
        expectOrientationTensor(a);
        EXPECT_LE(a[0], 0.3);
    }
}

TEST(FiberResult, AffineFieldAtCellCentroids) {
    nqbio::MeshData mesh = layeredPlate(false);
    qvr::gen::rotate(mesh, {1.0, 1.0, 0.0}, 0.3);  // so that every coordinate varies
    FiberSpec fibre;
    fibre.field = FiberField::Affine;
    for (std::size_t k = 0; k < 6; ++k) {
        fibre.c0[k] = 0.1 * static_cast<double>(k) - 0.2;
        fibre.gx[k] = 0.01 * static_cast<double>(k + 1);
        fibre.gy[k] = -0.02 * static_cast<double>(k);
        fibre.gz[k] = 0.3 - 0.05 * static_cast<double>(k);
    }
    const k7t::ResultFile file = qvr::gen::makeFiberResult(mesh, fibre);
    for (std::size_t c = 0; c < mesh.parts.size(); ++c) {
        const audit::Point x = centroid(mesh, mesh.parts[c]);
        const std::array<double, 6> a = tensor(file, c);
        for (std::size_t k = 0; k < 6; ++k) {
            const double expected =
                fibre.c0[k] + fibre.gx[k] * x[0] + fibre.gy[k] * x[1] + fibre.gz[k] * x[2];
            EXPECT_NEAR(a[k], expected, 1e-6) << "cell " << c << " component " << k;
        }
    }
}
