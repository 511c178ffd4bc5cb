// Through-thickness fibre profile at one skin node: per sample point its depth and the six
// components interpolated in the point's cell with the element library's shape functions.
#include "extract/interpolation.h"

#include <string>

#include "extract/CExtractToolData.h"
#include "kernel/mesh_tables.h"
#include "kernel/messages.h"

using qvr::kMaxCellNodes;

namespace qvr::extract {

CFEM_Elem3D* ShapeElements::forNodeCount(int nNode) {
    if (nNode < 0 || nNode > kMaxCellNodes) return nullptr;
    std::unique_ptr<CFEM_Elem3D>& element = byNodeCount_[nNode];
    if (!element) {
        switch (nNode) {
            case 4: element.reset(factory_.Make_TETRA4()); break;
            case 5: element.reset(factory_.Make_PYRAMID5()); break;
            case 6: element.reset(factory_.Make_PRISM6()); break;
            case 8: element.reset(factory_.Make_HEXA8()); break;
            default: break;
        }
    }
    return element.get();
}

}  // namespace qvr::extract

namespace {

// The tool's one message of its own: a solid cell whose node count the element library does not
// interpolate. Written to standard output whatever the kernel's print level.
void reportUnknownCellType(int nNode) {
    const std::string text = "unknown cell type, Nnode = " + std::to_string(nNode);
    qvr::msg::line(text.c_str());
}

}  // namespace

void CExtractToolData::CellCorners(const CInnerCell& cell, double* X, double* Y, double* Z) const {
    for (int k = 1; k <= cell.nNode; ++k) {
        const Cnode& p = m_pNode[cell.pNode[k]];
        X[k - 1] = p.x;
        Y[k - 1] = p.y;
        Z[k - 1] = p.z;
    }
}

bool CExtractToolData::CellShapeValues(double x, double y, double z, int cell, double* N,
                                       qvr::extract::ShapeElements& elements) const {
    for (int k = 0; k < kMaxCellNodes; ++k) N[k] = 0.0;
    const CInnerCell& c = p_Cell[cell];
    CFEM_Elem3D* const element = elements.forNodeCount(c.nNode);
    if (element == nullptr || c.pNode == nullptr) return false;

    double X[kMaxCellNodes] = {}, Y[kMaxCellNodes] = {}, Z[kMaxCellNodes] = {};
    CellCorners(c, X, Y, Z);
    element->GetShapeFunction(x, y, z, X, Y, Z, N);
    return true;
}

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
