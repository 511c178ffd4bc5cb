#include "tree_boxes.h"

#include <cstddef>

#include "search/CQvrADT.h"

namespace qvr::bench {

TreeBoxes treeBoxes(const CQVROptKer& kernel) {
    TreeBoxes out;
    const CQvrADT* tree = kernel.m_pADTree;
    if (tree == nullptr || tree->point == nullptr) return out;
    for (int i = 1; i <= tree->stored; ++i) {
        if (tree->splitDim[i] < 0) continue;  // never linked in
        const float* p = tree->point + 6 * static_cast<std::size_t>(i);
        out.box.insert(out.box.end(), p, p + 6);
        out.id.push_back(i);
    }
    return out;
}

std::array<float, 6> floatQuery(const QueryBox& q) {
    return {static_cast<float>(q.xmin), static_cast<float>(q.ymin), static_cast<float>(q.zmin),
            static_cast<float>(q.xmax), static_cast<float>(q.ymax), static_cast<float>(q.zmax)};
}

std::vector<int> treeFoundCounts(Part& p) {
    std::vector<int> counts;
    for (const QueryBox& b : p.queries) {
        int count = 0;
        p.kernel->SearchNearBlockID(b.xmin, b.ymin, b.zmin, b.xmax, b.ymax, b.zmax, count, 0);
        counts.push_back(count);
    }
    return counts;
}

}  // namespace qvr::bench
