// Registration of the benchmarks of one part, and the helpers every benchmark shares.
//
// Names are "<stage>/<cell type>/<size>", e.g. "near_block_search/hex/1e5"; anchors are named
// "anchor.<what>/<cell type>/<size>", and the straightforward code the library replaced
// "straightforward.<stage>/<cell type>/<size>". Every benchmark reports the counters `items`
// (work items per iteration: the unit its time per item is quoted in) and `cells` (the part's
// actual cell count). The report divides the CPU time per iteration by `items`; benchmarks that
// time themselves (counter `manual_cpu`) hand Google Benchmark a manual time that is CPU time
// too.
#ifndef QVR_BENCH_BENCHMARKS_H
#define QVR_BENCH_BENCHMARKS_H

#include <functional>
#include <string>

#include <benchmark/benchmark.h>

#include "bench_part.h"

namespace qvr::bench {

void registerMeshStages(const PartKey& key);
void registerToolStages(const PartKey& key);
// The straightforward code the library replaced, on the same inputs (straightforward.<stage>).
void registerStraightforwardStages(const PartKey& key);
// The exact thickness's skin triangle hierarchy and cell neighbours (skin_bvh.*, cell_adjacency.*).
void registerRayStructureStages(const PartKey& key);
void registerScanAnchor(const PartKey& key);
void registerRTreeAnchors(const PartKey& key);  // only with Boost.Geometry
void registerEmbreeAnchor(const PartKey& key);  // only with Embree

// Real: the wall time of the loop body, the benchmark repeated kRepetitions times. Manual: the
// time the body hands to SetIterationTime, once (such a benchmark takes the least of its own
// iterations).
enum class Timing { Real, Manual };
constexpr int kRepetitions = 3;

// Registers fn under "<stage>/<part label>", reported in milliseconds. The part is made (or
// taken from the cache) inside the run; a part that cannot be made, or a std::exception out of
// fn, skips the benchmark with the reason.
benchmark::internal::Benchmark* addBenchmark(const std::string& stage, const PartKey& key,
                                             std::function<void(benchmark::State&, Part&)> fn,
                                             Timing timing = Timing::Real);

// Sets the `items` and `cells` counters and the items-per-second rate.
void reportItems(benchmark::State& state, const Part& p, double items);

}  // namespace qvr::bench

#endif
