// Every tolerance, guard and limit of the extraction tool, in one place.
//
// Lengths are in the mesh's unit (millimetres for the documented formats); the relative ones
// are fractions of a size the code names beside each use, so they hold at any scale.
#ifndef QVR_EXTRACT_TOLERANCES_H
#define QVR_EXTRACT_TOLERANCES_H

#include <cstddef>

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

// A point whose smallest shape function value in the cell the exact mode's walk found is below
// this lies so near the cell's boundary that a neighbour may contain it too (within
// kInsideShapeTolerance of its own size, for a neighbour up to 1000 times larger across the
// face); the cells near the point are then compared by centroid distance, as the documented
// choice among several containing cells asks. Deeper inside, no other cell of a mesh whose
// cells do not overlap can contain the point. Unit: 1. Default 1e-4 (1000 x 1e-7).
inline constexpr double kSharedBoundaryDepth = 1e-4;

// Cells gathered around a point near a cell's boundary (through neighbours whose boxes hold it)
// before the search tree is asked instead. Unit: count. Default 512: a corner of a tetrahedral
// mesh has some 20 to 100 cells around it.
inline constexpr std::size_t kMaxCellsAroundPoint = 512;

// ---- Exact thickness --------------------------------------------------------------------------

// A skin face with a corner closer to the ray's start than this fraction of the face's extent
// (largest coordinate difference of its corners) is one of the node's own faces: never a
// crossing. Unit: 1. Default 1e-9: far below any element of a real mesh, far above rounding.
inline constexpr double kNodeCoincidenceRelative = 1e-9;
// Fraction of the ray's scale (the largest coordinate of its start, or the distance travelled
// when that is more) within which the ray counts as touching the skin rather than crossing it:
// an exit followed by an entry that takes the ray out of the material by no more than this is
// the ray touching the wall of a hole at an edge or corner; a face whose plane the ray stays
// within this of all across the face is one the ray runs along. Nodes stored in single
// precision are placed only to about 6e-8 of their coordinates, and a contact worked out from
// several of them carries a few times that. Unit: 1. Default 1e-6.
inline constexpr double kTouchRelative = 1e-6;
// Beyond the nearest exit, entries are looked for this far (as a fraction of the ray's scale)
// to tell a touch from a way out. Unit: 1. Default 1e-3.
inline constexpr double kTouchWindowRelative = 1e-3;
// Searches along one ray after touches of this kind before it counts as leaving nowhere.
// Unit: count. Default 64 (a ray through a lattice of holes edge to edge).
inline constexpr int kMaxGrazePasses = 64;
// Cells one walk towards a sample point may visit before the cells near the point are searched
// instead. Unit: count. Default 10000.
inline constexpr int kMaxWalkSteps = 10000;

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
