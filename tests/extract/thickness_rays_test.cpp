// Thickness along the rays and the sample points over it, through the public interface.
#include <gtest/gtest.h>

#include <string>

#include "ExtractTestSupport.h"
#include "PartGenerator.h"
#include "QVR3DExtractTool.h"

using namespace extract_test;
using qvr::gen::CellType;

namespace {

// A slab [0,8] x [0,4] x [0,4] of unit blocks: every coordinate an integer.
nqbio::MeshData unitSlab(CellType type) {
    qvr::gen::PlateSpec params;
    params.lx = 8.0;
    params.ly = 4.0;
    params.thickness = 4.0;
    params.nx = 8;
    params.ny = 4;
    params.nz = 4;
    params.type = type;
    return qvr::gen::makePlate(params);
}

// Every skin node with a direction square into the slab from the first of its faces found in
// the order bottom, top, x = 0, x = 8, y = 0, y = 4; the expected thickness goes with it.
HostRays squareRays(const nqbio::MeshData& mesh, std::vector<double>& thickness) {
    HostRays rays;
    thickness.assign(1, 0.0);
    for (int n : skinNodes(mesh)) {
        const auto p = nodeOf(mesh, n);
        // Lengths other than 1 on purpose: the tool scales them.
        if (p[2] == 0.0) {
            rays.add(p, {0.0, 0.0, 5.0}, n);
            thickness.push_back(4.0);
        } else if (p[2] == 4.0) {
            rays.add(p, {0.0, 0.0, -0.5}, n);
            thickness.push_back(4.0);
        } else if (p[0] == 0.0) {
            rays.add(p, {3.0, 0.0, 0.0}, n);
            thickness.push_back(8.0);
        } else if (p[0] == 8.0) {
            rays.add(p, {-1.0, 0.0, 0.0}, n);
            thickness.push_back(8.0);
        } else if (p[1] == 0.0) {
            rays.add(p, {0.0, 1.0, 0.0}, n);
            thickness.push_back(4.0);
        } else {
            rays.add(p, {0.0, -2.0, 0.0}, n);
            thickness.push_back(4.0);
        }
    }
    return rays;
}

struct Slab {
    TempDir dir;
    nqbio::MeshData mesh;
    std::string meshPath, resultPath;
    QVR3DExtractTool tool;

    explicit Slab(CellType type) : mesh(unitSlab(type)) {
        meshPath = writeMesh(dir, mesh);
        // The same value in every cell: every interpolation gives it back exactly.
        resultPath = writeResult(dir, fiberResult(static_cast<int>(mesh.parts.size()),
                                                  [](int item, int) { return 0.25f * item; }));
    }
    bool load() {
        return tool.SetMeshFileName(meshPath.data()) == 1 &&
               tool.SetK7TFileName(resultPath.data()) == 1;
    }
    int set(HostRays& r, int nLayer) {
        return tool.SetSurfaceNode(r.count(), nLayer, r.x.data(), r.y.data(), r.z.data(),
                                   r.ax.data(), r.ay.data(), r.az.data());
    }
    int get(int inode, FiberOutput& out) {
        return tool.GetFiber(inode, out.dist.data(), out.f(0), out.f(1), out.f(2), out.f(3),
                             out.f(4), out.f(5));
    }
};

class SquareRaysInASlab : public testing::TestWithParam<CellType> {};

}  // namespace

