#include "symmetric_tensor.h"

#include <cmath>
#include <limits>
#include <utility>

namespace qvr::cli {

namespace {
// Sweeps of the cyclic Jacobi method before it stops: a 3x3 matrix reaches rounding level in
// four to six; 50 only bounds the loop.
constexpr int kMaxSweeps = 50;
// Off-diagonal entries at or below this fraction of the matrix's norm count as zero: a few
// units of rounding, beyond which rotations only move rounding noise around.
constexpr double kNegligibleRelative = 1e-15;
}  // namespace

TensorEigen symmetricEigen(double a11, double a22, double a33, double a12, double a23, double a13) {
    TensorEigen out;
    double a[3][3] = {{a11, a12, a13}, {a12, a22, a23}, {a13, a23, a33}};
    for (const auto& row : a)
        for (double v : row)
            if (!std::isfinite(v)) {
                out.values.fill(std::numeric_limits<double>::quiet_NaN());
                return out;
            }
    double v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double norm = 0.0;
    for (const auto& row : a)
        for (double x : row) norm += x * x;
    const double negligible = kNegligibleRelative * std::sqrt(norm);
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
        bool rotated = false;
        for (int p = 0; p < 2; ++p) {
            for (int q = p + 1; q < 3; ++q) {
                if (std::fabs(a[p][q]) <= negligible) continue;
                rotated = true;
                // The rotation in the (p, q) plane that zeroes a[p][q].
                const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                const double t =
                    (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
                for (int k = 0; k < 3; ++k) {
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (int k = 0; k < 3; ++k) {
                    const double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 3; ++k) {
                    const double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
        }
        if (!rotated) break;
    }
    int order[3] = {0, 1, 2};
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (a[order[j]][order[j]] > a[order[i]][order[i]]) std::swap(order[i], order[j]);
    for (int i = 0; i < 3; ++i) out.values[static_cast<std::size_t>(i)] = a[order[i]][order[i]];
    const int top = order[0];
    int largest = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(v[k][top]) > std::fabs(v[largest][top])) largest = k;
    const double sign = v[largest][top] < 0.0 ? -1.0 : 1.0;
    for (int k = 0; k < 3; ++k) out.principal[static_cast<std::size_t>(k)] = sign * v[k][top];
    return out;
}

}  // namespace qvr::cli
