// Cell of each sample point of a ray in the centroid-plane mode: the passed cell with the nearest
// centroid (the centroids are gathered once per ray, not once per sample point); the containment
// test the exact mode's cell walk asks; and the exact mode's rule among the cells near a point.
#include "extract/cell_choice.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "CFEM_Elem3D.h"
#include "extract/CExtractToolData.h"
#include "extract/interpolation.h"
#include "extract/tolerances.h"
#include "geometry/cell_adjacency.h"
#include "kernel/mesh_tables.h"
#include "kernel/prefetch.h"

using qvr::kMaxCellNodes;
using qvr::extract::kFarthestSquared;
using qvr::extract::kInsideShapeTolerance;
using qvr::extract::kMaxCellsAroundPoint;
using qvr::extract::kSharedBoundaryDepth;

void CExtractToolData::GatherListedCells(const int* cellIds, int nCellIds,
                                         qvr::extract::RayScratch& scratch) const {
    scratch.cells.clear();
    for (int k = 1; cellIds != nullptr && k <= nCellIds; ++k) {
        const int c = cellIds[k];
        if (c >= 1 && c <= m_nInnerCell) scratch.cells.push_back(c);
    }
}

int CExtractToolData::AssignNearestCells(const int* cellIds, int nCellIds, int inode) {
    if (m_scratch.empty()) m_scratch.push_back(std::make_unique<qvr::extract::RayScratch>());
    return AssignNearestCells(cellIds, nCellIds, inode, *m_scratch.front());
}

int CExtractToolData::AssignNearestCells(const int* cellIds, int nCellIds, int inode,
                                         qvr::extract::RayScratch& scratch) {
    if (m_pRayData == nullptr || inode < 1 || inode > m_nSurfaceNode) return -1;
    CRayData& r = m_pRayData[inode];

    // The listed cells' centroids side by side, gathered once for all sample points, so the
    // distances of one point to every cell come out of one loop the compiler can vectorise.
    GatherListedCells(cellIds, nCellIds, scratch);
    const std::vector<int>& cells = scratch.cells;
    const std::size_t n = cells.size();
    scratch.cellData.resize(4 * n);
    double* const xc = scratch.cellData.data();
    double* const yc = xc + n;
    double* const zc = yc + n;
    double* const squared = zc + n;
    for (std::size_t i = 0; i < n; ++i) {
        const CInnerCell& cell = p_Cell[cells[i]];
        xc[i] = cell.xc;
        yc[i] = cell.yc;
        zc[i] = cell.zc;
    }

    for (int j = 1; j <= r.nPoint; ++j) {
        const double px = r.pX[j], py = r.pY[j], pz = r.pZ[j];
        for (std::size_t i = 0; i < n; ++i) {
            squared[i] = (xc[i] - px) * (xc[i] - px) + (yc[i] - py) * (yc[i] - py) +
                         (zc[i] - pz) * (zc[i] - pz);
        }
        double best = kFarthestSquared;
        r.pCellID[j] = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (squared[i] < best) {  // strict: of equally near cells the first listed stays
                best = squared[i];
                r.pCellID[j] = cells[i];
            }
        }
    }
    return 1;
}

bool CExtractToolData::PointInCell(int cell, double x, double y, double z) const {
    qvr::extract::ShapeElements elements;
    return PointInCell(cell, x, y, z, elements);
}

bool CExtractToolData::PointInCell(int cell, double x, double y, double z,
                                   qvr::extract::ShapeElements& elements) const {
    return LocateInCell(cell, x, y, z, elements, nullptr);
}

bool CExtractToolData::PointInCell(int cell, double x, double y, double z,
                                   qvr::extract::ShapeElements& elements, double* shape) const {
    return LocateInCell(cell, x, y, z, elements, shape);
}

bool CExtractToolData::LocateInCell(int cell, double x, double y, double z,
                                    qvr::extract::ShapeElements& elements, double* shape) const {
    if (!HasMesh() || cell < 1 || cell > m_nInnerCell) return false;
    const CInnerCell& c = p_Cell[cell];
    if (c.pNode == nullptr || c.nNode > kMaxCellNodes) return false;

    if (!qvr::extract::mayContain(c, x, y, z)) return false;

    CFEM_Elem3D* const element = elements.forNodeCount(c.nNode);
    if (element == nullptr) return false;
    double X[kMaxCellNodes] = {}, Y[kMaxCellNodes] = {}, Z[kMaxCellNodes] = {};
    CellCorners(c, X, Y, Z);
    const CFEM_PointLocation where = element->LocatePoint(x, y, z, X, Y, Z);
    if (!where.converged) return false;
    const bool inside = where.side == CFEM_PointSide::Inside;
    if (inside && shape == nullptr) return true;
    double N[kMaxCellNodes] = {};
    element->ShapeAtReference(where.xi, where.eta, where.zeta, N);
    if (shape != nullptr) std::copy(N, N + c.nNode, shape);
    return inside || *std::min_element(N, N + c.nNode) >= -kInsideShapeTolerance;
}

