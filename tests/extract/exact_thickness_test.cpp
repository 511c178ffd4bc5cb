// The two thickness modes through the public interface, on parts whose true thickness is known
// by construction: turned and scaled plates, a faceted tube, and rays that cross nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ExtractTestSupport.h"

using namespace extract_test;
using qvr::gen::CellType;

namespace {

std::string typeName(CellType type) { return qvr::gen::cellTypeName(type); }

// The thickness of rays first..last lies in [lo, hi].
void expectWithin(const std::vector<double>& t, int first, int last, double lo, double hi) {
    for (int i = first; i <= last; ++i) {
        const double v = t.at(static_cast<std::size_t>(i));
        EXPECT_TRUE(v >= lo && v <= hi) << "ray " << i << ": " << v;
    }
}

class TurnedPlate : public testing::TestWithParam<std::tuple<CellType, double>> {};
class TubeWall : public testing::TestWithParam<CellType> {};

}  // namespace

// A 16 x 8 x 2 plate turned about two oblique axes and scaled, every other skin face written
// inward: rays along the plate's normal from every node of both big faces measure 2 x scale
// (the float-stored nodes move the faces by about 1e-7 of the part's size). From a rim node the
// ray runs along the side wall, a grazing contact: rounded, the far rim lies just inside or
// just outside the ray, so it measures 2 x scale or leaves nowhere (0, and counted).
TEST_P(TurnedPlate, ExactModeMeasuresTheTrueThicknessAtEveryScale) {
    const auto [type, factor] = GetParam();
    nqbio::MeshData mesh = plate(16.0, 8.0, 2.0, 8, 4, 2, type);
    const nqbio::MeshData flat = mesh;
    qvr::gen::rotate(mesh, {1.0, 2.0, 3.0}, 0.7);
    qvr::gen::rotate(mesh, {-2.0, 0.5, 1.0}, 1.9);
    qvr::gen::scale(mesh, factor);
    for (std::size_t f = 0; f < mesh.surfaces.size(); f += 2) {
        int* c = mesh.surfaces[f].node;  // a triangle repeats its last corner
        c[3] == c[2] ? std::swap(c[0], c[1]) : std::swap(c[1], c[3]);
    }
    Point bottom{}, top{};
    for (int n = 1; n <= flat.nodeCount(); ++n) {
        const Point q = nodeOf(flat, n);
        if (q[0] == 0.0 && q[1] == 0.0) (q[2] == 0.0 ? bottom : top) = nodeOf(mesh, n);
    }
    const Point up{top[0] - bottom[0], top[1] - bottom[1], top[2] - bottom[2]};  // any length
    HostRays rays;
    std::vector<bool> rim{false};
    for (int n : skinNodes(flat)) {
        const Point q = nodeOf(flat, n);
        if (q[2] != 0.0 && q[2] != 2.0) continue;
        rays.add(nodeOf(mesh, n), q[2] == 0.0 ? up : Point{-up[0], -up[1], -up[2]});
        rim.push_back(q[0] == 0.0 || q[0] == 16.0 || q[1] == 0.0 || q[1] == 8.0);
    }
    ASSERT_GT(rays.count(), 0);
    Tool t;
    std::string path = t.dir.file("part.nqb");  // binary: the nodes exactly as generated
    ASSERT_TRUE(nqbio::writeBinary(path, mesh));
    ASSERT_EQ(t.tool.SetMeshFileName(path.data()), 1);
    ASSERT_EQ(t.tool.SetThicknessMode(QVR_THICKNESS_EXACT), 1);
    ASSERT_EQ(t.set(rays, 3), 1);
    const auto got = t.thickness(rays.count(), 3);
    const double lo = 2.0 * factor * (1 - 1e-5), hi = 2.0 * factor * (1 + 1e-5);
    int zero = 0, interior = 0;
    for (int i = 1; i <= rays.count(); ++i) {
        const double v = got[static_cast<std::size_t>(i)];
        const bool onRim = rim[static_cast<std::size_t>(i)];
        interior += onRim ? 0 : 1;
        zero += v == 0.0 ? 1 : 0;
        EXPECT_TRUE((v >= lo && v <= hi) || (onRim && v == 0.0)) << "ray " << i << ": " << v;
    }
    EXPECT_GT(interior, 20);
    EXPECT_EQ(t.tool.GetNoCrossingCount(), zero);
}

INSTANTIATE_TEST_SUITE_P(EveryScale, TurnedPlate,
                         testing::Combine(testing::Values(CellType::Hex, CellType::Prism,
                                                          CellType::Tet),
                                          testing::Values(1e-26, 1e-3, 1.0, 1e3)),
                         [](const auto& p) {
                             const double f = std::get<1>(p.param);
                             return typeName(std::get<0>(p.param)) + (f < 1e-20 ? "_tiny"
                                                                      : f < 1.0 ? "_micro"
                                                                      : f > 1.0 ? "_kilo"
                                                                                : "_mm");
                         });

