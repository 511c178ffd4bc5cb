// Ray records: one per skin node handed in by the host, then the thickness along each ray, its
// evenly spaced sample points and their cells, in the selected thickness mode.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "extract/CExtractToolData.h"
#include "extract/tolerances.h"
#include "kernel/chunked_threads.h"

using qvr::extract::kLengthGuard;
using qvr::extract::kNoCrossing;

namespace {

// Most rays per chunk handed to a tracing thread. Default 256: enough that handing out chunks
// costs nothing next to the rays; progress asks for smaller chunks on small traces anyway.
constexpr int kMaxChunk = 256;

// Owns freshly built records and their arrays until they replace the current ones.
struct RayRecordsGuard {
    std::unique_ptr<CRayData[]> records;
    std::unique_ptr<double[]> reals;
    std::unique_ptr<int[]> cells;
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
    const auto slots = static_cast<std::size_t>(nLayer) + 1;
    const auto nodes = static_cast<std::size_t>(nNode);
    try {
        // Sizes past what an allocation can hold fail as a refused allocation would, before the
        // products below could wrap around.
        if (slots > std::numeric_limits<std::size_t>::max() / 4 / nodes) throw std::bad_alloc();
        fresh.records = std::make_unique<CRayData[]>(nodes + 1);
        // Left unwritten here: each tracing thread zeroes and fills the records it traces (see
        // SetUpRecord), so that neither the zeroing nor the first touch of the pages waits on
        // the calling thread alone.
        fresh.reals = std::make_unique_for_overwrite<double[]>(4 * slots * nodes);
        fresh.cells = std::make_unique_for_overwrite<int[]>(slots * nodes);
    } catch (...) {
        ReleaseRayData();
        throw;
    }

    ReleaseRayData();
    m_nSurfaceNode = nNode;
    m_pRayData = fresh.records.release();
    m_rayReals = std::move(fresh.reals);
    m_rayCells = std::move(fresh.cells);

    try {
        TraceSurfaceRays(nLayer, RayStarts{x, y, z, Ax, Ay, Az});
    } catch (...) {
        // Half-traced records would look valid to GetFiber.
        ReleaseRayData();
        throw;
    }
    return 1;
}

void CExtractToolData::SetUpRecord(int inode, int nLayer, const RayStarts& starts) {
    const auto slots = static_cast<std::size_t>(nLayer) + 1;
    const std::size_t record = static_cast<std::size_t>(inode) - 1;
    double* reals = m_rayReals.get() + 4 * slots * record;
    int* cells = m_rayCells.get() + slots * record;
    // Zeroed so that a record is never read with undefined cell numbers.
    std::fill(reals, reals + 4 * slots, 0.0);
    std::fill(cells, cells + slots, 0);
    CRayData& r = m_pRayData[inode];
    r.nPoint = nLayer;
    r.pX = reals;
    r.pY = reals + slots;
    r.pZ = reals + 2 * slots;
    r.pDist = reals + 3 * slots;
    r.pCellID = cells;
    r.pX[1] = starts.x[inode];
    r.pY[1] = starts.y[inode];
    r.pZ[1] = starts.z[inode];
    const double ax = starts.ax[inode], ay = starts.ay[inode], az = starts.az[inode];
    const double s = 1.0 / (std::sqrt(ax * ax + ay * ay + az * az) + kLengthGuard);
    r.dx = s * ax;
    r.dy = s * ay;
    r.dz = s * az;
}

void CExtractToolData::PrepareSearch(bool exact, int threads) {
    // The kernel's set-up depends only on the mesh, so it is kept while the mesh stays; more
    // threads than slots set it up again with more (the results do not change).
    if (m_nSearchSlots < threads) {
        m_nSearchSlots = 0;
        m_pOptKer->InitialzeSearch(threads);
        m_nSearchSlots = threads;
    }
    if (exact) PrepareExactMode();
    while (static_cast<int>(m_scratch.size()) < threads) {
        m_scratch.push_back(std::make_unique<qvr::extract::RayScratch>());
    }
}

void CExtractToolData::DropSearchStructures() {
    m_bWallRaysReady.store(false, std::memory_order_relaxed);
    m_nSearchSlots = 0;
    m_bExactReady = false;
    m_skinHierarchy.clear();
    m_cellAdjacency.clear();
    std::vector<signed char>().swap(m_faceOutward);
    std::vector<int>().swap(m_faceCell);
    m_bFaceNeighboursClosed = false;
}

bool CExtractToolData::TraceRay(int inode, bool exact, int slot,
                                qvr::extract::RayScratch& scratch) {
    CRayData& r = m_pRayData[inode];
    const double px = r.pX[1], py = r.pY[1], pz = r.pZ[1];

    double t = 0.0;
    bool crossed = false;
    int startCell = 0;
    if (exact) {
        crossed = FindExitCrossing(px, py, pz, r.dx, r.dy, r.dz, t, startCell, scratch) == 1;
    } else {
        GatherPassedElements(px, py, pz, r.dx, r.dy, r.dz, slot, scratch);
        const int nS = static_cast<int>(scratch.surfaceIds.size()) - 1;
        FindSurfaceCrossing(scratch.surfaceIds.data(), nS, px, py, pz, r.dx, r.dy, r.dz, t);
        crossed = t != kNoCrossing;
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
        AssignContainingCells(inode, startCell, slot, scratch);
    } else {
        AssignNearestPassedCells(inode, scratch);
    }
    return crossed;
}

int CExtractToolData::TraceSurfaceRays(int nLayer, const RayStarts& starts) {
    if (!HasRays()) return -1;
    const bool exact = m_nThicknessMode == QVR_THICKNESS_EXACT;
    const int threads = std::clamp(m_nThreadCount, 1, m_nSurfaceNode);
    PrepareSearch(exact, threads);
    m_nNoCrossingCount = 0;
    m_nProgressReported = 0;

    // Chunks small enough that progress comes about every percent, large enough that handing
    // them out costs nothing next to the rays.
    const int chunk = threads == 1 ? 1 : std::clamp(m_nSurfaceNode / (100 * threads), 1, kMaxChunk);
    // Counted per chunk, added once per chunk: counters per worker side by side would share a
    // cache line that every missed ray writes.
    std::atomic<int> missed{0};
    qvr::runChunked(
        m_nSurfaceNode, threads, chunk,
        [&](int first, int last, int worker) {
            qvr::extract::RayScratch& scratch = *m_scratch[static_cast<std::size_t>(worker)];
            int missedHere = 0;
            for (int i = first + 1; i <= last; ++i) {
                SetUpRecord(i, nLayer, starts);
                if (!TraceRay(i, exact, worker, scratch)) ++missedHere;
            }
            missed.fetch_add(missedHere, std::memory_order_relaxed);
        },
        [&](int done) { ReportProgress(done, m_nSurfaceNode); });
    m_nNoCrossingCount = missed.load(std::memory_order_relaxed);
    return 1;
}

void CExtractToolData::ReportProgress(int done, int total) {
    if (m_pProgress == nullptr) return;
    // About a hundred calls per trace whatever its size, and always the last one.
    const int step = total / 100 > 1 ? total / 100 : 1;
    if (done / step == m_nProgressReported / step && done != total) return;
    m_nProgressReported = done;
    m_pProgress(done, total, m_pProgressUser);
}

void CExtractToolData::ReleaseRayData() {
    delete[] m_pRayData;
    m_pRayData = nullptr;
    m_rayReals.reset();
    m_rayCells.reset();
    m_nSurfaceNode = 0;
    m_nNoCrossingCount = 0;
}
