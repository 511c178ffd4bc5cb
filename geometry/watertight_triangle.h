// Watertight ray/triangle intersection in double precision.
//
// The ray is sheared and permuted once so that it runs along +z through the origin; each
// triangle is then tested by the signs of its three 2-D edge functions at the origin. An edge
// function depends only on the edge's two corners (in either order it comes out exactly
// negated), so two triangles sharing an edge always agree on which side of it the ray passes:
// no hit slips through the gap between them. An edge function that rounds to exactly zero is
// recomputed exactly; when it is truly zero (the ray meets the edge itself) the tie goes to
// the side an infinitesimal shift of the ray (across it, in a direction the ray carries) would
// pick, so that a ray through a shared edge or a shared corner meets exactly one of the
// triangles around it in a flat fan - never none, never two. No tolerance is involved, so the
// test does not depend on the scale.
#ifndef QVR_GEOMETRY_WATERTIGHT_TRIANGLE_H
#define QVR_GEOMETRY_WATERTIGHT_TRIANGLE_H

#include <cmath>

namespace qvr::geom {

// A ray prepared for the watertight test: its origin, the permutation that puts its largest
// direction component last, and the shear that turns the direction into +z.
struct ShearedRay {
    double origin[3];
    int kx, ky, kz;
    double sx, sy, sz;
    // Direction of the infinitesimal shift that settles ties, in ray space (the shift is eps
    // along it plus eps^2 across it); not zero.
    double nudge[2];
};

// Prepares the ray from origin o along direction d, ties settled by a shift along ray-space x.
// False (ray unusable) when d is zero or o or d is not finite.
bool shearRay(const double o[3], const double d[3], ShearedRay& ray);

// Settles ties by shifting the ray towards `toward` (a 3-D direction; its part along the ray
// does not count). Keeps the shift as it is when `toward` is along the ray, zero or not finite.
void nudgeRayToward(ShearedRay& ray, const double toward[3]);

// Where on the triangle the ray met it. For Edge, `feature` is the edge (0: corners 1-2,
// 1: corners 2-0, 2: corners 0-1); for Corner the corner (0, 1, 2).
enum class TriangleContact : unsigned char { Inside, Edge, Corner };

struct TriangleHit {
    double t;  // ray parameter of the hit: distance along d in units of |d|; may be <= 0
    TriangleContact contact;
    int feature;
};

namespace detail {

// The sign of p*q - r*s, exact: the rounding errors of both products are recovered with fused
// multiply-adds, which give them without rounding.
inline int exactSignOfDifference(double p, double q, double r, double s) {
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
inline double edgeFunction(const double* P, const double* Q) { return Q[0] * P[1] - Q[1] * P[0]; }

// The sign an edge function takes for the ray shifted by eps*u + eps^2*v in ray space, eps ->
// 0+, with u the ray's nudge and v = (-u.y, u.x), when its value at the ray itself is exactly
// zero. The shift p changes the function by p.x*(Qy - Py) - p.y*(Qx - Px); the signs of both
// orders are taken exactly, so that every triangle sees one and the same shift.
inline int tieBreakSign(const ShearedRay& ray, const double* P, const double* Q) {
    const double ex = Q[0] - P[0], ey = Q[1] - P[1];
    const double ux = ray.nudge[0], uy = ray.nudge[1];
    const int first = exactSignOfDifference(ux, ey, uy, ex);  // u x e, as p.x*ey - p.y*ex
    if (first != 0) return first;
    return -exactSignOfDifference(ux, ex, -uy, ey);  // v x e = -(u . e)
}

}  // namespace detail

// Corner c in ray space: x and y across the ray, and the unsheared depth along its main axis.
inline void toRaySpace(const ShearedRay& ray, const double c[3], double p[3]) {
    const double rx = c[ray.kx] - ray.origin[ray.kx];
    const double ry = c[ray.ky] - ray.origin[ray.ky];
    const double rz = c[ray.kz] - ray.origin[ray.kz];
    p[0] = rx - ray.sx * rz;
    p[1] = ry - ray.sy * rz;
    p[2] = rz;
}

// The test on corners already in ray space (toRaySpace), so that triangles sharing corners
// transform them once.
inline bool intersectRaySpace(const ShearedRay& ray, const double* p0, const double* p1,
                              const double* p2, TriangleHit& hit);

// Whether the line of the ray meets the triangle (a, b, c), at any t (behind the origin too).
// A triangle seen exactly edge-on (zero projected area) is never met.
inline bool intersectTriangle(const ShearedRay& ray, const double a[3], const double b[3],
                              const double c[3], TriangleHit& hit) {
    double p[3][3];
    toRaySpace(ray, a, p[0]);
    toRaySpace(ray, b, p[1]);
    toRaySpace(ray, c, p[2]);
    return intersectRaySpace(ray, p[0], p[1], p[2], hit);
}

inline bool intersectRaySpace(const ShearedRay& ray, const double* p0, const double* p1,
                              const double* p2, TriangleHit& hit) {
    const double* const p[3] = {p0, p1, p2};
    // Edge e runs from corner e+1 to corner e+2 (the edge opposite corner e).
    double edge[3] = {detail::edgeFunction(p[1], p[2]), detail::edgeFunction(p[2], p[0]),
                      detail::edgeFunction(p[0], p[1])};
    int onEdge[3] = {0, 0, 0};  // the ray meets the edge's line exactly
    if (edge[0] != 0.0 && edge[1] != 0.0 && edge[2] != 0.0) {
        // The common case, decided by the signs as they are.
        if ((edge[0] < 0.0) != (edge[1] < 0.0) || (edge[1] < 0.0) != (edge[2] < 0.0)) return false;
    } else {
        int sign[3];
        for (int e = 0; e < 3; ++e) {
            if (edge[e] != 0.0) {
                sign[e] = edge[e] > 0.0 ? 1 : -1;
                continue;
            }
            const double* P = p[(e + 1) % 3];
            const double* Q = p[(e + 2) % 3];
            sign[e] = detail::exactSignOfDifference(Q[0], P[1], Q[1], P[0]);
            if (sign[e] == 0) {
                onEdge[e] = 1;
                sign[e] = detail::tieBreakSign(ray, P, Q);
                if (sign[e] == 0) return false;
            }
        }
        if (sign[0] != sign[1] || sign[1] != sign[2]) return false;
    }
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

#endif
