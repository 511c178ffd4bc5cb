// Shared expectations for generated meshes.
#ifndef QVR_TESTS_GENERATOR_EXPECTATIONS_H
#define QVR_TESTS_GENERATOR_EXPECTATIONS_H

#include <gtest/gtest.h>

#include <cmath>

#include "MeshAudit.h"

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
