// Line and ray tests against skin triangles, one for each thickness mode.
#ifndef QVR_EXTRACT_RAY_TRIANGLE_H
#define QVR_EXTRACT_RAY_TRIANGLE_H

namespace qvr::extract {

struct Vec3 {
    double x, y, z;
};

// Centroid-plane thickness: whether the line (not only the ray) through (x, y, z) along
// (dx, dy, dz) meets the triangle; edges and corners count as inside; nearly edge-on triangles
// (|det| < kEdgeOnDeterminant) never do.
bool LineCrossesTriangle(double x, double y, double z, double dx, double dy, double dz,
                         double x0, double y0, double z0, double x1, double y1, double z1,
                         double x2, double y2, double z2);

// Exact thickness, watertight: hits on edges and corners count, and a ray through the edge
// shared by two triangles meets at least one of them.
//
// Whether the line through p along the direction d (any non-zero length) meets the triangle
// (v0, v1, v2), edges and corners included; t receives the signed distance from p along d
// (negative behind p). With a positive edgeSlack (a length) a line that passes outside the
// triangle by at most about that much still meets it, at the point where it crosses the
// triangle's plane. A triangle whose normal makes a cosine of at most kParallelCosine with d is
// never met: the test is on the angle, so it does not depend on the triangle's size or unit.
bool RayHitsTriangle(const Vec3& p, const Vec3& d, const Vec3& v0, const Vec3& v1,
                     const Vec3& v2, double& t, double edgeSlack = 0.0);

}  // namespace qvr::extract

#endif
