#include "search/search_slots.h"

#include <algorithm>
#include <cstddef>
#include <memory>

#include "search/CQvrADT.h"

namespace qvr {

namespace {

// Moves the lists of the slots that remain into `fresh` and releases the rest.
void moveInto(int**& table, int oldCount, int** fresh, int newCount) {
    if (table) {
        const int kept = std::min(oldCount, newCount);
        for (int s = 0; s < kept; ++s) fresh[s] = table[s];
        for (int s = kept; s < oldCount; ++s) delete[] table[s];
        delete[] table;
    }
    table = fresh;
}

void releaseOne(int**& table, int count) {
    if (table == nullptr) return;
    for (int s = 0; s < count; ++s) delete[] table[s];
    delete[] table;
    table = nullptr;
}

}  // namespace

void resizeSlotTables(CQVROptKer& kernel, int slotCount) {
    const int oldCount = kernel.m_nSlotCount;
    const bool sameSize =
        kernel.m_ppNearBlockList && kernel.m_ppPassElemList && oldCount == slotCount;
    if (!sameSize) {
        // Both tables are allocated before either is touched, so a failed allocation leaves
        // the kernel as it was.
        const auto n = static_cast<std::size_t>(slotCount);
        auto near = std::make_unique<int*[]>(n);
        auto pass = std::make_unique<int*[]>(n);
        moveInto(kernel.m_ppNearBlockList, oldCount, near.release(), slotCount);
        moveInto(kernel.m_ppPassElemList, oldCount, pass.release(), slotCount);
    }
    kernel.m_nSlotCount = slotCount;
}

void releaseSlotTables(CQVROptKer& kernel) {
    releaseOne(kernel.m_ppPassElemList, kernel.m_nSlotCount);
    releaseOne(kernel.m_ppNearBlockList, kernel.m_nSlotCount);
}

const int* emptySearchList() {
    static const int kEmpty[1] = {0};
    return kEmpty;
}

bool slotInRange(const CQVROptKer& kernel, int slot) {
    return slot >= 0 && slot < kernel.m_nSlotCount && kernel.m_ppNearBlockList != nullptr &&
           kernel.m_ppPassElemList != nullptr;
}

}  // namespace qvr

void CQVROptKer::DropSearchTree() {
    delete m_pADTree;
    m_pADTree = nullptr;
}

void CQVROptKer::ReleaseSearch() {
    DropSearchTree();
    qvr::releaseSlotTables(*this);
}
