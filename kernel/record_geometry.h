// Centroids and area vectors of loaded records: one definition for every way a mesh reaches
// the kernel, so that a mesh file and the same mesh handed in as arrays round alike.
#ifndef QVR_KERNEL_RECORD_GEOMETRY_H
#define QVR_KERNEL_RECORD_GEOMETRY_H

#include "QVROptKer.h"
#include "kernel/face_fan.h"

namespace qvr {

// xc, yc, zc: the mean of the record's nodes (pNode[1..nNode] index `nodes`).
template <typename Record>
void setCentroid(Record& r, const Cnode* nodes) {
    r.xc = 0.0;
    r.yc = 0.0;
    r.zc = 0.0;
    for (int j = 1; j <= r.nNode; ++j) {
        const Cnode& p = nodes[r.pNode[j]];
        r.xc += p.x;
        r.yc += p.y;
        r.zc += p.z;
    }
    r.xc /= r.nNode;
    r.yc /= r.nNode;
    r.zc /= r.nNode;
}

// ax, ay, az: the face's vector area, summed over its fan triangles.
inline void setAreaVector(CFaceElem& f, const Cnode* nodes) {
    f.ax = 0.0;
    f.ay = 0.0;
    f.az = 0.0;
    forEachFanTriangle(f, nodes, [&f](double cx, double cy, double cz) {
        f.ax += 0.5 * cx;
        f.ay += 0.5 * cy;
        f.az += 0.5 * cz;
    });
}

}  // namespace qvr

#endif
