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
// The limits are in tolerances.h; docs/wall-rays.md gives the measurements they come from.
#ifndef QVR_EXTRACT_WALL_RAY_H
#define QVR_EXTRACT_WALL_RAY_H

class CExtractToolData;

namespace qvr::extract {

struct WallRayMeasure {
    bool crossed = false;       // the ray found the opposite skin (thickness above 0)
    double exitCosine = 0.0;    // outward normal of the exit face against the ray
    double lengthRatio = 0.0;   // length / (2 * midpoint clearance), at most kWallLengthRatio
                                // when the clearance reaches that bound; 0 when the exit
                                // angle or the average thickness already decided
    double averageRatio = 0.0;  // length / the part's average thickness
    bool throughWall = false;
};

// The measures of ray record `inode` (1..m_nSurfaceNode) of the tool's last trace. The
// caller checks that rays exist and that inode is in range. The first call after a new mesh
// builds the hierarchy over the skin triangles (CExtractToolData::m_skinHierarchy) when the
// thickness mode has not, and the faces' outward sides (CExtractToolData::PrepareWallRays);
// after that it only reads the tool: up to two nearest-face searches per ray, each bounded by
// the ray's length. Calls may run on several threads at once while nothing changes the tool.
WallRayMeasure MeasureWallRay(CExtractToolData& tool, int inode);

}  // namespace qvr::extract

#endif
