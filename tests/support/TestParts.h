// The small generated parts several suites share: a ribbed plate with a hole, and a tube, in any
// cell kind. Small enough that a test can compare every element against plain code, varied
// enough to hold every face pairing of the kind (rib joints, the hole's rim, the tube's seam).
#ifndef QVR_TESTS_TESTPARTS_H
#define QVR_TESTS_TESTPARTS_H

#include "PartGenerator.h"

namespace qvrtest {

// 6 x 4 x 1.5 mm plate, 6 x 4 x 3 cells, one 2 mm rib 1 mm wide, a hole.
inline qvr::gen::PlateSpec ribbedTestPlate(qvr::gen::CellType kind) {
    return qvr::gen::PlateSpec{.lx = 6.0,
                               .ly = 4.0,
                               .thickness = 1.5,
                               .nx = 6,
                               .ny = 4,
                               .nz = 3,
                               .type = kind,
                               .ribs = true,
                               .ribCount = 1,
                               .ribHeight = 2.0,
                               .ribWidth = 1.0,
                               .hole = true};
}

// Tube of inner radius 2 mm, wall 0.8 mm, 3 mm long; 10 x 2 x 3 cells around, through the wall
// and along.
inline qvr::gen::TubeSpec smallTestTube(qvr::gen::CellType kind) {
    return qvr::gen::TubeSpec{.innerRadius = 2.0,
                              .wall = 0.8,
                              .length = 3.0,
                              .nTheta = 10,
                              .nWall = 2,
                              .nZ = 3,
                              .type = kind};
}

}  // namespace qvrtest

#endif
