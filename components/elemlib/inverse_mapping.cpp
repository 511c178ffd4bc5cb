#include "inverse_mapping.h"

#include <cmath>

namespace qvr::elemlib {

FrameStatus BuildFrame(double px, double py, double pz, const double* X, const double* Y,
                       const double* Z, int nodeCount, ElementFrame& frame) {
    const double* const coords[3] = {X, Y, Z};
    double* const local[3] = {frame.x, frame.y, frame.z};
    const double point[3] = {px, py, pz};
    double diagonal2 = 0.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double* c = coords[axis];
        if (!std::isfinite(point[axis])) return FrameStatus::NonFinite;
        double lo = c[0];
        double hi = c[0];
        double poison = 0.0;  // stays 0 unless a coordinate is NaN or infinite (0 * inf is NaN)
        for (int k = 0; k < nodeCount; ++k) {
            poison += 0.0 * c[k];
            lo = c[k] < lo ? c[k] : lo;
            hi = c[k] > hi ? c[k] : hi;
        }
        if (poison != 0.0) return FrameStatus::NonFinite;
        // Halves first: the midpoint of two huge coordinates must not overflow.
        const double mid = 0.5 * lo + 0.5 * hi;
        const double extent = hi - lo;
        for (int k = 0; k < nodeCount; ++k) local[axis][k] = c[k] - mid;
        frame.point[axis] = point[axis] - mid;
        if (!std::isfinite(frame.point[axis])) return FrameStatus::NonFinite;
        diagonal2 += extent * extent;
    }
    frame.size = std::sqrt(diagonal2);
    if (!std::isfinite(frame.size)) return FrameStatus::NonFinite;
    if (!(frame.size > 0.0)) return FrameStatus::Collapsed;
    return FrameStatus::Usable;
}

namespace {

// Cofactors C[i][j] of J, so that det J = sum_j J[0][j] C[0][j] and J^-1 = C^T / det J.
void Cofactors(const double J[3][3], double C[3][3]) {
    C[0][0] = J[1][1] * J[2][2] - J[1][2] * J[2][1];
    C[0][1] = J[1][2] * J[2][0] - J[1][0] * J[2][2];
    C[0][2] = J[1][0] * J[2][1] - J[1][1] * J[2][0];
    C[1][0] = J[0][2] * J[2][1] - J[0][1] * J[2][2];
    C[1][1] = J[0][0] * J[2][2] - J[0][2] * J[2][0];
    C[1][2] = J[0][1] * J[2][0] - J[0][0] * J[2][1];
    C[2][0] = J[0][1] * J[1][2] - J[0][2] * J[1][1];
    C[2][1] = J[0][2] * J[1][0] - J[0][0] * J[1][2];
    C[2][2] = J[0][0] * J[1][1] - J[0][1] * J[1][0];
}

double LongestColumn2(const double J[3][3]) {
    double longest2 = 0.0;
    for (int j = 0; j < 3; ++j) {
        const double len2 = J[0][j] * J[0][j] + J[1][j] * J[1][j] + J[2][j] * J[2][j];
        longest2 = len2 > longest2 ? len2 : longest2;
    }
    return longest2;
}

// |det| / longest^3 from the squared length; 0 for a zero or non-finite matrix.
double Relative(double det, double longest2) {
    if (!(longest2 > 0.0) || !std::isfinite(longest2)) return 0.0;
    const double longest = std::sqrt(longest2);
    // Divided one length at a time so that nothing overflows before the ratio is formed.
    const double ratio = std::fabs(det) / longest / longest / longest;
    return std::isfinite(ratio) ? ratio : 0.0;
}

}  // namespace

double RelativeDeterminant(const double J[3][3]) {
    double C[3][3];
    Cofactors(J, C);
    return Relative(J[0][0] * C[0][0] + J[0][1] * C[0][1] + J[0][2] * C[0][2], LongestColumn2(J));
}

bool SolveLinear3(const double J[3][3], const double b[3], double d[3]) {
    double C[3][3];
    Cofactors(J, C);
    const double det = J[0][0] * C[0][0] + J[0][1] * C[0][1] + J[0][2] * C[0][2];
    if (!(Relative(det, LongestColumn2(J)) > kSingularJacobian)) return false;
    for (int j = 0; j < 3; ++j) d[j] = (C[0][j] * b[0] + C[1][j] * b[1] + C[2][j] * b[2]) / det;
    return std::isfinite(d[0]) && std::isfinite(d[1]) && std::isfinite(d[2]);
}

bool SteepestDescentStep(const double J[3][3], const double b[3], double d[3]) {
    double g[3];
    for (int j = 0; j < 3; ++j) g[j] = J[0][j] * b[0] + J[1][j] * b[1] + J[2][j] * b[2];
    double gg = 0.0;
    double jgjg = 0.0;
    for (int i = 0; i < 3; ++i) {
        gg += g[i] * g[i];
        const double jg = J[i][0] * g[0] + J[i][1] * g[1] + J[i][2] * g[2];
        jgjg += jg * jg;
    }
    if (!(gg > 0.0) || !(jgjg > 0.0)) return false;
    // The step length that minimises the linearised residual along -gradient.
    const double alpha = gg / jgjg;
    for (int j = 0; j < 3; ++j) d[j] = alpha * g[j];
    return std::isfinite(d[0]) && std::isfinite(d[1]) && std::isfinite(d[2]);
}

CFEM_PointLocation Unlocated(const double centre[3]) {
    CFEM_PointLocation loc;
    loc.xi = centre[0];
    loc.eta = centre[1];
    loc.zeta = centre[2];
    return loc;
}

}  // namespace qvr::elemlib
