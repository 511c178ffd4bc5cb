// Near block search through the kernel, against a brute-force scan of the element boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "KernelMeshBuilder.h"
#include "QVROptKer.h"
#include "ReferenceBoxes.h"
#include "kernel/mesh_tables.h"

namespace {

using qvrtest::Box6;
using qvrtest::BlockSpec;
using qvrtest::CellKind;
using qvrtest::FBox6;
using qvrtest::KernelMeshBuilder;

std::vector<int> sorted(const int* ids, int count) {
    std::vector<int> v(ids, ids + count);
    std::sort(v.begin(), v.end());
    return v;
}

struct PrismBlock : ::testing::Test {
    KernelMeshBuilder b;
    CQVROptKer k;
    std::vector<FBox6> ref;
    void SetUp() override {
        b.addBlock({CellKind::Prism, 4, 3, 2, 1.0, -2.0, 0.5, 1.5, 1.0, 0.75});
        b.install(k);
        ASSERT_EQ(k.InitialzeSearch(2), 1);
        ref = qvrtest::treeBoxes(b);
    }
    std::vector<int> brute(const Box6& q) const {
        std::vector<int> ids;
        for (std::size_t i = 0; i < ref.size(); ++i)
            if (qvrtest::meets(ref[i], q)) ids.push_back(static_cast<int>(i) + 1);
        return ids;
    }
    std::vector<int> query(const Box6& q, int slot = 0) {
        int count = -1;
        const int* ids = k.SearchNearBlockID(q[0], q[1], q[2], q[3], q[4], q[5], count, slot);
        EXPECT_NE(ids, nullptr);
        return sorted(ids, count);
    }
};

TEST_F(PrismBlock, RandomBoxesMatchTheBruteForceScan) {
    std::mt19937 rng(99u);
    std::uniform_real_distribution<double> x(0.0, 8.0), y(-3.0, 2.0), z(0.0, 2.5), e(0.0, 1.5);
    for (int round = 0; round < 2000; ++round) {
        const double x0 = x(rng), y0 = y(rng), z0 = z(rng);
        Box6 q{x0, y0, z0, x0 + e(rng), y0 + e(rng), z0 + e(rng)};
        if (round % 5 == 0) std::swap(q[2], q[5]);  // inverted on z
        ASSERT_EQ(query(q, round % 2), brute(q)) << round;
    }
}

TEST_F(PrismBlock, ListsOfOtherSlotsStayValid) {
    int c0 = 0, c1 = 0;
    const int* l0 = k.SearchNearBlockID(1, -2, 0.5, 2, -1, 1, c0, 0);
    const std::vector<int> first(l0, l0 + c0);
    const int* l1 = k.SearchNearBlockID(6, 0, 1.5, 7, 1, 2, c1, 1);
    ASSERT_GT(c0, 0);
    ASSERT_GT(c1, 0);
    EXPECT_EQ(std::vector<int>(l0, l0 + c0), first);  // slot 0's list untouched by slot 1
    EXPECT_EQ(k.m_ppNearBlockList[0], l0);
    EXPECT_EQ(k.m_ppNearBlockList[1], l1);
    // A second call on slot 0 replaces its list.
    int c2 = 0;
    const int* l2 = k.SearchNearBlockID(6, 0, 1.5, 7, 1, 2, c2, 0);
    EXPECT_EQ(k.m_ppNearBlockList[0], l2);
    EXPECT_EQ(std::vector<int>(l2, l2 + c2), std::vector<int>(l1, l1 + c1));
}

TEST(NearBlockSearch, OutOfOrderCallsFindNothingAndChangeNothing) {
    CQVROptKer k;
    int count = -1;
    EXPECT_EQ(k.SearchNearBlockID(0, 0, 0, 1, 1, 1, count, 0), qvr::emptySearchList());
    EXPECT_EQ(count, 0);
    KernelMeshBuilder b;
    b.addBlock({});
    b.install(k);
    k.InitialzeSearch(1);
    for (int slot : {-1, 1, 1000}) {
        count = -1;
        EXPECT_EQ(k.SearchNearBlockID(0, 0, 0, 1, 1, 1, count, slot), qvr::emptySearchList());
        EXPECT_EQ(count, 0);
    }
    EXPECT_EQ(k.m_ppNearBlockList[0], nullptr);
}

}  // namespace
