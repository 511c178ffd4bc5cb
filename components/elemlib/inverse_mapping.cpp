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
        for (int k = 0; k < nodeCount; ++k) {
            if (!std::isfinite(c[k])) return FrameStatus::NonFinite;
            lo = std::fmin(lo, c[k]);
            hi = std::fmax(hi, c[k]);
        }
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

double Determinant(const double J[3][3]) {
    return J[0][0] * (J[1][1] * J[2][2] - J[1][2] * J[2][1]) -
           J[0][1] * (J[1][0] * J[2][2] - J[1][2] * J[2][0]) +
           J[0][2] * (J[1][0] * J[2][1] - J[1][1] * J[2][0]);
}

double ColumnLength(const double J[3][3], int j) {
    return std::sqrt(J[0][j] * J[0][j] + J[1][j] * J[1][j] + J[2][j] * J[2][j]);
}

}  // namespace

double RelativeDeterminant(const double J[3][3]) {
    const double longest =
        std::fmax(ColumnLength(J, 0), std::fmax(ColumnLength(J, 1), ColumnLength(J, 2)));
    if (!(longest > 0.0) || !std::isfinite(longest)) return 0.0;
    // Divided one column length at a time so that nothing overflows before the ratio is formed.
    const double ratio = std::fabs(Determinant(J)) / longest / longest / longest;
    return std::isfinite(ratio) ? ratio : 0.0;
}

bool SolveLinear3(const double J[3][3], const double b[3], double d[3]) {
    if (!(RelativeDeterminant(J) > kSingularJacobian)) return false;
    const double det = Determinant(J);
    // Cramer's rule: each unknown is the determinant with its column replaced by b.
    for (int j = 0; j < 3; ++j) {
        double M[3][3];
        for (int i = 0; i < 3; ++i)
            for (int k = 0; k < 3; ++k) M[i][k] = (k == j) ? b[i] : J[i][k];
        d[j] = Determinant(M) / det;
    }
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
