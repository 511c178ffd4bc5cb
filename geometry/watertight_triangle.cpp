// Watertight ray/triangle test: ray-space shear, edge functions, exact ties.
#include "geometry/watertight_triangle.h"

#include <cmath>

namespace qvr::geom {

namespace {

// The sign of p*q - r*s, exact: the rounding errors of both products are recovered with fused
// multiply-adds, which give them without rounding.
int exactSignOfDifference(double p, double q, double r, double s) {
    const double first = p * q;
    const double second = r * s;
    if (first != second) return first > second ? 1 : -1;
    const double firstError = std::fma(p, q, -first);
    const double secondError = std::fma(r, s, -second);
    if (firstError == secondError) return 0;
    return firstError > secondError ? 1 : -1;
}

// The edge function of the edge from corner P to corner Q at the ray (the origin of ray
// space): Qx*Py - Qy*Px. Swapping P and Q negates it exactly.
double edgeFunction(const double* P, const double* Q) { return Q[0] * P[1] - Q[1] * P[0]; }

// The sign an edge function takes for the ray shifted by eps*u + eps^2*v in ray space, eps ->
// 0+, with u the ray's nudge and v = (-u.y, u.x), when its value at the ray itself is exactly
// zero. The shift p changes the function by p.x*(Qy - Py) - p.y*(Qx - Px); the signs of both
// orders are taken exactly, so that every triangle sees one and the same shift.
int tieBreakSign(const ShearedRay& ray, const double* P, const double* Q) {
    const double ex = Q[0] - P[0], ey = Q[1] - P[1];
    const double ux = ray.nudge[0], uy = ray.nudge[1];
    const int first = exactSignOfDifference(ux, ey, uy, ex);  // u x e, as p.x*ey - p.y*ex
    if (first != 0) return first;
    return -exactSignOfDifference(ux, ex, -uy, ey);  // v x e = -(u . e)
}

}  // namespace

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

bool intersectTriangle(const ShearedRay& ray, const double a[3], const double b[3],
                       const double c[3], TriangleHit& hit) {
    const double* corners[3] = {a, b, c};
    double p[3][3];  // corners in ray space: x, y and the unsheared depth
    for (int i = 0; i < 3; ++i) {
        const double rx = corners[i][ray.kx] - ray.origin[ray.kx];
        const double ry = corners[i][ray.ky] - ray.origin[ray.ky];
        const double rz = corners[i][ray.kz] - ray.origin[ray.kz];
        p[i][0] = rx - ray.sx * rz;
        p[i][1] = ry - ray.sy * rz;
        p[i][2] = rz;
    }
    // Edge e runs from corner e+1 to corner e+2 (the edge opposite corner e).
    double edge[3];
    int sign[3];
    int onEdge[3] = {0, 0, 0};  // the ray meets the edge's line exactly
    for (int e = 0; e < 3; ++e) {
        const double* P = p[(e + 1) % 3];
        const double* Q = p[(e + 2) % 3];
        edge[e] = edgeFunction(P, Q);
        if (edge[e] != 0.0) {
            sign[e] = edge[e] > 0.0 ? 1 : -1;
            continue;
        }
        sign[e] = exactSignOfDifference(Q[0], P[1], Q[1], P[0]);
        if (sign[e] == 0) {
            onEdge[e] = 1;
            sign[e] = tieBreakSign(ray, P, Q);
            if (sign[e] == 0) return false;
        }
    }
    if (sign[0] != sign[1] || sign[1] != sign[2]) return false;
    const double det = edge[0] + edge[1] + edge[2];
    if (det == 0.0) return false;  // seen edge-on
    const double depth = edge[0] * p[0][2] + edge[1] * p[1][2] + edge[2] * p[2][2];
    const double t = depth * ray.sz / det;
    if (!std::isfinite(t)) return false;  // a corner not finite, or beyond the range of doubles
    hit.t = t;
    const int zeros = onEdge[0] + onEdge[1] + onEdge[2];
    if (zeros == 0) {
        hit.contact = TriangleContact::Inside;
        hit.feature = -1;
    } else if (zeros == 1) {
        hit.contact = TriangleContact::Edge;
        hit.feature = onEdge[0] != 0 ? 0 : (onEdge[1] != 0 ? 1 : 2);
    } else {
        // Two edges meet the ray: it passes through their shared corner, the one neither
        // edge lies opposite to (edge e lies opposite corner e).
        hit.contact = TriangleContact::Corner;
        hit.feature = onEdge[0] == 0 ? 0 : (onEdge[1] == 0 ? 1 : 2);
    }
    return true;
}

}  // namespace qvr::geom
