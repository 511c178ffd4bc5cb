// The kernel's tree over every skin face and solid cell box.
#include <algorithm>
#include <climits>
#include <memory>

#include "QVROptKer.h"
#include "search/CQvrADT.h"
#include "search/progress_log.h"

namespace {

// Sized so that small parts never grow the tree and large ones grow rarely (ids).
constexpr int kTreeCapacity = 10000;
constexpr int kTreeGrowStep = 200000;

// The capacity a tree of `capacity` ids reaches when ids first..last are added in turn: an id
// up to one growth step beyond the capacity grows it by that step, a farther one is refused.
long long capacityAfterAdding(long long capacity, long long first, long long last) {
    for (long long id = first; id <= last;) {
        if (id <= capacity) {
            id = capacity + 1;
        } else if (id > capacity + kTreeGrowStep) {
            break;  // refused, and so is every later, larger id
        } else {
            capacity = capacity + kTreeGrowStep < INT_MAX ? capacity + kTreeGrowStep : INT_MAX;
        }
    }
    return capacity;
}

}  // namespace

int CQVROptKer::SetADTreeRange(int slotCount) {
    // The tree gets the capacity that filling it with every element would grow it to, so
    // that ids a host adds later are taken or refused as they would be after such a fill. Its
    // arrays hold just the elements' ids: no copies on the way, no room that is never used.
    long long capacity = kTreeCapacity;
    long long lastId = 0;
    if (m_pSurface != nullptr && m_nSurface > 0) {
        capacity = capacityAfterAdding(capacity, 1, m_nSurface);
        lastId = m_nSurface;
    }
    if (p_Cell != nullptr && m_nInnerCell > 0) {
        const long long first = static_cast<long long>(m_nSurface) + 1;
        lastId = static_cast<long long>(m_nSurface) + m_nInnerCell;
        capacity = capacityAfterAdding(capacity, first, lastId);
    }
    const int expectedIds = static_cast<int>(std::clamp(lastId, 0LL, capacity));
    // The new tree is complete before the old one goes, so a failed allocation keeps the old.
    auto tree = std::make_unique<CQvrADT>(slotCount);
    tree->SetRange(Box_xMin, Box_yMin, Box_zMin, Box_xMax, Box_yMax, Box_zMax,
                   static_cast<int>(capacity), kTreeGrowStep, expectedIds);
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
