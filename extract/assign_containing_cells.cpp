// Exact mode: each sample point gets a passed cell that contains it.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "extract/CExtractToolData.h"

int CExtractToolData::AssignContainingCells(const int* cellIds, int nCellIds, int inode) {
    if (m_pRayData == nullptr || inode < 1 || inode > m_nSurfaceNode) return -1;
    CRayData& r = m_pRayData[inode];
    struct Candidate {
        double squared;
        int cell;
    };
    std::vector<Candidate> order;
    order.reserve(static_cast<std::size_t>(std::max(nCellIds, 0)));
    for (int j = 1; j <= r.nPoint; ++j) {
        r.pCellID[j] = 0;
        order.clear();
        for (int k = 1; cellIds != nullptr && k <= nCellIds; ++k) {
            const int c = cellIds[k];
            if (c < 1 || c > m_nInnerCell) continue;
            const CInnerCell& cell = p_Cell[c];
            order.push_back({(cell.xc - r.pX[j]) * (cell.xc - r.pX[j]) +
                                 (cell.yc - r.pY[j]) * (cell.yc - r.pY[j]) +
                                 (cell.zc - r.pZ[j]) * (cell.zc - r.pZ[j]),
                             c});
        }
        if (order.empty()) continue;
        // Nearest first, ties in list order: on a face between cells the nearer one wins, and
        // without a containing cell the first entry is the fallback.
        std::stable_sort(order.begin(), order.end(), [](const Candidate& a, const Candidate& b) {
            return a.squared < b.squared;
        });
        r.pCellID[j] = order.front().cell;
        for (const Candidate& c : order) {
            if (PointInCell(c.cell, r.pX[j], r.pY[j], r.pZ[j])) {
                r.pCellID[j] = c.cell;
                break;
            }
        }
    }
    return 1;
}
