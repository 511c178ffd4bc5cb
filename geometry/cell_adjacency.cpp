// Face neighbours of the solid cells, found through the cells around each face's lowest node.
#include "geometry/cell_adjacency.h"

#include <algorithm>
#include <cmath>

namespace qvr::geom {

namespace {

// Local faces per kind, as positions in the cell's node list (the element library's order:
// a hexahedron's nodes 1-4 below 5-8, a prism's triangle 1-3 below 4-6, a pyramid's base
// 1-4 and apex 5). -1 ends a triangle. CellAdjacency::faceCornerMask holds the same faces as
// sets; its test checks the two agree.
constexpr int kTetraFaces[4][4] = {{0, 1, 2, -1}, {0, 1, 3, -1}, {1, 2, 3, -1}, {0, 2, 3, -1}};
constexpr int kPyramidFaces[5][4] = {
    {0, 1, 2, 3}, {0, 1, 4, -1}, {1, 2, 4, -1}, {2, 3, 4, -1}, {3, 0, 4, -1}};
constexpr int kPrismFaces[5][4] = {
    {0, 1, 2, -1}, {3, 4, 5, -1}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
constexpr int kHexaFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                  {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};

const int (*facesOf(int nNode))[4] {
    switch (nNode) {
        case 4: return kTetraFaces;
        case 5: return kPyramidFaces;
        case 6: return kPrismFaces;
        case 8: return kHexaFaces;
        default: return nullptr;
    }
}

bool usableCell(const CInnerCell& c, int nodeCount) {
    if (c.pNode == nullptr || CellAdjacency::faceCount(c.nNode) == 0) return false;
    for (int k = 1; k <= c.nNode; ++k) {
        if (c.pNode[k] < 1 || c.pNode[k] > nodeCount) return false;
    }
    return true;
}

bool hasNode(const CInnerCell& c, int node) {
    for (int k = 1; k <= c.nNode; ++k) {
        if (c.pNode[k] == node) return true;
    }
    return false;
}

}  // namespace

int CellAdjacency::faceCount(int nNode) {
    switch (nNode) {
        case 4: return 4;
        case 5:  // a pyramid: a quadrilateral base and four triangles
        case 6:  // a prism: two triangles and three quadrilaterals
            return 5;
        case 8: return 6;
        default: return 0;
    }
}

int CellAdjacency::faceCorners(int nNode, int face, int* positions) {
    const int(*faces)[4] = facesOf(nNode);
    if (faces == nullptr || face < 0 || face >= faceCount(nNode)) return 0;
    int n = 0;
    for (int k = 0; k < kMaxFaceNodes && faces[face][k] >= 0; ++k) positions[n++] = faces[face][k];
    return n;
}

void CellAdjacency::clear() {
    std::vector<std::uint8_t>().swap(bytes_);
    cellCount_ = 0;
    slots_ = 0;
    bits_ = 1;
    mask_ = 1;
    symmetric_ = true;
}

void CellAdjacency::set(int cell, int face, int other) {
    const std::size_t bit = (static_cast<std::size_t>(cell - 1) * static_cast<std::size_t>(slots_) +
                             static_cast<std::size_t>(face)) *
                            static_cast<std::size_t>(bits_);
    const auto value = static_cast<std::uint64_t>(static_cast<std::uint32_t>(other)) & mask_;
    // The slot's bits lie within the eight bytes from its first byte (see neighbour()); the
    // bytes are read and written one by one, least significant first, whatever the machine.
    std::uint8_t* const first = bytes_.data() + bit / 8;
    std::uint64_t word = 0;
    for (int k = 7; k >= 0; --k) word = (word << 8) | first[k];
    const unsigned shift = static_cast<unsigned>(bit % 8);
    word = (word & ~(mask_ << shift)) | (value << shift);
    for (int k = 0; k < 8; ++k) first[k] = static_cast<std::uint8_t>(word >> (8 * k));
}

void CellAdjacency::build(const CInnerCell* cells, int cellCount, int nodeCount) {
    clear();
    if (cells == nullptr || cellCount < 1 || nodeCount < 1) return;
    bits_ = static_cast<int>(std::bit_width(static_cast<unsigned>(cellCount)));
    mask_ = (std::uint64_t{1} << bits_) - 1;
    for (int c = 1; c <= cellCount; ++c) {
        if (usableCell(cells[c], nodeCount)) slots_ = std::max(slots_, faceCount(cells[c].nNode));
    }
    cellCount_ = cellCount;
    constexpr std::size_t kPadding = 8;  // the last slot's eight-byte read
    const std::size_t bits = static_cast<std::size_t>(cellCount) *
                             static_cast<std::size_t>(slots_) * static_cast<std::size_t>(bits_);
    bytes_.assign((bits + 7) / 8 + kPadding, 0);

    // Cells around each node, as offsets into one list.
    std::vector<int> first(static_cast<std::size_t>(nodeCount) + 2, 0);
    for (int c = 1; c <= cellCount; ++c) {
        if (!usableCell(cells[c], nodeCount)) continue;
        for (int k = 1; k <= cells[c].nNode; ++k)
            ++first[static_cast<std::size_t>(cells[c].pNode[k]) + 1];
    }
    for (std::size_t i = 1; i < first.size(); ++i) first[i] += first[i - 1];
    std::vector<int> around(static_cast<std::size_t>(first.back()));
    {
        std::vector<int> fill(first.begin(), first.end() - 1);
        for (int c = 1; c <= cellCount; ++c) {
            if (!usableCell(cells[c], nodeCount)) continue;
            for (int k = 1; k <= cells[c].nNode; ++k) {
                around[static_cast<std::size_t>(
                    fill[static_cast<std::size_t>(cells[c].pNode[k])]++)] = c;
            }
        }
    }

    for (int c = 1; c <= cellCount; ++c) {
        const CInnerCell& cell = cells[c];
        if (!usableCell(cell, nodeCount)) continue;
        for (int f = 0; f < faceCount(cell.nNode); ++f) {
            int positions[kMaxFaceNodes];
            const int n = faceCorners(cell.nNode, f, positions);
            int face[kMaxFaceNodes] = {};
            if (n < 3) continue;
            for (int k = 0; k < n; ++k) face[k] = cell.pNode[positions[k] + 1];
            const int lowest = *std::min_element(face, face + n);
            for (int i = first[static_cast<std::size_t>(lowest)];
                 i < first[static_cast<std::size_t>(lowest) + 1]; ++i) {
                const int other = around[static_cast<std::size_t>(i)];
                if (other == c) continue;
                bool all = true;
                for (int k = 0; k < n && all; ++k) all = hasNode(cells[other], face[k]);
                if (all) {
                    set(c, f, other);
                    break;
                }
            }
        }
    }

    for (int c = 1; c <= cellCount && symmetric_; ++c) {
        for (int f = 0; f < slots_ && symmetric_; ++f) {
            const int other = neighbour(c, f);
            if (other == 0) continue;
            bool back = false;
            for (int g = 0; g < slots_ && !back; ++g) back = neighbour(other, g) == c;
            symmetric_ = back;
        }
    }
}

namespace {

// farthestFaceBeyond for one kind of cell, its faces known when compiled: the loops over a
// face's corners unroll, and a corner's third (the triangles' corner mean) is taken once
// rather than once for each triangle it bounds. Every value is formed by the same operations
// in the same order as face by face with the corner counts read from the table.
template <int kNodes, int kFaces>
int farthestFaceBeyondOf(const int (&faceTable)[kFaces][4], const CInnerCell& cell,
                         const Cnode* nodes, const double p[3]) {
    // The cell's corners once, rather than once for each face they bound.
    double corner[kNodes][3];
    for (int k = 0; k < kNodes; ++k) {
        const Cnode& node = nodes[cell.pNode[k + 1]];
        corner[k][0] = node.x;
        corner[k][1] = node.y;
        corner[k][2] = node.z;
    }
    // Every kind but the hexahedron has triangles.
    constexpr bool kTriangles = kNodes != 8;
    double third[kNodes][3];
    if constexpr (kTriangles) {
        for (int k = 0; k < kNodes; ++k) {
            for (int a = 0; a < 3; ++a) third[k][a] = corner[k][a] / 3.0;
        }
    }
    int best = -1;
    double bestBeyond = 0.0;
    for (int f = 0; f < kFaces; ++f) {
        const int* const positions = faceTable[f];
        const bool quad = !kTriangles || positions[3] >= 0;
        // The corner mean, each corner divided by n before the sum; a quarter is taken by a
        // multiplication, which rounds exactly as the division does (a power of two).
        double c[3] = {0.0, 0.0, 0.0};
        // Newell's normal: exact for a triangle, the mean plane of a warped quadrilateral.
        double normal[3] = {0.0, 0.0, 0.0};
        auto addEdge = [&](const double* a, const double* b) {
            normal[0] += (a[1] - b[1]) * (a[2] + b[2]);
            normal[1] += (a[2] - b[2]) * (a[0] + b[0]);
            normal[2] += (a[0] - b[0]) * (a[1] + b[1]);
        };
        if (quad) {
            for (int k = 0; k < 4; ++k) {
                for (int a = 0; a < 3; ++a) c[a] += corner[positions[k]][a] * 0.25;
            }
            for (int k = 0; k < 4; ++k)
                addEdge(corner[positions[k]], corner[positions[(k + 1) & 3]]);
        } else if constexpr (kTriangles) {
            for (int k = 0; k < 3; ++k) {
                for (int a = 0; a < 3; ++a) c[a] += third[positions[k]][a];
            }
            addEdge(corner[positions[0]], corner[positions[1]]);
            addEdge(corner[positions[1]], corner[positions[2]]);
            addEdge(corner[positions[2]], corner[positions[0]]);
        }
        const double outward = normal[0] * (c[0] - cell.xc) + normal[1] * (c[1] - cell.yc) +
                               normal[2] * (c[2] - cell.zc);
        const double side = outward < 0.0 ? -1.0 : 1.0;
        const double beyond = side * (normal[0] * (p[0] - c[0]) + normal[1] * (p[1] - c[1]) +
                                      normal[2] * (p[2] - c[2]));
        // Only a plane the point lies beyond can win, and most are behind it: leave those
        // before the square root.
        if (!(beyond > 0.0)) continue;
        // Per unit of normal length, so that large and small faces compare fairly.
        const double length =
            std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
        if (!(length > 0.0)) continue;
        const double distance = beyond / length;
        if (distance > bestBeyond) {
            bestBeyond = distance;
            best = f;
        }
    }
    return best;
}

}  // namespace

int farthestFaceBeyond(const CInnerCell& cell, const Cnode* nodes, const double p[3]) {
    if (cell.pNode == nullptr) return -1;
    switch (cell.nNode) {
        case 4: return farthestFaceBeyondOf<4>(kTetraFaces, cell, nodes, p);
        case 5: return farthestFaceBeyondOf<5>(kPyramidFaces, cell, nodes, p);
        case 6: return farthestFaceBeyondOf<6>(kPrismFaces, cell, nodes, p);
        case 8: return farthestFaceBeyondOf<8>(kHexaFaces, cell, nodes, p);
        default: return -1;
    }
}

}  // namespace qvr::geom
