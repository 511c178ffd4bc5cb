// Pieces of the exact thickness on their own: the watertight ray/triangle test and the choice
// of a containing cell for each sample point.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "ExtractTestSupport.h"
#include "PartGenerator.h"
#include "extract/CExtractToolData.h"
#include "extract/ray_hits_triangle.h"

using namespace extract_test;
using qvr::extract::RayHitsTriangle;
using qvr::extract::Vec3;
using qvr::gen::CellType;

TEST(RayHitsTriangle, CountsCornersAndEdgesAndGivesTheSignedDistance) {
    const Vec3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0};
    double t = 0.0;
    EXPECT_TRUE(RayHitsTriangle({0.2, 0.2, 3.0}, {0, 0, -1}, a, b, c, t));
    EXPECT_DOUBLE_EQ(t, 3.0);
    EXPECT_TRUE(RayHitsTriangle({0.2, 0.2, 3.0}, {0, 0, 1}, a, b, c, t));
    EXPECT_DOUBLE_EQ(t, -3.0);
    for (const Vec3& on : {Vec3{0, 0, 1}, Vec3{1, 0, 1}, Vec3{0, 1, 1}, Vec3{0.5, 0, 1},
                           Vec3{0.5, 0.5, 1}, Vec3{0, 0.3, 1}}) {
        EXPECT_TRUE(RayHitsTriangle(on, {0, 0, -1}, a, b, c, t)) << on.x << " " << on.y;
        EXPECT_DOUBLE_EQ(t, 1.0);
    }
    EXPECT_FALSE(RayHitsTriangle({0.5, 0.5000001, 1}, {0, 0, -1}, a, b, c, t));
    EXPECT_FALSE(RayHitsTriangle({0.2, 0.0, 0.0}, {1, 0, 0}, a, b, c, t));  // in its plane
    EXPECT_FALSE(RayHitsTriangle({0.2, 0.2, 1.0}, {0, 0, 0}, a, b, c, t));
}

// The angle decides, not the size: tiny and huge triangles seen obliquely are hit alike, and a
// ray nearly in the plane of a small triangle is still hit where it really meets it.
TEST(RayHitsTriangle, DoesNotDependOnTheScale) {
    for (double s : {1e-6, 1e-3, 1.0, 1e3, 1e6}) {
        const Vec3 a{0, 0, 0}, b{s, 0, 0}, c{0, s, 0};
        double t = 0.0;
        ASSERT_TRUE(RayHitsTriangle({-0.5 * s, 0.25 * s, s}, {0.6, 0.0, -0.8}, a, b, c, t)) << s;
        EXPECT_NEAR(t, 1.25 * s, 1e-12 * s);
        ASSERT_TRUE(RayHitsTriangle({0.1 * s, 0.4 * s, 1e-4 * s}, {1.0, 0.0, -1e-3}, a, b, c, t));
        EXPECT_NEAR(t, 0.1 * s * std::sqrt(1.0 + 1e-6), 1e-9 * s);
    }
}

// Two triangles sharing an edge, in different planes: rays aimed at points of the shared edge
// from random directions always meet at least one of them.
TEST(RayHitsTriangle, LetsNoRayThroughASharedEdge) {
    const Vec3 p{0.1234567, -0.3, 0.2}, q{1.7, 0.9876543, -0.4};
    const Vec3 left{-0.5, 1.2, 0.7}, right{1.4, -0.8, 0.9};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unitInterval(0.0, 1.0), spread(-1.0, 1.0);
    int missed = 0;
    for (int k = 0; k < 20000; ++k) {
        const double s = unitInterval(random);
        const Vec3 on{p.x + s * (q.x - p.x), p.y + s * (q.y - p.y), p.z + s * (q.z - p.z)};
        Vec3 d{spread(random), spread(random), 2.0 + spread(random)};
        const double n = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        d = {d.x / n, d.y / n, d.z / n};
        const Vec3 from{on.x - 3.0 * d.x, on.y - 3.0 * d.y, on.z - 3.0 * d.z};
        double t1 = 0.0, t2 = 0.0;
        const bool h1 = RayHitsTriangle(from, d, p, q, left, t1);
        const bool h2 = RayHitsTriangle(from, d, q, p, right, t2);
        if (!h1 && !h2) ++missed;
    }
    EXPECT_EQ(missed, 0);
}

