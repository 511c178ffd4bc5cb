// Box query over the kernel's tree, one result list per search slot.
#include <algorithm>
#include <memory>

#include "QVROptKer.h"
#include "kernel/mesh_tables.h"
#include "search/CQvrADT.h"

const int* CQVROptKer::SearchNearBlockID(double xmin, double ymin, double zmin, double xmax,
                                         double ymax, double zmax, int& count, int slot) {
    count = 0;
    if (m_pADTree == nullptr || !qvr::slotInRange(*this, slot)) return qvr::emptySearchList();

    m_pADTree->SearchBlock(xmin, ymin, zmin, xmax, ymax, zmax, slot);
    // A slot beyond the tree's own slots (the host's one-slot tree) finds nothing.
    const int found = m_pADTree->GetFoundCount(slot);
    const int* ids = m_pADTree->GetFoundList(slot);

    // The new list is made before the old one goes: a failed allocation keeps the old list.
    std::unique_ptr<int[]> list(new int[static_cast<std::size_t>(found)]);
    if (found > 0) std::copy_n(ids + 1, found, list.get());
    delete[] m_ppNearBlockList[slot];
    m_ppNearBlockList[slot] = list.release();
    count = found;
    return m_ppNearBlockList[slot];
}
