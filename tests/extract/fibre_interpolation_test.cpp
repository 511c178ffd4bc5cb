// Fibre values at the sample points: the shape-function interpolation of node values, checked
// against fields whose interpolation is known exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <string>

#include "CFEM_Elem3D.h"
#include "ExtractTestSupport.h"
#include "PartGenerator.h"
#include "extract/CExtractToolData.h"

using namespace extract_test;
using qvr::gen::CellType;

namespace {

// Linear elements reproduce affine functions of the coordinates exactly, whatever their shape.
struct Affine {
    double c0, gx, gy, gz;
    double at(double x, double y, double z) const { return c0 + gx * x + gy * y + gz * z; }
};
const Affine kField[6] = {{0.3, 0.01, -0.02, 0.05}, {0.2, -0.03, 0.04, 0.1},
                          {0.1, 0.02, 0.02, -0.07}, {-0.05, 0.015, 0.0, 0.2},
                          {0.0, -0.01, 0.03, 0.0},  {0.07, 0.0, -0.005, -0.12}};

struct Loaded {
    TempDir dir;
    CExtractToolData data;
    bool ok = false;
    explicit Loaded(const nqbio::MeshData& mesh) {
        std::string path = writeMesh(dir, mesh);
        ok = !path.empty() && data.LoadMesh(path.data()) == 1;
    }
};

bool pointInCell(const CExtractToolData& d, int cell, double x, double y, double z) {
    const CInnerCell& c = d.p_Cell[cell];
    CFEM_Elem3D_Factory factory;
    std::unique_ptr<CFEM_Elem3D> e(factory.MakeForNodeCount(c.nNode));
    if (!e) return false;
    double X[8] = {}, Y[8] = {}, Z[8] = {};
    for (int k = 1; k <= c.nNode; ++k) {
        X[k - 1] = d.m_pNode[c.pNode[k]].x;
        Y[k - 1] = d.m_pNode[c.pNode[k]].y;
        Z[k - 1] = d.m_pNode[c.pNode[k]].z;
    }
    const CFEM_PointLocation where = e->LocatePoint(x, y, z, X, Y, Z);
    return where.converged && where.side == CFEM_PointSide::Inside;
}

class AffineField : public testing::TestWithParam<CellType> {};

}  // namespace

// Oblique rays from every skin node towards the middle of the plate put sample points all over
// the cells; wherever a point lies in its chosen cell, the six outputs are the affine values.
TEST_P(AffineField, IsReproducedAtEverySamplePointInsideItsCell) {
    qvr::gen::PlateSpec params;
    params.lx = 6.0;
    params.ly = 4.0;
    params.thickness = 2.0;
    params.nx = 6;
    params.ny = 4;
    params.nz = 4;
    params.type = GetParam();
    const nqbio::MeshData mesh = qvr::gen::makePlate(params);
    Loaded m(mesh);
    ASSERT_TRUE(m.ok);
    CExtractToolData& d = m.data;
    for (int k = 0; k < 6; ++k) {
        for (int i = 1; i <= d.m_nNode; ++i) {
            d.m_pNodeFiber[k][i] = kField[k].at(d.m_pNode[i].x, d.m_pNode[i].y, d.m_pNode[i].z);
        }
    }

    HostRays rays;
    for (int n : skinNodes(mesh)) {
        const auto p = nodeOf(mesh, n);
        rays.add(p, {3.0 - p[0], 2.0 - p[1], 1.0 - p[2]}, n);
    }
    constexpr int kLayers = 7;
    ASSERT_EQ(d.BuildRayData(rays.count(), kLayers, rays.x.data(), rays.y.data(), rays.z.data(),
                             rays.ax.data(), rays.ay.data(), rays.az.data()),
              1);

    int inside = 0, checked = 0;
    double worst = 0.0;
    for (int i = 1; i <= rays.count(); ++i) {
        FiberOutput out(kLayers);
        ASSERT_EQ(d.ExtractNodeFiber(i, out.dist.data(), out.f(0), out.f(1), out.f(2), out.f(3),
                                     out.f(4), out.f(5)),
                  1);
        const CRayData& r = d.m_pRayData[i];
        for (int j = 1; j <= kLayers; ++j) {
            const int c = r.pCellID[j];
            if (c == 0) continue;
            ++checked;
            if (!pointInCell(d, c, r.pX[j], r.pY[j], r.pZ[j])) continue;
            ++inside;
            for (int k = 0; k < 6; ++k) {
                const double want = kField[k].at(r.pX[j], r.pY[j], r.pZ[j]);
                const double got = out.fiber[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)];
                worst = std::max(worst, relativeError(got, want));
                EXPECT_LE(relativeError(got, want), 1e-9) << "ray " << i << " point " << j;
            }
        }
    }
    EXPECT_GT(checked, rays.count());
    EXPECT_GT(inside, checked / 4);
    std::cout << "affine reproduction, " << qvr::gen::cellTypeName(GetParam()) << ": " << inside
              << " of " << checked << " points inside their cell, max error " << worst << "\n";
}

