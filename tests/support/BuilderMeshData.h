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
    m.unit = "mm";
    for (const auto& p : b.nodes()) {
        m.xyz.push_back(static_cast<float>(p.x));
        m.xyz.push_back(static_cast<float>(p.y));
        m.xyz.push_back(static_cast<float>(p.z));
    }
    for (const auto& c : b.cells()) {
        nqbio::PartElement e;
        e.nNode = static_cast<int>(c.nodes.size());
        for (std::size_t j = 0; j < c.nodes.size(); ++j) e.node[j] = c.nodes[j];
        e.volume = cellVolume;
        m.parts.push_back(e);
    }
    for (const auto& f : b.faces()) {
        nqbio::SurfaceElement s;
        for (std::size_t j = 0; j < 4; ++j) s.node[j] = f.nodes[std::min(j, f.nodes.size() - 1)];
        m.surfaces.push_back(s);
    }
    return m;
}

}  // namespace qvrtest

#endif
