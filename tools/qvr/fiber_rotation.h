// Turns per-cell fibre-orientation tensors with a rigid rotation of the part, so that a
// rotated part keeps the field it had.
#ifndef QVR_CLI_FIBER_ROTATION_H
#define QVR_CLI_FIBER_ROTATION_H

#include <array>

#include "CQVR3DResultReader_Manipulator.h"

namespace qvr::cli {

using Matrix3 = std::array<std::array<double, 3>, 3>;

// Rotation counter-clockwise seen from the tip of `axis` (right-hand rule), angle in radians.
// The identity for a zero axis.
Matrix3 rotationMatrix(std::array<double, 3> axis, double angle);

// A' = R A R^T for every cell of the six fibre items (ids 4, 5, 6, 9, 10, 11). Items missing
// from the file are left alone (nothing is rotated then).
void rotateFiberResult(k7t::ResultFile& result, const Matrix3& r);

}  // namespace qvr::cli

#endif
