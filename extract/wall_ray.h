// Through the wall or along it: the classification of a thickness ray behind
// QVR3DExtractTool::GetWallRay.
//
// A ray runs through the wall when
//   - it leaves the part through a face that faces back against it: the outward normal of the
//     exit face lies within kWallExitAngleDeg of the ray (at an edge or corner, the face at the
//     exit point that is best aligned with the ray counts), and
//   - it is not much longer than the wall is thick where it runs: its length is at most
//     kWallLengthRatio times the local wall, twice the clearance (distance to the nearest skin
//     face) at the ray's midpoint, or at most kWallAverageMultiple times the part's average
//     thickness. In a wall of thickness w a ray square through it has length w and midpoint
//     clearance w/2 (ratio 1); a ray along the wall has the same clearance but a length set by
//     the part's extent. The second bound keeps rays through a wall close to its rim, whose
//     midpoint clearance is the distance to the rim.
// Rays that found no opposite skin run along no wall and through none: they are not wall rays.
// docs/wall-rays.md gives the measurements the limits were chosen from.
#ifndef QVR_EXTRACT_WALL_RAY_H
#define QVR_EXTRACT_WALL_RAY_H

class CExtractToolData;

namespace qvr::extract {

// Angle between the exit face's outward normal and the ray up to which the ray leaves square
// enough through the opposite skin. Default 30 degrees: rays through the plate and rib walls
// of the generated and imported test parts leave within 0.1 degrees (faceted tube: within half
// a facet angle); rays from blended edge normals leave at 45 degrees and more.
inline constexpr double kWallExitAngleDeg = 30.0;
// Largest ratio of the ray's length to the local wall (twice the midpoint clearance) for a
// through-wall ray. Default 1.5: square rays through the walls of the test parts measure 1.0
// (up to 2 within one element of a rim); rays along a wall 4 and more.
inline constexpr double kWallLengthRatio = 1.5;
// Longest through-wall ray as a multiple of the part's average thickness (volume over half the
// skin area), for rays near a rim. Default 1.5: through the walls of the generated parts rays
// measure 1.1 to 1.3 times it, along them 2.8 times and more.
inline constexpr double kWallAverageMultiple = 1.5;

struct WallRayMeasure {
    bool crossed = false;       // the ray found the opposite skin (thickness above 0)
    double exitCosine = 0.0;    // outward normal of the exit face against the ray
    double lengthRatio = 0.0;   // length / (2 * midpoint clearance)
    double averageRatio = 0.0;  // length / the part's average thickness
    bool throughWall = false;
};

// The measures of ray record `inode` (1..m_nSurfaceNode) of the tool's last trace. The
// caller checks that rays exist and that inode is in range. Uses the kernel's search slot 0.
WallRayMeasure MeasureWallRay(CExtractToolData& tool, int inode);

}  // namespace qvr::extract

#endif
