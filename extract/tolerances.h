// Every tolerance, guard and limit of the extraction tool, in one place.
//
// Lengths are in the mesh's unit (millimetres for the documented formats); the relative ones
// are fractions of a size the code names beside each use, so they hold at any scale.
#ifndef QVR_EXTRACT_TOLERANCES_H
#define QVR_EXTRACT_TOLERANCES_H

namespace qvr::extract {

// ---- Centroid-plane thickness -----------------------------------------------------------------

// Thickness reported when no listed skin face is crossed. Unit: mm. Default 1e30, the documented
// value; callers count rays with exactly this value as having no crossing.
inline constexpr double kNoCrossing = 1e30;
// Added to divisors that may vanish (a face's normal length, the ray's slope to a face plane), so
// a degenerate face gives a huge distance rather than a division by zero. Unit: mm. Default 1e-30.
inline constexpr double kDivisorGuard = 1e-30;
// A crossing at most this far away is the node's own face plane, never the opposite skin.
// Unit: mm. Default 1e-30.
inline constexpr double kZeroDistance = 1e-30;
// Twice the projected triangle area below which the line test counts a triangle as edge-on and
// never crossed. Lower bound inclusive, upper exclusive: -0.006 <= det < 0.006 fails. Unit: mm^2.
// Default 0.006, the documented absolute bound (so it depends on the mesh's unit and scale).
inline constexpr double kEdgeOnDeterminant = 0.006;

// ---- Ray records ------------------------------------------------------------------------------

// Added to a direction's length before dividing by it, so a (0,0,0) direction stays (0,0,0)
// instead of becoming NaN. Unit: mm. Default 1e-30.
inline constexpr double kLengthGuard = 1e-30;

// ---- Cell choice ------------------------------------------------------------------------------

// Squared centroid distance from which a passed cell is never chosen as the nearest. Unit: mm^2.
// Default 1e30 (farther than any cell of a real part; NaN distances never compare below it).
inline constexpr double kFarthestSquared = 1e30;
// Margin of the quick box test before the containment test, as a fraction of the cell box's
// diagonal. Unit: 1. Default 1e-6: a point on a cell's face,
// rounded, still reaches the full test.
inline constexpr double kBoxMarginRelative = 1e-6;
// Lowest shape function value still counted as inside a cell: dimensionless, so the same for
// cells of any size. Unit: 1. Default 1e-7.
inline constexpr double kInsideShapeTolerance = 1e-7;

// ---- Exact thickness --------------------------------------------------------------------------

// Fraction of the local element size (the longest edge among the faces near the ray) within
// which a face corner counts as the node itself, a hit as being at the node, two hits as being at
// the same place, and a ray as meeting a face it passes just outside. Unit: 1. Default 1e-6.
inline constexpr double kCoincidenceRelative = 1e-6;
// Floor of that tolerance as a fraction of the node's largest coordinate: meshes stored with
// single-precision coordinates place their nodes only to about 6e-8 of that, and a distance or a
// face's slope computed from several such nodes carries a few times that error. Unit: 1.
// Default 1e-6.
inline constexpr double kPositionRelative = 1e-6;
// Cosine between a face's normal and the ray at or below which the ray only grazes the face.
// Unit: 1. Default 1e-6. A face is grazed too when the ray's distance from its plane changes by
// no more than the coincidence tolerance across the face.
inline constexpr double kTangentCosine = 1e-6;
// Cosine between a triangle's normal and the ray at or below which the watertight ray/triangle
// test counts them as parallel: a test on the angle, so independent of the
// triangle's size and unit. Unit: 1. Default 1e-12.
inline constexpr double kParallelCosine = 1e-12;

// ---- Through-wall or along-wall rays (GetWallRay) ---------------------------------------------

// Angle between the exit face's outward normal and the ray up to which the ray leaves square
// enough through the opposite skin. Default 30 degrees: rays through the plate and rib walls
// of the generated and imported test parts leave within 0.1 degrees (faceted tube: within half
// a facet angle); rays from blended edge normals leave at 45 degrees and more.
inline constexpr double kWallExitAngleDeg = 30.0;  // Unit: degrees.
// Largest ratio of the ray's length to the local wall (twice the midpoint clearance) for a
// through-wall ray. Default 1.5: square rays through the walls of the test parts measure 1.0
// (up to 2 within one element of a rim); rays along a wall 4 and more.
inline constexpr double kWallLengthRatio = 1.5;
// Longest through-wall ray as a multiple of the part's average thickness (volume over half the
// skin area), for rays near a rim. Default 1.5: through the walls of the generated parts rays
// measure 1.1 to 1.2 times it; along them and leaving square, 4.4 times and more (a rib's top
// face down the rib).
inline constexpr double kWallAverageMultiple = 1.5;

}  // namespace qvr::extract

#endif
