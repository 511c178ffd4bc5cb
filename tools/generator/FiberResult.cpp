#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "CellGeometry.h"
#include "PartGenerator.h"

namespace qvr::gen {
namespace {

using Tensor = std::array<double, 6>;  // a11, a22, a33, a12, a13, a23

// Through-thickness profile of a filled plate: fibres lie along the flow (x) in the shells
// and turn across it in the core.
Tensor skinShellCore(double s) {
    constexpr double kCoreA11 = 0.25;   // a11 at mid-plane
    constexpr double kShellRise = 0.5;  // a11 gain from core to shell
    constexpr double kA33 = 0.04;
    constexpr double kCoreHalfWidth = 0.55;  // |2s - 1| where core turns into shell
    constexpr double kTransition = 0.08;     // width of that turn, in |2s - 1|
    const double d = std::fabs(2.0 * s - 1.0);
    const double w = 1.0 / (1.0 + std::exp(-(d - kCoreHalfWidth) / kTransition));
    const double a11 = kCoreA11 + kShellRise * w;
    return {a11, 1.0 - a11 - kA33, kA33, 0.03 * (1.0 - 2.0 * s), 0.01 * (2.0 * s - 1.0), 0.005};
}

// Values beyond the float range become infinities of their sign.
float toFloat(double value) {
    if (value > FLT_MAX) return std::numeric_limits<float>::infinity();
    if (value < -FLT_MAX) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

}  // namespace

k7t::ResultFile makeFiberResult(const nqbio::MeshData& mesh, const FiberSpec& params) {
    k7t::ResultFile file;
    file.project = "generated part";
    file.run = params.field == FiberField::SkinShellCore ? "skin-shell-core fibre orientation"
                                                         : "affine fibre orientation";
    file.timeSteps = 1;
    file.nodeCount = mesh.nodeCount();
    file.elemCount = static_cast<std::int64_t>(mesh.parts.size());
    file.items.resize(6);
    for (int c = 0; c < 6; ++c) {
        k7t::ResultItem& item = file.items[static_cast<std::size_t>(c)];
        item.id = k7t::kFiberItemIds[c];
        item.location = 1;
        item.name = k7t::kFiberItemNames[c];
        item.values.reserve(mesh.parts.size());
    }

    const double thickness = params.zTop - params.zBottom;
    const bool layered = std::isfinite(thickness) && thickness > 0.0;
    Vec3 points[8];
    for (const nqbio::PartElement& cell : mesh.parts) {
        Vec3 centroid;
        if (cellPoints(mesh, cell, points)) centroid = cellCentroid(points, cell.nNode);
        Tensor a{};
        if (params.field == FiberField::SkinShellCore) {
            const double s =
                layered ? std::clamp((centroid.z - params.zBottom) / thickness, 0.0, 1.0) : 0.5;
            a = skinShellCore(s);
        } else {
            for (int c = 0; c < 6; ++c) {
                const auto k = static_cast<std::size_t>(c);
                a[k] = params.c0[k] + params.gx[k] * centroid.x + params.gy[k] * centroid.y +
                       params.gz[k] * centroid.z;
            }
        }
        for (std::size_t c = 0; c < 6; ++c) file.items[c].values.push_back(toFloat(a[c]));
    }
    return file;
}

}  // namespace qvr::gen