// With a slack a ray passing just outside an edge still meets the triangle, at the crossing
// with its plane; a ray that only seems near because the triangle is seen edge-on does not.
TEST(RayHitsTriangle, SlackWidensTheTriangleInItsOwnPlaneOnly) {
    const Vec3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0};
    double t = 0.0;
    EXPECT_FALSE(RayHitsTriangle({-1e-4, 0.5, 1.0}, {0, 0, -1}, a, b, c, t));
    ASSERT_TRUE(RayHitsTriangle({-1e-4, 0.5, 1.0}, {0, 0, -1}, a, b, c, t, 2e-4));
    EXPECT_DOUBLE_EQ(t, 1.0);
    EXPECT_FALSE(RayHitsTriangle({-3e-4, 0.5, 1.0}, {0, 0, -1}, a, b, c, t, 2e-4));
    EXPECT_TRUE(RayHitsTriangle({0.7 + 1e-4, 0.3 + 1e-4, 1.0}, {0, 0, -1}, a, b, c, t, 2e-4));
    // Nearly in the plane: the line crosses it 5 units beyond the triangle's edge, although
    // along the ray the gap looks like 5e-5.
    const double tilt = 1e-5;
    const double n = std::sqrt(1.0 + tilt * tilt);
    EXPECT_FALSE(RayHitsTriangle({0.2, 0.2, 6.0 * tilt}, {1.0 / n, 0.0, -tilt / n}, a, b, c, t,
                                 1e-3));
}

namespace {

bool containsByElementLibrary(const CExtractToolData& d, int cell, double x, double y, double z) {
    return cell > 0 && d.PointInCell(cell, x, y, z);
}

}  // namespace

namespace {

nqbio::MeshData turnedMixedPlate() {
    qvr::gen::PlateSpec params;
    params.lx = 8.0;
    params.ly = 6.0;
    params.nx = 4;
    params.ny = 3;
    params.nz = 3;
    params.type = CellType::Mixed;
    nqbio::MeshData mesh = qvr::gen::makePlate(params);
    qvr::gen::rotate(mesh, {0.3, -1.0, 0.4}, 0.9);
    return mesh;
}

nqbio::MeshData tetTube() {
    qvr::gen::TubeSpec params;
    params.innerRadius = 5.0;
    params.wall = 2.0;
    params.length = 6.0;
    params.nTheta = 24;
    params.nWall = 2;
    params.nZ = 3;
    params.type = CellType::Tet;
    return qvr::gen::makeTube(params);
}

class ContainingCells : public testing::TestWithParam<int> {};

}  // namespace

// In the exact mode each sample point lies in the cell chosen for it, unless no cell at all
// holds it. Rays run from every skin node into the part: towards the plate's centre of nodes,
// across the tube's wall.
TEST_P(ContainingCells, PutsEverySamplePointInACellThatHoldsIt) {
    const nqbio::MeshData mesh = GetParam() == 0 ? turnedMixedPlate() : tetTube();
    TempDir scratch;
    std::string path = writeMesh(scratch, mesh);
    CExtractToolData d;
    ASSERT_EQ(d.LoadMesh(path.data()), 1);
    ASSERT_EQ(d.SelectThicknessMode(QVR_THICKNESS_EXACT), 1);

    HostRays rays;
    const auto centre = [&] {
        std::array<double, 3> c{};
        for (int n = 1; n <= mesh.nodeCount(); ++n) {
            const auto p = nodeOf(mesh, n);
            for (int k = 0; k < 3; ++k) c[static_cast<std::size_t>(k)] += p[static_cast<std::size_t>(k)] / mesh.nodeCount();
        }
        return c;
    }();
    for (int n : skinNodes(mesh)) {
        const auto p = nodeOf(mesh, n);
        std::array<double, 3> dir{centre[0] - p[0], centre[1] - p[1], centre[2] - p[2]};
        if (GetParam() == 1) {
            // Tube along z about the origin: across the wall, tilted along the axis.
            const double r = std::hypot(p[0], p[1]);
            const double inward = r < 6.0 ? 1.0 : -1.0;
            dir = {inward * p[0] / r, inward * p[1] / r, 0.3 * (3.0 - p[2]) / 3.0};
        }
        rays.add(p, dir, n);
    }
    constexpr int kLayers = 6;
    ASSERT_EQ(d.BuildRayData(rays.count(), kLayers, rays.x.data(), rays.y.data(), rays.z.data(),
                             rays.ax.data(), rays.ay.data(), rays.az.data()),
              1);
    int outside = 0;
    for (int i = 1; i <= rays.count(); ++i) {
        const CRayData& r = d.m_pRayData[i];
        for (int j = 1; j <= kLayers; ++j) {
            if (!containsByElementLibrary(d, r.pCellID[j], r.pX[j], r.pY[j], r.pZ[j])) {
                ++outside;
                // Only a point outside every cell may fall back to another one.
                for (int c = 1; c <= d.m_nInnerCell; ++c) {
                    EXPECT_FALSE(d.PointInCell(c, r.pX[j], r.pY[j], r.pZ[j]))
                        << "ray " << i << " point " << j << " lies in cell " << c;
                }
            }
        }
    }
    EXPECT_EQ(outside, 0);
}

INSTANTIATE_TEST_SUITE_P(TurnedPlateAndTube, ContainingCells, testing::Values(0, 1));
