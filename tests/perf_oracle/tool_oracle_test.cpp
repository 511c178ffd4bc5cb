// The extraction tool's centroid-plane thickness rays and fibre profiles against the
// straightforward code, bit for bit: every ray record and every GetFiber output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "OracleParts.h"
#include "StraightforwardOracle.h"
#include "TempDir.h"
#include "extract/CExtractToolData.h"

namespace {

bool sameBits(const double* a, const double* b, std::size_t n) {
    return std::memcmp(a, b, n * sizeof(double)) == 0;
}

struct HostRays {
    std::vector<double> x{0.0}, y{0.0}, z{0.0}, ax{0.0}, ay{0.0}, az{0.0};
    void add(double px, double py, double pz, double dx, double dy, double dz) {
        x.push_back(px);
        y.push_back(py);
        z.push_back(pz);
        ax.push_back(dx);
        ay.push_back(dy);
        az.push_back(dz);
    }
    int count() const { return static_cast<int>(x.size()) - 1; }
};

// Inward normals at skin nodes, random directions from skin nodes, and a zero direction.
HostRays raysFor(CQVROptKer& k, unsigned seed) {
    const auto n = static_cast<std::size_t>(k.m_nNode) + 1;
    std::vector<double> nx(n, 0.0), ny(n, 0.0), nz(n, 0.0);
    k.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data());
    HostRays rays;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> g(-1.0, 1.0);
    int taken = 0;
    for (int i = 1; i <= k.m_nNode; ++i) {
        if (nx[i] == 0.0 && ny[i] == 0.0 && nz[i] == 0.0) continue;
        if (++taken % 3 != 0) continue;
        const Cnode& p = k.m_pNode[i];
        if (taken % 4 == 0) {
            rays.add(p.x, p.y, p.z, g(rng), g(rng), g(rng));
        } else {
            rays.add(p.x, p.y, p.z, -nx[i], -ny[i], -nz[i]);
        }
    }
    const Cnode& p = k.m_pNode[1];
    rays.add(p.x, p.y, p.z, 0.0, 0.0, 0.0);
    return rays;
}

class ToolOracle : public ::testing::TestWithParam<int> {};

TEST_P(ToolOracle, RayRecordsAndFibreProfilesMatchTheStraightforwardCode) {
    const std::vector<oracle::NamedPart> parts = oracle::testParts();
    const oracle::NamedPart& part = parts[static_cast<std::size_t>(GetParam())];
    TempDir dir;
    const std::string meshPath = dir.file("part.nqb"), resultPath = dir.file("part.k7t");
    ASSERT_TRUE(nqbio::writeText(meshPath, part.mesh));
    qvr::gen::FiberSpec params;
    params.zTop = 1.5;
    ASSERT_TRUE(k7t::write(resultPath, qvr::gen::makeFiberResult(part.mesh, params)));

    CExtractToolData tool;
    std::vector<char> mesh(meshPath.begin(), meshPath.end()), result(resultPath.begin(), resultPath.end());
    mesh.push_back('\0');
    result.push_back('\0');
    ASSERT_EQ(tool.LoadMesh(mesh.data()), 1);
    ASSERT_EQ(tool.ReadFiberResults(result.data()), 1);

    HostRays rays = raysFor(*tool.m_pOptKer, 30u + static_cast<unsigned>(GetParam()));
    for (int nLayer : {2, 7}) {
        ASSERT_EQ(tool.BuildRayData(rays.count(), nLayer, rays.x.data(), rays.y.data(),
                                    rays.z.data(), rays.ax.data(), rays.ay.data(), rays.az.data()),
                  1);
        const auto n = static_cast<std::size_t>(nLayer) + 1;
        std::vector<double> dist(n), fiber[6];
        for (auto& f : fiber) f.assign(n, 0.0);
        int withCells = 0;
        for (int i = 1; i <= rays.count(); ++i) {
            const auto ii = static_cast<std::size_t>(i);
            const CRayData& r = tool.m_pRayData[i];
            const oracle::TracedRay want = oracle::traceRay(
                *tool.m_pOptKer, rays.x[ii], rays.y[ii], rays.z[ii], rays.ax[ii], rays.ay[ii],
                rays.az[ii], nLayer);
            ASSERT_EQ(r.nPoint, nLayer);
            ASSERT_TRUE(sameBits(&r.dx, &want.dx, 1) && sameBits(&r.dy, &want.dy, 1) &&
                        sameBits(&r.dz, &want.dz, 1))
                << part.name << " ray " << i;
            ASSERT_TRUE(sameBits(r.pX + 1, want.x.data() + 1, n - 1)) << part.name << " ray " << i;
            ASSERT_TRUE(sameBits(r.pY + 1, want.y.data() + 1, n - 1)) << part.name << " ray " << i;
            ASSERT_TRUE(sameBits(r.pZ + 1, want.z.data() + 1, n - 1)) << part.name << " ray " << i;
            ASSERT_TRUE(sameBits(r.pDist + 1, want.dist.data() + 1, n - 1))
                << part.name << " ray " << i;
            ASSERT_EQ(std::vector<int>(r.pCellID + 1, r.pCellID + n),
                      std::vector<int>(want.cell.begin() + 1, want.cell.end()))
                << part.name << " ray " << i;
            withCells += want.cell[1] != 0 ? 1 : 0;

            ASSERT_EQ(tool.ExtractNodeFiber(i, dist.data(), fiber[0].data(), fiber[1].data(),
                                            fiber[2].data(), fiber[3].data(), fiber[4].data(),
                                            fiber[5].data()),
                      1);
            const oracle::FiberProfile profile = oracle::fiberProfile(*tool.m_pOptKer, want, tool.m_pNodeFiber);
            ASSERT_TRUE(sameBits(dist.data() + 1, profile.dist.data() + 1, n - 1))
                << part.name << " ray " << i;
            for (int c = 0; c < 6; ++c) {
                ASSERT_TRUE(sameBits(fiber[c].data() + 1, profile.fiber[static_cast<std::size_t>(c)].data() + 1, n - 1))
                    << part.name << " ray " << i << " component " << c;
            }
        }
        EXPECT_GT(withCells, rays.count() / 2) << part.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Parts, ToolOracle, ::testing::Range(0, 10),
                         [](const ::testing::TestParamInfo<int>& p) {
                             std::string name = oracle::testParts()[static_cast<std::size_t>(p.param)].name;
                             for (char& c : name) {
                                 if (c == '-') c = '_';
                             }
                             return name;
                         });

}  // namespace
