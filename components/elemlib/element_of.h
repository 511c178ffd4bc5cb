// The element object for one reference shape.
//
// A Shape supplies, all static:
//   kNodes, kFaces              node and face counts;
//   kCentre[3]                  reference point where every shape function is 1 / kNodes (the
//                               start of the inverse mapping and the answer for unusable input);
//   kNodeReference[kNodes][3]   the nodes' reference coordinates (further start points);
//   Values(r, N)                shape functions at reference point r;
//   ValuesAndGradients(r, N, dN)  and their derivatives dN[k][j] = d N_k / d r_j;
//   Contains(r, tol)            r within tol of the reference element;
//   Locate(frame)               the inverse mapping (closed form or Newton).
#ifndef QVR_ELEMLIB_ELEMENT_OF_H
#define QVR_ELEMLIB_ELEMENT_OF_H

#include "CFEM_Elem3D.h"
#include "elem_tolerances.h"
#include "inverse_mapping.h"

#include <algorithm>
#include <cmath>

namespace qvr::elemlib {

template <class Shape>
class ElementOf final : public CFEM_Elem3D {
    static_assert(Shape::kNodes <= kMaxElementNodes);

public:
    int GetNodeCount() const override { return Shape::kNodes; }
    int GetFaceCount() const override { return Shape::kFaces; }

    int GetShapeFunction(double x, double y, double z, double* X, double* Y, double* Z,
                         double* N) override {
        if (!X || !Y || !Z || !N) return -1;
        const CFEM_PointLocation loc = LocatePoint(x, y, z, X, Y, Z);
        const double r[3] = {loc.xi, loc.eta, loc.zeta};
        Shape::Values(r, N);
        return loc.converged ? 1 : 0;
    }

    CFEM_PointLocation LocatePoint(double x, double y, double z, const double* X, const double* Y,
                                   const double* Z) const override {
        if (!X || !Y || !Z) return Unlocated(Shape::kCentre);
        ElementFrame frame;
        if (BuildFrame(x, y, z, X, Y, Z, Shape::kNodes, frame) != FrameStatus::Usable)
            return Unlocated(Shape::kCentre);
        return Shape::Locate(frame);
    }

    void ShapeAtReference(double xi, double eta, double zeta, double* N) const override {
        if (!N) return;
        double r[3] = {xi, eta, zeta};
        const bool undefined = std::isnan(xi) || std::isnan(eta) || std::isnan(zeta);
        for (int j = 0; j < 3; ++j)
            r[j] = undefined
                       ? Shape::kCentre[j]
                       : std::clamp(r[j], -kReferenceCoordinateLimit, kReferenceCoordinateLimit);
        Shape::Values(r, N);
    }
};

}  // namespace qvr::elemlib

#endif
