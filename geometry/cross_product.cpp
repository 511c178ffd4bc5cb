// Cross product on references.
#include "QVROptKer.h"

// Each component is written before the next is computed, so when c shares storage with a or b
// the later components see the new values; callers that alias rely on that order.
void CQVROptKer::ACrossB(double& ax, double& ay, double& az, double& bx, double& by, double& bz,
                         double& cx, double& cy, double& cz) {
    cx = ay * bz - az * by;
    cy = az * bx - ax * bz;
    cz = ax * by - ay * bx;
}
