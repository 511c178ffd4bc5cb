// Geometry of an imported mesh computed afresh from its nodes, for checks that do not trust
// the code under test: closure and orientation of the skin, enclosed volume.
#ifndef QVR_TESTS_MESH_CHECKS_H
#define QVR_TESTS_MESH_CHECKS_H

#include <array>

#include "NQBIO_Manipulator.h"

struct SkinGeometry {
    std::array<double, 3> areaSum{};  // sum of the faces' area vectors: 0 for a closed skin
    double area = 0.0;                // total face area
    double enclosedVolume = 0.0;      // divergence theorem: positive when the faces point out
};

// Faces split into fans of triangles from their first corner (exact for flat faces).
inline SkinGeometry skinGeometry(const nqbio::MeshData& mesh) {
    SkinGeometry g;
    const auto at = [&mesh](int node) {
        const std::size_t i = 3 * static_cast<std::size_t>(node - 1);
        return std::array<double, 3>{mesh.xyz[i], mesh.xyz[i + 1], mesh.xyz[i + 2]};
    };
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        int n = 4;
        if (s.node[3] == s.node[2] || s.node[3] == s.node[0]) n = 3;
        for (int k = 1; k + 1 < n; ++k) {
            const auto p0 = at(s.node[0]), p1 = at(s.node[k]), p2 = at(s.node[k + 1]);
            const double ux = p1[0] - p0[0], uy = p1[1] - p0[1], uz = p1[2] - p0[2];
            const double vx = p2[0] - p0[0], vy = p2[1] - p0[1], vz = p2[2] - p0[2];
            const std::array<double, 3> a{0.5 * (uy * vz - uz * vy), 0.5 * (uz * vx - ux * vz),
                                          0.5 * (ux * vy - uy * vx)};
            for (int c = 0; c < 3; ++c) g.areaSum[c] += a[c];
            g.area += std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
            for (int c = 0; c < 3; ++c)
                g.enclosedVolume += (p0[c] + p1[c] + p2[c]) / 3.0 * a[c] / 3.0;
        }
    }
    return g;
}

inline double cellVolumeSum(const nqbio::MeshData& mesh) {
    double v = 0.0;
    for (const nqbio::PartElement& e : mesh.parts) v += e.volume;
    return v;
}

#endif
