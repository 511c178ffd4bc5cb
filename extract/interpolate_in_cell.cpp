// Finite-element interpolation of node values inside one solid cell, with the element
// library's shape functions.
#include <memory>

#include "CFEM_Elem3D.h"
#include "extract/CExtractToolData.h"
#include "extract/cell_type_message.h"

namespace {

constexpr int kMaxCellNodes = 8;

std::unique_ptr<CFEM_Elem3D> makeElement(const CFEM_Elem3D_Factory& factory, int nNode) {
    switch (nNode) {
        case 4: return std::unique_ptr<CFEM_Elem3D>(factory.Make_TETRA4());
        case 5: return std::unique_ptr<CFEM_Elem3D>(factory.Make_PYRAMID5());
        case 6: return std::unique_ptr<CFEM_Elem3D>(factory.Make_PRISM6());
        case 8: return std::unique_ptr<CFEM_Elem3D>(factory.Make_HEXA8());
        default: return nullptr;
    }
}

}  // namespace

bool CExtractToolData::CellShapeValues(double x, double y, double z, int cell, double* N) const {
    for (int k = 0; k < kMaxCellNodes; ++k) N[k] = 0.0;
    const CInnerCell& c = p_Cell[cell];
    const CFEM_Elem3D_Factory factory;
    const std::unique_ptr<CFEM_Elem3D> element = makeElement(factory, c.nNode);
    if (!element || c.pNode == nullptr) return false;

    double X[kMaxCellNodes] = {}, Y[kMaxCellNodes] = {}, Z[kMaxCellNodes] = {};
    for (int k = 1; k <= c.nNode; ++k) {
        const Cnode& p = m_pNode[c.pNode[k]];
        X[k - 1] = p.x;
        Y[k - 1] = p.y;
        Z[k - 1] = p.z;
    }
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
    if (!CellShapeValues(x, y, z, cell, N)) {
        reportUnknownCellType(p_Cell[cell].nNode);
        return 1;
    }
    const CInnerCell& c = p_Cell[cell];
    *value = 0.0;
    for (int k = 0; k < c.nNode; ++k) *value += N[k] * nodeValue[c.pNode[k + 1]];
    return 1;
}
