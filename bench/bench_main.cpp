// The benchmark suite: Google Benchmark's flags plus --qvr_sizes, --qvr_types and --qvr_meshes
// (part_list.h).
// Benchmarks are registered part by part, so that one part is in memory at a time: every stage
// and every anchor that was built in.
#include <cstdio>
#include <string>
#include <vector>

#include "benchmarks.h"
#include "part_list.h"
#include "tool_modes.h"

namespace {

void addContext() {
    double load[3] = {0, 0, 0};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) load[0] = -1;
        std::fclose(f);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    benchmark::AddCustomContext("qvr_load_average_at_start", text);
    benchmark::AddCustomContext("qvr_layers", std::to_string(qvr::bench::kLayers));
    benchmark::AddCustomContext("qvr_ray_sample", std::to_string(qvr::bench::kRaySampleSize));
    benchmark::AddCustomContext("qvr_full_skin_cell_limit",
                                std::to_string(qvr::bench::kFullSkinCellLimit));
    benchmark::AddCustomContext("qvr_surface_node_sample",
                                std::to_string(qvr::bench::kSurfaceNodeSampleSize));
    benchmark::AddCustomContext("qvr_queries", std::to_string(qvr::bench::kQueryCount));
    benchmark::AddCustomContext("qvr_thickness_modes", std::to_string(qvr::bench::kModeCount));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<qvr::bench::PartKey> parts;
    std::string error;
    if (!qvr::bench::takePartList(argc, argv, parts, error)) {
        std::fprintf(stderr, "qvr_bench: %s\n", error.c_str());
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    addContext();
    for (const qvr::bench::PartKey& key : parts) {
        qvr::bench::registerMeshStages(key);
        qvr::bench::registerScanAnchor(key);
#ifdef QVR_BENCH_RTREE
        qvr::bench::registerRTreeAnchors(key);
#endif
        qvr::bench::registerToolStages(key);
        qvr::bench::registerRayStructureStages(key);
        qvr::bench::registerStraightforwardStages(key);
#ifdef QVR_BENCH_EMBREE
        qvr::bench::registerEmbreeAnchor(key);
#endif
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
