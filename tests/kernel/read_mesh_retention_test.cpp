// Which nodes and skin faces a load keeps, and how it renumbers them.
#include <gtest/gtest.h>

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

class Retention : public testing::TestWithParam<int> {
protected:
    TempDir dir_;
};

TEST_P(Retention, OnlyNodesOfCellsAndTheirFacesRemain) {
    const std::string path = writeMesh(dir_, "retain.nqb", retentionMesh());
    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, path, GetParam()).result, 1);

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

// Every value other than 1 keeps only the nodes that cells use.
INSTANTIATE_TEST_SUITE_P(AllNodeFlagNotOne, Retention, testing::Values(0, 2, -1));

TEST(RetentionAllNodes, FlagOneKeepsEveryNodeAndEverySkinFace) {
    TempDir dir;
    const std::string path = writeMesh(dir, "retain.nqb", retentionMesh());
    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, path, 1).result, 1);
    ASSERT_EQ(kernel.m_nNode, 6);
    for (int i = 0; i <= 6; ++i) {
        EXPECT_EQ(kernel.m_pNodeNewID[i], i) << i;
        EXPECT_EQ(kernel.m_pNodeInPart[i], 1) << i;
        if (i >= 1) {
            EXPECT_EQ(kernel.m_pNode[i].orgID, i);
        }
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

}  // namespace
