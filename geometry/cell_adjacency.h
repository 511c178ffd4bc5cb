// Face neighbours of the solid cells, and the walk through them towards a point.
//
// Built once per mesh: for each cell and each of its faces (in the element library's local
// order, below), the cell on the other side of the face, or 0 on the skin or where no other
// cell has all of the face's nodes. Each cell gets as many slots as the kind with the most faces
// in the mesh has (4 for tetrahedra only, 6 with a hexahedron), and a slot as many bits as the
// highest cell number needs (20 for a million cells): 10 to 15 bytes per cell where plain ints in
// six slots would take 24.
#ifndef QVR_GEOMETRY_CELL_ADJACENCY_H
#define QVR_GEOMETRY_CELL_ADJACENCY_H

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "QVROptKer.h"
#include "kernel/prefetch.h"

namespace qvr::geom {

class CellsAroundNodes;

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
    // The same corners as a set: bit k stands for position k; 0 for a face the kind does not have.
    // Inline: the cell choice asks it for every face of every cell around a point.
    static unsigned faceCornerMask(int nNode, int face) {
        // Rows: tetrahedron, pyramid, prism, hexahedron; the sets of the lists in the .cpp.
        static constexpr unsigned kMasks[4][kMaxFaces] = {{0x07, 0x0B, 0x0E, 0x0D, 0, 0},
                                                          {0x0F, 0x13, 0x16, 0x1C, 0x19, 0},
                                                          {0x07, 0x38, 0x1B, 0x36, 0x2D, 0},
                                                          {0x0F, 0xF0, 0x33, 0x66, 0xCC, 0x99}};
        if (face < 0 || face >= kMaxFaces) return 0;
        switch (nNode) {
            case 4: return kMasks[0][face];
            case 5: return kMasks[1][face];
            case 6: return kMasks[2][face];
            case 8: return kMasks[3][face];
            default: return 0;
        }
    }

    // Builds over cells 1..cellCount whose node numbers lie in 1..nodeCount (cells with other
    // numbers, or a null list, get no neighbours and are no one's neighbour). Replaces any
    // earlier build.
    void build(const CInnerCell* cells, int cellCount, int nodeCount);
    // The same table, from the cells around the nodes built over the same cells and counts (for
    // a caller that needs those lists too). Lists built over other cells or counts, or holding
    // cells of no kind, are not used: the table then comes from lists of its own.
    void build(const CInnerCell* cells, int cellCount, int nodeCount,
               const CellsAroundNodes& around);
    void clear();

    // The cell across local face `face` of `cell` (1..cellCount()), 0 for none.
    int neighbour(int cell, int face) const {
        if (face < 0 || face >= slots_) return 0;
        const std::size_t bit =
            (static_cast<std::size_t>(cell - 1) * static_cast<std::size_t>(slots_) +
             static_cast<std::size_t>(face)) *
            static_cast<std::size_t>(bits_);
        // Eight bytes from the slot's first byte hold its bits whatever their offset (at most 7
        // plus 32); the array carries eight bytes of padding for the last slot.
        std::uint64_t word = 0;
        std::memcpy(&word, bytes_.data() + bit / 8, sizeof word);
        word = littleEndian(word) >> (bit % 8);
        return static_cast<int>(word & mask_);
    }
    // Asks for the bytes of the cell's neighbours ahead of the neighbour() calls that read them.
    void prefetch(int cell) const {
        if (cell < 1 || cell > cellCount_) return;
        const std::size_t bit = static_cast<std::size_t>(cell - 1) *
                                static_cast<std::size_t>(slots_) * static_cast<std::size_t>(bits_);
        qvr::prefetch(bytes_.data() + bit / 8);
    }
    int cellCount() const { return cellCount_; }
    // Face slots per cell: the most faces any cell of the mesh has.
    int faceSlots() const { return slots_; }
    // Whether every neighbour names its cell back across one of its own faces. Not so where a
    // face is shared by more than two cells, or where a cell's face covers only part of a
    // larger face of another (a tetrahedron against half of a hexahedron's face): the smaller
    // cell reaches the larger, which has no neighbour across that face. A walk or a gathering
    // through neighbours then depends on the cell it starts from.
    bool symmetric() const { return symmetric_; }
    std::size_t memoryBytes() const { return bytes_.capacity(); }

private:
    void buildFrom(const CInnerCell* cells, int cellCount, int nodeCount,
                   const CellsAroundNodes& around);
    // The value of eight bytes read as stored, least significant byte first.
    static std::uint64_t littleEndian(std::uint64_t stored) {
        if constexpr (std::endian::native == std::endian::little) {
            return stored;
        } else {
            std::uint64_t v = 0;
            for (int k = 0; k < 8; ++k) v = (v << 8) | ((stored >> (8 * k)) & 0xFFu);
            return v;
        }
    }

