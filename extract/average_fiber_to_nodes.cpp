// Node values of the fibre components: the plain mean over the cells that list the node.
#include <cstddef>
#include <vector>

#include "extract/CExtractToolData.h"

int CExtractToolData::AverageFiberToNodes() {
    if (!HasMesh()) return -1;
    // The sums start from zero on every call, so loading a second result file on the same mesh
    // gives that file's means rather than a mixture with the first.
    for (int k = 0; k < kFiberComponentCount; ++k) {
        for (int i = 1; i <= m_nNode; ++i) m_pNodeFiber[k][i] = 0.0;
    }
    std::vector<int> count(static_cast<std::size_t>(m_nNode) + 1, 0);
    for (int c = 1; c <= m_nInnerCell; ++c) {
        const CInnerCell& cell = p_Cell[c];
        if (cell.nNode < 1 || cell.pNode == nullptr) continue;
        for (int j = 1; j <= cell.nNode; ++j) {
            const int node = cell.pNode[j];
            if (node < 1 || node > m_nNode) continue;
            for (int k = 0; k < kFiberComponentCount; ++k) {
                m_pNodeFiber[k][node] += m_pCellFiber[k][c];
            }
            count[static_cast<std::size_t>(node)] += 1;
        }
    }
    for (int i = 1; i <= m_nNode; ++i) {
        const int n = count[static_cast<std::size_t>(i)];
        if (n <= 1) continue;
        const double reciprocal = 1.0 / n;
        for (int k = 0; k < kFiberComponentCount; ++k) m_pNodeFiber[k][i] *= reciprocal;
    }
    return 1;
}
