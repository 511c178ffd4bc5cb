// Finite-element interpolation of node values inside one solid cell, with the element
// library's shape functions.
#include "CFEM_Elem3D.h"
#include "extract/CExtractToolData.h"
#include "extract/cell_type_message.h"
#include "extract/shape_elements.h"

namespace {
constexpr int kMaxCellNodes = 8;
}  // namespace

void CExtractToolData::CellCorners(const CInnerCell& cell, double* X, double* Y,
                                   double* Z) const {
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

int CExtractToolData::InterpolateInCell(double x, double y, double z, int cell,
                                        const double* nodeValue, double* value) {
    if (!HasMesh() || cell < 1 || cell > m_nInnerCell || nodeValue == nullptr ||
        value == nullptr) {
        return -1;
    }
    double N[kMaxCellNodes] = {};
    qvr::extract::ShapeElements elements;
    if (!CellShapeValues(x, y, z, cell, N, elements)) {
        reportUnknownCellType(p_Cell[cell].nNode);
        return 1;
    }
    const CInnerCell& c = p_Cell[cell];
    *value = 0.0;
    for (int k = 0; k < c.nNode; ++k) *value += N[k] * nodeValue[c.pNode[k + 1]];
    return 1;
}