    std::vector<std::uint8_t> bytes_;
    int cellCount_ = 0;
    int slots_ = 0;
    int bits_ = 1;  // bits per cell number
    std::uint64_t mask_ = 1;
    bool symmetric_ = true;
};

// Steps from cell `start` through face neighbours towards the point p until contains(cell)
// says yes; returns that cell, or 0 when the walk reaches the skin, comes back to a cell it
// has seen, or has taken maxSteps steps. From each cell it crosses the face whose plane (through
// the face's corner mean, normal by the corners' cross products, turned away from the cell's
// centroid) the point lies farthest beyond. Every cell tested is appended to `visited`.
// Cells and nodes are the mesh's 1-based tables; `adjacency` is built over those cells.
// The records of a cell's neighbours are asked for ahead while the face to cross is worked out.
template <typename Contains>
int walkToPoint(const CellAdjacency& adjacency, const CInnerCell* cells, const Cnode* nodes,
                int start, const double p[3], Contains&& contains, std::vector<int>& visited,
                int maxSteps);

// The cells reachable from `start` through face neighbours, each step across local face `face`
// of `cell` accepted by accept(cell, face) (start itself is taken as it is), appended to `cells`
// in the order found. The neighbour is looked up only across accepted faces: the lookup is the
// costly part (a read far away in the table), and most faces are rejected. False, with `cells`
// partly filled, when there are more than maxCells of them. reached(cell) is called as each
// cell after start is appended, before accept looks at it (to ask for its data ahead).
template <typename Accept, typename Reached>
bool gatherConnected(const CellAdjacency& adjacency, int start, Accept&& accept,
                     std::vector<int>& cells, std::size_t maxCells, Reached&& reached);
template <typename Accept>
bool gatherConnected(const CellAdjacency& adjacency, int start, Accept&& accept,
                     std::vector<int>& cells, std::size_t maxCells) {
    return gatherConnected(adjacency, start, accept, cells, maxCells, [](int) {});
}

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
        for (int f = 0; f < adjacency.faceSlots(); ++f) {
            const int next = adjacency.neighbour(cell, f);
            if (next != 0) qvr::prefetch(&cells[next]);
        }
        const int face = farthestFaceBeyond(cells[cell], nodes, p);
        if (face < 0) return 0;
        cell = adjacency.neighbour(cell, face);
    }
    return 0;
}

template <typename Accept, typename Reached>
bool gatherConnected(const CellAdjacency& adjacency, int start, Accept&& accept,
                     std::vector<int>& cells, std::size_t maxCells, Reached&& reached) {
    const std::size_t first = cells.size();
    cells.push_back(start);
    for (std::size_t next = first; next < cells.size(); ++next) {
        for (int face = 0; face < adjacency.faceSlots(); ++face) {
            const int from = cells[next];
            if (!accept(from, face)) continue;
            const int other = adjacency.neighbour(from, face);
            if (other == 0) continue;
            // The groups are small (the cells around one corner), so a scan beats a mark table.
            if (std::find(cells.begin() + static_cast<std::ptrdiff_t>(first), cells.end(), other) !=
                cells.end()) {
                continue;
            }
            if (cells.size() - first >= maxCells) return false;
            cells.push_back(other);
            reached(other);
        }
    }
    return true;
}

}  // namespace qvr::geom

#endif
