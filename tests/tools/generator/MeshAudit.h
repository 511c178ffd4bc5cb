// Independent checks of a generated mesh: face sharing, cell orientation, volumes and skin,
// worked out from the node orders of the mesh format (not from the generator's own tables).
#ifndef QVR_TESTS_GENERATOR_MESH_AUDIT_H
#define QVR_TESTS_GENERATOR_MESH_AUDIT_H

#include <gtest/gtest.h>

#include <array>

#include "NQBIO_Manipulator.h"

namespace audit {

using Point = std::array<double, 3>;

Point point(const nqbio::MeshData& mesh, int node);
Point sub(Point a, Point b);
Point cross(Point a, Point b);
double dot(Point a, Point b);
double det(Point a, Point b, Point c);

// Volume by cones from the mean of the corners over each face, faces cut into triangles from
// their first corner: exact for cells with flat faces.
double coneVolume(const nqbio::MeshData& mesh, const nqbio::PartElement& cell);

struct Report {
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

// Coordinates are floats: relative agreement of sums to this (dimensionless, default 1e-5).
constexpr double kFloatSumTolerance = 1e-5;

// A mesh whose cells share faces properly, are positively oriented with the stored volumes, and
// whose skin is exactly the faces used once, pointing outward and closed; the volume and skin
// area are compared with the analytic values given.
inline void expectSoundMesh(const nqbio::MeshData& mesh, double volume, double area) {
    ASSERT_FALSE(mesh.parts.empty());
    const audit::Report r = audit::inspect(mesh);
    EXPECT_EQ(r.duplicateCells, 0);
    EXPECT_EQ(r.overSharedFaces, 0);
    EXPECT_EQ(r.faultyOrientation, 0);
    EXPECT_LT(r.worstVolumeError, kFloatSumTolerance);
    EXPECT_NEAR(r.cellVolumeSum, volume, kFloatSumTolerance * volume);
    EXPECT_EQ(r.skinNotOnceUsed, 0);
    EXPECT_EQ(r.onceUsedNotSkin, 0);
    EXPECT_EQ(r.inwardSkinFaces, 0);
    for (int d = 0; d < 3; ++d) EXPECT_NEAR(r.skinAreaSum[d], 0.0, kFloatSumTolerance * area);
    EXPECT_NEAR(r.divergenceVolume, volume, kFloatSumTolerance * volume);
    // Faces that do not match across the inside (a quadrilateral against two triangles) would
    // show up as extra skin; the area catches them.
    EXPECT_NEAR(r.skinArea, area, kFloatSumTolerance * area);
}

inline int cellsWithNodes(const nqbio::MeshData& mesh, int nodeCount) {
    int count = 0;
    for (const nqbio::PartElement& cell : mesh.parts) count += cell.nNode == nodeCount ? 1 : 0;
    return count;
}


#endif
