// Face neighbours of the solid cells, found through the cells around each face's nodes.
#include "geometry/cell_adjacency.h"

#include <algorithm>
#include <cmath>

#include "geometry/cells_around_nodes.h"

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

// How the cells across one kind's faces are looked for: the lists of the marked corners are
// marked, and each face's cells are then read from the list of its scanned corner, those kept
// whose marks hold the face's other corners. A corner scanned for every face it bounds need not
// be marked: one per face at most (the tetrahedron's first, the pyramid's apex, the prism's
// first, the hexahedron's first and its opposite), which leaves a quarter of the marking out.
struct KindPlan {
    unsigned marked = 0;                             // corner positions as bits
    int scanned[CellAdjacency::kMaxFaces] = {};      // per face: the corner whose list is read
    unsigned others[CellAdjacency::kMaxFaces] = {};  // per face: its corners but the scanned
};

template <int kFaces>
constexpr KindPlan planFor(const int (&faces)[kFaces][4], int nNode, unsigned unmarked) {
    KindPlan plan;
    plan.marked = ((1u << nNode) - 1) & ~unmarked;
    for (int f = 0; f < kFaces; ++f) {
        const int* const corners = faces[f];
        int scanned = corners[0];
        for (int k = 0; k < CellAdjacency::kMaxFaceNodes && corners[k] >= 0; ++k) {
            if ((unmarked >> corners[k] & 1u) != 0) scanned = corners[k];
        }
        unsigned others = 0;
        for (int k = 0; k < CellAdjacency::kMaxFaceNodes && corners[k] >= 0; ++k) {
            if (corners[k] != scanned) others |= 1u << corners[k];
        }
        plan.scanned[f] = scanned;
        plan.others[f] = others;
    }
    return plan;
}

constexpr KindPlan kTetraPlan = planFor(kTetraFaces, 4, 0x01);
constexpr KindPlan kPyramidPlan = planFor(kPyramidFaces, 5, 0x10);
constexpr KindPlan kPrismPlan = planFor(kPrismFaces, 6, 0x01);
constexpr KindPlan kHexaPlan = planFor(kHexaFaces, 8, 0x41);

// Every face's other corners are marked (no face has two unmarked corners).
constexpr bool coversFaces(const KindPlan& plan) {
    for (unsigned others : plan.others) {
        if ((others & ~plan.marked) != 0) return false;
    }
    return true;
}
static_assert(coversFaces(kTetraPlan) && coversFaces(kPyramidPlan) && coversFaces(kPrismPlan) &&
              coversFaces(kHexaPlan));

const KindPlan& planOf(int nNode) {
    switch (nNode) {
        case 4: return kTetraPlan;
        case 5: return kPyramidPlan;
        case 6: return kPrismPlan;
        default: return kHexaPlan;
    }
}

// The cells across each face of a cell, read from the cells around the face's nodes (which must
// hold only cells of a kind with faces). The cells that have all of a face's nodes are those on
// all of the nodes' lists: found with a mark per cell set from the lists of the cell's own
// corners, each read in order, rather than by reading each candidate's own node list (scattered
// over the cell table, two or three reads far apart per candidate).
class NeighbourFinder {
public:
    NeighbourFinder(const CellsAroundNodes& around, int cellCount)
        : around_(around), marks_(static_cast<std::size_t>(cellCount) + 1, 0) {}

    // For each face of listed cell `self` (in `row`), the lowest numbered other cell that lists
    // all of the face's nodes, or 0. The cells around a marked corner get that corner's bit,
    // and lose their marks again before the return.
    void neighboursOf(const CInnerCell& cell, int self, int* row) {
        const int n = cell.nNode;
        const KindPlan& plan = planOf(n);
        for (int k = 0; k < n; ++k) {
            if ((plan.marked >> k & 1u) == 0) continue;
            const auto bit = static_cast<std::uint8_t>(1u << k);
            for (const int other : around_.around(cell.pNode[k + 1]))
                marks_[static_cast<std::size_t>(other)] |= bit;
        }
        for (int f = 0; f < CellAdjacency::faceCount(n); ++f) {
            const unsigned others = plan.others[f];
            row[f] = 0;
            // In ascending order: the first that has all the other corners is the lowest.
            for (const int other : around_.around(cell.pNode[plan.scanned[f] + 1])) {
                if (other != self && (marks_[static_cast<std::size_t>(other)] & others) == others) {
                    row[f] = other;
                    break;
                }
            }
        }
        for (int k = 0; k < n; ++k) {
            if ((plan.marked >> k & 1u) == 0) continue;
            for (const int other : around_.around(cell.pNode[k + 1]))
                marks_[static_cast<std::size_t>(other)] = 0;
        }
    }

private:
    const CellsAroundNodes& around_;
    std::vector<std::uint8_t> marks_;  // per cell: bits of the corners whose lists hold it
};

