// Casts every ray record's ray: thickness, evenly spaced sample points and their cells, in the
// selected thickness mode.
#include <cstddef>
#include <vector>

#include "extract/CExtractToolData.h"

namespace {
constexpr int kSearchSlots = 1;
constexpr int kRaySlot = 0;
constexpr double kNoCrossing = 1e30;  // mm: the centroid-plane distance when nothing is crossed
}  // namespace

int CExtractToolData::TraceSurfaceRays() {
    if (!HasRays()) return -1;
    m_pOptKer->InitialzeSearch(kSearchSlots);
    const bool exact = m_nThicknessMode == QVR_THICKNESS_EXACT;
    if (exact) ComputeFaceOrientation();
    m_nNoCrossingCount = 0;

    std::vector<int> surfaceIds, cellIds;
    for (int inode = 1; inode <= m_nSurfaceNode; ++inode) {
        CRayData& r = m_pRayData[inode];
        const double px = r.pX[1], py = r.pY[1], pz = r.pZ[1];

        int count = 0;
        const int* passed =
            m_pOptKer->FindPassElemByAnyRay(count, px, py, pz, r.dx, r.dy, r.dz, kRaySlot);
        if (passed == nullptr) count = 0;

        // Copied out at once: the list belongs to the kernel's slot and the next search
        // replaces it.
        surfaceIds.assign(1, 0);
        cellIds.assign(1, 0);
        for (int k = 0; k < count; ++k) {
            const int id = passed[k];
            if (id >= 1 && id <= m_nSurface) {
                surfaceIds.push_back(id);
            } else if (id > m_nSurface && id - m_nSurface <= m_nInnerCell) {
                cellIds.push_back(id - m_nSurface);
            }
        }
        const int nS = static_cast<int>(surfaceIds.size()) - 1;
        const int nC = static_cast<int>(cellIds.size()) - 1;

        double t = 0.0;
        if (exact) {
            if (FindExitCrossing(surfaceIds.data(), nS, px, py, pz, r.dx, r.dy, r.dz, t) != 1) {
                ++m_nNoCrossingCount;
            }
        } else {
            FindSurfaceCrossing(surfaceIds.data(), nS, px, py, pz, r.dx, r.dy, r.dz, t);
            if (t == kNoCrossing) ++m_nNoCrossingCount;
        }

        const double h = t / (r.nPoint - 1);
        for (int j = 1; j <= r.nPoint; ++j) {
            const double s = (j - 1) * h;
            r.pX[j] = s * r.dx + px;
            r.pY[j] = s * r.dy + py;
            r.pZ[j] = s * r.dz + pz;
            r.pDist[j] = s;
        }
        if (exact) {
            AssignContainingCells(cellIds.data(), nC, inode);
        } else {
            AssignNearestCells(cellIds.data(), nC, inode);
        }
        ReportProgress(inode, m_nSurfaceNode);
    }
    return 1;
}
