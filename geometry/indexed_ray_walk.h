// The ray pass search over the tree's walk index.
#ifndef QVR_GEOMETRY_INDEXED_RAY_WALK_H
#define QVR_GEOMETRY_INDEXED_RAY_WALK_H

#include "QVROptKer.h"
#include "geometry/ray_steps.h"

class CQvrADT;

namespace qvr::ray {

// Walks `steps` as the step-by-step search does and leaves the same results: the slot's pass
// list (ascending, unique; returned, its length in `count`), the slot's near-block list and the
// tree's found list of the slot holding what the last step's near block search finds, in the
// tree's order. Precondition: the tree has a walk index and `slot` is one of its slots.
const int* walkIndexed(CQVROptKer& k, CQvrADT& tree, StepSequence& steps, int slot,
                       int& count);

}  // namespace qvr::ray

#endif