bool CExtractToolData::FaceNeighboursClosed() const {
    using qvr::geom::CellAdjacency;
    if (!m_cellAdjacency.symmetric() || m_cellAdjacency.cellCount() != m_nInnerCell ||
        m_faceCell.size() != static_cast<std::size_t>(m_nSurface) + 1) {
        return false;
    }
    // The faces of the cells that skin faces lie on, as corner sets of their cells.
    const auto slots = static_cast<std::size_t>(m_cellAdjacency.faceSlots());
    std::vector<bool> onSkin((static_cast<std::size_t>(m_nInnerCell) + 1) * slots, false);
    for (int f = 1; f <= m_nSurface; ++f) {
        const int c = m_faceCell[static_cast<std::size_t>(f)];
        const CFaceElem& face = m_pSurface[f];
        if (c == 0 || face.pNode == nullptr) continue;
        const CInnerCell& cell = p_Cell[c];
        // A cell of a kind with more faces than the table has slots for is one the neighbours
        // were not built over (its node numbers are unusable): its faces are never marked.
        const int faces = std::min(CellAdjacency::faceCount(cell.nNode), static_cast<int>(slots));
        for (int g = 0; g < faces; ++g) {
            int positions[CellAdjacency::kMaxFaceNodes];
            const int n = CellAdjacency::faceCorners(cell.nNode, g, positions);
            // The same nodes both ways: each skin corner among the cell face's, and each of
            // those among the skin face's.
            bool same = true;
            for (int k = 1; k <= face.nNode && same; ++k) {
                same = false;
                for (int i = 0; i < n && !same; ++i)
                    same = cell.pNode[positions[i] + 1] == face.pNode[k];
            }
            for (int i = 0; i < n && same; ++i) {
                same = false;
                for (int k = 1; k <= face.nNode && !same; ++k)
                    same = cell.pNode[positions[i] + 1] == face.pNode[k];
            }
            if (same)
                onSkin[static_cast<std::size_t>(c) * slots + static_cast<std::size_t>(g)] = true;
        }
    }
    for (int c = 1; c <= m_nInnerCell; ++c) {
        const CInnerCell& cell = p_Cell[c];
        if (cell.pNode == nullptr) continue;  // never reached through a neighbour
        for (int g = 0; g < CellAdjacency::faceCount(cell.nNode); ++g) {
            if (g >= static_cast<int>(slots)) return false;  // no slot: no neighbour either
            if (m_cellAdjacency.neighbour(c, g) == 0 &&
                !onSkin[static_cast<std::size_t>(c) * slots + static_cast<std::size_t>(g)]) {
                return false;
            }
        }
    }
    return true;
}

