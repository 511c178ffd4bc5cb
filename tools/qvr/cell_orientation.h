// Signed volume of a linear solid cell in the mesh format's node order, and the node swap that
// turns a negatively oriented cell around.
#ifndef QVR_CLI_CELL_ORIENTATION_H
#define QVR_CLI_CELL_ORIENTATION_H

#include "NQBIO_Manipulator.h"

namespace qvr::cli {

// Sum of the signed volumes of a fixed split into tetrahedra (exact for planar faces); positive
// for a positively oriented cell. 0 for node counts other than 4, 5, 6, 8.
double signedCellVolume(const nqbio::MeshData& mesh, const nqbio::PartElement& cell);

// Mirrors the node order (tetrahedron: swaps 2 and 3; pyramid: reverses the base; prism and
// hexahedron: reverses both end faces), which negates the signed volume.
void reverseCellOrientation(nqbio::PartElement& cell);

}  // namespace qvr::cli

#endif
