// Cell of each sample point of a ray, chosen among the cells the ray passed.
//
// Centroid-plane mode takes the passed cell with the nearest centroid. Exact mode takes the
// first, in order of centroid distance (ties in list order), that contains the point, or else
// the nearest by centroid. Only cells whose widened box holds the point can contain it, so only
// those are ordered and tested; the nearest comes from one pass over all. The centroids (and
// widened boxes) are gathered once per ray, not once per sample point.
#include "extract/cell_choice.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "CFEM_Elem3D.h"
#include "extract/CExtractToolData.h"
#include "extract/interpolation.h"
#include "extract/tolerances.h"
#include "kernel/mesh_tables.h"

using qvr::extract::kFarthestSquared;
using qvr::extract::kInsideShapeTolerance;
using qvr::kMaxCellNodes;

namespace {

struct Candidate {
    double squared;
    int cell;
};

bool nearer(const Candidate& a, const Candidate& b) { return a.squared < b.squared; }

}  // namespace

void CExtractToolData::GatherListedCells(const int* cellIds, int nCellIds) {
    m_rayCells.clear();
    for (int k = 1; cellIds != nullptr && k <= nCellIds; ++k) {
        const int c = cellIds[k];
        if (c >= 1 && c <= m_nInnerCell) m_rayCells.push_back(c);
    }
    // The centroids side by side, gathered once for all sample points, so the distances of one
    // point to every cell come out of one loop the compiler can vectorise.
    const std::size_t n = m_rayCells.size();
    m_rayCellData.resize(4 * n);
    double* const xc = m_rayCellData.data();
    double* const yc = xc + n;
    double* const zc = yc + n;
    for (std::size_t i = 0; i < n; ++i) {
        const CInnerCell& cell = p_Cell[m_rayCells[i]];
        xc[i] = cell.xc;
        yc[i] = cell.yc;
        zc[i] = cell.zc;
    }
}

const double* CExtractToolData::SquaredDistances(double px, double py, double pz) {
    const std::size_t n = m_rayCells.size();
    const double* const xc = m_rayCellData.data();
    const double* const yc = xc + n;
    const double* const zc = yc + n;
    double* const squared = m_rayCellData.data() + 3 * n;
    for (std::size_t i = 0; i < n; ++i) {
        squared[i] = (xc[i] - px) * (xc[i] - px) + (yc[i] - py) * (yc[i] - py) +
                     (zc[i] - pz) * (zc[i] - pz);
    }
    return squared;
}

int CExtractToolData::AssignNearestCells(const int* cellIds, int nCellIds, int inode) {
    if (m_pRayData == nullptr || inode < 1 || inode > m_nSurfaceNode) return -1;
    CRayData& r = m_pRayData[inode];

    GatherListedCells(cellIds, nCellIds);
    const std::vector<int>& cells = m_rayCells;
    const std::size_t n = cells.size();
    for (int j = 1; j <= r.nPoint; ++j) {
        const double* const squared = SquaredDistances(r.pX[j], r.pY[j], r.pZ[j]);
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

int CExtractToolData::AssignContainingCells(const int* cellIds, int nCellIds, int inode) {
    if (m_pRayData == nullptr || inode < 1 || inode > m_nSurfaceNode) return -1;
    CRayData& r = m_pRayData[inode];

    GatherListedCells(cellIds, nCellIds);
    // One element per cell kind for all the containment tests of this ray.
    qvr::extract::ShapeElements elements;
    const std::vector<int>& cells = m_rayCells;
    const std::size_t n = cells.size();
    if (n == 0) {
        for (int j = 1; j <= r.nPoint; ++j) r.pCellID[j] = 0;
        return 1;
    }
    m_rayCellBoxes.resize(n);
    for (std::size_t i = 0; i < n; ++i) m_rayCellBoxes[i] = qvr::extract::widenedBox(p_Cell[cells[i]]);

    std::vector<Candidate> order;
    for (int j = 1; j <= r.nPoint; ++j) {
        const double px = r.pX[j], py = r.pY[j], pz = r.pZ[j];
        const double* const squared = SquaredDistances(px, py, pz);
        order.clear();
        bool unordered = false;
        Candidate nearest{squared[0], cells[0]};
        for (std::size_t i = 0; i < n; ++i) {
            const Candidate candidate{squared[i], cells[i]};
            unordered = unordered || candidate.squared != candidate.squared;
            if (nearer(candidate, nearest)) nearest = candidate;
            if (qvr::extract::mayContain(m_rayCellBoxes[i], px, py, pz)) order.push_back(candidate);
        }
        if (unordered) {
            // NaN distances leave no strict order: take every listed cell in the order a
            // stable sort gives them, as the plain search does.
            order.clear();
            for (std::size_t i = 0; i < n; ++i) order.push_back({squared[i], cells[i]});
            std::stable_sort(order.begin(), order.end(), nearer);
            nearest = order.front();
        } else {
            std::stable_sort(order.begin(), order.end(), nearer);
        }
        // Without a containing cell the nearest stands.
        r.pCellID[j] = nearest.cell;
        for (const Candidate& c : order) {
            if (PointInCell(c.cell, px, py, pz, elements)) {
                r.pCellID[j] = c.cell;
                break;
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
    if (where.side == CFEM_PointSide::Inside) return true;
    double N[kMaxCellNodes] = {};
    element->ShapeAtReference(where.xi, where.eta, where.zeta, N);
    return *std::min_element(N, N + c.nNode) >= -kInsideShapeTolerance;
}
