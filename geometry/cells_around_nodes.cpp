// The cells around each node, counted and then filled in two passes over the cells.
#include "geometry/cells_around_nodes.h"

#include <algorithm>

#include "geometry/cell_adjacency.h"

namespace qvr::geom {

bool CellsAroundNodes::listable(const CInnerCell& cell, int nodeCount, Kinds kinds) {
    if (cell.pNode == nullptr || nodeCount < 1) return false;
    if (kinds == Kinds::WithFaces && CellAdjacency::faceCount(cell.nNode) == 0) return false;
    // 1..nodeCount as one unsigned comparison: 0 and negative numbers wrap to the top.
    const auto nodes = static_cast<unsigned>(nodeCount);
    for (int k = 1; k <= cell.nNode; ++k) {
        if (static_cast<unsigned>(cell.pNode[k]) - 1u >= nodes) return false;
    }
    return true;
}

CellsAroundNodes::CellsAroundNodes(const CInnerCell* cells, int cellCount, int nodeCount,
                                   Kinds kinds)
    : table_(cells), cellCount_(cellCount), nodeCount_(nodeCount) {
    if (nodeCount < 1) return;
    // Everything is built in locals and taken over at the end: a refused allocation leaves the
    // lists empty.
    std::vector<int> first(static_cast<std::size_t>(nodeCount) + 2, 0);
    std::vector<int> listed;
    int mostFaces = 0;
    bool onlyCellsWithFaces = true;
    if (cells != nullptr && cellCount >= 1) {
        for (int c = 1; c <= cellCount; ++c) {
            const CInnerCell& cell = cells[c];
            if (!listable(cell, nodeCount, kinds)) continue;
            const int faces = CellAdjacency::faceCount(cell.nNode);
            mostFaces = std::max(mostFaces, faces);
            onlyCellsWithFaces = onlyCellsWithFaces && faces > 0;
            for (int k = 1; k <= cell.nNode; ++k) ++first[static_cast<std::size_t>(cell.pNode[k])];
        }
        // Each node's entry the end of its list; filled backwards from the last cell, the
        // entries come down to the lists' starts, and each list comes out ascending.
        for (std::size_t i = 1; i < first.size(); ++i) first[i] += first[i - 1];
        listed.resize(static_cast<std::size_t>(first.back()));
        for (int c = cellCount; c >= 1; --c) {
            const CInnerCell& cell = cells[c];
            if (!listable(cell, nodeCount, kinds)) continue;
            for (int k = 1; k <= cell.nNode; ++k)
                listed[static_cast<std::size_t>(--first[static_cast<std::size_t>(cell.pNode[k])])] =
                    c;
        }
    }
    first_.swap(first);
    cells_.swap(listed);
    mostFaces_ = mostFaces;
    onlyCellsWithFaces_ = onlyCellsWithFaces;
}

}  // namespace qvr::geom
