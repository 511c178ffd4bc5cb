// The skin faces as triangles: a triangle as it is, a quadrilateral as the two triangles on
// either side of its longest node-to-node segment.
#ifndef QVR_GEOMETRY_SKIN_TRIANGLES_H
#define QVR_GEOMETRY_SKIN_TRIANGLES_H

#include "QVROptKer.h"
#include "geometry/triangle_bvh.h"

namespace qvr::geom {

// Reorders the 1-based list l[1..4] of a quadrilateral's node numbers so that its longest node
// pair comes first (of equally long pairs the first in the order 1-2, 1-3, 1-4, 2-3, 2-4, 3-4),
// the other two following in their order; the triangles (l1, l2, l3) and (l1, l2, l4) then
// share that segment. A quadrilateral whose nodes all coincide is left as it is.
void orderQuadNodes(const Cnode* nodes, int* l);

// Builds `bvh` over the triangles of skin faces 1..faceCount; each triangle's item is its face
// number, its corners are node numbers into `nodes`, which the hierarchy reads in place (the
// table must stay until the next build). Faces of another node count, without a node list or
// naming a node outside 1..nodeCount are left out.
void buildSkinHierarchy(const CFaceElem* faces, int faceCount, const Cnode* nodes, int nodeCount,
                        TriangleBvh& bvh);

}  // namespace qvr::geom

#endif
