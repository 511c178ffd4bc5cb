// Centroid-plane thickness along a ray's line: the nearest centroid plane of a skin face that
// the line crosses, on either side of the node; and the ray pass search's candidates it is
// chosen from.
#include <cmath>
#include <vector>

#include "extract/CExtractToolData.h"
#include "extract/ray_triangle.h"
#include "extract/tolerances.h"
#include "geometry/ray_pass_search.h"

using qvr::extract::kDivisorGuard;
using qvr::extract::kNoCrossing;
using qvr::extract::kZeroDistance;
using qvr::extract::LineCrossesTriangle;

int CExtractToolData::FindSurfaceCrossing(const int* surfaceIds, int nSurfaceIds, double x,
                                          double y, double z, double dx, double dy, double dz,
                                          double& distance) const {
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

        const bool hit = qvr::extract::anyFaceTriangle(
            face, m_pNode, [&](const Cnode& a, const Cnode& b, const Cnode& c) {
                return LineCrossesTriangle(x, y, z, dx, dy, dz, a.x, a.y, a.z, b.x, b.y, b.z, c.x,
                                           c.y, c.z);
            });
        if (!hit) continue;

        const double k =
            1.0 /
            (std::sqrt(face.ax * face.ax + face.ay * face.ay + face.az * face.az) + kDivisorGuard);
        const double ux = k * face.ax, uy = k * face.ay, uz = k * face.az;
        const double t = std::fabs(((face.xc - x) * ux + (face.yc - y) * uy + (face.zc - z) * uz) /
                                   (ux * dx + uy * dy + uz * dz + kDivisorGuard));
        if (t > kZeroDistance && t < best) best = t;
    }
    distance = best;
    return 1;
}

void CExtractToolData::GatherPassedElements(double x, double y, double z, double dx, double dy,
                                            double dz, int slot,
                                            qvr::extract::RayScratch& scratch) const {
    scratch.surfaceIds.assign(1, 0);
    scratch.cellIds.assign(1, 0);
    auto take = [&](int id) {
        if (id >= 1 && id <= m_nSurface) {
            scratch.surfaceIds.push_back(id);
        } else if (id > m_nSurface && id - m_nSurface <= m_nInnerCell) {
            scratch.cellIds.push_back(id - m_nSurface);
        }
    };
    // Neither the crossing (the least distance) nor the cell choice (ties to the lowest
    // number) depends on the order, so the walk's own order saves sorting the list.
    if (const std::vector<int>* passed =
            qvr::ray::passedElementsAnyOrder(*m_pOptKer, x, y, z, dx, dy, dz, slot)) {
        for (int id : *passed) take(id);
        return;
    }
    int count = 0;
    const int* passed = m_pOptKer->FindPassElemByAnyRay(count, x, y, z, dx, dy, dz, slot);
    // Copied out at once: the list belongs to the kernel's slot and the next search replaces it.
    for (int k = 0; passed != nullptr && k < count; ++k) take(passed[k]);
}
