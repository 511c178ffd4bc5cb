// The skin faces' outward sides and bounding cells worked out as the tool did before its set-up
// shared the cells around the nodes with the neighbour table, kept as the reference the library
// is compared with: its own list of the cells around each node (every cell with a node list,
// whatever its node count, ascending), and for each face the first cell on its first corner's
// list that has all the face's nodes. One guard is added: a cell naming a node outside the node
// table is on no list, and a face whose first corner lies outside it has no cell (the code it
// copies read past its arrays there; no loader hands over such tables).
#ifndef QVR_TESTS_REFERENCE_FACE_ORIENTATION_H
#define QVR_TESTS_REFERENCE_FACE_ORIENTATION_H

#include <cstddef>
#include <vector>

#include "QVROptKer.h"

namespace qvrtest {

struct ReferenceFaceOrientation {
    std::vector<signed char> outward;  // per face 1..faceCount: +1 out of the part, -1 into it
    std::vector<int> faceCell;         // per face: the cell it bounds, 0 for none
};

inline ReferenceFaceOrientation buildReferenceFaceOrientation(const CInnerCell* cells,
                                                              int cellCount, int nodeCount,
                                                              const CFaceElem* faces,
                                                              int faceCount) {
    ReferenceFaceOrientation r;
    r.outward.assign(static_cast<std::size_t>(faceCount) + 1, 1);
    r.faceCell.assign(static_cast<std::size_t>(faceCount) + 1, 0);
    if (cells == nullptr || faces == nullptr || nodeCount < 1) return r;
    auto inTable = [nodeCount](const CInnerCell& cell) {
        for (int k = 1; k <= cell.nNode; ++k) {
            if (cell.pNode[k] < 1 || cell.pNode[k] > nodeCount) return false;
        }
        return true;
    };
    auto hasNode = [](const CInnerCell& cell, int node) {
        for (int k = 1; k <= cell.nNode; ++k) {
            if (cell.pNode[k] == node) return true;
        }
        return false;
    };

    // Cells around each node, as offsets into one list.
    std::vector<int> first(static_cast<std::size_t>(nodeCount) + 2, 0);
    for (int c = 1; c <= cellCount; ++c) {
        const CInnerCell& cell = cells[c];
        if (cell.pNode == nullptr || !inTable(cell)) continue;
        for (int k = 1; k <= cell.nNode; ++k) ++first[static_cast<std::size_t>(cell.pNode[k]) + 1];
    }
    for (std::size_t i = 1; i < first.size(); ++i) first[i] += first[i - 1];
    std::vector<int> around(static_cast<std::size_t>(first.back()), 0);
    std::vector<int> fill(first.begin(), first.end() - 1);
    for (int c = 1; c <= cellCount; ++c) {
        const CInnerCell& cell = cells[c];
        if (cell.pNode == nullptr || !inTable(cell)) continue;
        for (int k = 1; k <= cell.nNode; ++k)
            around[static_cast<std::size_t>(fill[static_cast<std::size_t>(cell.pNode[k])]++)] = c;
    }

    for (int f = 1; f <= faceCount; ++f) {
        const CFaceElem& face = faces[f];
        if (face.nNode < 3 || face.pNode == nullptr) continue;
        if (face.pNode[1] < 1 || face.pNode[1] > nodeCount) continue;
        const auto node = static_cast<std::size_t>(face.pNode[1]);
        for (int i = first[node]; i < first[node + 1]; ++i) {
            const int c = around[static_cast<std::size_t>(i)];
            const CInnerCell& cell = cells[c];
            bool bounds = true;
            for (int k = 2; k <= face.nNode && bounds; ++k) bounds = hasNode(cell, face.pNode[k]);
            if (!bounds) continue;
            const double away = (face.xc - cell.xc) * face.ax + (face.yc - cell.yc) * face.ay +
                                (face.zc - cell.zc) * face.az;
            r.outward[static_cast<std::size_t>(f)] = away < 0.0 ? -1 : 1;
            r.faceCell[static_cast<std::size_t>(f)] = c;
            break;
        }
    }
    return r;
}

}  // namespace qvrtest

#endif
