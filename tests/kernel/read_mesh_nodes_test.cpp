// Which nodes and skin faces a load keeps, how it renumbers them, and how it classifies
// nodes and cells from the cells' attribute words and codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "KernelMeshFiles.h"

namespace {

using kerneltest::load;
using kerneltest::MeshBuilder;
using kerneltest::writeMesh;

// File nodes 1..6: a tetrahedron over 1, 2, 4, 5; node 3 is used by nothing but a skin face,
// node 6 likewise. Seven faces, of which only some are skin faces to keep.
nqbio::MeshData retentionMesh() {
    MeshBuilder b;
    b.node(0, 0, 0);
    b.node(1, 0, 0);
    b.node(9, 9, 9);
    b.node(0, 1, 0);
    b.node(0, 0, 1);
    b.node(5, 5, 5);
    b.cell({1, 2, 4, 5}, 0.5f);
    b.face(1, 4, 2, 2);         // kept
    b.face(1, 2, 5, 5, 2, 0);   // kind 2: not a skin face
    b.face(1, 5, 4, 4, 1, 13);  // code 13: excluded
    b.face(2, 4, 5, 5, 1, 12);  // kept
    b.face(1, 2, 6, 6);         // uses node 6, which no cell uses
    b.face(1, 3, 4, 4);         // uses node 3, which no cell uses
    b.face(1, 5, 2, 2, 0, 0);   // kind 0: not a skin face
    return b.mesh();
}

std::vector<int> nodeList(const CFaceElem& f) { return {f.pNode + 1, f.pNode + 1 + f.nNode}; }
std::vector<int> nodeList(const CInnerCell& c) { return {c.pNode + 1, c.pNode + 1 + c.nNode}; }

// Every value other than 1 keeps only the nodes that cells use.
TEST(Retention, OnlyNodesOfCellsAndTheirFacesRemain) {
    TempDir dir;
    const std::string path = writeMesh(dir, "retain.nqb", retentionMesh());
    for (int flag : {0, 2, -1}) {
        SCOPED_TRACE(flag);
        CQVROptKer kernel;
        ASSERT_EQ(load(kernel, path, flag).result, 1);
        EXPECT_EQ(kernel.m_nNodeInFile, 6);
        EXPECT_EQ(kernel.m_nInnerCell, 1);
        ASSERT_EQ(kernel.m_nNode, 4);
        const int orgID[5] = {0, 1, 2, 4, 5};
        for (int k = 1; k <= 4; ++k) EXPECT_EQ(kernel.m_pNode[k].orgID, orgID[k]) << k;
        EXPECT_DOUBLE_EQ(kernel.m_pNode[3].y, 1.0);  // file node 4 at (0, 1, 0)
        const int newID[7] = {0, 1, 2, 0, 3, 4, 0};
        const int inPart[7] = {0, 1, 1, 0, 1, 1, 0};
        for (int i = 0; i <= 6; ++i) {
            EXPECT_EQ(kernel.m_pNodeNewID[i], newID[i]) << i;
            EXPECT_EQ(kernel.m_pNodeInPart[i], inPart[i]) << i;
        }
        EXPECT_EQ(nodeList(kernel.p_Cell[1]), (std::vector<int>{1, 2, 3, 4}));
        // Kind 1 faces whose code is not 13, and of those only the ones on retained nodes.
        ASSERT_EQ(kernel.m_nSurface, 2);
        EXPECT_EQ(nodeList(kernel.m_pSurface[1]), (std::vector<int>{1, 3, 2}));
        EXPECT_EQ(nodeList(kernel.m_pSurface[2]), (std::vector<int>{2, 3, 4}));
    }
}

TEST(RetentionAllNodes, FlagOneKeepsEveryNodeAndEverySkinFace) {
    TempDir dir;
    const std::string path = writeMesh(dir, "retain.nqb", retentionMesh());
    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, path, 1).result, 1);
    ASSERT_EQ(kernel.m_nNode, 6);
    // Every node is kept, but only the nodes of cells are classified.
    const int kind[7] = {0, 1, 1, 0, 1, 1, 0};
    for (int i = 0; i <= 6; ++i) {
        EXPECT_EQ(kernel.m_pNodeNewID[i], i) << i;
        EXPECT_EQ(kernel.m_pNodeInPart[i], 1) << i;
        EXPECT_EQ(kernel.m_pNodeKind[i], kind[i]) << i;
        EXPECT_EQ(kernel.m_pNode[std::max(i, 1)].orgID, std::max(i, 1));
    }
    EXPECT_DOUBLE_EQ(kernel.m_pNode[3].x, 9.0);
    ASSERT_EQ(kernel.m_nSurface, 4);
    EXPECT_EQ(nodeList(kernel.m_pSurface[1]), (std::vector<int>{1, 4, 2}));
    EXPECT_EQ(nodeList(kernel.m_pSurface[2]), (std::vector<int>{2, 4, 5}));
    EXPECT_EQ(nodeList(kernel.m_pSurface[3]), (std::vector<int>{1, 2, 6}));
    EXPECT_EQ(nodeList(kernel.m_pSurface[4]), (std::vector<int>{1, 3, 4}));
    // The face on nodes 1, 2, 6: (1,0,0) x (5,5,5) / 2.
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[3].ax, 0.0);
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[3].ay, -2.5);
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[3].az, 2.5);
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[3].zc, 5.0 / 3.0);
}

TEST(RetentionAllNodes, AMeshWithoutCellsKeepsNothingUnlessAsked) {
    TempDir dir;
    MeshBuilder b;
    b.node(0, 0, 0);
    b.node(1, 0, 0);
    b.node(0, 1, 0);
    b.face(1, 2, 3, 3);
    const std::string path = writeMesh(dir, "skin.nqb", b.mesh());
    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, path, 0).result, 1);
    EXPECT_EQ(kernel.m_nNode, 0);
    EXPECT_EQ(kernel.m_nSurface, 0);
    EXPECT_EQ(kernel.m_nInnerCell, 0);
    EXPECT_NE(kernel.m_pNode, nullptr);  // tables are allocated with their zero entry
    ASSERT_EQ(load(kernel, path, 1).result, 1);
    EXPECT_EQ(kernel.m_nNode, 3);
    EXPECT_EQ(kernel.m_nSurface, 1);
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[1].az, 0.5);
    EXPECT_DOUBLE_EQ(kernel.TotalVolume, 0.0);
}

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

}  // namespace
