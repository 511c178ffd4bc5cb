// The centroid-plane mode's line test against skin triangles.
#ifndef QVR_EXTRACT_RAY_TRIANGLE_H
#define QVR_EXTRACT_RAY_TRIANGLE_H

namespace qvr::extract {

// Centroid-plane thickness: whether the line (not only the ray) through (x, y, z) along
// (dx, dy, dz) meets the triangle; edges and corners count as inside; nearly edge-on triangles
// (|det| < kEdgeOnDeterminant) never do.
bool LineCrossesTriangle(double x, double y, double z, double dx, double dy, double dz,
                         double x0, double y0, double z0, double x1, double y1, double z1,
                         double x2, double y2, double z2);

}  // namespace qvr::extract

#endif
