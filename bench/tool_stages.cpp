// Extraction tool stages: thickness rays over skin nodes (each thickness mode the tool offers),
// fibre values at the sample points and the through-wall classification of the rays.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "QVR3DExtractTool.h"
#include "benchmarks.h"
#include "tool_modes.h"

namespace qvr::bench {
namespace {

// Calls of SetSurfaceNode per mode on parts where it is measured on a sample.
constexpr int kSampledSurfaceNodeCalls = 3;
// Wall time over which whole-skin calls are repeated for the one- against two-thread
// comparison; the least call counts. A call on a 10^4-cell part lasts 10 to 50 ms, where one
// late thread start or one preemption moves a least-of-three by a third; half a second gives
// such parts tens of calls and the largest parts still three or four.
constexpr double kThreadCallSeconds = 0.5;
// One-node calls per iteration that measure the set-up of a call.
constexpr int kSetupProbes = 3;

struct LoadedTool {
    QVR3DExtractTool tool;
    bool fiberRays = false;  // the last SetSurfaceNode traced the GetFiber sample
};
PerPart<LoadedTool> loadedTools;

LoadedTool& loadedTool(Part& p) {
    return loadedTools.get(p, [&p] {
        auto t = std::make_unique<LoadedTool>();
        std::vector<char> mesh = cPath(p.files->binaryMesh);
        std::vector<char> results = cPath(p.files->results);
        if (t->tool.SetMeshFileName(mesh.data()) != 1)
            throw std::runtime_error("the tool refused the mesh");
        if (t->tool.SetK7TFileName(results.data()) != 1)
            throw std::runtime_error("the tool refused the results");
        return t;
    });
}

// CPU time of this thread: on a shared machine the wall time also holds the waits for a core.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// CPU time per ray of SetSurfaceNode, and its set-up. Every call sets up the search again (the
// tree over the whole mesh), which the host pays once per call, not per node.
//  - Set-up (setup_ms): the least CPU time of one-node calls on kSetupProbes nodes spread over
//    the skin (one ray more than nothing; the least, because a single ray can be a long one).
//  - Per ray (ray_ms, for all rays): each iteration also calls it on the whole set; the least
//    CPU time of those calls over the iterations (the least disturbed by other work on the
//    machine), less the least one-node call (the set-up and one ray), is the cost of the other
//    rays. An earlier estimate took the difference between the whole set and every other ray of
//    it: two noisy minima subtracted and the difference doubled, it moved a part's figure by up
//    to 40 % between runs of the same code, while the set-up it removed is a few microseconds
//    against milliseconds of rays.
// The manual time handed to Google Benchmark is the all-rays estimate of each iteration.
void surfaceNodes(benchmark::State& state, Part& p, int mode) {
    LoadedTool& t = loadedTool(p);
    if (!selectMode(t.tool, mode)) throw std::runtime_error("the tool has no such mode");
    t.fiberRays = false;
    const RaySet& rays = p.surfaceNodeRays;
    if (rays.count < 2) throw std::runtime_error("too few skin nodes");
    const double scale = static_cast<double>(rays.count) / (rays.count - 1);
    const RaySet probeNodes = rays.spread(kSetupProbes);
    std::vector<RaySet> probes(static_cast<std::size_t>(probeNodes.count));
    for (std::size_t k = 1; k <= probes.size(); ++k)
        probes[k - 1].add(probeNodes.node[k], probeNodes.x[k], probeNodes.y[k], probeNodes.z[k],
                          probeNodes.dx[k], probeNodes.dy[k], probeNodes.dz[k]);
    // The first call after loading touches every table for the first time; keep it out.
    if (setSurfaceNode(t.tool, probes[0]) != 1) throw std::runtime_error("SetSurfaceNode failed");

    const double inf = std::numeric_limits<double>::infinity();
    double leastOne = inf, leastAll = inf;
    for (auto _ : state) {
        bool ok = true;
        for (const RaySet& one : probes) {
            const double t0 = threadSeconds();
            ok = setSurfaceNode(t.tool, one) == 1 && ok;
            leastOne = std::min(leastOne, threadSeconds() - t0);
        }
        const double t1 = threadSeconds();
        ok = setSurfaceNode(t.tool, rays) == 1 && ok;
        const double t2 = threadSeconds();
        if (!ok) state.SkipWithError("SetSurfaceNode failed");
        leastAll = std::min(leastAll, t2 - t1);
        state.SetIterationTime(std::max(0.0, ((t2 - t1) - leastOne) * scale));
    }
    reportItems(state, p, rays.count);
    state.counters["call_ms"] = 1e3 * leastAll;
    state.counters["ray_ms"] = 1e3 * std::max(0.0, (leastAll - leastOne) * scale);
    state.counters["setup_ms"] = 1e3 * leastOne;
    state.counters["skin_nodes"] = p.skin.count;
    state.counters["sampled"] = p.surfaceNodesSampled() ? 1 : 0;
    state.counters["no_crossing"] = noCrossingCount(t.tool);
    state.counters["manual_cpu"] = 1;
}

template <class T>
bool selectThreads(T& tool, int threads) {
    if constexpr (requires { tool.SetThreadCount(1); }) {
        return tool.SetThreadCount(threads) == 1;
    } else {
        return threads == 1;
    }
}

// Wall time of whole SetSurfaceNode calls over the traced rays on `threads` threads (CPU time
// of the calling thread would miss the other threads' work); the least of the iterations, per
// ray. The search set-up is made before timing: on the same mesh a call does not repeat it.
void surfaceNodesOnThreads(benchmark::State& state, Part& p, int mode, int threads) {
    LoadedTool& t = loadedTool(p);
    if (!selectMode(t.tool, mode)) throw std::runtime_error("the tool has no such mode");
    if (!selectThreads(t.tool, threads)) throw std::runtime_error("the tool has no threads");
    t.fiberRays = false;
    const RaySet& rays = p.surfaceNodeRays;
    if (setSurfaceNode(t.tool, rays) != 1) throw std::runtime_error("SetSurfaceNode failed");
    double least = std::numeric_limits<double>::infinity();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (setSurfaceNode(t.tool, rays) != 1) state.SkipWithError("SetSurfaceNode failed");
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        least = std::min(least, seconds);
        state.SetIterationTime(seconds);
    }
    selectThreads(t.tool, 1);
    reportItems(state, p, rays.count);
    state.counters["call_ms"] = 1e3 * least;
    state.counters["threads"] = threads;
    state.counters["hardware_threads"] = std::thread::hardware_concurrency();
}

}  // namespace

