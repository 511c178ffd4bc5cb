#include "CellGeometry.h"

#include "CellFaces.h"
#include "Vec3Math.h"

namespace qvr::meshgeom {

bool cellPoints(const nqbio::MeshData& mesh, const nqbio::PartElement& cell, Vec3* points) {
    if (cell.nNode < 1 || cell.nNode > 8) return false;
    const int nodeCount = mesh.nodeCount();
    for (int k = 0; k < cell.nNode; ++k) {
        const int node = cell.node[k];
        if (node < 1 || node > nodeCount) return false;
        const float* p = &mesh.xyz[3 * static_cast<std::size_t>(node - 1)];
        points[k] = {p[0], p[1], p[2]};
    }
    return true;
}

Vec3 cellCentroid(const Vec3* points, int nodeCount) {
    Vec3 sum;
    for (int k = 0; k < nodeCount; ++k) sum = sum + points[k];
    return nodeCount > 0 ? (1.0 / nodeCount) * sum : sum;
}

namespace {

// Integral of (x - ref) . n dA over the bilinear patch x(u, v) = p1 + u b + v c + u v d on the
// unit square, with a = p1 - ref; a triangle is the patch with its last corner equal to the
// first (c = 0), for which the formula reduces to the flat triangle's.
double patchMoment(Vec3 a, Vec3 b, Vec3 c, Vec3 d) {
    return triple(a, b, c) + 0.5 * triple(a, b, d) + 0.5 * triple(a, d, c) + 0.25 * triple(b, d, c);
}

}  // namespace

double cellVolume(const Vec3* points, int nodeCount) {
    const CellFaceTable* table = cellFaces(nodeCount);
    if (table == nullptr) return 0.0;
    // Measuring from the centroid keeps the terms small for cells far from the origin.
    const Vec3 ref = cellCentroid(points, nodeCount);
    double moment = 0.0;
    for (int f = 0; f < table->faceCount; ++f) {
        const CellFace& face = table->face[f];
        const Vec3 p1 = points[face.corner[0]];
        const Vec3 p2 = points[face.corner[1]];
        const Vec3 p3 = points[face.corner[2]];
        const Vec3 p4 = face.count == 4 ? points[face.corner[3]] : p1;
        moment += patchMoment(p1 - ref, p2 - p1, p4 - p1, (p1 - p2) + (p3 - p4));
    }
    return moment / 3.0;
}

}  // namespace qvr::meshgeom
