// One ray record per skin node handed in by the host, then the thickness along each ray.
#include <cmath>
#include <cstddef>
#include <memory>

#include "extract/CExtractToolData.h"

namespace {

constexpr double kLengthGuard = 1e-30;  // added to a direction's length so (0,0,0) stays zero

// Owns freshly built records until they replace the current ones.
struct RayRecordsGuard {
    std::unique_ptr<CRayData[]> records;
    int count = 0;
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

int CExtractToolData::BuildRayData(int nNode, int nLayer, double* x, double* y, double* z,
                                   double* Ax, double* Ay, double* Az) {
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
