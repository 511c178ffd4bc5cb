// Ray records: one per skin node handed in by the host, then the thickness along each ray, its
// evenly spaced sample points and their cells, in the selected thickness mode.
#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

#include "extract/CExtractToolData.h"
#include "extract/tolerances.h"

using qvr::extract::kLengthGuard;
using qvr::extract::kNoCrossing;

namespace {

constexpr int kSearchSlots = 1;
constexpr int kRaySlot = 0;

// Owns freshly built records until they replace the current ones.
struct RayRecordsGuard {
    std::unique_ptr<CRayData[]> records;
    int count = 0;
    RayRecordsGuard() = default;
    RayRecordsGuard(const RayRecordsGuard&) = delete;
    RayRecordsGuard& operator=(const RayRecordsGuard&) = delete;
    ~RayRecordsGuard() {
        if (!records) return;
        for (int i = 0; i <= count; ++i) {
            delete[] records[i].pX;
            delete[] records[i].pY;
            delete[] records[i].pZ;
            delete[] records[i].pDist;
            delete[] records[i].pCellID;
        }
    }
};

}  // namespace

int CExtractToolData::BuildRayData(int nNode, int nLayer, const double* x, const double* y,
                                   const double* z, const double* Ax, const double* Ay,
                                   const double* Az) {
    if (nNode < 1 || nLayer < 2) return -1;
    if (!HasMesh()) return -1;
    if (!x || !y || !z || !Ax || !Ay || !Az) return -1;

    // A failed allocation, while building or while tracing, leaves no records at all: the
    // caller then sees the same state whichever allocation failed.
    RayRecordsGuard fresh;
    try {
        fresh.records = std::make_unique<CRayData[]>(static_cast<std::size_t>(nNode) + 1);
        fresh.count = nNode;
        const auto slots = static_cast<std::size_t>(nLayer) + 1;
        for (int i = 1; i <= nNode; ++i) {
            CRayData& r = fresh.records[i];
            r.nPoint = nLayer;
            // Zero-initialised so that a record is never read with undefined cell numbers.
            r.pX = new double[slots]();
            r.pY = new double[slots]();
            r.pZ = new double[slots]();
            r.pDist = new double[slots]();
            r.pCellID = new int[slots]();
            r.pX[1] = x[i];
            r.pY[1] = y[i];
            r.pZ[1] = z[i];
            const double s = 1.0 / (std::sqrt(Ax[i] * Ax[i] + Ay[i] * Ay[i] + Az[i] * Az[i]) +
                                    kLengthGuard);
            r.dx = s * Ax[i];
            r.dy = s * Ay[i];
            r.dz = s * Az[i];
        }
    } catch (...) {
        ReleaseRayData();
        throw;
    }

    ReleaseRayData();
    m_nSurfaceNode = nNode;
    m_pRayData = fresh.records.release();
    fresh.count = 0;

    try {
        TraceSurfaceRays();
    } catch (...) {
        // Half-traced records would look valid to GetFiber.
        ReleaseRayData();
        throw;
    }
    return 1;
}

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

void CExtractToolData::ReportProgress(int done, int total) const {
    if (m_pProgress == nullptr) return;
    // About a hundred calls per trace whatever its size, and always the last one.
    const int step = total / 100 > 1 ? total / 100 : 1;
    if (done % step == 0 || done == total) m_pProgress(done, total, m_pProgressUser);
}

void CExtractToolData::ReleaseRayData() {
    if (m_pRayData != nullptr) {
        for (int i = 0; i <= m_nSurfaceNode; ++i) {
            CRayData& r = m_pRayData[i];
            delete[] r.pX;
            delete[] r.pY;
            delete[] r.pZ;
            delete[] r.pDist;
            delete[] r.pCellID;
        }
        delete[] m_pRayData;
    }
    m_pRayData = nullptr;
    m_nSurfaceNode = 0;
    m_nNoCrossingCount = 0;
}
