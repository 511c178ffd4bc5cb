#include "memory_table.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace qvr::report {

const StageMemoryRow* MemoryTable::find(const std::string& part, const std::string& stage) const {
    const auto it = rows.find({part, stage});
    return it == rows.end() ? nullptr : &it->second;
}

MemoryTable readMemoryTable(const std::string& path) {
    MemoryTable table;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream s(line);
        std::string field;
        while (std::getline(s, field, ',')) f.push_back(field);
        if (f.size() != 6) continue;  // part,cells,stage,peak_kib,retained_kib,method
        table.rows[{f[0], f[2]}] = {std::atof(f[3].c_str()), std::atof(f[4].c_str()), f[5],
                                    std::atof(f[1].c_str())};
    }
    return table;
}

MeshFootprint loadedMeshFootprint(const MemoryTable& table, const std::string& part) {
    const StageMemoryRow* load = table.find(part, "load_binary");
    const StageMemoryRow* index = table.find(part, "initialize_search");
    if (load == nullptr || index == nullptr || !(load->cells > 0)) return {};
    const double bytesPerCell = 1024.0 / load->cells;
    return {(load->retainedKiB + index->retainedKiB) * bytesPerCell,
            std::max(load->peakKiB, load->retainedKiB + index->peakKiB) * bytesPerCell};
}

}  // namespace qvr::report
