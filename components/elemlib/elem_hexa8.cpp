// Trilinear hexahedron. Reference element: the cube [-1, 1]^3; nodes 1 2 3 4 on zeta = -1 in
// counter-clockwise order seen from +zeta starting at (-1, -1), nodes 5 6 7 8 above them on
// zeta = +1.
//
// Each shape function is a product of three linear factors. Outside the cube the products of two
// or three growing factors would make the map fold back on itself a few element sizes away, so
// that points there have no reference point at all. Beyond the cube the functions are therefore
// continued to first order from the nearest point c of the cube (each coordinate clamped to
// [-1, 1], e = r - c):  N(c) + grad N(c) . e. Each factor is linear, so this is still the
// trilinear function wherever only one coordinate is clamped (beside a face); only the cross
// terms between clamped coordinates are dropped (beside edges and corners). The continuation
// keeps the sum of the functions at one and reproduces affine maps exactly.
#include "element_kinds.h"
#include "element_of.h"
#include "inverse_mapping.h"

#include <algorithm>
#include <cmath>

namespace qvr::elemlib {
namespace {

struct HexaShape {
    static constexpr int kNodes = 8;
    static constexpr int kFaces = 6;
    static constexpr double kCentre[3] = {0.0, 0.0, 0.0};
    static constexpr double kNodeReference[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1},
                                                    {-1, 1, -1},  {-1, -1, 1}, {1, -1, 1},
                                                    {1, 1, 1},    {-1, 1, 1}};

    // Nearest cube point c and the excess e = r - c.
    static void Split(const double r[3], double c[3], double e[3]) {
        for (int j = 0; j < 3; ++j) {
            c[j] = std::clamp(r[j], -1.0, 1.0);
            e[j] = r[j] - c[j];
        }
    }

    static void Values(const double r[3], double* N) {
        double c[3], e[3];
        Split(r, c, e);
        for (int k = 0; k < kNodes; ++k) {
            const double* s = kNodeReference[k];
            const double f[3] = {1.0 + s[0] * c[0], 1.0 + s[1] * c[1], 1.0 + s[2] * c[2]};
            N[k] = 0.125 * (f[0] * f[1] * f[2] + s[0] * e[0] * f[1] * f[2] +
                            f[0] * s[1] * e[1] * f[2] + f[0] * f[1] * s[2] * e[2]);
        }
    }

    static void ValuesAndGradients(const double r[3], double* N, double (*dN)[3]) {
        double c[3], e[3];
        Split(r, c, e);
        if (e[0] == 0.0 && e[1] == 0.0 && e[2] == 0.0) {  // inside the cube: plain trilinear
            for (int k = 0; k < kNodes; ++k) {
                const double* s = kNodeReference[k];
                const double a = 1.0 + s[0] * r[0];
                const double b = 1.0 + s[1] * r[1];
                const double h = 1.0 + s[2] * r[2];
                N[k] = 0.125 * a * b * h;
                dN[k][0] = 0.125 * s[0] * b * h;
                dN[k][1] = 0.125 * a * s[1] * h;
                dN[k][2] = 0.125 * a * b * s[2];
            }
            return;
        }
        // Along an unclamped coordinate c moves with r, so the first-order terms of the clamped
        // coordinates change with it; along a clamped one only its own excess moves.
        const bool moves[3] = {e[0] == 0.0, e[1] == 0.0, e[2] == 0.0};
        for (int k = 0; k < kNodes; ++k) {
            const double* s = kNodeReference[k];
            const double f[3] = {1.0 + s[0] * c[0], 1.0 + s[1] * c[1], 1.0 + s[2] * c[2]};
            const double g[3] = {s[0] * e[0], s[1] * e[1], s[2] * e[2]};
            N[k] = 0.125 * (f[0] * f[1] * f[2] + g[0] * f[1] * f[2] + f[0] * g[1] * f[2] +
                            f[0] * f[1] * g[2]);
            for (int m = 0; m < 3; ++m) {
                const int i = (m + 1) % 3;
                const int j = (m + 2) % 3;
                double d = f[i] * f[j];
                if (moves[m]) d += g[i] * f[j] + f[i] * g[j];
                dN[k][m] = 0.125 * s[m] * d;
            }
        }
    }

    static bool Contains(const double r[3], double tol) {
        return std::fabs(r[0]) <= 1.0 + tol && std::fabs(r[1]) <= 1.0 + tol &&
               std::fabs(r[2]) <= 1.0 + tol;
    }

    static CFEM_PointLocation Locate(const ElementFrame& f) { return LocateByNewton<HexaShape>(f); }
};

}  // namespace

CFEM_Elem3D* NewHexa8() { return new ElementOf<HexaShape>(); }

}  // namespace qvr::elemlib
