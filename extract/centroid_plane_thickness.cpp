// Centroid-plane thickness along a ray's line: the nearest centroid plane of a skin face that
// the line crosses, on either side of the node.
#include <cmath>

#include "extract/CExtractToolData.h"
#include "extract/ray_triangle.h"
#include "extract/tolerances.h"

using qvr::extract::kDivisorGuard;
using qvr::extract::kMaxFaceNodes;
using qvr::extract::kNoCrossing;
using qvr::extract::kZeroDistance;
using qvr::extract::LineCrossesTriangle;

int CExtractToolData::FindSurfaceCrossing(const int* surfaceIds, int nSurfaceIds, double x,
                                          double y, double z, double dx, double dy, double dz,
                                          double& distance) {
    double best = kNoCrossing;
    if (nSurfaceIds < 1 || surfaceIds == nullptr || m_pSurface == nullptr) {
        distance = kNoCrossing;
        return 1;
    }
    for (int s = 1; s <= nSurfaceIds; ++s) {
        const int id = surfaceIds[s];
        if (id < 1 || id > m_nSurface) continue;
        const CFaceElem& face = m_pSurface[id];
        if ((face.nNode != 3 && face.nNode != 4) || face.pNode == nullptr) continue;

        int l[kMaxFaceNodes + 1] = {};
        for (int k = 1; k <= face.nNode; ++k) l[k] = face.pNode[k];
        const Cnode& a = m_pNode[l[1]];
        bool hit = false;
        if (face.nNode == 3) {
            const Cnode& b = m_pNode[l[2]];
            const Cnode& c = m_pNode[l[3]];
            hit = LineCrossesTriangle(x, y, z, dx, dy, dz, a.x, a.y, a.z, b.x, b.y, b.z, c.x,
                                      c.y, c.z);
        } else {
            OrderQuadNodes(id, l);
            const Cnode& p1 = m_pNode[l[1]];
            const Cnode& p2 = m_pNode[l[2]];
            const Cnode& p3 = m_pNode[l[3]];
            const Cnode& p4 = m_pNode[l[4]];
            hit = LineCrossesTriangle(x, y, z, dx, dy, dz, p1.x, p1.y, p1.z, p2.x, p2.y, p2.z,
                                      p3.x, p3.y, p3.z);
            if (!hit) {
                hit = LineCrossesTriangle(x, y, z, dx, dy, dz, p1.x, p1.y, p1.z, p2.x, p2.y,
                                          p2.z, p4.x, p4.y, p4.z);
            }
        }
        if (!hit) continue;

        const double k = 1.0 / (std::sqrt(face.ax * face.ax + face.ay * face.ay +
                                          face.az * face.az) +
                                kDivisorGuard);
        const double ux = k * face.ax, uy = k * face.ay, uz = k * face.az;
        const double t = std::fabs(((face.xc - x) * ux + (face.yc - y) * uy +
                                    (face.zc - z) * uz) /
                                   (ux * dx + uy * dy + uz * dz + kDivisorGuard));
        if (t > kZeroDistance && t < best) best = t;
    }
    distance = best;
    return 1;
}
