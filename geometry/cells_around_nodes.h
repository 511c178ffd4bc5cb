// The cells around each node of the mesh: for node v, the cells that list v, in ascending order,
// a cell once for each time it lists v (a collapsed corner lists a node twice). Held as offsets
// into one list: 4 bytes per node and 4 per corner of a cell, some 36 MB for a million
// hexahedra. Built for one set-up and dropped after it; nothing keeps it.
//
// Two users read it: the skin faces' bounding cells (each face looks along its first corner's
// list for a cell with all its corners) and the cell neighbour table (the cells that have all of
// a face's nodes are those on all of the nodes' lists). The exact mode's set-up builds the list
// once for both.
#ifndef QVR_GEOMETRY_CELLS_AROUND_NODES_H
#define QVR_GEOMETRY_CELLS_AROUND_NODES_H

#include <cstddef>
#include <vector>

#include "QVROptKer.h"

namespace qvr::geom {

class CellsAroundNodes {
public:
    // Which cells the lists hold. Either way a cell needs a node list whose numbers all lie in
    // 1..nodeCount: a cell naming a node outside the table is on no list.
    enum class Kinds {
        // Every such cell, whatever its node count (the file format allows part elements of
        // 1 to 8 nodes, and a skin face may be bounded by any of them).
        Any,
        // Only cells of a kind with faces: 4, 5, 6 or 8 nodes (those the neighbour table joins).
        WithFaces,
    };

    CellsAroundNodes() = default;
    // Lists over cells 1..cellCount (a null table or a count below 1 gives empty lists).
    CellsAroundNodes(const CInnerCell* cells, int cellCount, int nodeCount, Kinds kinds);

    struct List {
        const int* first;
        const int* last;
        const int* begin() const { return first; }
        const int* end() const { return last; }
    };
    // The cells around `node`, which must lie in 1..nodeCount().
    List around(int node) const {
        const auto v = static_cast<std::size_t>(node);
        return {cells_.data() + first_[v], cells_.data() + first_[v + 1]};
    }

    // Whether a cell may be listed under `kinds`: its node list there and every number in
    // 1..nodeCount, and for Kinds::WithFaces a kind with faces.
    static bool listable(const CInnerCell& cell, int nodeCount, Kinds kinds);

    int nodeCount() const { return nodeCount_; }
    // Whether the lists were built over this table, with these counts.
    bool builtOver(const CInnerCell* cells, int cellCount, int nodeCount) const {
        return cells == table_ && cellCount == cellCount_ && nodeCount == nodeCount_;
    }
    // Whether every listed cell is of a kind with faces: then the lists are those Kinds::WithFaces
    // gives, whichever `kinds` they were built with.
    bool onlyCellsWithFaces() const { return onlyCellsWithFaces_; }
    // The most faces of any listed cell: 0 when no listed cell has faces.
    int mostFaces() const { return mostFaces_; }
    std::size_t memoryBytes() const {
        return (first_.capacity() + cells_.capacity()) * sizeof(int);
    }

private:
    std::vector<int> first_;  // node v's cells at [first_[v], first_[v + 1])
    std::vector<int> cells_;
    const CInnerCell* table_ = nullptr;
    int cellCount_ = 0;
    int nodeCount_ = 0;
    int mostFaces_ = 0;
    bool onlyCellsWithFaces_ = true;
};

}  // namespace qvr::geom

#endif
