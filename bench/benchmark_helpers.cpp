#include <exception>

#include "benchmarks.h"

namespace qvr::bench {

benchmark::internal::Benchmark* addBenchmark(const std::string& stage, const PartKey& key,
                                             std::function<void(benchmark::State&, Part&)> fn,
                                             Timing timing) {
    const std::string name = stage + "/" + partLabel(key);
    auto run = [key, fn](benchmark::State& state) {
        try {
            fn(state, part(key));
        } catch (const std::exception& e) {
            // Google Benchmark accepts an unfinished loop only from a benchmark in error.
            state.SkipWithError(e.what());
        }
    };
    benchmark::internal::Benchmark* b =
        benchmark::RegisterBenchmark(name.c_str(), run)->Unit(benchmark::kMillisecond);
    if (timing == Timing::Manual) return b->UseManualTime();
    // On a shared machine single runs stray; the report keeps the fastest repetition.
    return b->UseRealTime()->Repetitions(kRepetitions);
}

void reportItems(benchmark::State& state, const Part& p, double items) {
    state.counters["items"] = items;
    state.counters["cells"] = p.files->cells;
    state.SetItemsProcessed(static_cast<int64_t>(items * static_cast<double>(state.iterations())));
}

}  // namespace qvr::bench
