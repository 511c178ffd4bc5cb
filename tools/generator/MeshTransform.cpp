#include <cfloat>
#include <cmath>
#include <vector>

#include "PartGenerator.h"
#include "Vec3Math.h"

namespace qvr::gen {
namespace {

bool fitsFloat(double value) { return std::fabs(value) <= FLT_MAX; }

}  // namespace

bool rotate(nqbio::MeshData& mesh, std::array<double, 3> axis, double angle) {
    const Vec3 direction{axis[0], axis[1], axis[2]};
    const double length = norm(direction);
    if (!std::isfinite(length) || length == 0.0 || !std::isfinite(angle)) return false;
    const Vec3 unit = (1.0 / length) * direction;
    const double c = std::cos(angle);
    const double s = std::sin(angle);

    // Into a copy: a point near the float limit may land beyond it on another axis.
    std::vector<float> turned(mesh.xyz.size());
    for (std::size_t k = 0; k + 2 < mesh.xyz.size(); k += 3) {
        const Vec3 p{mesh.xyz[k], mesh.xyz[k + 1], mesh.xyz[k + 2]};
        const Vec3 q = c * p + s * cross(unit, p) + ((1.0 - c) * dot(unit, p)) * unit;
        if (!fitsFloat(q.x) || !fitsFloat(q.y) || !fitsFloat(q.z)) return false;
        turned[k] = static_cast<float>(q.x);
        turned[k + 1] = static_cast<float>(q.y);
        turned[k + 2] = static_cast<float>(q.z);
    }
    mesh.xyz.swap(turned);
    return true;
}

bool scale(nqbio::MeshData& mesh, double factor) {
    if (!std::isfinite(factor) || factor <= 0.0) return false;
    const double cube = factor * factor * factor;
    for (const float coordinate : mesh.xyz) {
        if (!fitsFloat(coordinate * factor)) return false;
    }
    for (const nqbio::PartElement& cell : mesh.parts) {
        if (!fitsFloat(cell.volume * cube)) return false;
    }
    for (float& coordinate : mesh.xyz) coordinate = static_cast<float>(coordinate * factor);
    for (nqbio::PartElement& cell : mesh.parts)
        cell.volume = static_cast<float>(cell.volume * cube);
    return true;
}

}  // namespace qvr::gen
