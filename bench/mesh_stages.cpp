// Kernel stages: mesh loading, search set-up, box and ray searches, node normals, smoothing.
#include <algorithm>
#include <memory>
#include <vector>

#include "benchmarks.h"

namespace qvr::bench {
namespace {

void loadMesh(benchmark::State& state, Part& p, const std::string& file, double bytes) {
    std::vector<char> path = cPath(file);
    for (auto _ : state) {
        auto kernel = std::make_unique<CQVROptKer>();
        const int rc = kernel->ReadMeshData(path.data(), 0);
        state.PauseTiming();
        if (rc != 1) state.SkipWithError("the kernel refused the mesh");
        kernel.reset();
        state.ResumeTiming();
    }
    reportItems(state, p, p.files->cells);
    state.counters["bytes"] = bytes;
    state.SetBytesProcessed(static_cast<int64_t>(bytes * static_cast<double>(state.iterations())));
}

}  // namespace

void registerMeshStages(const PartKey& key) {
    addBenchmark("load_text", key, [](benchmark::State& state, Part& p) {
        loadMesh(state, p, p.files->textMesh, static_cast<double>(p.files->textBytes));
    });
    addBenchmark("load_binary", key, [](benchmark::State& state, Part& p) {
        loadMesh(state, p, p.files->binaryMesh, static_cast<double>(p.files->binaryBytes));
    });

    addBenchmark("initialize_search", key, [](benchmark::State& state, Part& p) {
        for (auto _ : state) benchmark::DoNotOptimize(p.kernel->InitialzeSearch(1));
        reportItems(state, p, p.kernel->m_nInnerCell);
        state.counters["tree_items"] = p.kernel->m_nInnerCell + p.kernel->m_nSurface;
    });

    addBenchmark("near_block_search", key, [](benchmark::State& state, Part& p) {
        long long found = 0;
        for (auto _ : state) {
            found = 0;
            for (const QueryBox& b : p.queries) {
                int count = 0;
                benchmark::DoNotOptimize(p.kernel->SearchNearBlockID(b.xmin, b.ymin, b.zmin, b.xmax,
                                                                     b.ymax, b.zmax, count, 0));
                found += count;
            }
        }
        reportItems(state, p, static_cast<double>(p.queries.size()));
        state.counters["found_per_query"] =
            static_cast<double>(found) / static_cast<double>(p.queries.size());
    });

    addBenchmark("ray_pass_search", key, [](benchmark::State& state, Part& p) {
        const RaySet& r = p.sample;
        long long passed = 0;
        for (auto _ : state) {
            passed = 0;
            for (int i = 1; i <= r.count; ++i) {
                const auto k = static_cast<std::size_t>(i);
                int count = 0;
                benchmark::DoNotOptimize(p.kernel->FindPassElemByAnyRay(
                    count, r.x[k], r.y[k], r.z[k], r.dx[k], r.dy[k], r.dz[k], 0));
                passed += count;
            }
        }
        reportItems(state, p, r.count);
        state.counters["candidates_per_ray"] =
            static_cast<double>(passed) / static_cast<double>(r.count);
        state.counters["min_mesh_mm"] = p.kernel->MinMesh;
    });

    addBenchmark("node_normals", key, [](benchmark::State& state, Part& p) {
        const auto n = static_cast<std::size_t>(p.kernel->m_nNode) + 1;
        std::vector<double> nx(n), ny(n), nz(n);
        for (auto _ : state) {
            state.PauseTiming();
            std::fill(nx.begin(), nx.end(), 0.0);
            std::fill(ny.begin(), ny.end(), 0.0);
            std::fill(nz.begin(), nz.end(), 0.0);
            state.ResumeTiming();
            benchmark::DoNotOptimize(
                p.kernel->ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data()));
        }
        reportItems(state, p, p.kernel->m_nSurface);
    });

    addBenchmark("smooth_surface", key, [](benchmark::State& state, Part& p) {
        const auto n = static_cast<std::size_t>(p.kernel->m_nNode) + 1;
        std::vector<double> value(n);
        for (auto _ : state) {
            state.PauseTiming();
            for (std::size_t i = 1; i < n; ++i) value[i] = p.kernel->m_pNode[i].z;
            state.ResumeTiming();
            benchmark::DoNotOptimize(p.kernel->SmoothSurfaceNodeValue(value.data(), 1));
        }
        reportItems(state, p, p.kernel->m_nSurface);
    });
}

}  // namespace qvr::bench
