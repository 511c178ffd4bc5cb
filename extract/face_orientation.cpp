// Which side of each skin face is outside the part, taken from the cell the face bounds rather
// than from the corner order, so that faces written in either winding are read correctly.
#include <cstddef>
#include <vector>

#include "extract/CExtractToolData.h"

namespace {

bool cellHasNode(const CInnerCell& cell, int node) {
    for (int k = 1; k <= cell.nNode; ++k) {
        if (cell.pNode[k] == node) return true;
    }
    return false;
}

}  // namespace

int CExtractToolData::ComputeFaceOrientation() {
    m_faceOutward.assign(static_cast<std::size_t>(m_nSurface) + 1, 1);
    if (!HasMesh()) return 1;

    // Cells around each node, as offsets into one list.
    std::vector<int> first(static_cast<std::size_t>(m_nNode) + 2, 0);
    for (int c = 1; c <= m_nInnerCell; ++c) {
        const CInnerCell& cell = p_Cell[c];
        if (cell.pNode == nullptr) continue;
        for (int k = 1; k <= cell.nNode; ++k) ++first[static_cast<std::size_t>(cell.pNode[k]) + 1];
    }
    for (std::size_t i = 1; i < first.size(); ++i) first[i] += first[i - 1];
    std::vector<int> cells(static_cast<std::size_t>(first.back()), 0);
    std::vector<int> fill(first.begin(), first.end() - 1);
    for (int c = 1; c <= m_nInnerCell; ++c) {
        const CInnerCell& cell = p_Cell[c];
        if (cell.pNode == nullptr) continue;
        for (int k = 1; k <= cell.nNode; ++k) {
            cells[static_cast<std::size_t>(fill[static_cast<std::size_t>(cell.pNode[k])]++)] = c;
        }
    }

    for (int f = 1; f <= m_nSurface; ++f) {
        const CFaceElem& face = m_pSurface[f];
        if (face.nNode < 3 || face.pNode == nullptr) continue;
        const auto node = static_cast<std::size_t>(face.pNode[1]);
        for (int i = first[node]; i < first[node + 1]; ++i) {
            const CInnerCell& cell = p_Cell[cells[static_cast<std::size_t>(i)]];
            bool bounds = true;
            for (int k = 2; k <= face.nNode && bounds; ++k) bounds = cellHasNode(cell, face.pNode[k]);
            if (!bounds) continue;
            const double away = (face.xc - cell.xc) * face.ax + (face.yc - cell.yc) * face.ay +
                                (face.zc - cell.zc) * face.az;
            m_faceOutward[static_cast<std::size_t>(f)] = away < 0.0 ? -1 : 1;
            break;
        }
    }
    return 1;
}
