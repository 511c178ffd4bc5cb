// Independent checks of a generated mesh: face sharing, cell orientation, volumes and skin,
// worked out from the node orders of the mesh format (not from the generator's own tables).
#ifndef QVR_TESTS_GENERATOR_MESH_AUDIT_H
#define QVR_TESTS_GENERATOR_MESH_AUDIT_H

#include <array>
#include <map>

#include "NQBIO_Manipulator.h"

namespace audit {

using Point = std::array<double, 3>;

Point point(const nqbio::MeshData& mesh, int node);
Point sub(Point a, Point b);
Point cross(Point a, Point b);
double dot(Point a, Point b);
double det(Point a, Point b, Point c);

// Smallest determinant of the three edges at a corner, taken in right-hand order, over all the
// corners of a tetrahedron, pyramid, prism or hexahedron: positive for a cell that is positively
// oriented and not folded at any corner.
double minCornerDeterminant(const nqbio::MeshData& mesh, const nqbio::PartElement& cell);

// Volume by cones from the mean of the corners over each face, faces cut into triangles from
// their first corner: exact for cells with flat faces.
double coneVolume(const nqbio::MeshData& mesh, const nqbio::PartElement& cell);

struct Report {
    std::map<int, int> cellsByNodeCount;
    int duplicateCells = 0;         // cells with the same node set as an earlier cell
    int overSharedFaces = 0;        // faces used by three or more cells
    int faultyOrientation = 0;      // cells with a corner determinant <= 0
    double cellVolumeSum = 0.0;     // coneVolume summed
    double worstVolumeError = 0.0;  // largest |stored - coneVolume| / coneVolume
    int skinNotOnceUsed = 0;        // skin faces that are not faces used by exactly one cell
    int onceUsedNotSkin = 0;        // faces used by one cell that the skin lacks
    int inwardSkinFaces = 0;        // skin faces whose normal points into their cell
    Point skinAreaSum{};            // sum of the skin's area vectors
    double skinArea = 0.0;          // sum of their lengths
    double divergenceVolume = 0.0;  // (1/3) sum of face centroid . area vector
};

Report inspect(const nqbio::MeshData& mesh);

}  // namespace audit

#endif
