// Skin and cell volumes derived from the cells of a mesh, for meshes that come without them:
// the generated parts, the Gmsh importer and meshes handed to the kernel as arrays.
#ifndef QVR_MESHGEOM_MESH_DERIVATION_H
#define QVR_MESHGEOM_MESH_DERIVATION_H

#include "NQBIO_Manipulator.h"

namespace qvr::meshgeom {

// Recomputes the skin (faces used by exactly one cell, oriented outward) and every cell's volume
// from the node coordinates.
//
// deriveSkin replaces mesh.surfaces. Faces are matched by their corner numbers; a corner that a
// face repeats (a collapsed edge) is dropped, so a collapsed quadrilateral matches a triangle,
// and a face left with fewer than three corners has no area and is never skin. A face shared by
// three or more cells is not skin either. Skin faces are listed cell by cell, each in the cell's
// face order; triangles repeat their last corner.
//
// computeVolumes takes a cell as the solid bounded by its faces, each quadrilateral face the
// bilinear patch through its four corners, which is what a linear element spans: exact for
// tetrahedra and for any cell with flat faces, the trilinear volume for a hexahedron with
// warped faces, and additive over a conforming mesh. An inverted cell gets a negative volume.
//
// Both skip cells whose node count is not 4, 5, 6 or 8 or that name a node outside
// 1..nodeCount (such a cell keeps its volume and contributes no faces), and cells whose volume
// would not fit a float keep theirs.
void deriveSkin(nqbio::MeshData& mesh);
void computeVolumes(nqbio::MeshData& mesh);

}  // namespace qvr::meshgeom

#endif
