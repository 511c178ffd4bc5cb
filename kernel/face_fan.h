// A skin face as a fan of triangles (1, k, k + 1) around its first corner: the one way the
// library measures face areas, so the vector areas stored on loading, the skin normals and the
// average thickness round alike.
#ifndef QVR_KERNEL_FACE_FAN_H
#define QVR_KERNEL_FACE_FAN_H

#include "QVROptKer.h"

namespace qvr {

// Calls visit(cx, cy, cz) for each fan triangle with c = (pk - p1) x (pk+1 - p1), twice the
// triangle's vector area. A face of two corners or fewer has no triangle.
template <typename Visit>
void forEachFanTriangle(const CFaceElem& f, const Cnode* nodes, Visit&& visit) {
    if (f.nNode <= 2) return;
    const Cnode& p1 = nodes[f.pNode[1]];
    for (int k = 2; k <= f.nNode - 1; ++k) {
        const Cnode& pk = nodes[f.pNode[k]];
        const Cnode& pn = nodes[f.pNode[k + 1]];
        const double ux = pk.x - p1.x, uy = pk.y - p1.y, uz = pk.z - p1.z;
        const double wx = pn.x - p1.x, wy = pn.y - p1.y, wz = pn.z - p1.z;
        visit(uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx);
    }
}

}  // namespace qvr

#endif
