// The cell behind each skin face, looked for among the cells around its first corner.
#include "extract/face_orientation.h"

#include <cstddef>

namespace qvr::extract {

namespace {

bool cellHasNode(const CInnerCell& cell, int node) {
    for (int k = 1; k <= cell.nNode; ++k) {
        if (cell.pNode[k] == node) return true;
    }
    return false;
}

}  // namespace

void orientSkinFaces(const CInnerCell* cells, const CFaceElem* faces, int faceCount,
                     const geom::CellsAroundNodes& around, std::vector<signed char>& outward,
                     std::vector<int>& faceCell) {
    const std::size_t slots = faceCount > 0 ? static_cast<std::size_t>(faceCount) + 1 : 1;
    outward.assign(slots, 1);
    faceCell.assign(slots, 0);
    if (cells == nullptr || faces == nullptr) return;
    for (int f = 1; f <= faceCount; ++f) {
        const CFaceElem& face = faces[f];
        if (face.nNode < 3 || face.pNode == nullptr) continue;
        const int corner = face.pNode[1];
        if (corner < 1 || corner > around.nodeCount()) continue;
        // In ascending order: the first that has the other corners is the lowest numbered.
        for (const int c : around.around(corner)) {
            const CInnerCell& cell = cells[c];
            bool bounds = true;
            for (int k = 2; k <= face.nNode && bounds; ++k)
                bounds = cellHasNode(cell, face.pNode[k]);
            if (!bounds) continue;
            const double away = (face.xc - cell.xc) * face.ax + (face.yc - cell.yc) * face.ay +
                                (face.zc - cell.zc) * face.az;
            outward[static_cast<std::size_t>(f)] = away < 0.0 ? -1 : 1;
            faceCell[static_cast<std::size_t>(f)] = c;
            break;
        }
    }
}

}  // namespace qvr::extract
