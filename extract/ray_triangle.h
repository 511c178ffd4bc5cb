// Line and ray tests against skin triangles, one for each thickness mode, and the one way both
// modes take a skin face apart into those triangles.
#ifndef QVR_EXTRACT_RAY_TRIANGLE_H
#define QVR_EXTRACT_RAY_TRIANGLE_H

#include "QVROptKer.h"
#include "kernel/mesh_tables.h"
#include "kernel/vec3.h"

namespace qvr::extract {

using qvr::Vec3;

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

// Puts the two corners of a quadrilateral's longest node pair (of the six pairs, the first of
// equally long ones) into nodes[1..2] and the other two, in their order, into nodes[3..4], so
// that (1, 2, 3) and (1, 2, 4) split it along that diagonal. Coincident corners never form the
// pair; when all four coincide nothing moves.
void orderQuadNodes(const Cnode* nodes, int* corners);

// Longest edge of a face's polygon, its corners in order and the last back to the first; 0 for
// a face without edges. NaN edge lengths are passed over.
double longestEdge(const CFaceElem& face, const Cnode* nodes);

// Runs test(a, b, c) on the triangles of a skin face of 3 or 4 corners: the triangle itself, or
// the quadrilateral's (1, 2, 3) and, when that one returns false, (1, 2, 4) after
// orderQuadNodes. True when a test returned true.
template <typename TriangleTest>
bool anyFaceTriangle(const CFaceElem& face, const Cnode* nodes, TriangleTest&& test) {
    int l[kMaxFaceNodes + 1] = {};
    for (int k = 1; k <= face.nNode; ++k) l[k] = face.pNode[k];
    if (face.nNode == 3) return test(nodes[l[1]], nodes[l[2]], nodes[l[3]]);
    orderQuadNodes(nodes, l);
    return test(nodes[l[1]], nodes[l[2]], nodes[l[3]]) ||
           test(nodes[l[1]], nodes[l[2]], nodes[l[4]]);
}

}  // namespace qvr::extract

#endif
