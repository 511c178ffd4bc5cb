// The through-thickness profile of a ray: where its sample points lie, which cell each one
// gets, and the values interpolated there, checked against fields and positions worked out
// independently of the tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include "ExtractTestSupport.h"
#include "extract/CExtractToolData.h"

using namespace extract_test;
using qvr::gen::CellType;

namespace {

// Linear elements reproduce affine fields exactly; each component has its own gradient, so a
// point placed wrongly along any axis, or a component written to the wrong output, shows.
struct Affine {
    double c0, gx, gy, gz;
    double at(const Point& p) const { return c0 + gx * p[0] + gy * p[1] + gz * p[2]; }
};
constexpr Affine kField[6] = {{0.3, 0.01, -0.02, 0.05}, {0.2, -0.03, 0.04, 0.1},
                              {0.1, 0.02, 0.02, -0.07}, {-0.05, 0.015, 0.0, 0.2},
                              {0.0, -0.01, 0.03, 0.0},  {0.07, 0.0, -0.005, -0.12}};

constexpr Point kSlabHigh{8.0, 4.0, 4.0};

// Distance along the unit direction d from p (in the slab [0, kSlabHigh]) to where it leaves.
double slabExit(const Point& p, const Point& d) {
    double t = 1e300;
    for (std::size_t a = 0; a < 3; ++a) {
        if (d[a] > 0.0) t = std::min(t, (kSlabHigh[a] - p[a]) / d[a]);
        if (d[a] < 0.0) t = std::min(t, -p[a] / d[a]);
    }
    return t;
}

class SlabProfile : public testing::TestWithParam<std::tuple<CellType, int>> {};

}  // namespace

// Rays from every skin node of a convex slab towards an inner point off the grid: both modes
// measure the distance to where the ray leaves the slab (flat faces: the centroid planes are the
// faces; behind the node the line is outside the part), the points lie evenly from the node to
// there, and each of the six outputs is its affine field at the point. The exact mode gives each
// point a cell that holds it.
TEST_P(SlabProfile, PointsLieEvenlyToTheFarFaceAndReproduceAffineFields) {
    const auto [type, mode] = GetParam();
    const nqbio::MeshData mesh = plate(kSlabHigh[0], kSlabHigh[1], kSlabHigh[2], 8, 4, 4, type);
    TempDir dir;
    CExtractToolData d;
    ASSERT_TRUE(loadInto(d, dir, mesh));
    for (int k = 0; k < 6; ++k) {
        for (int i = 1; i <= d.m_nNode; ++i) {
            d.m_pNodeFiber[k][i] = kField[k].at({d.m_pNode[i].x, d.m_pNode[i].y, d.m_pNode[i].z});
        }
    }
    ASSERT_EQ(d.SelectThicknessMode(mode), 1);
    HostRays rays;
    for (int n : skinNodes(mesh)) {
        const Point p = nodeOf(mesh, n);
        rays.add(p, {3.5 - p[0], 1.75 - p[1], 2.25 - p[2]});
    }
    constexpr int kLayers = 6;
    ASSERT_EQ(buildRays(d, rays, kLayers), 1);
    EXPECT_EQ(d.m_nNoCrossingCount, 0);

    for (int i = 1; i <= rays.count(); ++i) {
        const auto ii = static_cast<std::size_t>(i);
        const Point &p = rays.from[ii], &v = rays.along[ii];
        const double len = std::hypot(v[0], v[1], v[2]);
        const Point u{v[0] / len, v[1] / len, v[2] / len};
        const double thickness = slabExit(p, u);
        FiberOutput out(kLayers);
        ASSERT_EQ(extract(d, i, out), 1);
        for (int j = 1; j <= kLayers; ++j) {
            SCOPED_TRACE("ray " + std::to_string(i) + " point " + std::to_string(j));
            const double s = (j - 1) * thickness / (kLayers - 1);
            EXPECT_NEAR(out.dist[static_cast<std::size_t>(j)], s, 1e-9 * thickness);
            const Point at{p[0] + s * u[0], p[1] + s * u[1], p[2] + s * u[2]};
            for (int k = 0; k < 6; ++k) EXPECT_NEAR(out.at(k, j), kField[k].at(at), 1e-9) << k;
            if (mode == QVR_THICKNESS_EXACT) {  // a cell that holds the point, not just the nearest
                const CRayData& r = d.m_pRayData[i];
                EXPECT_TRUE(d.PointInCell(r.pCellID[j], r.pX[j], r.pY[j], r.pZ[j]));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCellTypeAndMode, SlabProfile,
    testing::Combine(testing::Values(CellType::Hex, CellType::Prism, CellType::Tet,
                                     CellType::Pyramid, CellType::Mixed),
                     testing::Values(QVR_THICKNESS_CENTROID_PLANE, QVR_THICKNESS_EXACT)),
    [](const auto& p) {
        return std::string(qvr::gen::cellTypeName(std::get<0>(p.param))) +
               (std::get<1>(p.param) == QVR_THICKNESS_EXACT ? "_exact" : "_centroidPlane");
    });

// A part element of seven nodes is legal in the file but has no shape functions: its points
// give zeros and one message per component, while points of other cells go on as usual.
TEST(FibreExtraction, AnUnsupportedCellSaysSoSixTimesPerPointAndGivesZeros) {
    nqbio::MeshData mesh = plate(1.0, 1.0, 1.0, 1, 1, 1);  // a unit cube, and the odd cell
    mesh.parts.push_back(mesh.parts.at(0));
    mesh.parts[1].nNode = 7;
    mesh.parts[1].node[7] = 0;
    TempDir dir;
    CExtractToolData d;
    ASSERT_TRUE(loadInto(d, dir, mesh));
    ASSERT_EQ(d.p_Cell[2].nNode, 7);
    for (int k = 0; k < 6; ++k) {
        for (int i = 1; i <= d.m_nNode; ++i) d.m_pNodeFiber[k][i] = 2.0;
    }
    HostRays rays;
    rays.add({0.0, 0.0, 0.0}, {0.0, 0.0, 1.0});
    ASSERT_EQ(buildRays(d, rays, 3), 1);
    const int cellOf[4] = {0, 2, 1, 0};  // points at depths 0, 0.5 and 1 of the unit cube
    for (int j = 1; j <= 3; ++j) d.m_pRayData[1].pCellID[j] = cellOf[j];

    FiberOutput out(3);
    testing::internal::CaptureStdout();
    ASSERT_EQ(extract(d, 1, out), 1);
    std::string expected;
    for (int k = 0; k < 6; ++k) expected += "unknown cell type, Nnode = 7\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    EXPECT_EQ(out.dist, (std::vector<double>{FiberOutput::kUnwritten, 0.0, 0.5, 0.0}));
    for (const auto& f : out.fiber) {
        EXPECT_TRUE(f[1] == 0.0 && std::fabs(f[2] - 2.0) < 1e-12 && f[3] == 0.0);  // 3: no cell
    }
}
