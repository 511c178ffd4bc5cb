// The cell neighbour table worked out the plain way, kept as the reference the library's build
// is compared with: for each face of each usable cell, the cells around the face's lowest node
// in ascending order, each checked for all of the face's nodes by a scan of its node list; the
// first other cell that has them all is the neighbour. The table is held as plain ints, one
// row of faceSlots per cell, so that it can be set against every neighbour() answer.
#ifndef QVR_TESTS_REFERENCE_CELL_ADJACENCY_H
#define QVR_TESTS_REFERENCE_CELL_ADJACENCY_H

#include <algorithm>
#include <bit>
#include <cstddef>
#include <vector>

#include <gtest/gtest.h>

#include "QVROptKer.h"
#include "geometry/cell_adjacency.h"

namespace qvrtest {

struct ReferenceCellAdjacency {
    int cellCount = 0;
    int faceSlots = 0;
    int bitsPerCell = 1;
    std::size_t byteCount = 0;    // the packed table with its eight bytes of padding; 0 unbuilt
    std::vector<int> neighbours;  // cell c's face f at (c - 1) * faceSlots + f
    bool symmetric = true;

    int neighbour(int cell, int face) const {
        return neighbours[static_cast<std::size_t>(cell - 1) * static_cast<std::size_t>(faceSlots) +
                          static_cast<std::size_t>(face)];
    }
};

inline bool referenceUsableCell(const CInnerCell& c, int nodeCount) {
    if (c.pNode == nullptr || qvr::geom::CellAdjacency::faceCount(c.nNode) == 0) return false;
    for (int k = 1; k <= c.nNode; ++k) {
        if (c.pNode[k] < 1 || c.pNode[k] > nodeCount) return false;
    }
    return true;
}

inline bool referenceHasNode(const CInnerCell& c, int node) {
    for (int k = 1; k <= c.nNode; ++k) {
        if (c.pNode[k] == node) return true;
    }
    return false;
}

inline ReferenceCellAdjacency buildReferenceCellAdjacency(const CInnerCell* cells, int cellCount,
                                                          int nodeCount) {
    using qvr::geom::CellAdjacency;
    ReferenceCellAdjacency table;
    if (cells == nullptr || cellCount < 1 || nodeCount < 1) return table;
    table.cellCount = cellCount;
    table.bitsPerCell = static_cast<int>(std::bit_width(static_cast<unsigned>(cellCount)));
    for (int c = 1; c <= cellCount; ++c) {
        if (referenceUsableCell(cells[c], nodeCount))
            table.faceSlots = std::max(table.faceSlots, CellAdjacency::faceCount(cells[c].nNode));
    }
    const std::size_t bits = static_cast<std::size_t>(cellCount) *
                             static_cast<std::size_t>(table.faceSlots) *
                             static_cast<std::size_t>(table.bitsPerCell);
    table.byteCount = (bits + 7) / 8 + 8;
    table.neighbours.assign(
        static_cast<std::size_t>(cellCount) * static_cast<std::size_t>(table.faceSlots), 0);

    // Cells around each node in ascending order, a cell once for each time it lists the node.
    std::vector<std::vector<int>> around(static_cast<std::size_t>(nodeCount) + 1);
    for (int c = 1; c <= cellCount; ++c) {
        if (!referenceUsableCell(cells[c], nodeCount)) continue;
        for (int k = 1; k <= cells[c].nNode; ++k)
            around[static_cast<std::size_t>(cells[c].pNode[k])].push_back(c);
    }

    for (int c = 1; c <= cellCount; ++c) {
        const CInnerCell& cell = cells[c];
        if (!referenceUsableCell(cell, nodeCount)) continue;
        for (int f = 0; f < CellAdjacency::faceCount(cell.nNode); ++f) {
            int positions[CellAdjacency::kMaxFaceNodes];
            const int n = CellAdjacency::faceCorners(cell.nNode, f, positions);
            if (n < 3) continue;
            int face[CellAdjacency::kMaxFaceNodes] = {};
            for (int k = 0; k < n; ++k) face[k] = cell.pNode[positions[k] + 1];
            const int lowest = *std::min_element(face, face + n);
            for (int other : around[static_cast<std::size_t>(lowest)]) {
                if (other == c) continue;
                bool all = true;
                for (int k = 0; k < n && all; ++k) all = referenceHasNode(cells[other], face[k]);
                if (all) {
                    table.neighbours[static_cast<std::size_t>(c - 1) *
                                         static_cast<std::size_t>(table.faceSlots) +
                                     static_cast<std::size_t>(f)] = other;
                    break;
                }
            }
        }
    }

    for (int c = 1; c <= cellCount && table.symmetric; ++c) {
        for (int f = 0; f < table.faceSlots && table.symmetric; ++f) {
            const int other = table.neighbour(c, f);
            if (other == 0) continue;
            bool back = false;
            for (int g = 0; g < table.faceSlots && !back; ++g)
                back = table.neighbour(other, g) == c;
            table.symmetric = back;
        }
    }
    return table;
}

// The built table against the reference, whole: counts, packed size, symmetry and every slot
// (and nothing answered beyond the slots).
inline ::testing::AssertionResult sameAsReference(const qvr::geom::CellAdjacency& built,
                                                  const ReferenceCellAdjacency& want) {
    if (built.cellCount() != want.cellCount || built.faceSlots() != want.faceSlots ||
        built.memoryBytes() != want.byteCount || built.symmetric() != want.symmetric) {
        return ::testing::AssertionFailure()
               << "cells " << built.cellCount() << "/" << want.cellCount << ", slots "
               << built.faceSlots() << "/" << want.faceSlots << ", bytes " << built.memoryBytes()
               << "/" << want.byteCount << ", symmetric " << built.symmetric() << "/"
               << want.symmetric << " (built/reference)";
    }
    for (int c = 1; c <= want.cellCount; ++c) {
        for (int f = 0; f < want.faceSlots; ++f) {
            if (built.neighbour(c, f) != want.neighbour(c, f)) {
                return ::testing::AssertionFailure()
                       << "cell " << c << " face " << f << ": " << built.neighbour(c, f)
                       << ", the reference " << want.neighbour(c, f);
            }
        }
        if (built.neighbour(c, want.faceSlots) != 0 || built.neighbour(c, -1) != 0)
            return ::testing::AssertionFailure() << "cell " << c << " answers beyond its slots";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace qvrtest

#endif
