// Peak memory per stage, read from the memory probe's CSV.
#ifndef QVR_BENCH_REPORT_MEMORY_TABLE_H
#define QVR_BENCH_REPORT_MEMORY_TABLE_H

#include <map>
#include <string>
#include <utility>

namespace qvr::report {

struct StageMemoryRow {
    double peakKiB = 0, retainedKiB = 0;
    std::string method;
    double cells = 0;  // the part's actual cell count
};

struct MemoryTable {
    std::map<std::pair<std::string, std::string>, StageMemoryRow> rows;  // (part, stage)
    const StageMemoryRow* find(const std::string& part, const std::string& stage) const;
};

// An absent or unreadable file gives an empty table.
MemoryTable readMemoryTable(const std::string& path);

// Memory of a mesh loaded from the binary file and indexed by the search set-up, per cell:
// what the two stages still hold after they returned, and the highest resident set on the way
// (the load's own peak, or what the load holds plus the set-up's peak, whichever is higher).
// Zero when the table lacks either stage of the part.
struct MeshFootprint {
    double heldBytesPerCell = 0, peakBytesPerCell = 0;
};
MeshFootprint loadedMeshFootprint(const MemoryTable& table, const std::string& part);

}  // namespace qvr::report

#endif
