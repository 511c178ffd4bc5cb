// The kernel's tree over every skin face and solid cell box.
#include <memory>

#include "QVROptKer.h"
#include "search/CQvrADT.h"
#include "search/progress_log.h"

namespace {

// Sized so that small parts never grow the tree and large ones grow rarely (ids).
constexpr int kTreeCapacity = 10000;
constexpr int kTreeGrowStep = 200000;

}  // namespace

int CQVROptKer::SetADTreeRange(int slotCount) {
    // The new tree is complete before the old one goes, so a failed allocation keeps the old.
    auto tree = std::make_unique<CQvrADT>(slotCount);
    tree->SetRange(Box_xMin, Box_yMin, Box_zMin, Box_xMax, Box_yMax, Box_zMax, kTreeCapacity,
                   kTreeGrowStep);
    delete m_pADTree;
    m_pADTree = tree.release();
    return 1;
}

int CQVROptKer::AddSurfaceToADTree() {
    if (m_pADTree != nullptr && m_pSurface != nullptr) {
        for (int i = 1; i <= m_nSurface; ++i) {
            const CFaceElem& f = m_pSurface[i];
            m_pADTree->AddBlock(i, f.xMin, f.yMin, f.zMin, f.xMax, f.yMax, f.zMax);
        }
    }
    qvr::logProgress(m_nPrintLevel, "AddSurfaceToADTree end");
    return 1;
}

int CQVROptKer::AddInnerCellToADTree() {
    if (m_pADTree != nullptr && p_Cell != nullptr) {
        for (int j = 1; j <= m_nInnerCell; ++j) {
            const CInnerCell& c = p_Cell[j];
            m_pADTree->AddBlock(m_nSurface + j, c.xMin, c.yMin, c.zMin, c.xMax, c.yMax, c.zMax);
        }
    }
    qvr::logProgress(m_nPrintLevel, "AddInnerCellToADTree  end");
    return 1;
}
