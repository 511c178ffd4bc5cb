// The search set-up's tree against one filled the plain way: a tree of 10000 ids that grows by
// 200000 as the elements go in one by one. Both must hold the same arrays, entry for entry.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "OracleParts.h"
#include "QVROptKer.h"
#include "search/CQvrADT.h"

namespace {

std::unique_ptr<CQvrADT> plainTree(const CQVROptKer& k, int slots) {
    auto t = std::make_unique<CQvrADT>(slots);
    t->SetRange(k.Box_xMin, k.Box_yMin, k.Box_zMin, k.Box_xMax, k.Box_yMax, k.Box_zMax, 10000,
                200000);
    for (int i = 1; i <= k.m_nSurface; ++i) {
        const CFaceElem& f = k.m_pSurface[i];
        t->AddBlock(i, f.xMin, f.yMin, f.zMin, f.xMax, f.yMax, f.zMax);
    }
    for (int j = 1; j <= k.m_nInnerCell; ++j) {
        const CInnerCell& c = k.p_Cell[j];
        t->AddBlock(k.m_nSurface + j, c.xMin, c.yMin, c.zMin, c.xMax, c.yMax, c.zMax);
    }
    return t;
}

void expectSameTree(const CQvrADT& a, const CQvrADT& b) {
    ASSERT_EQ(a.slotCount, b.slotCount);
    ASSERT_EQ(a.capacity, b.capacity);
    ASSERT_EQ(a.growStep, b.growStep);
    ASSERT_EQ(a.root, b.root);
    EXPECT_EQ(std::memcmp(a.low, b.low, sizeof a.low), 0);
    EXPECT_EQ(std::memcmp(a.high, b.high, sizeof a.high), 0);
    EXPECT_EQ(std::memcmp(a.quarter, b.quarter, sizeof a.quarter), 0);
    EXPECT_EQ(std::memcmp(a.centre, b.centre, sizeof a.centre), 0);
    const auto n = static_cast<std::size_t>(a.capacity) + 1;
    EXPECT_EQ(std::memcmp(a.point, b.point, 6 * n * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(a.splitValue, b.splitValue, n * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(a.splitDim, b.splitDim, n * sizeof(int)), 0);
    EXPECT_EQ(std::memcmp(a.highChild, b.highChild, n * sizeof(int)), 0);
    EXPECT_EQ(std::memcmp(a.lowChild, b.lowChild, n * sizeof(int)), 0);
    for (int s = 0; s < a.slotCount; ++s) EXPECT_EQ(a.foundCount[s], b.foundCount[s]);
}

TEST(SearchSetUpOracle, TreeEqualsOneFilledStepByStep) {
    // Above 10000 elements the plain fill grows the tree; below, it never does.
    qvr::gen::PlateSpec big;
    big.nx = 40;
    big.ny = 25;
    big.nz = 5;
    big.type = qvr::gen::CellType::Prism;
    qvr::gen::PlateSpec small;
    small.nx = 5;
    small.ny = 4;
    small.nz = 2;
    int grown = 0;
    for (const auto& params : {big, small}) {
        CQVROptKer k;
        ASSERT_TRUE(oracle::loadPart(qvr::gen::makePlate(params), k));
        ASSERT_EQ(k.InitialzeSearch(3), 1);
        const auto plain = plainTree(k, 3);
        expectSameTree(*k.m_pADTree, *plain);
        grown += plain->capacity > 10000 ? 1 : 0;
    }
    EXPECT_EQ(grown, 1);
}

}  // namespace
