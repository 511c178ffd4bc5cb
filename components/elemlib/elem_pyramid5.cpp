// Linear pyramid with the rational basis. Reference element: the square base [-1, 1]^2 on
// zeta = 0 with nodes 1 2 3 4 at (-1,-1), (1,-1), (1,1), (-1,1), and the apex, node 5, at
// (0, 0, 1); the cross-section at height zeta is the square |xi|, |eta| <= 1 - zeta.
//
//   N_k = ((1 - zeta) + a_k xi + b_k eta + a_k b_k q) / 4,  k = 1..4,     N_5 = zeta,
//   q   = xi eta / (1 - zeta),
//
// with (a_k, b_k) the base corner of node k. The basis is linear on the four triangular faces (so
// it matches neighbouring tetrahedra) and bilinear on the base, and for a pyramid with a
// parallelogram base the map is affine, so the inverse mapping is exact there.
//
// The rational term q is the only one that divides. Inside the element, and everywhere in the
// double cone max(|xi|, |eta|) <= |1 - zeta|, it is used as written; it stays within
// min(|xi|, |eta|) there and vanishes at the apex. Outside that cone the quotient is unbounded
// near the apex plane, which would make both the values and the inverse mapping of points beside
// the apex meaningless, so it is continued by q = xi eta (1 - zeta) / max(|xi|, |eta|)^2: equal
// to the quotient on the cone, bounded by min(|xi|, |eta|), zero on the apex plane. Every partial
// derivative of q is then at most 1 in magnitude, so the map has no singular plane, and a pyramid
// whose base is close to a parallelogram maps all of space one to one. The coefficients a_k b_k
// of q sum to zero, so the functions sum to one wherever q is evaluated.
#include "element_kinds.h"
#include "element_of.h"
#include "inverse_mapping.h"

#include <algorithm>
#include <cmath>

namespace qvr::elemlib {
namespace {

// q and its partial derivatives.
struct RationalTerm {
    double q, dXi, dEta, dZeta;
};

RationalTerm Rational(const double r[3]) {
    const double xi = r[0];
    const double eta = r[1];
    const double s = 1.0 - r[2];
    const double axi = std::fabs(xi);
    const double aeta = std::fabs(eta);
    if (std::max(axi, aeta) <= std::fabs(s)) {
        if (s == 0.0) return {0.0, 0.0, 0.0, 0.0};  // the apex itself
        // Quotients first: each is at most 1, so nothing under- or overflows into 0/0.
        const double u = xi / s;
        const double v = eta / s;
        return {u * eta, v, u, u * v};
    }
    if (axi >= aeta) {  // q = eta (1 - zeta) / xi
        const double v = eta / xi;
        const double w = s / xi;
        return {v * s, -v * w, w, -v};
    }
    const double u = xi / eta;  // q = xi (1 - zeta) / eta
    const double w = s / eta;
    return {u * s, w, -u * w, -u};
}

struct PyramidShape {
    static constexpr int kNodes = 5;
    static constexpr int kFaces = 5;
    // Every function is 1/5 here: N_5 = zeta = 1/5 and each base function (1 - zeta)/4.
    static constexpr double kCentre[3] = {0.0, 0.0, 0.2};
    static constexpr double kBase[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    static constexpr double kNodeReference[5][3] = {
        {-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}, {0, 0, 1}};

    static void Values(const double r[3], double* N) {
        const double s = 1.0 - r[2];
        const double q = Rational(r).q;
        for (int k = 0; k < 4; ++k) {
            const double a = kBase[k][0];
            const double b = kBase[k][1];
            N[k] = 0.25 * (s + a * r[0] + b * r[1] + a * b * q);
        }
        N[4] = r[2];
    }

    static void ValuesAndGradients(const double r[3], double* N, double (*dN)[3]) {
        const double s = 1.0 - r[2];
        const RationalTerm t = Rational(r);
        for (int k = 0; k < 4; ++k) {
            const double a = kBase[k][0];
            const double b = kBase[k][1];
            N[k] = 0.25 * (s + a * r[0] + b * r[1] + a * b * t.q);
            dN[k][0] = 0.25 * (a + a * b * t.dXi);
            dN[k][1] = 0.25 * (b + a * b * t.dEta);
            dN[k][2] = 0.25 * (-1.0 + a * b * t.dZeta);
        }
        N[4] = r[2];
        dN[4][0] = 0.0;
        dN[4][1] = 0.0;
        dN[4][2] = 1.0;
    }

    static bool Contains(const double r[3], double tol) {
        const double halfWidth = 1.0 - r[2];
        return r[2] >= -tol && r[2] <= 1.0 + tol && std::fabs(r[0]) <= halfWidth + tol &&
               std::fabs(r[1]) <= halfWidth + tol;
    }

    static CFEM_PointLocation Locate(const ElementFrame& f) {
        return LocateByNewton<PyramidShape>(f);
    }
};

}  // namespace

CFEM_Elem3D* NewPyramid5() { return new ElementOf<PyramidShape>(); }

}  // namespace qvr::elemlib
