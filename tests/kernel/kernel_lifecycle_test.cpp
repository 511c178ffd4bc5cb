// A fresh kernel and its message tool. (The record classes copy member-wise by default.)
#include <gtest/gtest.h>

#include "CQVRKNLogErrMsgTool.h"
#include "QVROptKer.h"

namespace {

TEST(KernelLifecycle, FreshKernelAndMessageTool) {
    CQVROptKer k;
    EXPECT_EQ(k.MinMesh, 0.1);
    EXPECT_EQ(k.m_nPrintLevel + k.m_nNode + k.m_nInnerCell + k.m_nSurface + k.m_nSlotCount, 0);
    EXPECT_TRUE(k.m_pNode == nullptr && k.m_pADTree == nullptr && k.m_pMsgTool == nullptr);
    CQVRKNLogErrMsgTool tool;
    EXPECT_EQ(k.getMsgPtr(&tool), 1);
    EXPECT_EQ(k.getMsgPtr(nullptr), -1);
    EXPECT_EQ(k.m_pMsgTool, &tool);  // a null tool does not clear the stored one
}

}  // namespace
