// Face neighbours of the solid cells, and the walk through them towards a point.
//
// Built once per mesh: for each cell and each of its faces (in the element library's local
// order, below), the cell on the other side of the face, or 0 on the skin or where no other
// cell has all of the face's nodes. Six slots per cell whatever its kind.
#ifndef QVR_GEOMETRY_CELL_ADJACENCY_H
#define QVR_GEOMETRY_CELL_ADJACENCY_H

#include <algorithm>
#include <cstddef>
#include <vector>

#include "QVROptKer.h"

namespace qvr::geom {

class CellAdjacency {
public:
    static constexpr int kMaxFaces = 6;
    static constexpr int kMaxFaceNodes = 4;

    // Faces of a cell with nNode nodes: 4 (tetrahedron), 5 (pyramid, prism), 6 (hexahedron);
    // 0 for any other node count.
    static int faceCount(int nNode);
    // Positions (0-based, into the cell's node list) of the corners of local face `face`, in
    // order around it; returns their number (3 or 4), 0 for a face the kind does not have.
    static int faceCorners(int nNode, int face, int* positions);

    // Builds over cells 1..cellCount whose node numbers lie in 1..nodeCount (cells with other
    // numbers, or a null list, get no neighbours and are no one's neighbour). Replaces any
    // earlier build.
    void build(const CInnerCell* cells, int cellCount, int nodeCount);
    void clear();

    // The cell across local face `face` of `cell`, 0 for none.
    int neighbour(int cell, int face) const {
        return neighbours_[static_cast<std::size_t>(cell - 1) * kMaxFaces +
                           static_cast<std::size_t>(face)];
    }
    int cellCount() const { return static_cast<int>(neighbours_.size() / kMaxFaces); }
    std::size_t memoryBytes() const { return neighbours_.capacity() * sizeof(int); }

private:
    std::vector<int> neighbours_;
};

// Steps from cell `start` through face neighbours towards the point p until contains(cell)
// says yes; returns that cell, or 0 when the walk reaches the skin, comes back to a cell it
// has seen, or has taken maxSteps steps. From each cell it crosses the face whose plane (through
// the face's corner mean, normal by the corners' cross products, turned away from the cell's
// centroid) the point lies farthest beyond. Every cell tested is appended to `visited`.
// Cells and nodes are the mesh's 1-based tables; `adjacency` is built over those cells.
template <typename Contains>
int walkToPoint(const CellAdjacency& adjacency, const CInnerCell* cells, const Cnode* nodes,
                int start, const double p[3], Contains&& contains, std::vector<int>& visited,
                int maxSteps);

// The cells reachable from `start` through face neighbours, each step accepted by
// accept(cell, face, neighbour) (start itself is taken as it is), appended to `cells` in the order
// found. False, with `cells` partly filled, when there are more than maxCells of them.
template <typename Accept>
bool gatherConnected(const CellAdjacency& adjacency, int start, Accept&& accept,
                     std::vector<int>& cells, std::size_t maxCells);

// The face of `cell` (local number) whose plane p lies farthest beyond (distance from the plane
// through the face's corner mean, normal by Newell's rule); -1 when p lies behind every plane.
int farthestFaceBeyond(const CInnerCell& cell, const Cnode* nodes, const double p[3]);

template <typename Contains>
int walkToPoint(const CellAdjacency& adjacency, const CInnerCell* cells, const Cnode* nodes,
                int start, const double p[3], Contains&& contains, std::vector<int>& visited,
                int maxSteps) {
    int cell = start;
    for (int step = 0; step <= maxSteps && cell > 0; ++step) {
        for (int seen : visited) {
            if (seen == cell) return 0;
        }
        visited.push_back(cell);
        if (contains(cell)) return cell;
        const int face = farthestFaceBeyond(cells[cell], nodes, p);
        if (face < 0) return 0;
        cell = adjacency.neighbour(cell, face);
    }
    return 0;
}

template <typename Accept>
bool gatherConnected(const CellAdjacency& adjacency, int start, Accept&& accept,
                     std::vector<int>& cells, std::size_t maxCells) {
    const std::size_t first = cells.size();
    cells.push_back(start);
    for (std::size_t next = first; next < cells.size(); ++next) {
        for (int face = 0; face < CellAdjacency::kMaxFaces; ++face) {
            const int from = cells[next];
            const int other = adjacency.neighbour(from, face);
            if (other == 0 || !accept(from, face, other)) continue;
            // The groups are small (the cells around one corner), so a scan beats a mark table.
            if (std::find(cells.begin() + static_cast<std::ptrdiff_t>(first), cells.end(),
                          other) != cells.end()) {
                continue;
            }
            if (cells.size() - first >= maxCells) return false;
            cells.push_back(other);
        }
    }
    return true;
}

}  // namespace qvr::geom

#endif
