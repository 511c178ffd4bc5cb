// The straightforward implementation of the ray pass search, the centroid-plane thickness, the
// nearest-cell choice and the fibre interpolation, kept as the reference that the faster
// library code must match bit for bit.
//
// Everything here is written the plain way and on purpose stays that way: one tree query per
// step through the alternating digital tree itself, an ordered set, a new element object per
// interpolation. The functions read only the public kernel fields and the tree.
#ifndef QVR_TESTS_PERF_ORACLE_STRAIGHTFORWARD_ORACLE_H
#define QVR_TESTS_PERF_ORACLE_STRAIGHTFORWARD_ORACLE_H

#include <array>
#include <vector>

#include "QVROptKer.h"

namespace oracle {

// What one ray pass search leaves behind.
struct PassResult {
    std::vector<int> passed;    // the returned list
    std::vector<int> lastNear;  // the near-block list of the walk's last step, in tree order
    bool searched = false;      // false when the call could not search (no tree, bad slot)
};

// The ray walk: a tree query per step of MinMesh, stopping after the first step that finds
// nothing, that ends outside the overall box, that no longer moves, or at the step bound.
// Uses the tree's search slot `slot` (its found list is overwritten, as the kernel's is).
PassResult findPassElem(CQVROptKer& k, double x, double y, double z, double dx, double dy,
                        double dz, int slot);

// Nearest crossing of the line with the centroid planes of the listed faces (1-based list).
double surfaceCrossing(const CQVROptKer& k, const std::vector<int>& faces, double x, double y,
                       double z, double dx, double dy, double dz);

// One traced ray as SetSurfaceNode records it (entries 1..nLayer).
struct TracedRay {
    double dx = 0.0, dy = 0.0, dz = 0.0;
    std::vector<double> x, y, z, dist;
    std::vector<int> cell;
};

// The whole trace of one node: direction scaling, pass search on slot 0, thickness, sample
// points and nearest cells.
TracedRay traceRay(CQVROptKer& k, double x, double y, double z, double ax, double ay, double az,
                   int nLayer);

// GetFiber's output for one traced ray: per sample point the distance and the six components
// (entries 1..nLayer), each component interpolated with its own new element.
struct FiberProfile {
    std::vector<double> dist;
    std::array<std::vector<double>, 6> fiber;
};
FiberProfile fiberProfile(const CQVROptKer& k, const TracedRay& ray,
                          const double* const nodeFiber[6]);

}  // namespace oracle

#endif
