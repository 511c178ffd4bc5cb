// Watertight ray/triangle test: ray-space shear, edge functions, exact ties.
#include "geometry/watertight_triangle.h"

#include <cmath>

namespace qvr::geom {

bool shearRay(const double o[3], const double d[3], ShearedRay& ray) {
    for (int a = 0; a < 3; ++a) {
        if (!std::isfinite(d[a]) || !std::isfinite(o[a])) return false;
    }
    int kz = 0;
    if (std::fabs(d[1]) > std::fabs(d[kz])) kz = 1;
    if (std::fabs(d[2]) > std::fabs(d[kz])) kz = 2;
    if (d[kz] == 0.0) return false;
    int kx = kz + 1 == 3 ? 0 : kz + 1;
    int ky = kx + 1 == 3 ? 0 : kx + 1;
    // Keep the triangles' winding in ray space whatever the sign of the main component.
    if (d[kz] < 0.0) {
        const int swap = kx;
        kx = ky;
        ky = swap;
    }
    ray.kx = kx;
    ray.ky = ky;
    ray.kz = kz;
    ray.sx = d[kx] / d[kz];
    ray.sy = d[ky] / d[kz];
    ray.sz = 1.0 / d[kz];
    for (int a = 0; a < 3; ++a) ray.origin[a] = o[a];
    ray.nudge[0] = 1.0;
    ray.nudge[1] = 0.0;
    return true;
}

void nudgeRayToward(ShearedRay& ray, const double toward[3]) {
    const double x = toward[ray.kx] - ray.sx * toward[ray.kz];
    const double y = toward[ray.ky] - ray.sy * toward[ray.kz];
    if (!std::isfinite(x) || !std::isfinite(y) || (x == 0.0 && y == 0.0)) return;
    ray.nudge[0] = x;
    ray.nudge[1] = y;
}

}  // namespace qvr::geom
