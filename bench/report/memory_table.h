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
};

struct MemoryTable {
    std::map<std::pair<std::string, std::string>, StageMemoryRow> rows;  // (part, stage)
    const StageMemoryRow* find(const std::string& part, const std::string& stage) const;
};

// An absent or unreadable file gives an empty table.
MemoryTable readMemoryTable(const std::string& path);

}  // namespace qvr::report

#endif
