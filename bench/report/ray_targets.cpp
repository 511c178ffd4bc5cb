#include "ray_targets.h"

#include <cstdio>
#include <string>

#include "format.h"

namespace qvr::report {
namespace {

const Measurement* usable(const Measurement* m) {
    return m != nullptr && m->error.empty() && m->items > 0 && m->secondsPerItem > 0 ? m : nullptr;
}

// "5.6×", with a mark when it misses the target (above it, or below it where more is better).
std::string against(double value, double target, bool moreIsBetter) {
    if (!(value > 0)) return "–";
    const bool met = moreIsBetter ? value >= target : value <= target;
    return formatRatio(value) + (met ? "" : " ✗");
}

// A target as the heading states it: "5×", "1.7×".
std::string target(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g×", value);
    return text;
}

// Wall time of a whole-skin call on one thread over that on two.
double twoThreadSpeedUp(const RunResults& run, const std::string& mode, const std::string& type,
                        const std::string& size) {
    const Measurement* one =
        usable(run.find("set_surface_node_wall." + mode + ".threads1", type, size));
    const Measurement* two =
        usable(run.find("set_surface_node_wall." + mode + ".threads2", type, size));
    if (one == nullptr || two == nullptr) return 0.0;
    // The least call where the benchmark gives it, else the mean of its calls.
    const double oneSeconds = one->counter("call_ms", one->realSeconds * 1e3);
    const double twoSeconds = two->counter("call_ms", two->realSeconds * 1e3);
    return twoSeconds > 0 ? oneSeconds / twoSeconds : 0.0;
}

}  // namespace

double bothModesReadyBytesPerCell(const MemoryTable& table, const std::string& part) {
    const StageMemoryRow* load = table.find(part, "load_binary");
    const StageMemoryRow* ready = table.find(part, "both_modes_ready");
    if (load == nullptr || ready == nullptr || !(load->cells > 0)) return 0.0;
    return (load->retainedKiB + ready->retainedKiB) * 1024.0 / load->cells;
}

void rayTargetsSection(std::ostringstream& o, const RunResults& run, const MemoryTable& memory) {
    std::ostringstream rows;
    for (const std::string& size : run.sizes())
        for (const std::string& type : run.types()) {
            const Measurement* embree = usable(run.find("anchor.embree_ray", type, size));
            if (embree == nullptr) continue;
            const Measurement* ray = usable(run.find("skin_bvh.ray", type, size));
            const Measurement* build = usable(run.find("skin_bvh.build", type, size));
            const Measurement* exact = usable(run.find("set_surface_node.exact", type, size));
            const Measurement* centroid = usable(run.find("set_surface_node.centroid", type, size));
            const double perRay = embree->secondsPerItem;
            const auto over = [perRay](const Measurement* m) {
                return m != nullptr ? m->secondsPerItem / perRay : 0.0;
            };
            // Whole skin, each side's build counted: build once + one ray per skin node.
            double withBuild = 0.0;
            const double skinNodes = centroid != nullptr ? centroid->counter("skin_nodes") : 0.0;
            const double sceneSeconds = embree->counter("scene_build_ms") * 1e-3;
            if (ray != nullptr && build != nullptr && skinNodes > 0 && sceneSeconds > 0) {
                const double ours =
                    build->secondsPerItem * build->items + skinNodes * ray->secondsPerItem;
                withBuild = ours / (sceneSeconds + skinNodes * perRay);
            }
            const std::string part = type + "/" + size;
            const double bytes = bothModesReadyBytesPerCell(memory, part);
            const bool bytesTargeted = embree->cells >= kBytesPerCellTargetFromCells;
            rows << "| " << part << " | " << formatSeconds(perRay) << " | "
                 << against(over(ray), kTargetHierarchyRayOverEmbree, false) << " | "
                 << against(withBuild, kTargetWithBuildOverEmbree, false) << " | "
                 << (exact != nullptr ? formatRatio(over(exact)) : "–") << " | "
                 << against(over(centroid), kTargetDefaultNodeOverEmbree, false) << " | "
                 << against(twoThreadSpeedUp(run, "centroid", type, size), kTargetTwoThreadSpeedUp,
                            true)
                 << " / "
                 << against(twoThreadSpeedUp(run, "exact", type, size), kTargetTwoThreadSpeedUp,
                            true)
                 << " | "
                 << (bytes > 0 ? formatCount(bytes) +
                                     (bytesTargeted && bytes >= kTargetBytesPerCell ? " ✗" : "")
                               : std::string("–"))
                 << " |\n";
        }
    if (rows.str().empty()) return;
    o << "## The ray targets\n\n"
      << "Each column against its target; ✗ marks a miss. CPU time per item, one thread, set "
         "against an Embree robust ray on the same skin rays. *Hierarchy ray*: the nearest hit "
         "through the exact mode's skin hierarchy and watertight triangle test. *With builds, "
         "whole skin*: the hierarchy's build plus one such ray per skin node, against Embree's "
         "scene build plus as many Embree rays. *Exact node* and *default node*: a whole "
         "`SetSurfaceNode` skin node, sample points and their cells included (the exact node "
         "has no target of its own; it is shown for what a host waits for). *Threads*: the "
         "least wall time of whole-skin calls, repeated for half a second, on one thread over "
         "that on two (default / exact mode). "
         "*Bytes per cell*: a mesh loaded from the binary file with both modes ready, the "
         "target applying from a million cells.\n\n"
      << "| Part | Embree ray | Hierarchy ray / Embree (≤ " << target(kTargetHierarchyRayOverEmbree)
      << ") | With builds, whole skin (≤ " << target(kTargetWithBuildOverEmbree)
      << ") | Exact node / Embree | Default node / Embree (≤ "
      << target(kTargetDefaultNodeOverEmbree) << ") | 1 → 2 threads (≥ "
      << target(kTargetTwoThreadSpeedUp) << ") | Bytes per cell (< " << kTargetBytesPerCell
      << ") |\n|---|---:|---:|---:|---:|---:|---:|---:|\n"
      << rows.str() << "\n";
}

}  // namespace qvr::report
