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

// Whether the line of the ray meets the triangle (a, b, c), at any t (behind the origin too).
// A triangle seen exactly edge-on (zero projected area) is never met.
bool intersectTriangle(const ShearedRay& ray, const double a[3], const double b[3],
                       const double c[3], TriangleHit& hit);

}  // namespace qvr::geom

#endif