// Writes the table's slots one after the other, each in as many bits as the table gives a
// cell number, least significant first, into bytes that start out zero.
class SlotWriter {
public:
    SlotWriter(std::uint8_t* out, int bits) : out_(out), bits_(static_cast<unsigned>(bits)) {}
    void put(int value) {
        // Fewer than 8 bits held before, at most 31 added: within the 64.
        pending_ |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(value)) << held_;
        held_ += bits_;
        while (held_ >= 8) {
            *out_++ = static_cast<std::uint8_t>(pending_);
            pending_ >>= 8;
            held_ -= 8;
        }
    }
    void finish() {
        if (held_ > 0) *out_ = static_cast<std::uint8_t>(pending_);
    }

private:
    std::uint8_t* out_;
    unsigned bits_;
    std::uint64_t pending_ = 0;
    unsigned held_ = 0;
};

// Whether every neighbour in the table names its cell back across one of its own faces. Pairs
// named from the higher numbered cell are checked against the lower's row; those named from
// the lower are only counted: each checked pair has its own pair named from the lower, so
// there are as many of those only when all of them are named back too. A cell naming one
// neighbour across two faces counts it once.
bool everyNeighbourNamesBack(const CellAdjacency& table) {
    const int cellCount = table.cellCount();
    const int slots = table.faceSlots();
    std::size_t namedDown = 0;
    std::size_t namedUp = 0;
    for (int c = 1; c <= cellCount; ++c) {
        int row[CellAdjacency::kMaxFaces] = {};
        for (int f = 0; f < slots; ++f) row[f] = table.neighbour(c, f);
        for (int f = 0; f < slots; ++f) {
            const int other = row[f];
            if (other == 0 || std::find(row, row + f, other) != row + f) continue;
            if (other > c) {
                ++namedUp;
                continue;
            }
            ++namedDown;
            bool back = false;
            for (int g = 0; g < slots && !back; ++g) back = table.neighbour(other, g) == c;
            if (!back) return false;
        }
    }
    return namedDown == namedUp;
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

void CellAdjacency::build(const CInnerCell* cells, int cellCount, int nodeCount) {
    clear();
    if (cells == nullptr || cellCount < 1 || nodeCount < 1) return;
    const CellsAroundNodes around(cells, cellCount, nodeCount, CellsAroundNodes::Kinds::WithFaces);
    buildFrom(cells, cellCount, nodeCount, around);
}

void CellAdjacency::build(const CInnerCell* cells, int cellCount, int nodeCount,
                          const CellsAroundNodes& around) {
    // Lists of other cells or counts, or lists that hold cells of no kind (which a candidate
    // would have to be checked against, in the loop that costs most), are not used: the table
    // comes from lists of its own, as the build without lists makes it.
    if (!around.builtOver(cells, cellCount, nodeCount) || !around.onlyCellsWithFaces()) {
        build(cells, cellCount, nodeCount);
        return;
    }
    clear();
    if (cells == nullptr || cellCount < 1 || nodeCount < 1) return;
    buildFrom(cells, cellCount, nodeCount, around);
}

void CellAdjacency::buildFrom(const CInnerCell* cells, int cellCount, int nodeCount,
                              const CellsAroundNodes& around) {
    // Everything that allocates comes before the table takes its sizes: a refused allocation
    // leaves the table empty (as clear() left it), never sized over bytes it does not have.
    const int bits = static_cast<int>(std::bit_width(static_cast<unsigned>(cellCount)));
    NeighbourFinder finder(around, cellCount);
    const int slots = around.mostFaces();
    constexpr std::size_t kPadding = 8;  // the last slot's eight-byte read
    const std::size_t tableBits = static_cast<std::size_t>(cellCount) *
                                  static_cast<std::size_t>(slots) * static_cast<std::size_t>(bits);
    std::vector<std::uint8_t> bytes((tableBits + 7) / 8 + kPadding, 0);

    SlotWriter writer(bytes.data(), bits);
    for (int c = 1; c <= cellCount; ++c) {
        const CInnerCell& cell = cells[c];
        int row[kMaxFaces] = {};
        if (CellsAroundNodes::listable(cell, nodeCount, CellsAroundNodes::Kinds::WithFaces))
            finder.neighboursOf(cell, c, row);
        for (int f = 0; f < slots; ++f) writer.put(row[f]);
    }
    writer.finish();
    bytes_.swap(bytes);
    bits_ = bits;
    mask_ = (std::uint64_t{1} << bits_) - 1;
    slots_ = slots;
    cellCount_ = cellCount;
    symmetric_ = everyNeighbourNamesBack(*this);
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
