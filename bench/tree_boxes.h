// The boxes exactly as the kernel's tree holds them, for the anchors that answer the same box
// queries another way.
#ifndef QVR_BENCH_TREE_BOXES_H
#define QVR_BENCH_TREE_BOXES_H

#include <array>
#include <vector>

#include "bench_part.h"

namespace qvr::bench {

// The enlarged single-precision boxes of every item in the tree: 6 floats per item
// (xmin, ymin, zmin, xmax, ymax, zmax), with the item's combined element id.
struct TreeBoxes {
    std::vector<float> box;
    std::vector<int> id;
    int count() const { return static_cast<int>(id.size()); }
};
TreeBoxes treeBoxes(const CQVROptKer& kernel);

// A query box rounded to float as the tree rounds it.
std::array<float, 6> floatQuery(const QueryBox& q);

// Found counts of SearchNearBlockID for each of the part's queries: what an anchor must match.
std::vector<int> treeFoundCounts(Part& p);

}  // namespace qvr::bench

#endif