void registerToolStages(const PartKey& key) {
    // Whole calls on one and on two threads, wall time (the 1-vs-2 thread comparison).
    for (int m = 0; m < kModeCount; ++m) {
        for (int threads : {1, 2}) {
            const int mode = kModes[m].mode;
            addBenchmark(
                std::string("set_surface_node_wall.") + kModes[m].name + ".threads" +
                    std::to_string(threads),
                key,
                [mode, threads](benchmark::State& state, Part& p) {
                    surfaceNodesOnThreads(state, p, mode, threads);
                },
                Timing::Manual)
                ->MinTime(kThreadCallSeconds);
        }
    }

    for (int m = 0; m < kModeCount; ++m) {
        const int mode = kModes[m].mode;
        benchmark::internal::Benchmark* b = addBenchmark(
            std::string("set_surface_node.") + kModes[m].name, key,
            [mode](benchmark::State& state, Part& p) { surfaceNodes(state, p, mode); },
            Timing::Manual);
        // A sampled call is mostly set-up; a few calls let the least of each show through.
        if (sampleSurfaceNodes(key.cells)) b->Iterations(kSampledSurfaceNodeCalls);
    }

    // GetFiber on the rays of the ray sample, traced in the exact mode when the tool has it:
    // the default mode lets many thicknesses collapse, which leaves little to interpolate.
    addBenchmark("get_fiber", key, [](benchmark::State& state, Part& p) {
        LoadedTool& t = loadedTool(p);
        if (!t.fiberRays) {
            selectMode(t.tool, kThicknessModes ? kExactMode : kCentroidPlaneMode);
            if (setSurfaceNode(t.tool, p.sample) != 1)
                throw std::runtime_error("SetSurfaceNode failed");
            t.fiberRays = true;
        }
        const auto m = static_cast<std::size_t>(kLayers) + 1;
        std::vector<double> d(m), f1(m), f2(m), f3(m), f4(m), f5(m), f6(m);
        long long withValues = 0;
        for (auto _ : state) {
            withValues = 0;
            for (int i = 1; i <= p.sample.count; ++i) {
                t.tool.GetFiber(i, d.data(), f1.data(), f2.data(), f3.data(), f4.data(), f5.data(),
                                f6.data());
                for (std::size_t j = 1; j < m; ++j) withValues += f1[j] != 0.0 ? 1 : 0;
            }
        }
        const double points = static_cast<double>(p.sample.count) * kLayers;
        reportItems(state, p, points);
        state.counters["with_values"] = static_cast<double>(withValues) / points;
        state.counters["exact_rays"] = kThicknessModes ? 1 : 0;
    });

    // GetWallRay on the rays set_surface_node is measured on (the whole skin, or its even
    // sample on the largest parts), traced in the exact mode (whose skin hierarchy the
    // classification searches), per ray: set against set_surface_node.exact's ray_ms, it
    // shows what the classification adds to tracing. The first pass, which also builds the
    // face orientation, is left out.
    if constexpr (HasWallRays<QVR3DExtractTool>) {
        addBenchmark("get_wall_ray", key, [](benchmark::State& state, Part& p) {
            LoadedTool& t = loadedTool(p);
            selectMode(t.tool, kExactMode);
            t.fiberRays = false;
            const RaySet& rays = p.surfaceNodeRays;
            if (setSurfaceNode(t.tool, rays) != 1)
                throw std::runtime_error("SetSurfaceNode failed");
            long long wall = 0;
            for (int i = 1; i <= rays.count; ++i) wall += t.tool.GetWallRay(i) == 1 ? 1 : 0;
            for (auto _ : state) {
                wall = 0;
                for (int i = 1; i <= rays.count; ++i) wall += t.tool.GetWallRay(i) == 1 ? 1 : 0;
            }
            reportItems(state, p, rays.count);
            state.counters["wall_rays"] = static_cast<double>(wall);
        });
    }
}

}  // namespace qvr::bench
