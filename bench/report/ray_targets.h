// The thickness rays' targets, measured: one table per run, generated from the run's own
// benchmarks and memory probe, so the page states where each target stands without hand work.
#ifndef QVR_BENCH_REPORT_RAY_TARGETS_H
#define QVR_BENCH_REPORT_RAY_TARGETS_H

#include <sstream>

#include "memory_table.h"
#include "results.h"

namespace qvr::report {

// The targets the ray work is held to; a cell of the table that misses its target is marked.
// The skin hierarchy's ray against an Embree robust ray on the same rays, one thread.
constexpr double kTargetHierarchyRayOverEmbree = 5.0;
// The same over the whole skin with each side's build counted (the skin hierarchy's build
// against Embree's scene build).
constexpr double kTargetWithBuildOverEmbree = 2.0;
// A default-mode skin node against an Embree ray.
constexpr double kTargetDefaultNodeOverEmbree = 40.0;
// A whole-skin call on two threads against one (wall time), both modes.
constexpr double kTargetTwoThreadSpeedUp = 1.7;
// Bytes per cell of a loaded mesh with both modes ready, on the parts of a million cells.
constexpr double kTargetBytesPerCell = 300.0;
constexpr double kBytesPerCellTargetFromCells = 5e5;

// Memory of a mesh loaded from the binary file with both modes of the tool ready, per cell:
// what the load and the modes' set-up still hold. Zero when the table lacks either stage.
double bothModesReadyBytesPerCell(const MemoryTable& table, const std::string& part);

// Appends the section; nothing when the run has no Embree anchor to set the rays against.
void rayTargetsSection(std::ostringstream& o, const RunResults& run, const MemoryTable& memory);

}  // namespace qvr::report

#endif