// On faces that lie in coordinate planes at integer positions every step of the centroid-plane
// distance is exact, so the depths are exact too; the node's own faces give 0 and drop out.
TEST_P(SquareRaysInASlab, FiveLayersLieAtWholeMillimetres) {
    Slab s(GetParam());
    ASSERT_TRUE(s.load());
    std::vector<double> thickness;
    HostRays rays = squareRays(s.mesh, thickness);
    ASSERT_GT(rays.count(), 0);
    constexpr int kLayers = 5;
    ASSERT_EQ(s.set(rays, kLayers), 1);

    for (int i = 1; i <= rays.count(); ++i) {
        FiberOutput out(kLayers);
        ASSERT_EQ(s.get(i, out), 1);
        const double t = thickness[static_cast<std::size_t>(i)];
        for (int j = 1; j <= kLayers; ++j) {
            EXPECT_EQ(out.dist[static_cast<std::size_t>(j)], (j - 1) * t / (kLayers - 1))
                << "node " << rays.node[static_cast<std::size_t>(i)] << " point " << j;
            for (int k = 0; k < 6; ++k) {
                const double want = 0.25 * (k == 4 ? 11 : k == 5 ? 10 : k == 3 ? 9 : 4 + k);
                EXPECT_NEAR(out.fiber[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)], want, 1e-12);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCellType, SquareRaysInASlab,
                         testing::Values(CellType::Hex, CellType::Prism, CellType::Tet,
                                         CellType::Pyramid, CellType::Mixed),
                         [](const testing::TestParamInfo<CellType>& p) {
                             return std::string(qvr::gen::cellTypeName(p.param));
                         });

TEST(ThicknessRays, TwoLayersAreTheNodeAndTheCrossing) {
    Slab s(CellType::Hex);
    ASSERT_TRUE(s.load());
    HostRays rays;
    rays.add({3.0, 2.0, 0.0}, {0.0, 0.0, 1.0});
    ASSERT_EQ(s.set(rays, 2), 1);
    FiberOutput out(2);
    ASSERT_EQ(s.get(1, out), 1);
    EXPECT_EQ(out.dist[1], 0.0);
    EXPECT_EQ(out.dist[2], 4.0);
}

// A zero direction is kept as zero: no face is ever crossed, the thickness stays at the
// "nothing found" distance, yet every sample point sits on the node itself.
TEST(ThicknessRays, AZeroDirectionSpreadsTheDepthsButNotThePoints) {
    Slab s(CellType::Hex);
    ASSERT_TRUE(s.load());
    HostRays rays;
    rays.add({3.0, 2.0, 0.0}, {0.0, 0.0, 0.0});
    constexpr int kLayers = 5;
    ASSERT_EQ(s.set(rays, kLayers), 1);
    FiberOutput out(kLayers);
    ASSERT_EQ(s.get(1, out), 1);
    const double depths[kLayers] = {0.0, 2.5e29, 5e29, 7.5e29, 1e30};
    for (int j = 1; j <= kLayers; ++j) {
        EXPECT_DOUBLE_EQ(out.dist[static_cast<std::size_t>(j)], depths[j - 1]);
        EXPECT_NEAR(out.fiber[0][static_cast<std::size_t>(j)], 1.0, 1e-12);  // a11 = 0.25 * 4
    }
}

// Pointing out of the part: the only faces near the node are its own, so nothing is crossed;
// the points then lie up to 1e30 away, too far for any cell, and read as zeros.
TEST(ThicknessRays, ARayOutOfThePartFindsNoCrossingAndItsFarPointsNoCell) {
    Slab s(CellType::Hex);
    ASSERT_TRUE(s.load());
    HostRays rays;
    rays.add({3.0, 2.0, 0.0}, {0.0, 0.0, -1.0});
    constexpr int kLayers = 3;
    ASSERT_EQ(s.set(rays, kLayers), 1);
    FiberOutput out(kLayers);
    ASSERT_EQ(s.get(1, out), 1);
    EXPECT_EQ(out.dist[1], 0.0);
    EXPECT_NEAR(out.fiber[0][1], 1.0, 1e-12);
    for (int j = 2; j <= kLayers; ++j) {
        EXPECT_EQ(out.dist[static_cast<std::size_t>(j)], 0.0);
        for (const auto& f : out.fiber) EXPECT_EQ(f[static_cast<std::size_t>(j)], 0.0);
    }
}
