// The straightforward code that the library's faster search and extraction replaced (kept with
// the bit-for-bit tests in tests/perf_oracle/straightforward), timed on the same parts, queries
// and rays in the same process: the "before" of the page's before-and-after table.
//
// Before its first timing on a part, each stage checks that both give the same answers on its
// inputs: the same lists in the same order, the same ray records and fibre values bit for bit.
// A disagreement skips the benchmark with the reason, so the page never sets a wrong answer
// against a right one.
#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "StraightforwardOracle.h"
#include "benchmarks.h"
#include "extract/CExtractToolData.h"
#include "search/CQvrADT.h"
#include "tool_modes.h"

namespace qvr::bench {
namespace {

// What has been checked on the current part; the tool traces the straightforward tool stages'
// rays. The library's own tool hides its ray records, so the comparison needs a tool of its own.
struct Checked {
    bool nearBlocks = false;
    bool rayPasses = false;
    std::unique_ptr<CExtractToolData> tool;
    bool surfaceNodes = false;
    std::vector<oracle::TracedRay> fiberRays;  // the GetFiber stage's rays, as the tool traced them
};
PerPart<Checked> checks;

Checked& checked(const Part& p) {
    return checks.get(p, [] { return std::make_unique<Checked>(); });
}

void require(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

bool sameBits(const double* a, const double* b, std::size_t n) {
    return std::memcmp(a, b, n * sizeof(double)) == 0;
}

// The tree's own query, as SearchNearBlockID answered every box before the walk index.
std::vector<int> treeSearch(CQvrADT& tree, const QueryBox& b) {
    tree.SearchBlock(b.xmin, b.ymin, b.zmin, b.xmax, b.ymax, b.zmax, 0);
    const int found = tree.GetFoundCount(0);
    const int* ids = tree.GetFoundList(0);
    return found > 0 ? std::vector<int>(ids + 1, ids + 1 + found) : std::vector<int>{};
}

CExtractToolData& loadedTool(Checked& c, const Part& p) {
    if (!c.tool) {
        auto tool = std::make_unique<CExtractToolData>();
        std::vector<char> mesh = cPath(p.files->binaryMesh), results = cPath(p.files->results);
        require(tool->LoadMesh(mesh.data()) == 1, "the tool refused the mesh");
        require(tool->ReadFiberResults(results.data()) == 1, "the tool refused the results");
        c.tool = std::move(tool);
    }
    return *c.tool;
}

void traceRays(CExtractToolData& tool, int mode, const RaySet& r) {
    require(tool.SelectThicknessMode(mode) == 1, "the tool has no such mode");
    auto& m = const_cast<RaySet&>(r);  // only read; the interface predates const
    require(tool.BuildRayData(r.count, kLayers, m.x.data(), m.y.data(), m.z.data(), m.dx.data(),
                              m.dy.data(), m.dz.data()) == 1,
            "SetSurfaceNode failed");
}

oracle::TracedRay traceOne(CQVROptKer& k, const RaySet& r, int i) {
    const auto j = static_cast<std::size_t>(i);
    return oracle::traceRay(k, r.x[j], r.y[j], r.z[j], r.dx[j], r.dy[j], r.dz[j], kLayers);
}

// The default mode's records of the tool against the straightforward trace of every ray.
void checkSurfaceNodes(Checked& c, const Part& p) {
    if (c.surfaceNodes) return;
    CExtractToolData& tool = loadedTool(c, p);
    traceRays(tool, kCentroidPlaneMode, p.sample);
    const auto n = static_cast<std::size_t>(kLayers);
    for (int i = 1; i <= p.sample.count; ++i) {
        const CRayData& got = tool.m_pRayData[i];
        const oracle::TracedRay want = traceOne(*tool.m_pOptKer, p.sample, i);
        require(
            sameBits(&got.dx, &want.dx, 1) && sameBits(&got.dy, &want.dy, 1) &&
                sameBits(&got.dz, &want.dz, 1) && sameBits(got.pX + 1, &want.x[1], n) &&
                sameBits(got.pY + 1, &want.y[1], n) && sameBits(got.pZ + 1, &want.z[1], n) &&
                sameBits(got.pDist + 1, &want.dist[1], n) &&
                std::equal(got.pCellID + 1, got.pCellID + 1 + n, want.cell.begin() + 1),
            "SetSurfaceNode and the straightforward trace disagree on ray " + std::to_string(i));
    }
    c.surfaceNodes = true;
}

// GetFiber's output against the straightforward interpolation, on the rays the library's
// GetFiber stage reads (traced in the exact mode when the tool has it).
void checkFibers(Checked& c, const Part& p) {
    if (!c.fiberRays.empty()) return;
    CExtractToolData& tool = loadedTool(c, p);
    traceRays(tool, kThicknessModes ? kExactMode : kCentroidPlaneMode, p.sample);
    const auto n = static_cast<std::size_t>(kLayers) + 1;
    std::vector<double> dist(n), f[6];
    for (auto& v : f) v.assign(n, 0.0);
    std::vector<oracle::TracedRay> rays;
    for (int i = 1; i <= p.sample.count; ++i) {
        const CRayData& r = tool.m_pRayData[i];
        oracle::TracedRay t;
        t.dx = r.dx;
        t.dy = r.dy;
        t.dz = r.dz;
        t.x.assign(r.pX, r.pX + n);
        t.y.assign(r.pY, r.pY + n);
        t.z.assign(r.pZ, r.pZ + n);
        t.dist.assign(r.pDist, r.pDist + n);
        t.cell.assign(r.pCellID, r.pCellID + n);
        require(tool.ExtractNodeFiber(i, dist.data(), f[0].data(), f[1].data(), f[2].data(),
                                      f[3].data(), f[4].data(), f[5].data()) == 1,
                "GetFiber failed");
        const oracle::FiberProfile want =
            oracle::fiberProfile(*tool.m_pOptKer, t, tool.m_pNodeFiber);
        bool same = sameBits(&dist[1], &want.dist[1], n - 1);
        for (std::size_t k = 0; k < 6; ++k)
            same = same && sameBits(&f[k][1], &want.fiber[k][1], n - 1);
        require(same, "GetFiber and the straightforward interpolation disagree on ray " +
                          std::to_string(i));
        rays.push_back(std::move(t));
    }
    c.fiberRays = std::move(rays);
}

}  // namespace

void registerStraightforwardStages(const PartKey& key) {
    addBenchmark("straightforward.near_block_search", key, [](benchmark::State& state, Part& p) {
        Checked& c = checked(p);
        CQvrADT& tree = *p.kernel->m_pADTree;
        if (!c.nearBlocks) {
            for (const QueryBox& b : p.queries) {
                int count = 0;
                const int* got = p.kernel->SearchNearBlockID(b.xmin, b.ymin, b.zmin, b.xmax, b.ymax,
                                                             b.zmax, count, 0);
                require(std::vector<int>(got, got + count) == treeSearch(tree, b),
                        "SearchNearBlockID and the tree's search disagree");
            }
            c.nearBlocks = true;
        }
        long long found = 0;
        for (auto _ : state) {
            found = 0;
            for (const QueryBox& b : p.queries) {
                tree.SearchBlock(b.xmin, b.ymin, b.zmin, b.xmax, b.ymax, b.zmax, 0);
                found += tree.GetFoundCount(0);
            }
        }
        reportItems(state, p, static_cast<double>(p.queries.size()));
        state.counters["found_per_query"] =
            static_cast<double>(found) / static_cast<double>(p.queries.size());
    });

    addBenchmark("straightforward.ray_pass_search", key, [](benchmark::State& state, Part& p) {
        Checked& c = checked(p);
        const RaySet& r = p.sample;
        if (!c.rayPasses) {
            for (int i = 1; i <= r.count; ++i) {
                const auto k = static_cast<std::size_t>(i);
                int count = 0;
                const int* got = p.kernel->FindPassElemByAnyRay(count, r.x[k], r.y[k], r.z[k],
                                                                r.dx[k], r.dy[k], r.dz[k], 0);
                const std::vector<int> mine(got, got + count);
                require(mine == oracle::findPassElem(*p.kernel, r.x[k], r.y[k], r.z[k], r.dx[k],
                                                     r.dy[k], r.dz[k], 0)
                                    .passed,
                        "FindPassElemByAnyRay and the step-by-step walk disagree on ray " +
                            std::to_string(i));
            }
            c.rayPasses = true;
        }
        long long passed = 0;
        for (auto _ : state) {
            passed = 0;
            for (int i = 1; i <= r.count; ++i) {
                const auto k = static_cast<std::size_t>(i);
                passed +=
                    static_cast<long long>(oracle::findPassElem(*p.kernel, r.x[k], r.y[k], r.z[k],
                                                                r.dx[k], r.dy[k], r.dz[k], 0)
                                               .passed.size());
            }
        }
        reportItems(state, p, r.count);
        state.counters["candidates_per_ray"] =
            static_cast<double>(passed) / static_cast<double>(r.count);
    });

    // Per skin node, what SetSurfaceNode does in the default mode; the set-up per call is the
    // library's (the straightforward code has none of its own).
    addBenchmark("straightforward.set_surface_node.centroid", key,
                 [](benchmark::State& state, Part& p) {
                     Checked& c = checked(p);
                     checkSurfaceNodes(c, p);
                     CQVROptKer& k = *c.tool->m_pOptKer;
                     for (auto _ : state)
                         for (int i = 1; i <= p.sample.count; ++i)
                             benchmark::DoNotOptimize(traceOne(k, p.sample, i).dist.back());
                     reportItems(state, p, p.sample.count);
                     state.counters["skin_nodes"] = p.skin.count;
                 });

    addBenchmark("straightforward.get_fiber", key, [](benchmark::State& state, Part& p) {
        Checked& c = checked(p);
        checkFibers(c, p);
        const CExtractToolData& tool = *c.tool;
        for (auto _ : state)
            for (const oracle::TracedRay& ray : c.fiberRays)
                benchmark::DoNotOptimize(
                    oracle::fiberProfile(*tool.m_pOptKer, ray, tool.m_pNodeFiber).fiber[0].back());
        reportItems(state, p, static_cast<double>(p.sample.count) * kLayers);
    });
}

}  // namespace qvr::bench