INSTANTIATE_TEST_SUITE_P(EveryCellType, AffineField,
                         testing::Values(CellType::Hex, CellType::Prism, CellType::Tet,
                                         CellType::Pyramid, CellType::Mixed),
                         [](const testing::TestParamInfo<CellType>& p) {
                             return std::string(qvr::gen::cellTypeName(p.param));
                         });

// The six components share one evaluation of the shape functions per point; each must still
// be exactly what interpolating that component alone gives.
TEST(FibreExtraction, AgreesBitForBitWithSingleComponentInterpolation) {
    qvr::gen::PlateSpec params;
    params.lx = 4.0;
    params.ly = 4.0;
    params.nx = 3;
    params.ny = 3;
    params.nz = 2;
    params.type = CellType::Mixed;
    Loaded m(qvr::gen::makePlate(params));
    ASSERT_TRUE(m.ok);
    CExtractToolData& d = m.data;
    for (int k = 0; k < 6; ++k) {
        for (int i = 1; i <= d.m_nNode; ++i) d.m_pNodeFiber[k][i] = std::sin(0.7 * i + k);
    }
    double x[2] = {0, 0.1}, y[2] = {0, 0.2}, z[2] = {0, 0.0}, a[2] = {0, 0.3}, b[2] = {0, 0.2},
           c[2] = {0, 1.0};
    constexpr int kLayers = 6;
    ASSERT_EQ(d.BuildRayData(1, kLayers, x, y, z, a, b, c), 1);
    FiberOutput out(kLayers);
    ASSERT_EQ(d.ExtractNodeFiber(1, out.dist.data(), out.f(0), out.f(1), out.f(2), out.f(3),
                                 out.f(4), out.f(5)),
              1);
    const CRayData& r = d.m_pRayData[1];
    for (int j = 1; j <= kLayers; ++j) {
        ASSERT_GT(r.pCellID[j], 0);
        EXPECT_EQ(out.dist[static_cast<std::size_t>(j)], r.pDist[j]);
        for (int k = 0; k < 6; ++k) {
            double v = -1.0;
            ASSERT_EQ(d.InterpolateInCell(r.pX[j], r.pY[j], r.pZ[j], r.pCellID[j],
                                          d.m_pNodeFiber[k], &v),
                      1);
            EXPECT_EQ(out.fiber[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)], v);
        }
    }
}

// A part element of seven nodes is legal in the file but has no shape functions: one message
// per component interpolation and zeros, while the points of other cells go on as usual.
TEST(FibreExtraction, AnUnsupportedCellSaysSoSixTimesPerPointAndGivesZeros) {
    nqbio::MeshData mesh;
    const float pts[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                             {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (const auto& p : pts) mesh.xyz.insert(mesh.xyz.end(), p, p + 3);
    nqbio::PartElement hex;
    hex.nNode = 8;
    for (int k = 0; k < 8; ++k) hex.node[k] = k + 1;
    nqbio::PartElement odd = hex;
    odd.nNode = 7;
    odd.node[7] = 0;
    mesh.parts = {hex, odd};
    // The skin of the cube alone; the seven-node cell shares its nodes.
    nqbio::MeshData cube = mesh;
    cube.parts = {hex};
    qvr::gen::deriveSkin(cube);
    mesh.surfaces = cube.surfaces;
    for (auto& p : mesh.parts) p.volume = 1.0f;

    Loaded m(mesh);
    ASSERT_TRUE(m.ok);
    CExtractToolData& d = m.data;
    ASSERT_EQ(d.p_Cell[2].nNode, 7);
    for (int k = 0; k < 6; ++k) {
        for (int i = 1; i <= d.m_nNode; ++i) d.m_pNodeFiber[k][i] = 2.0;
    }

    double v = 5.0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(d.InterpolateInCell(0.5, 0.5, 0.5, 2, d.m_pNodeFiber[0], &v), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "unknown cell type, Nnode = 7\n");
    EXPECT_EQ(v, 5.0);

    double x[2] = {0, 0.0}, y[2] = {0, 0.0}, z[2] = {0, 0.0}, a[2] = {0, 0}, b[2] = {0, 0},
           c[2] = {0, 1};
    ASSERT_EQ(d.BuildRayData(1, 3, x, y, z, a, b, c), 1);
    CRayData& r = d.m_pRayData[1];
    r.pCellID[1] = 2;
    r.pCellID[2] = 1;
    r.pCellID[3] = 0;
    FiberOutput out(3);
    testing::internal::CaptureStdout();
    ASSERT_EQ(d.ExtractNodeFiber(1, out.dist.data(), out.f(0), out.f(1), out.f(2), out.f(3),
                                 out.f(4), out.f(5)),
              1);
    std::string expected;
    for (int k = 0; k < 6; ++k) expected += "unknown cell type, Nnode = 7\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    EXPECT_EQ(out.dist[1], r.pDist[1]);
    EXPECT_EQ(out.dist[2], r.pDist[2]);
    EXPECT_EQ(out.dist[3], 0.0);
    for (const auto& f : out.fiber) {
        EXPECT_EQ(f[1], 0.0);
        EXPECT_NEAR(f[2], 2.0, 1e-12);
        EXPECT_EQ(f[3], 0.0);
    }
}
