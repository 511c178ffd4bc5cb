// Through-thickness fibre profile at one skin node: per sample point its depth and the six
// components interpolated in the point's cell.
#include "extract/CExtractToolData.h"
#include "extract/cell_type_message.h"
#include "extract/shape_elements.h"

namespace {
constexpr int kMaxCellNodes = 8;
}  // namespace

int CExtractToolData::ExtractNodeFiber(int inode, double* dist, double* fiber1, double* fiber2,
                                       double* fiber3, double* fiber4, double* fiber5,
                                       double* fiber6) {
    if (!HasRays() || inode < 0 || inode > m_nSurfaceNode) return -1;
    double* out[kFiberComponentCount] = {fiber1, fiber2, fiber3, fiber4, fiber5, fiber6};
    if (dist == nullptr) return -1;
    for (double* o : out) {
        if (o == nullptr) return -1;
    }

    const CRayData& r = m_pRayData[inode];  // record 0 has no points: nothing is written
    if (r.nPoint < 1) return 1;
    // Made when a point first needs its kind, then shared by the ray's points.
    qvr::extract::ShapeElements elements;
    for (int j = 1; j <= r.nPoint; ++j) {
        const int c = r.pCellID[j];
        if (c < 1 || c > m_nInnerCell) {
            dist[j] = 0.0;
            for (double* o : out) o[j] = 0.0;
            continue;
        }
        // The six components share the cell and the point, so the shape functions are
        // evaluated once; each sum runs exactly as a single-component interpolation would.
        double value[kFiberComponentCount] = {};
        double N[kMaxCellNodes] = {};
        const CInnerCell& cell = p_Cell[c];
        if (CellShapeValues(r.pX[j], r.pY[j], r.pZ[j], c, N, elements)) {
            for (int k = 0; k < kFiberComponentCount; ++k) {
                const double* nodeValue = m_pNodeFiber[k];
                double v = 0.0;
                for (int n = 0; n < cell.nNode; ++n) v += N[n] * nodeValue[cell.pNode[n + 1]];
                value[k] = v;
            }
        } else {
            for (int k = 0; k < kFiberComponentCount; ++k) reportUnknownCellType(cell.nNode);
        }
        dist[j] = r.pDist[j];
        for (int k = 0; k < kFiberComponentCount; ++k) out[k][j] = value[k];
    }
    return 1;
}
