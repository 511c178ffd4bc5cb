// The fibre fields the host writes for sample parts and imported meshes, and their rotation
// with a rigid turn of the part.
#ifndef QVR_CLI_FIBER_FIELDS_H
#define QVR_CLI_FIBER_FIELDS_H

#include <array>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"
#include "generator/PartGenerator.h"

namespace qvr::cli {

// ----------------------------------------------------------------------------------------------
// The fibre fields the host writes for sample parts and imported meshes.

// Fixed affine coefficients (component order a11 a22 a33 a12 a13 a23): the trace stays 1
// everywhere and the values stay tensor-like over parts of a few tens of mm.
gen::FiberSpec affineFiberField();

// The skin-shell-core field through the mesh's z extent (its thickness direction when the part
// lies flat).
gen::FiberSpec skinShellCoreThroughZ(const nqbio::MeshData& mesh);

// ----------------------------------------------------------------------------------------------
// Turns per-cell fibre-orientation tensors with a rigid rotation of the part, so that a
// rotated part keeps the field it had.

using Matrix3 = std::array<std::array<double, 3>, 3>;

// Rotation counter-clockwise seen from the tip of `axis` (right-hand rule), angle in radians.
// The identity for a zero axis.
Matrix3 rotationMatrix(std::array<double, 3> axis, double angle);

// A' = R A R^T for every cell of the six fibre items (ids 4, 5, 6, 9, 10, 11). Items missing
// from the file are left alone (nothing is rotated then).
void rotateFiberResult(k7t::ResultFile& result, const Matrix3& r);

}  // namespace qvr::cli

#endif
