#include "sample_fields.h"

#include <algorithm>

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

}  // namespace qvr::cli
