// A fresh kernel, its small setters, and the record classes' copies.
#include <gtest/gtest.h>

#include "CQVRKNLogErrMsgTool.h"
#include "QVROptKer.h"

namespace {

TEST(KernelLifecycle, FreshKernelDefaults) {
    const CQVROptKer k;
    EXPECT_EQ(k.m_pMsgTool, nullptr);
    EXPECT_EQ(k.m_pADTree, nullptr);
    EXPECT_EQ(k.m_pNode, nullptr);
    EXPECT_EQ(k.m_pSurface, nullptr);
    EXPECT_EQ(k.p_Cell, nullptr);
    EXPECT_EQ(k.m_pNodeInPart, nullptr);
    EXPECT_EQ(k.m_pNodeKind, nullptr);
    EXPECT_EQ(k.m_pNodeNewID, nullptr);
    EXPECT_EQ(k.m_pCellKind, nullptr);
    EXPECT_EQ(k.m_ppPassElemList, nullptr);
    EXPECT_EQ(k.m_ppNearBlockList, nullptr);
    EXPECT_EQ(k.m_nNodeInFile, 0);
    EXPECT_EQ(k.m_nNode, 0);
    EXPECT_EQ(k.m_nInnerCell, 0);
    EXPECT_EQ(k.m_nSurface, 0);
    EXPECT_EQ(k.m_nPrintLevel, 0);
    EXPECT_EQ(k.m_nSlotCount, 0);
    EXPECT_FALSE(k.m_bFormatFlag);
    EXPECT_EQ(k.TotalVolume, 0.0);
    EXPECT_EQ(k.AverageThickness, 0.0);
    EXPECT_EQ(k.MinMesh, 0.1);
    for (double v : {k.Box_xMax, k.Box_yMax, k.Box_zMax, k.Box_xMin, k.Box_yMin, k.Box_zMin}) {
        EXPECT_EQ(v, 0.0);
    }
}

TEST(KernelLifecycle, Setters) {
    CQVROptKer k;
    CQVRKNLogErrMsgTool tool;
    EXPECT_EQ(k.getMsgPtr(nullptr), -1);
    EXPECT_EQ(k.m_pMsgTool, nullptr);
    EXPECT_EQ(k.getMsgPtr(&tool), 1);
    EXPECT_EQ(k.m_pMsgTool, &tool);
    EXPECT_EQ(k.getMsgPtr(nullptr), -1);
    EXPECT_EQ(k.m_pMsgTool, &tool);  // a null tool does not clear the stored one

    EXPECT_EQ(k.setParameter(-7), 1);
    EXPECT_EQ(k.m_nPrintLevel, -7);
    EXPECT_EQ(k.resetMinMesh(-0.5), 1);
    EXPECT_EQ(k.MinMesh, -0.5);
}

TEST(Records, CopyAndAssignmentShareTheArrays) {
    int nodes[5] = {0, 4, 3, 2, 1};
    CFaceElem face;
    face.nNode = 4;
    face.pNode = nodes;
    face.xMin = 1;
    face.yMin = 2;
    face.zMin = 3;
    face.xMax = 4;
    face.yMax = 5;
    face.zMax = 6;
    face.zMid = 7;
    face.xc = 8;
    face.yc = 9;
    face.zc = 10;
    face.ax = 11;
    face.ay = 12;
    face.az = 13;
    CFaceElem assigned;
    assigned = face;
    CFaceElem copied;
    copied.copy(face);
    for (const CFaceElem* f : {&assigned, &copied}) {
        EXPECT_EQ(f->pNode, nodes);
        EXPECT_EQ(f->nNode, 4);
        const double expected[13] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
        const double got[13] = {f->xMin, f->yMin, f->zMin, f->xMax, f->yMax, f->zMax, f->zMid,
                                f->xc,   f->yc,   f->zc,   f->ax,   f->ay,   f->az};
        for (int i = 0; i < 13; ++i) EXPECT_EQ(got[i], expected[i]) << i;
    }

    CInnerCell cell;
    cell.nNode = 4;
    cell.pNode = nodes;
    cell.zMid = 2.5;
    cell.xc = -1;
    CInnerCell cellCopy;
    cellCopy.copy(cell);
    EXPECT_EQ(cellCopy.pNode, nodes);
    EXPECT_EQ(cellCopy.zMid, 2.5);
    EXPECT_EQ(cellCopy.xc, -1.0);

    double xs[3] = {0, 1, 2};
    int ids[3] = {0, 5, 6};
    CRayData ray;
    ray.nPoint = 2;
    ray.dx = 1;
    ray.pX = ray.pY = ray.pZ = ray.pDist = xs;
    ray.pCellID = ids;
    CRayData rayCopy;
    rayCopy = ray;
    EXPECT_EQ(rayCopy.pX, xs);
    EXPECT_EQ(rayCopy.pDist, xs);
    EXPECT_EQ(rayCopy.pCellID, ids);
    EXPECT_EQ(rayCopy.dx, 1.0);

    Cnode node;
    node.x = 1.5;
    node.orgID = 42;
    Cnode nodeCopy;
    nodeCopy.copy(node);
    EXPECT_EQ(nodeCopy.x, 1.5);
    EXPECT_EQ(nodeCopy.orgID, 42);

    const CFaceElem fresh;
    EXPECT_EQ(fresh.pNode, nullptr);
    EXPECT_EQ(fresh.nNode, 0);
}

TEST(ModuleExports, SampleFunctionAndVariable) {
    EXPECT_EQ(fnQVROptKer(), 42);
    EXPECT_EQ(nQVROptKer, 0);
}

}  // namespace
