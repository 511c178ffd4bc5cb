// Linear prism: the triangle's barycentric functions times the linear functions of a line.
// Reference element: triangle xi >= 0, eta >= 0, xi + eta <= 1 times zeta in [-1, 1]; nodes
// 1 2 3 at (0,0), (1,0), (0,1) on zeta = -1 and nodes 4 5 6 above them on zeta = +1. A mesh may
// list the first triangle in either turning sense; that only mirrors the map, which the inverse
// mapping does not mind.
//
// Beyond the end triangles (|zeta| > 1) the product of a growing barycentric coordinate and a
// growing line factor would make the map fold back a few element sizes away, so there the
// functions are continued to first order in zeta from the end triangle, with the barycentric
// coordinates in the first-order term pulled back into the triangle (negative parts dropped, the
// rest rescaled to sum one). Within the slab |zeta| <= 1 the functions are the product above.
// The continuation keeps the sum of the functions at one and reproduces affine maps exactly.
#include "element_kinds.h"
#include "element_of.h"
#include "inverse_mapping.h"

#include <algorithm>
#include <cmath>

namespace qvr::elemlib {
namespace {

struct PrismShape {
    static constexpr int kNodes = 6;
    static constexpr int kFaces = 5;
    static constexpr double kCentre[3] = {1.0 / 3.0, 1.0 / 3.0, 0.0};
    static constexpr double kNodeReference[6][3] = {{0, 0, -1}, {1, 0, -1}, {0, 1, -1},
                                                    {0, 0, 1},  {1, 0, 1},  {0, 1, 1}};
    static constexpr double kTriangleGradient[3][2] = {{-1.0, -1.0}, {1.0, 0.0}, {0.0, 1.0}};

    // The line part: clamped zeta's two factors and the excess beyond the end triangle.
    struct Line {
        double below, above, excess;
    };
    static Line LineAt(double zeta) {
        const double c = std::clamp(zeta, -1.0, 1.0);
        return {0.5 * (1.0 - c), 0.5 * (1.0 + c), zeta - c};
    }

    // Barycentric coordinates pulled into the triangle, and their derivatives by xi and eta.
    // The positive parts sum to at least one, so the division is safe.
    static void PullIntoTriangle(const double t[3], double mu[3], double dMu[3][2]) {
        double p[3];
        double dp[3][2];
        double sum = 0.0;
        double dSum[2] = {0.0, 0.0};
        for (int k = 0; k < 3; ++k) {
            const bool positive = t[k] > 0.0;
            p[k] = positive ? t[k] : 0.0;
            for (int j = 0; j < 2; ++j) {
                dp[k][j] = positive ? kTriangleGradient[k][j] : 0.0;
                dSum[j] += dp[k][j];
            }
            sum += p[k];
        }
        for (int k = 0; k < 3; ++k) {
            mu[k] = p[k] / sum;
            for (int j = 0; j < 2; ++j) dMu[k][j] = (dp[k][j] - mu[k] * dSum[j]) / sum;
        }
    }

    static void Values(const double r[3], double* N) {
        const double t[3] = {1.0 - r[0] - r[1], r[0], r[1]};
        const Line line = LineAt(r[2]);
        double mu[3] = {0.0, 0.0, 0.0};
        double dMu[3][2];
        if (line.excess != 0.0) PullIntoTriangle(t, mu, dMu);
        for (int k = 0; k < 3; ++k) {
            const double slope = 0.5 * mu[k] * line.excess;
            N[k] = t[k] * line.below - slope;
            N[k + 3] = t[k] * line.above + slope;
        }
    }

    static void ValuesAndGradients(const double r[3], double* N, double (*dN)[3]) {
        const double t[3] = {1.0 - r[0] - r[1], r[0], r[1]};
        const Line line = LineAt(r[2]);
        if (line.excess == 0.0) {
            for (int k = 0; k < 3; ++k) {
                N[k] = t[k] * line.below;
                N[k + 3] = t[k] * line.above;
                dN[k][0] = kTriangleGradient[k][0] * line.below;
                dN[k][1] = kTriangleGradient[k][1] * line.below;
                dN[k][2] = -0.5 * t[k];
                dN[k + 3][0] = kTriangleGradient[k][0] * line.above;
                dN[k + 3][1] = kTriangleGradient[k][1] * line.above;
                dN[k + 3][2] = 0.5 * t[k];
            }
            return;
        }
        double mu[3];
        double dMu[3][2];
        PullIntoTriangle(t, mu, dMu);
        const double h = 0.5 * line.excess;
        for (int k = 0; k < 3; ++k) {
            N[k] = t[k] * line.below - mu[k] * h;
            N[k + 3] = t[k] * line.above + mu[k] * h;
            for (int j = 0; j < 2; ++j) {
                dN[k][j] = kTriangleGradient[k][j] * line.below - dMu[k][j] * h;
                dN[k + 3][j] = kTriangleGradient[k][j] * line.above + dMu[k][j] * h;
            }
            // Past the end triangle the clamped factors stay put; only the excess moves.
            dN[k][2] = -0.5 * mu[k];
            dN[k + 3][2] = 0.5 * mu[k];
        }
    }

    static bool Contains(const double r[3], double tol) {
        return r[0] >= -tol && r[1] >= -tol && r[0] + r[1] <= 1.0 + tol &&
               std::fabs(r[2]) <= 1.0 + tol;
    }

    static CFEM_PointLocation Locate(const ElementFrame& f) {
        return LocateByNewton<PrismShape>(f);
    }
};

}  // namespace

CFEM_Elem3D* NewPrism6() { return new ElementOf<PrismShape>(); }

}  // namespace qvr::elemlib