// A tube of inner radius 10 and wall 2 on 48 facets, which touch the circles at their
// mid-chords (the nodes lie outside them by the factor toCorner). Radial rays from every node
// of both walls meet the opposite facet square to which the wall is 2, at most the chord error
// away. Rays that touch the hole at a facet corner or edge leave the material for no length and
// go on to the outer wall, between the true outer circle and the circle through its corners.
TEST_P(TubeWall, ExactModeMeasuresTheWallAndGoesOnPastATouchOfTheHole) {
    const qvr::gen::TubeSpec params{
        .length = 12.0, .nTheta = 48, .nWall = 3, .nZ = 4, .type = GetParam()};
    const nqbio::MeshData mesh = qvr::gen::makeTube(params);
    const double pi = std::acos(-1.0), toCorner = 1.0 / std::cos(pi / params.nTheta);
    const double ri = params.innerRadius * toCorner, ro = params.innerRadius + params.wall;
    HostRays rays;
    for (int n : skinNodes(mesh)) {
        const Point p = nodeOf(mesh, n);
        const double r = std::hypot(p[0], p[1]);
        if (std::fabs(r - ri) < 1e-4) rays.add(p, {p[0], p[1], 0.0});  // on the inner wall
        if (std::fabs(r - ro * toCorner) < 1e-4) rays.add(p, {-p[0], -p[1], 0.0});
    }
    const int radial = rays.count();
    ASSERT_GT(radial, 0);
    const double angle = 2.0 * pi * 5.0 / params.nTheta;  // a facet corner
    const Point along{-std::sin(angle), std::cos(angle), 0.0};
    constexpr double kLead = 5.0;  // start this far before the touching point
    for (double z : {3.0, 4.5}) {  // on a ring of nodes, and halfway between rings
        rays.add({ri * std::cos(angle) + kLead * std::sin(angle),
                  ri * std::sin(angle) - kLead * std::cos(angle), z},
                 along);
    }
    Tool t;
    ASSERT_EQ(t.loadMesh(mesh), 1);
    ASSERT_EQ(t.tool.SetThicknessMode(QVR_THICKNESS_EXACT), 1);
    ASSERT_EQ(t.set(rays, 2), 1);
    EXPECT_EQ(t.tool.GetNoCrossingCount(), 0);
    const auto got = t.thickness(rays.count(), 2);
    const double chordError = ro * (toCorner - 1.0) + 1e-5;
    expectWithin(got, 1, radial, params.wall - chordError, params.wall + chordError);
    expectWithin(got, radial + 1, rays.count(), kLead + std::sqrt(ro * ro - ri * ri) - 1e-6,
                 kLead + std::sqrt(std::pow(ro * toCorner, 2) - ri * ri) + 1e-6);
}

INSTANTIATE_TEST_SUITE_P(EveryCellType, TubeWall,
                         testing::Values(CellType::Hex, CellType::Prism, CellType::Tet),
                         [](const auto& p) { return typeName(p.param); });

// From the middle of a plate's bottom face: into the part, out of it, and with no direction.
// Only the first crosses anything. The default mode puts the others' crossing 1e30 away (the
// zero direction keeps every point on the node; pointing out, the far points find no cell and
// read as depth 0), the exact mode gives them thickness 0.
TEST(NoCrossing, IsCountedInBothModes) {
    constexpr int kLayers = 5;
    for (int mode : {QVR_THICKNESS_CENTROID_PLANE, QVR_THICKNESS_EXACT}) {
        SCOPED_TRACE(mode);
        Tool t;
        ASSERT_EQ(t.loadMesh(plate(4.0, 4.0, 2.0, 2, 2, 2)), 1);
        ASSERT_EQ(t.tool.SetThicknessMode(mode), 1);
        HostRays rays;
        for (double dz : {3.0, -1.0, 0.0}) rays.add({2.0, 2.0, 0.0}, {0.0, 0.0, dz});
        ASSERT_EQ(t.set(rays, kLayers), 1);
        EXPECT_EQ(t.tool.GetNoCrossingCount(), 2);
        const double none = mode == QVR_THICKNESS_EXACT ? 0.0 : 1e30;
        FiberOutput in(kLayers), out(kLayers), zero(kLayers);
        ASSERT_TRUE(t.get(1, in) == 1 && t.get(2, out) == 1 && t.get(3, zero) == 1);
        for (int j = 1; j <= kLayers; ++j) {
            const auto jj = static_cast<std::size_t>(j);
            EXPECT_DOUBLE_EQ(in.dist[jj], (j - 1) * 2.0 / (kLayers - 1)) << j;
            EXPECT_EQ(out.dist[jj], 0.0) << j;
            EXPECT_DOUBLE_EQ(zero.dist[jj], (j - 1) * none / (kLayers - 1)) << j;
        }
    }
}
