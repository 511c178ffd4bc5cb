// A KernelMeshBuilder mesh as mesh file content, for tests that go through ReadMeshData.
// Coordinates and volumes are stored as floats, so meshes meant to load back unchanged should
// use coordinates that floats hold exactly.
#ifndef QVR_TESTS_BUILDER_MESH_DATA_H
#define QVR_TESTS_BUILDER_MESH_DATA_H

#include <algorithm>

#include "KernelMeshBuilder.h"
#include "NQBIO_Manipulator.h"

namespace qvrtest {

// Cells become part elements of volume `cellVolume` each (mm^3); skin faces become surface
// elements of kind 1, code 0, triangles repeating their last corner.
inline nqbio::MeshData toMeshData(const KernelMeshBuilder& b, float cellVolume) {
    nqbio::MeshData m;
    for (const auto& p : b.nodes()) m.xyz.insert(m.xyz.end(), {float(p.x), float(p.y), float(p.z)});
    for (const auto& c : b.cells()) {
        m.parts.emplace_back().nNode = static_cast<int>(c.nodes.size());
        std::copy(c.nodes.begin(), c.nodes.end(), m.parts.back().node);
        m.parts.back().volume = cellVolume;
    }
    for (const auto& f : b.faces()) {
        nqbio::SurfaceElement& s = m.surfaces.emplace_back();
        for (std::size_t j = 0; j < 4; ++j) s.node[j] = f.nodes[std::min(j, f.nodes.size() - 1)];
    }
    return m;
}

}  // namespace qvrtest

#endif
