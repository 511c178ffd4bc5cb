// Overall and per-element bounding boxes.
#include <cstdio>

#include "QVROptKer.h"
#include "search/progress_log.h"

namespace {

// Start values that any real coordinate replaces (mm).
constexpr double kEmptyMax = -1e30;
constexpr double kEmptyMin = 1e30;

// Sets an element's box to the extent of its nodes; an element without nodes keeps the empty
// box and gets zMid 0.
template <typename Element>
void fitElementBoxes(Element* table, int count, const Cnode* nodes) {
    if (table == nullptr || nodes == nullptr) return;
    for (int e = 1; e <= count; ++e) {
        Element& el = table[e];
        el.xMax = kEmptyMax;
        el.yMax = kEmptyMax;
        el.zMax = kEmptyMax;
        el.xMin = kEmptyMin;
        el.yMin = kEmptyMin;
        el.zMin = kEmptyMin;
        for (int j = 1; j <= el.nNode; ++j) {
            const Cnode& p = nodes[el.pNode[j]];
            if (p.x > el.xMax) el.xMax = p.x;
            if (p.x < el.xMin) el.xMin = p.x;
            if (p.y > el.yMax) el.yMax = p.y;
            if (p.y < el.yMin) el.yMin = p.y;
            if (p.z > el.zMax) el.zMax = p.z;
            if (p.z < el.zMin) el.zMin = p.z;
        }
        el.zMid = (el.zMax + el.zMin) * 0.5;
    }
}

}  // namespace

int CQVROptKer::FindOverAllBondingBox() {
    Box_xMax = kEmptyMax;
    Box_yMax = kEmptyMax;
    Box_zMax = kEmptyMax;
    Box_xMin = kEmptyMin;
    Box_yMin = kEmptyMin;
    Box_zMin = kEmptyMin;
    if (m_pNode != nullptr) {
        for (int i = 1; i <= m_nNode; ++i) {
            const Cnode& p = m_pNode[i];
            if (p.x > Box_xMax) Box_xMax = p.x;
            if (p.x < Box_xMin) Box_xMin = p.x;
            if (p.y > Box_yMax) Box_yMax = p.y;
            if (p.y < Box_yMin) Box_yMin = p.y;
            if (p.z > Box_zMax) Box_zMax = p.z;
            if (p.z < Box_zMin) Box_zMin = p.z;
        }
    }
    qvr::logProgress(m_nPrintLevel, "FindOverAllBondingBox end");
    if (qvr::progressEnabled(m_nPrintLevel)) {
        std::printf("Box_xMax = %lf, Box_yMax = %lf, Box_zMax = %lf\n ", Box_xMax, Box_yMax,
                    Box_zMax);
        std::printf("Box_xMin = %lf, Box_yMin = %lf, Box_zMin = %lf\n ", Box_xMin, Box_yMin,
                    Box_zMin);
    }
    return 1;
}

int CQVROptKer::FindSurfaceBondingBox() {
    fitElementBoxes(m_pSurface, m_nSurface, m_pNode);
    qvr::logProgress(m_nPrintLevel, "FindSurfaceBondingBox end");
    return 1;
}

int CQVROptKer::FindInnerCellBondingBox() {
    fitElementBoxes(p_Cell, m_nInnerCell, m_pNode);
    qvr::logProgress(m_nPrintLevel, "FindInnerCellBondingBox end");
    return 1;
}
