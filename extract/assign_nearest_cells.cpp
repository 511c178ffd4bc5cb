// Cell of each sample point: the passed cell with the nearest centroid.
#include <cstddef>

#include "extract/CExtractToolData.h"

namespace {
constexpr double kFarthestSquared = 1e30;  // mm^2: a cell at least this far is never chosen
}  // namespace

void CExtractToolData::GatherListedCells(const int* cellIds, int nCellIds) {
    m_rayCells.clear();
    for (int k = 1; cellIds != nullptr && k <= nCellIds; ++k) {
        const int c = cellIds[k];
        if (c >= 1 && c <= m_nInnerCell) m_rayCells.push_back(c);
    }
}

int CExtractToolData::AssignNearestCells(const int* cellIds, int nCellIds, int inode) {
    if (m_pRayData == nullptr || inode < 1 || inode > m_nSurfaceNode) return -1;
    CRayData& r = m_pRayData[inode];

    // The listed cells' centroids side by side, gathered once for all sample points, so the
    // distances of one point to every cell come out of one loop the compiler can vectorise.
    GatherListedCells(cellIds, nCellIds);
    const std::vector<int>& cells = m_rayCells;
    const std::size_t n = cells.size();
    m_rayCellData.resize(4 * n);
    double* const xc = m_rayCellData.data();
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
