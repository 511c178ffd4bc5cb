// Candidate elements along a ray, gathered step by step through the near block search.
#include <algorithm>
#include <memory>
#include <set>

#include "QVROptKer.h"
#include "geometry/indexed_ray_walk.h"
#include "geometry/ray_steps.h"
#include "kernel/mesh_tables.h"
#include "search/CQvrADT.h"

namespace {

// The walk through the public near block search, one tree query per step: used while the tree
// has no walk index (a tree the host fills through the public set-up).
void walkStepByStep(CQVROptKer& k, qvr::ray::StepSequence& steps, int slot,
                    std::set<int>& passed) {
    for (;;) {
        const qvr::ray::Step s = steps.next();
        int found = 0;
        const int* ids = k.SearchNearBlockID(s.xmin, s.ymin, s.zmin, s.xmax, s.ymax, s.zmax,
                                             found, slot);
        passed.insert(ids, ids + found);
        if (found == 0 || s.last) break;
    }
}

}  // namespace

const int* CQVROptKer::FindPassElemByAnyRay(int& count, double x, double y, double z, double dx,
                                            double dy, double dz, int slot) {
    count = 0;
    if (m_pADTree == nullptr || !qvr::slotInRange(*this, slot)) return qvr::emptySearchList();

    const qvr::ray::Point d = qvr::ray::unitDirection(dx, dy, dz);
    qvr::ray::StepSequence steps(*this, x, y, z, d);
    if (slot < m_pADTree->slotCount && m_pADTree->WalkIndex() != nullptr) {
        return qvr::ray::walkIndexed(*this, *m_pADTree, steps, slot, count);
    }

    std::set<int> passed;
    walkStepByStep(*this, steps, slot, passed);
    // The new list is made before the old one goes: a failed allocation keeps the old list.
    std::unique_ptr<int[]> list(new int[passed.size()]);
    std::copy(passed.begin(), passed.end(), list.get());
    delete[] m_ppPassElemList[slot];
    m_ppPassElemList[slot] = list.release();
    count = static_cast<int>(passed.size());
    return m_ppPassElemList[slot];
}
