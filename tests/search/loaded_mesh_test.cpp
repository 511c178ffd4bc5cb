// The search set-up on a mesh that went through a mesh file and ReadMeshData.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "BuilderMeshData.h"
#include "KernelMeshBuilder.h"
#include "QVROptKer.h"
#include "TempDir.h"

namespace {

using qvrtest::CellKind;
using qvrtest::KernelMeshBuilder;

std::vector<int> sortedNear(CQVROptKer& k, const double q[6]) {
    int count = 0;
    const int* ids = k.SearchNearBlockID(q[0], q[1], q[2], q[3], q[4], q[5], count, 0);
    std::vector<int> v(ids, ids + count);
    std::sort(v.begin(), v.end());
    return v;
}

TEST(LoadedMesh, SetUpMatchesTheSameMeshBuiltInMemory) {
    KernelMeshBuilder b;
    // Hexahedra of 0.5 x 0.25 x 0.75 mm: every coordinate is exact in float.
    b.addBlock({CellKind::Hex, 6, 4, 3, -1.0, 2.0, 0.5, 0.5, 0.25, 0.75});
    TempDir dir;
    const std::string path = dir.file("block.nqb");
    const float cellVolume = 0.5f * 0.25f * 0.75f;
    ASSERT_TRUE(nqbio::writeText(path, qvrtest::toMeshData(b, cellVolume)));

    CQVROptKer loaded;
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    ASSERT_EQ(loaded.ReadMeshData(name.data(), 0), 1);
    ASSERT_EQ(loaded.InitialzeSearch(1), 1);

    CQVROptKer built;
    b.install(built);
    ASSERT_EQ(built.InitialzeSearch(1), 1);

    ASSERT_EQ(loaded.m_nNode, built.m_nNode);
    ASSERT_EQ(loaded.m_nSurface, built.m_nSurface);
    ASSERT_EQ(loaded.m_nInnerCell, built.m_nInnerCell);
    EXPECT_EQ(loaded.Box_xMin, built.Box_xMin);
    EXPECT_EQ(loaded.Box_zMax, built.Box_zMax);
    EXPECT_DOUBLE_EQ(loaded.AverageThickness, built.AverageThickness);
    EXPECT_EQ(loaded.MinMesh, built.MinMesh);

    std::mt19937 rng(3u);
    std::uniform_real_distribution<double> x(-1.5, 2.5), y(1.5, 3.5), z(0.0, 3.0), e(0.0, 0.6);
    for (int i = 0; i < 300; ++i) {
        const double q0 = x(rng), q1 = y(rng), q2 = z(rng);
        const double q[6] = {q0, q1, q2, q0 + e(rng), q1 + e(rng), q2 + e(rng)};
        ASSERT_EQ(sortedNear(loaded, q), sortedNear(built, q)) << i;
    }
    int c1 = 0, c2 = 0;
    const int* r1 = loaded.FindPassElemByAnyRay(c1, 0.1, 2.6, 0.5, 0.2, 0.1, 1.0, 0);
    const std::vector<int> l1(r1, r1 + c1);
    const int* r2 = built.FindPassElemByAnyRay(c2, 0.1, 2.6, 0.5, 0.2, 0.1, 1.0, 0);
    EXPECT_EQ(l1, std::vector<int>(r2, r2 + c2));
    EXPECT_GT(c1, 3);
}

}  // namespace
