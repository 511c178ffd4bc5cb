// Cell of each sample point: the passed cell with the nearest centroid.
#include "extract/CExtractToolData.h"

namespace {
constexpr double kFarthestSquared = 1e30;  // mm^2: a cell at least this far is never chosen
}  // namespace

int CExtractToolData::AssignNearestCells(const int* cellIds, int nCellIds, int inode) {
    if (m_pRayData == nullptr || inode < 1 || inode > m_nSurfaceNode) return -1;
    CRayData& r = m_pRayData[inode];
    for (int j = 1; j <= r.nPoint; ++j) {
        double best = kFarthestSquared;
        r.pCellID[j] = 0;
        if (cellIds == nullptr) continue;
        for (int k = 1; k <= nCellIds; ++k) {
            const int c = cellIds[k];
            if (c < 1 || c > m_nInnerCell) continue;
            const CInnerCell& cell = p_Cell[c];
            const double d = (cell.xc - r.pX[j]) * (cell.xc - r.pX[j]) +
                             (cell.yc - r.pY[j]) * (cell.yc - r.pY[j]) +
                             (cell.zc - r.pZ[j]) * (cell.zc - r.pZ[j]);
            if (d < best) {  // strict: of equally near cells the first listed stays
                best = d;
                r.pCellID[j] = c;
            }
        }
    }
    return 1;
}
