#include "fiber_fields.h"

#include <algorithm>
#include <cmath>

namespace qvr::cli {

gen::FiberSpec affineFiberField() {
    gen::FiberSpec f;
    f.field = gen::FiberField::Affine;
    f.c0 = {0.5, 0.3, 0.2, 0.02, 0.01, 0.005};
    f.gx = {0.004, -0.004, 0.0, 0.001, 0.0, 0.0};
    f.gy = {0.0, 0.004, -0.004, 0.0, 0.0, 0.001};
    f.gz = {0.05, -0.02, -0.03, 0.0, 0.005, 0.0};
    return f;
}

gen::FiberSpec skinShellCoreThroughZ(const nqbio::MeshData& mesh) {
    gen::FiberSpec f;
    f.field = gen::FiberField::SkinShellCore;
    if (mesh.xyz.size() < 3) return f;
    float lo = mesh.xyz[2], hi = lo;
    for (std::size_t i = 2; i < mesh.xyz.size(); i += 3) {
        lo = std::min(lo, mesh.xyz[i]);
        hi = std::max(hi, mesh.xyz[i]);
    }
    f.zBottom = lo;
    f.zTop = hi;
    return f;
}

Matrix3 rotationMatrix(std::array<double, 3> axis, double angle) {
    const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    Matrix3 r{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    if (!(length > 0.0) || !std::isfinite(length) || !std::isfinite(angle)) return r;
    const double x = axis[0] / length, y = axis[1] / length, z = axis[2] / length;
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    r = {{{t * x * x + c, t * x * y - s * z, t * x * z + s * y},
          {t * x * y + s * z, t * y * y + c, t * y * z - s * x},
          {t * x * z - s * y, t * y * z + s * x, t * z * z + c}}};
    return r;
}

void rotateFiberResult(k7t::ResultFile& result, const Matrix3& r) {
    // Item order in the tensor: (row, column) of ids 4, 5, 6, 9, 10, 11.
    constexpr int kIds[6] = {4, 5, 6, 9, 10, 11};
    constexpr int kRow[6] = {0, 1, 2, 0, 0, 1};
    constexpr int kCol[6] = {0, 1, 2, 1, 2, 2};
    std::vector<float>* values[6] = {};
    for (int k = 0; k < 6; ++k) {
        for (k7t::ResultItem& item : result.items)
            if (item.id == kIds[k]) values[k] = &item.values;
        if (!values[k]) return;
    }
    const std::size_t cells = values[0]->size();
    for (int k = 1; k < 6; ++k)
        if (values[k]->size() != cells) return;
    for (std::size_t e = 0; e < cells; ++e) {
        double a[3][3];
        for (int k = 0; k < 6; ++k) {
            a[kRow[k]][kCol[k]] = (*values[k])[e];
            a[kCol[k]][kRow[k]] = (*values[k])[e];
        }
        double ra[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                ra[i][j] = r[i][0] * a[0][j] + r[i][1] * a[1][j] + r[i][2] * a[2][j];
        for (int k = 0; k < 6; ++k) {
            const int i = kRow[k], j = kCol[k];
            const double v = ra[i][0] * r[j][0] + ra[i][1] * r[j][1] + ra[i][2] * r[j][2];
            (*values[k])[e] = static_cast<float>(v);
        }
    }
}

}  // namespace qvr::cli
