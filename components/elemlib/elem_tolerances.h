// Every tolerance and limit of the element library, in one place.
//
// All of them are dimensionless: distances in physical space are fractions of the element's size
// (the diagonal of its nodes' bounding box) and distances in reference space are in the reference
// element's own units, so one set serves meshes in any length unit and at any scale.
#ifndef QVR_ELEMLIB_ELEM_TOLERANCES_H
#define QVR_ELEMLIB_ELEM_TOLERANCES_H

namespace qvr::elemlib {

// The inverse mapping has converged when the mapped reference point lands within this distance of
// the physical point. Unit: fraction of the element size. Default 1e-12. The forward map is
// evaluated about the element's own centre, so its round-off is a few 1e-16 of the size times the
// magnitude of the reference coordinates; this leaves room for points several sizes away.
inline constexpr double kMappingResidualTolerance = 1e-12;

// Newton steps before the inverse mapping gives up. Unit: count. Default 40. A well-shaped element
// needs 3 to 6; the bound only matters for points the element map cannot reach.
inline constexpr int kMaxNewtonSteps = 40;

// Halvings of one Newton step before the line search gives up. Unit: count. Default 30 (a step
// shortened 2^30 times no longer moves the reference point measurably).
inline constexpr int kMaxStepHalvings = 30;

// Sufficient-decrease factor of the line search: a step shortened to the fraction lambda is taken
// when the residual falls to at most (1 - kSufficientDecrease * lambda) of its value.
// Unit: 1. Default 1e-4.
inline constexpr double kSufficientDecrease = 1e-4;

// Longest Newton step, in the largest reference coordinate. Unit: reference units. Default 8
// (four widths of the hexahedron's reference cube): long enough that affine elements are solved
// in one or two steps even for distant points, short enough that one bad linearisation of a
// strongly curved map cannot throw the iteration far away.
inline constexpr double kMaxReferenceStep = 8.0;

// Reference coordinates are kept within plus or minus this bound, so the shape functions stay
// finite whatever the iteration does. Unit: reference units. Default 1e6.
inline constexpr double kReferenceCoordinateLimit = 1e6;

// A Jacobian counts as singular when |det J| is at most this fraction of the cube of its longest
// column: the element is flat, or at least one of its directions has shrunk below about 1e-12 of
// the longest (1e-6 of it when two have). Unit: 1. Default 1e-12.
inline constexpr double kSingularJacobian = 1e-12;

// A located point is inside when it lies at most this far outside every face of the reference
// element. Unit: reference units. Default 1e-9.
inline constexpr double kInsideTolerance = 1e-9;

}  // namespace qvr::elemlib

#endif
