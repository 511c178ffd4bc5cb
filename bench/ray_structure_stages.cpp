// The exact thickness's own structures: the hierarchy over the skin triangles (its build, and a
// nearest hit per ray with the watertight test on the same rays as the Embree anchor) and the
// face neighbours of the cells.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "benchmarks.h"
#include "geometry/cell_adjacency.h"
#include "geometry/skin_triangles.h"
#include "geometry/triangle_bvh.h"

namespace qvr::bench {
namespace {

// Hits closer to the ray's origin than this fraction of MinMesh are the faces around the skin
// node itself (the Embree anchor skips them the same way).
constexpr double kStartOffsetOfMinMesh = 1e-4;

PerPart<geom::TriangleBvh> hierarchies;

geom::TriangleBvh& hierarchy(Part& p) {
    return hierarchies.get(p, [&p] {
        auto bvh = std::make_unique<geom::TriangleBvh>();
        const CQVROptKer& k = *p.kernel;
        geom::buildSkinHierarchy(k.m_pSurface, k.m_nSurface, k.m_pNode, k.m_nNode, *bvh);
        return bvh;
    });
}

}  // namespace

void registerRayStructureStages(const PartKey& key) {
    addBenchmark("skin_bvh.build", key, [](benchmark::State& state, Part& p) {
        const CQVROptKer& k = *p.kernel;
        std::size_t bytes = 0;
        for (auto _ : state) {
            geom::TriangleBvh bvh;
            geom::buildSkinHierarchy(k.m_pSurface, k.m_nSurface, k.m_pNode, k.m_nNode, bvh);
            bytes = bvh.memoryBytes();
            benchmark::DoNotOptimize(bytes);
        }
        reportItems(state, p, k.m_nSurface);
        state.counters["bytes_per_cell"] = static_cast<double>(bytes) / k.m_nInnerCell;
    });
    addBenchmark("skin_bvh.ray", key, [](benchmark::State& state, Part& p) {
        const geom::TriangleBvh& bvh = hierarchy(p);
        const RaySet& r = p.sample;
        const double tNear = kStartOffsetOfMinMesh * p.kernel->MinMesh;
        long long hits = 0;
        for (auto _ : state) {
            hits = 0;
            for (int i = 1; i <= r.count; ++i) {
                const auto k = static_cast<std::size_t>(i);
                const double len =
                    std::sqrt(r.dx[k] * r.dx[k] + r.dy[k] * r.dy[k] + r.dz[k] * r.dz[k]);
                const double o[3] = {r.x[k], r.y[k], r.z[k]};
                const double d[3] = {r.dx[k] / len, r.dy[k] / len, r.dz[k] / len};
                geom::TriangleHit hit{};
                std::uint32_t triangle = 0;
                hits += bvh.closestHit(o, d, tNear, std::numeric_limits<double>::infinity(), hit,
                                       triangle)
                            ? 1
                            : 0;
            }
        }
        reportItems(state, p, r.count);
        state.counters["hit_fraction"] = static_cast<double>(hits) / r.count;
        state.counters["nodes"] = static_cast<double>(bvh.nodeCount());
    });
    addBenchmark("cell_adjacency.build", key, [](benchmark::State& state, Part& p) {
        const CQVROptKer& k = *p.kernel;
        std::size_t bytes = 0;
        for (auto _ : state) {
            geom::CellAdjacency adjacency;
            adjacency.build(k.p_Cell, k.m_nInnerCell, k.m_nNode);
            bytes = adjacency.memoryBytes();
            benchmark::DoNotOptimize(bytes);
        }
        reportItems(state, p, k.m_nInnerCell);
        state.counters["bytes_per_cell"] = static_cast<double>(bytes) / k.m_nInnerCell;
    });
}

}  // namespace qvr::bench
