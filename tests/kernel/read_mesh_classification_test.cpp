// Node and cell classification from the cells' attribute words and codes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "KernelMeshFiles.h"

namespace {

using kerneltest::load;
using kerneltest::MeshBuilder;
using kerneltest::writeMesh;

// Bits of an attribute word that flag a cell as marked when its code is 100 or less.
constexpr std::uint32_t kTopBit = 0x80000000u;
constexpr std::uint32_t kLowestMarkBit = 0x01000000u;
constexpr std::uint32_t kAllUnmarkedBits = 0x00FFFFFFu;

TEST(Classification, CellsAreAppliedInFileOrder) {
    TempDir dir;
    MeshBuilder b;
    for (int i = 0; i < 10; ++i) b.node(static_cast<float>(i), 0, 0);
    b.cell({1, 2, 3, 4}, 1, 0, 50);                  // ordinary: 1..4 -> 1, cell 0
    b.cell({3, 4, 5, 6}, 1, kTopBit, 50);            // marked: 3, 4 stay 1; 5, 6 -> -1
    b.cell({6, 7, 8, 9}, 1, 0, 150);                 // 101..200: nothing changes
    b.cell({5, 1, 2, 3}, 1, 0, 201);                 // 201 and up: all -1
    b.cell({6, 2, 7, 3}, 1, kAllUnmarkedBits, 100);  // ordinary again: 6, 2, 7, 3 -> 1
    b.cell({8, 9, 4, 1}, 1, kLowestMarkBit, 101);    // 101: nothing, whatever the word
    b.cell({8, 9, 4, 1}, 1, 0, 200);                 // 200: nothing
    b.cell({9, 8, 7, 2}, 1, kLowestMarkBit, -5);     // marked, negative code counts as <= 100
    const std::string path = writeMesh(dir, "kinds.nqb", b.mesh());

    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, path).result, 1);
    // Worked through cell by cell:
    // node 1: 1 (c1), -1 (c4)                     -> -1
    // node 2: 1, -1 (c4), 1 (c5), kept 1 (c8)     ->  1
    // node 3: 1, kept 1 (c2), -1 (c4), 1 (c5)     ->  1
    // node 4: 1, kept 1 (c2)                      ->  1
    // node 5: -1 (c2), -1 (c4)                    -> -1
    // node 6: -1 (c2), 1 (c5)                     ->  1
    // node 7: 1 (c5), kept 1 (c8)                 ->  1
    // node 8: -1 (c8)                             -> -1
    // node 9: -1 (c8)                             -> -1
    // node 10: no cell                            ->  0
    const int nodeKind[11] = {0, -1, 1, 1, 1, -1, 1, 1, -1, -1, 0};
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(kernel.m_pNodeKind[i], nodeKind[i]) << "node " << i;
    const int cellKind[9] = {1, 0, -1, 1, -1, 0, 1, 1, -1};
    for (int k = 0; k <= 8; ++k) EXPECT_EQ(kernel.m_pCellKind[k], cellKind[k]) << "cell " << k;
    // Cells of codes 101..200 still keep their nodes.
    EXPECT_EQ(kernel.m_nNode, 9);
    EXPECT_EQ(kernel.m_pNodeInPart[10], 0);
}

TEST(Classification, AllNodeFlagDoesNotClassifyUnusedNodes) {
    TempDir dir;
    MeshBuilder b;
    for (int i = 0; i < 5; ++i) b.node(static_cast<float>(i), 1, 0);
    b.cell({2, 3, 4, 5}, 1, 0, 1);
    const std::string path = writeMesh(dir, "flag.nqb", b.mesh());
    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, path, 1).result, 1);
    EXPECT_EQ(kernel.m_pNodeKind[1], 0);
    EXPECT_EQ(kernel.m_pNodeInPart[1], 1);
    EXPECT_EQ(kernel.m_pNodeKind[2], 1);
    EXPECT_EQ(kernel.m_pCellKind[1], 0);
}

}  // namespace
