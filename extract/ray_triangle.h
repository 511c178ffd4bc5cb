// The centroid-plane mode's line test against skin triangles, and the one way both modes take a
// skin face apart into triangles.
#ifndef QVR_EXTRACT_RAY_TRIANGLE_H
#define QVR_EXTRACT_RAY_TRIANGLE_H

#include "QVROptKer.h"
#include "geometry/skin_triangles.h"
#include "kernel/mesh_tables.h"

namespace qvr::extract {

// Centroid-plane thickness: whether the line (not only the ray) through (x, y, z) along
// (dx, dy, dz) meets the triangle; edges and corners count as inside; nearly edge-on triangles
// (|det| < kEdgeOnDeterminant) never do.
bool LineCrossesTriangle(double x, double y, double z, double dx, double dy, double dz, double x0,
                         double y0, double z0, double x1, double y1, double z1, double x2,
                         double y2, double z2);

// The split of a quadrilateral both modes use (the exact mode through its skin triangle
// hierarchy): its longest node pair first, see qvr::geom::orderQuadNodes.
using qvr::geom::orderQuadNodes;

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
