// Geometry of one cell of a mesh: its corner points, centroid and volume.
#ifndef QVR_MESHGEOM_CELL_GEOMETRY_H
#define QVR_MESHGEOM_CELL_GEOMETRY_H

#include "NQBIO_Manipulator.h"
#include "Vec3.h"

namespace qvr::meshgeom {

// Copies the cell's corner coordinates into `points` (room for 8). False, with nothing usable in
// `points`, when the cell has a node count outside 1..8 or a node number outside
// 1..mesh.nodeCount().
bool cellPoints(const nqbio::MeshData& mesh, const nqbio::PartElement& cell, Vec3* points);

// Mean of the corners.
Vec3 cellCentroid(const Vec3* points, int nodeCount);

// Volume of a linear cell with 4, 5, 6 or 8 nodes (0 for any other count). The cell is the solid
// bounded by its faces, a quadrilateral face taken as the bilinear patch through its corners (the
// face a linear element has), so a hexahedron gets its exact trilinear volume even with warped
// faces, and neighbouring cells that share a face never overlap or leave a gap. Computed by the
// divergence theorem over the faces; negative for an inverted cell.
double cellVolume(const Vec3* points, int nodeCount);

}  // namespace qvr::meshgeom

#endif
