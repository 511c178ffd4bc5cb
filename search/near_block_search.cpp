// Box queries over the kernel's tree (its own or one the host filled), one result list per
// search slot.
//
// With the tree indexed by the search set-up, a small query goes to the walk index, which finds
// the same elements in a handful of node tests; ordering them by the tree's visiting ranks
// gives the list the tree's own search would, and its found list of the slot is set to match.
// A query that finds a large share of the elements goes to the tree, whose breadth-first walk
// produces them in order without sorting.
#include <algorithm>
#include <cstddef>
#include <memory>

#include "QVROptKer.h"
#include "search/CQvrADT.h"
#include "search/box_index.h"
#include "search/search_slots.h"

namespace {

// Found elements beyond which the index's answer is left for the tree, as a share of all
// elements in the tree (1/16): sorting them by rank would cost more than the tree's walk.
constexpr std::size_t kIndexShareDivisor = 16;

// The query through the walk index into the tree's found list of the slot; false, with nothing
// changed, when the answer is too large to be worth sorting.
bool searchIndexed(CQvrADT& tree, qvr::adt::BoxIndex& index, double xmin, double ymin, double zmin,
                   double xmax, double ymax, double zmax, int slot) {
    const float qlo[6] = {tree.low[0],
                          tree.low[1],
                          tree.low[2],
                          static_cast<float>(xmin),
                          static_cast<float>(ymin),
                          static_cast<float>(zmin)};
    const float qhi[6] = {static_cast<float>(xmax),
                          static_cast<float>(ymax),
                          static_cast<float>(zmax),
                          tree.high[3],
                          tree.high[4],
                          tree.high[5]};
    qvr::adt::WalkWorkspace& ws = index.workspace(slot);
    ws.candidates.clear();
    ws.candidateBox.clear();
    index.collect(qlo, qhi, ws.candidates, ws.candidateBox);
    if (ws.candidates.size() > index.size() / kIndexShareDivisor) {
        return false;
    }
    std::sort(ws.candidates.begin(), ws.candidates.end(),
              [&](int a, int b) { return index.visitRank(a) < index.visitRank(b); });
    tree.SetFoundList(slot, ws.candidates.data(), static_cast<int>(ws.candidates.size()));
    return true;
}

}  // namespace

const int* CQVROptKer::SearchNearBlockID(double xmin, double ymin, double zmin, double xmax,
                                         double ymax, double zmax, int& count, int slot) {
    count = 0;
    if (m_pADTree == nullptr || !qvr::slotInRange(*this, slot)) return qvr::emptySearchList();

    qvr::adt::BoxIndex* const index = m_pADTree->WalkIndex();
    if (index == nullptr || slot >= m_pADTree->slotCount ||
        !searchIndexed(*m_pADTree, *index, xmin, ymin, zmin, xmax, ymax, zmax, slot)) {
        m_pADTree->SearchBlock(xmin, ymin, zmin, xmax, ymax, zmax, slot);
    }
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
