// The ray pass search for the library's own callers that need the passed elements but not the
// kernel's ordered lists.
#ifndef QVR_GEOMETRY_RAY_PASS_SEARCH_H
#define QVR_GEOMETRY_RAY_PASS_SEARCH_H

#include <vector>

class CQVROptKer;

namespace qvr::ray {

// The elements FindPassElemByAnyRay(count, x, y, z, dx, dy, dz, slot) would list, each once but
// in no particular order, without sorting them and without touching the slot's lists (pass
// list, near-block list, the tree's found list). The vector belongs to the slot and is valid
// until the slot's next walk. Null when the walk index does not serve the slot (no set-up, a
// tree the host filled itself, a slot out of range): then call FindPassElemByAnyRay.
const std::vector<int>* passedElementsAnyOrder(CQVROptKer& k, double x, double y, double z,
                                               double dx, double dy, double dz, int slot);

}  // namespace qvr::ray

#endif
