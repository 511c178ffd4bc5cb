// The centroid-plane mode's line test against skin triangles.
#include "extract/ray_triangle.h"

#include <cmath>

#include "extract/tolerances.h"

namespace qvr::extract {

bool LineCrossesTriangle(double x, double y, double z, double dx, double dy, double dz, double x0,
                         double y0, double z0, double x1, double y1, double z1, double x2,
                         double y2, double z2) {
    const double e1x = x1 - x0, e1y = y1 - y0, e1z = z1 - z0;
    const double e2x = x2 - x0, e2y = y2 - y0, e2z = z2 - z0;
    const double tx = x - x0, ty = y - y0, tz = z - z0;

    // q = E2 x A
    const double qx = e2y * dz - e2z * dy;
    const double qy = e2z * dx - e2x * dz;
    const double qz = e2x * dy - e2y * dx;
    const double det = e1x * qx + e1y * qy + e1z * qz;
    if (det >= -kEdgeOnDeterminant && det < kEdgeOnDeterminant) return false;

    // r = A x E1
    const double rx = dy * e1z - dz * e1y;
    const double ry = dz * e1x - dx * e1z;
    const double rz = dx * e1y - dy * e1x;
    const double u = tx * qx + ty * qy + tz * qz;
    const double v = tx * rx + ty * ry + tz * rz;

    if (det > 0.0) return u >= 0.0 && v >= 0.0 && u + v - det <= 0.0;
    return u <= 0.0 && v <= 0.0 && u + v - det >= 0.0;
}

}  // namespace qvr::extract
