// Whether a solid cell contains a point, through the element library's inverse mapping.
#include <algorithm>
#include <cmath>

#include "CFEM_Elem3D.h"
#include "extract/CExtractToolData.h"
#include "extract/cell_box_test.h"
#include "extract/shape_elements.h"

namespace {
// Lowest shape function value still counted as inside: dimensionless, so the same for cells
// of any size. Default 1e-7.
constexpr double kInsideShapeTolerance = 1e-7;
constexpr int kMaxCellNodes = 8;
}  // namespace

bool CExtractToolData::PointInCell(int cell, double x, double y, double z) const {
    qvr::extract::ShapeElements elements;
    return PointInCell(cell, x, y, z, elements);
}

bool CExtractToolData::PointInCell(int cell, double x, double y, double z,
                                   qvr::extract::ShapeElements& elements) const {
    if (!HasMesh() || cell < 1 || cell > m_nInnerCell) return false;
    const CInnerCell& c = p_Cell[cell];
    if (c.pNode == nullptr || c.nNode > kMaxCellNodes) return false;

    if (!qvr::extract::mayContain(c, x, y, z)) return false;

    CFEM_Elem3D* const element = elements.forNodeCount(c.nNode);
    if (element == nullptr) return false;
    double X[kMaxCellNodes] = {}, Y[kMaxCellNodes] = {}, Z[kMaxCellNodes] = {};
    CellCorners(c, X, Y, Z);
    const CFEM_PointLocation where = element->LocatePoint(x, y, z, X, Y, Z);
    if (!where.converged) return false;
    if (where.side == CFEM_PointSide::Inside) return true;
    double N[kMaxCellNodes] = {};
    element->ShapeAtReference(where.xi, where.eta, where.zeta, N);
    return *std::min_element(N, N + c.nNode) >= -kInsideShapeTolerance;
}