int CExtractToolData::NearestContainingCell(const double p[3], int slot,
                                            qvr::extract::RayScratch& scratch, bool& contains,
                                            int known, const double* knownShape) const {
    auto squaredTo = [&](int c) {
        const CInnerCell& k = p_Cell[c];
        const double dx = k.xc - p[0], dy = k.yc - p[1], dz = k.zc - p[2];
        return dx * dx + dy * dy + dz * dz;
    };
    struct Candidate {
        double squared;
        int cell;
    };
    const bool haveKnown = known >= 1 && known <= m_nInnerCell;
    const Candidate bound{haveKnown ? squaredTo(known) : 0.0, known};
    // Before `known` in the order of the choice: nearer, or as near with a lower number.
    auto beforeKnown = [&](const Candidate& c) {
        return c.squared < bound.squared || (c.squared == bound.squared && c.cell < bound.cell);
    };

    // Another cell can contain p only where p lies within the containment tolerance of the
    // boundary of `known`: near one of its faces, edges or corners, the one whose nodes are those
    // where the shape functions of `known` are not near zero. The cells sharing all those nodes
    // surround it and are reached from `known` through neighbours that share them too. Without a
    // known cell (or around a corner with very many), and on a mesh whose neighbours do not
    // reach every cell around a face, edge or corner from any one of them (a non-conforming
    // transition, hanging nodes), the cells whose boxes hold p, from the search tree.
    scratch.cellIds.assign(1, 0);
    bool gathered = false;
    if (haveKnown && knownShape != nullptr && m_bFaceNeighboursClosed) {
        const CInnerCell& k = p_Cell[known];
        int support[kMaxCellNodes];
        int supportCount = 0;
        for (int n = 0; n < k.nNode; ++n) {
            if (knownShape[n] >= kSharedBoundaryDepth) support[supportCount++] = k.pNode[n + 1];
        }
        // A neighbour shares with a cell exactly the nodes of the face between them, so it has
        // every support node when that face does; the neighbour's own node list is not needed.
        // The positions of each support node in the cell at hand (several where a collapsed
        // cell repeats a node), as sets worked out once per cell and compared with each face's
        // corner set.
        int maskedCell = 0;
        bool hasAll = false;
        unsigned positionsOf[kMaxCellNodes] = {};
        auto sharesSupport = [&](int from, int face) {
            if (from != maskedCell) {
                maskedCell = from;
                const CInnerCell& cell = p_Cell[from];
                hasAll = true;
                for (int s = 0; s < supportCount && hasAll; ++s) {
                    positionsOf[s] = 0;
                    for (int n = 0; n < cell.nNode && n < kMaxCellNodes; ++n) {
                        if (cell.pNode[n + 1] == support[s]) positionsOf[s] |= 1u << n;
                    }
                    hasAll = positionsOf[s] != 0;
                }
            }
            if (!hasAll) return false;
            const unsigned corners =
                qvr::geom::CellAdjacency::faceCornerMask(p_Cell[from].nNode, face);
            for (int s = 0; s < supportCount; ++s) {
                if ((corners & positionsOf[s]) == 0) return false;
            }
            return true;
        };
        // A cell found is looked at next or soon after: its record (node list and centroid)
        // and its neighbours are asked for at once, so that their reads overlap.
        auto askAhead = [this](int cell) {
            const auto* record = reinterpret_cast<const char*>(&p_Cell[cell]);
            qvr::prefetch(record);
            qvr::prefetch(record + sizeof(CInnerCell) - 1);
            m_cellAdjacency.prefetch(cell);
        };
        // The group of the previous sample point serves again when it is named by the same
        // nodes and holds `known`: the cells connected to `known` through faces holding those
        // nodes are then the same cells.
        int sortedSupport[kMaxCellNodes];
        for (int s = 0; s < supportCount; ++s) {  // at most eight: insertion
            int at = s;
            for (; at > 0 && sortedSupport[at - 1] > support[s]; --at) {
                sortedSupport[at] = sortedSupport[at - 1];
            }
            sortedSupport[at] = support[s];
        }
        const bool sameGroup = supportCount > 0 &&
                               std::equal(sortedSupport, sortedSupport + supportCount,
                                          scratch.aroundNodes.begin(), scratch.aroundNodes.end()) &&
                               std::find(scratch.aroundCells.begin(), scratch.aroundCells.end(),
                                         known) != scratch.aroundCells.end();
        if (sameGroup) {
            scratch.cellIds.insert(scratch.cellIds.end(), scratch.aroundCells.begin(),
                                   scratch.aroundCells.end());
            gathered = true;
        } else {
            gathered = supportCount > 0 &&
                       qvr::geom::gatherConnected(m_cellAdjacency, known, sharesSupport,
                                                  scratch.cellIds, kMaxCellsAroundPoint, askAhead);
            if (gathered) {
                scratch.aroundNodes.assign(sortedSupport, sortedSupport + supportCount);
                scratch.aroundCells.assign(scratch.cellIds.begin() + 1, scratch.cellIds.end());
            } else {
                scratch.aroundNodes.clear();
                scratch.aroundCells.clear();
            }
        }
    }
    std::vector<std::pair<double, int>>& order = scratch.candidates;  // squared distance, cell
    order.clear();
    if (gathered) {
        // Each cell once, `known` among them: those before it, in the order of the choice
        // (nearer first, then the lower number).
        for (auto c = scratch.cellIds.begin() + 1; c != scratch.cellIds.end(); ++c) {
            const Candidate candidate{squaredTo(*c), *c};
            if (beforeKnown(candidate)) order.emplace_back(candidate.squared, candidate.cell);
        }
        std::sort(order.begin(), order.end());
    } else {
        scratch.cellIds.assign(1, 0);
        int found = 0;
        const int* near =
            m_pOptKer->SearchNearBlockID(p[0], p[1], p[2], p[0], p[1], p[2], found, slot);
        for (int k = 0; near != nullptr && k < found; ++k) {
            if (near[k] > m_nSurface) scratch.cellIds.push_back(near[k] - m_nSurface);
        }
        // The cells the walk stepped through (none of them contains p when `known` is set).
        if (!haveKnown) {
            for (int c : scratch.visited) scratch.cellIds.push_back(c);
        }
        // By number, so that of equally near cells the lowest comes first, as in the list of the
        // cells a ray passes.
        std::sort(scratch.cellIds.begin() + 1, scratch.cellIds.end());
        scratch.cellIds.erase(std::unique(scratch.cellIds.begin() + 1, scratch.cellIds.end()),
                              scratch.cellIds.end());
        GatherListedCells(scratch.cellIds.data(), static_cast<int>(scratch.cellIds.size()) - 1,
                          scratch);
        for (int c : scratch.cells) {
            const Candidate candidate{squaredTo(c), c};
            if (!haveKnown || beforeKnown(candidate)) {
                order.emplace_back(candidate.squared, candidate.cell);
            }
        }
        // Stable, by distance alone: a NaN distance keeps its place in the list.
        std::stable_sort(order.begin(), order.end(),
                         [](const auto& x, const auto& y) { return x.first < y.first; });
    }
    for (const auto& [squared, cell] : order) {
        if (PointInCell(cell, p[0], p[1], p[2], scratch.elements)) {
            contains = true;
            return cell;
        }
    }
    contains = haveKnown;
    if (haveKnown) return known;
    return order.empty() ? 0 : order.front().second;
}
