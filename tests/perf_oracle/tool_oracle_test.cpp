// The extraction tool's centroid-plane thickness rays and fibre profiles against the
// straightforward code, bit for bit: every ray record and every GetFiber output.
#include <gtest/gtest.h>

#include <algorithm>
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

// The exact mode's cell choice written the plain way: every listed cell, stably sorted by
// centroid distance, tested in turn; the nearest when none contains the point.
std::vector<int> containingCells(const CExtractToolData& tool, const std::vector<int>& cells,
                                 const CRayData& r) {
    struct Candidate {
        double squared;
        int cell;
    };
    std::vector<int> chosen(static_cast<std::size_t>(r.nPoint) + 1, 0);
    for (int j = 1; j <= r.nPoint; ++j) {
        std::vector<Candidate> order;
        for (std::size_t k = 1; k < cells.size(); ++k) {
            const CInnerCell& cell = tool.p_Cell[cells[k]];
            order.push_back({(cell.xc - r.pX[j]) * (cell.xc - r.pX[j]) +
                                 (cell.yc - r.pY[j]) * (cell.yc - r.pY[j]) +
                                 (cell.zc - r.pZ[j]) * (cell.zc - r.pZ[j]),
                             cells[k]});
        }
        if (order.empty()) continue;
        std::stable_sort(order.begin(), order.end(),
                         [](const Candidate& a, const Candidate& b) { return a.squared < b.squared; });
        chosen[static_cast<std::size_t>(j)] = order.front().cell;
        for (const Candidate& c : order) {
            if (tool.PointInCell(c.cell, r.pX[j], r.pY[j], r.pZ[j])) {
                chosen[static_cast<std::size_t>(j)] = c.cell;
                break;
            }
        }
    }
    return chosen;
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

    // The exact mode's cell choice, on the sample points and candidates of its own rays.
    ASSERT_EQ(tool.SelectThicknessMode(QVR_THICKNESS_EXACT), 1);
    ASSERT_EQ(tool.BuildRayData(rays.count(), 7, rays.x.data(), rays.y.data(), rays.z.data(),
                                rays.ax.data(), rays.ay.data(), rays.az.data()),
              1);
    int contained = 0;
    for (int i = 1; i <= rays.count(); ++i) {
        const CRayData& r = tool.m_pRayData[i];
        const oracle::PassResult pass =
            oracle::findPassElem(*tool.m_pOptKer, r.pX[1], r.pY[1], r.pZ[1], r.dx, r.dy, r.dz, 0);
        std::vector<int> cells{0};
        for (int id : pass.passed) {
            if (id > tool.m_nSurface) cells.push_back(id - tool.m_nSurface);
        }
        const std::vector<int> want = containingCells(tool, cells, r);
        ASSERT_EQ(std::vector<int>(r.pCellID + 1, r.pCellID + 8),
                  std::vector<int>(want.begin() + 1, want.end()))
            << part.name << " exact ray " << i;
        for (int j = 1; j <= 7; ++j) {
            contained += r.pCellID[j] != 0 && tool.PointInCell(r.pCellID[j], r.pX[j], r.pY[j], r.pZ[j]);
        }
    }
    EXPECT_GT(contained, rays.count()) << part.name;
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
