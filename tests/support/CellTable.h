// Cell tables written out by hand or at random, as node lists, and the kernel's record table
// made from them: for tests that hand the library cells a loader would refuse (missing lists,
// node numbers outside the table, node counts of no kind).
#ifndef QVR_TESTS_CELL_TABLE_H
#define QVR_TESTS_CELL_TABLE_H

#include <cstddef>
#include <vector>

#include "NQBIO_Manipulator.h"
#include "QVROptKer.h"

namespace qvrtest {

// Cells as node lists (1-based node numbers, any values); an empty list stands for a cell whose
// list is missing (a null pointer with four nodes claimed).
struct NodeLists {
    int nodeCount = 0;
    std::vector<std::vector<int>> cells;
};

inline NodeLists nodeListsOf(const nqbio::MeshData& mesh) {
    NodeLists lists;
    lists.nodeCount = mesh.nodeCount();
    for (const auto& e : mesh.parts) lists.cells.emplace_back(e.node, e.node + e.nNode);
    return lists;
}

// The cell table as the kernel holds it: entry 0 unused, pNode[1..nNode].
class CellTable {
public:
    explicit CellTable(const NodeLists& mesh) : lists_(mesh.cells.size() + 1) {
        cells_.resize(mesh.cells.size() + 1);
        for (std::size_t c = 0; c < mesh.cells.size(); ++c) {
            CInnerCell& cell = cells_[c + 1];
            const auto& nodes = mesh.cells[c];
            if (nodes.empty()) {
                cell.nNode = 4;
                cell.pNode = nullptr;
                continue;
            }
            lists_[c + 1].push_back(0);
            lists_[c + 1].insert(lists_[c + 1].end(), nodes.begin(), nodes.end());
            cell.nNode = static_cast<int>(nodes.size());
            cell.pNode = lists_[c + 1].data();
        }
    }
    const CInnerCell* data() const { return cells_.data(); }
    CInnerCell* data() { return cells_.data(); }
    int count() const { return static_cast<int>(cells_.size()) - 1; }

private:
    std::vector<std::vector<int>> lists_;
    std::vector<CInnerCell> cells_;
};

}  // namespace qvrtest

#endif
