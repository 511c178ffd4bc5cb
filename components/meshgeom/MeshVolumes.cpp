#include <cfloat>
#include <cmath>

#include "CellGeometry.h"
#include "MeshDerivation.h"
#include "Vec3Math.h"

namespace qvr::meshgeom {

void computeVolumes(nqbio::MeshData& mesh) {
    Vec3 points[8];
    for (nqbio::PartElement& cell : mesh.parts) {
        if (cell.nNode != 4 && cell.nNode != 5 && cell.nNode != 6 && cell.nNode != 8) continue;
        if (!cellPoints(mesh, cell, points)) continue;
        const double volume = cellVolume(points, cell.nNode);
        // A volume beyond the float range cannot be stored; the cell keeps its old value.
        if (std::fabs(volume) <= FLT_MAX) cell.volume = static_cast<float>(volume);
    }
}

}  // namespace qvr::meshgeom
