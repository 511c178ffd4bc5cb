// The alternating digital tree on small, hand-checked cases: its domain, where items go, the
// refusal codes and how its capacity grows.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "search/CQvrADT.h"

namespace {

std::vector<int> found(CQvrADT& t, int slot) {
    const int* list = t.GetFoundList(slot);
    return list ? std::vector<int>(list + 1, list + 1 + t.GetFoundCount(slot)) : std::vector<int>{};
}

std::vector<int> search(CQvrADT& t, double x0, double y0, double z0, double x1, double y1,
                        double z1, int slot = 0) {
    EXPECT_EQ(t.SearchBlock(x0, y0, z0, x1, y1, z1, slot), 0);
    return found(t, slot);
}

// A tree over the domain 0..10 on every axis.
struct TenTree : ::testing::Test {
    CQvrADT tree{2};
    void SetUp() override { ASSERT_EQ(tree.SetRange(0, 0, 0, 10, 10, 10, 100, 50), 0); }
};

TEST_F(TenTree, DomainAndFirstItemsMatchSinglePrecisionWorking) {
    // The lower corner first, then the upper corner from the lowered lower corner.
    const float lo = 0.0f - 10.0f * 0.001f, hi = 10.0f + (10.0f - lo) * 0.001f;
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(tree.low[k], lo) << k;
        EXPECT_EQ(tree.high[k], hi) << k;
        EXPECT_EQ(tree.centre[k], static_cast<float>(static_cast<double>(hi + lo) * 0.5)) << k;
        EXPECT_EQ(tree.quarter[k], static_cast<float>(static_cast<double>(hi - lo) * 0.25)) << k;
    }
    EXPECT_NEAR(tree.centre[0], 5.000005, 5e-7);  // (10.01001 - 0.01) / 2
    EXPECT_NEAR(tree.quarter[0], 2.505002, 5e-7);

    ASSERT_EQ(tree.AddBlock(1, 1, 1, 1, 2, 2, 2), 0);
    const float itemLo = 1.0f - 0.001f, itemHi = 2.0f + (2.0f - itemLo) * 0.001f;
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(tree.point[6 + k], itemLo);
        EXPECT_EQ(tree.point[6 + k + 3], itemHi);
    }
    EXPECT_EQ(std::make_pair(tree.root, tree.splitDim[1]), std::make_pair(1, 0));
    // The second item's x minimum 6 lies above the centre: the root's high child, split on y.
    ASSERT_EQ(tree.AddBlock(2, 6, 6, 6, 7, 7, 7), 0);
    EXPECT_EQ(std::make_pair(tree.lowChild[1], tree.highChild[1]), std::make_pair(0, 2));
    EXPECT_EQ(tree.splitDim[2], 1);
    EXPECT_EQ(tree.splitValue[2], tree.centre[1]);
    EXPECT_EQ(search(tree, 0, 0, 0, 10, 10, 10), (std::vector<int>{1, 2}));  // breadth first
}

TEST_F(TenTree, BoxesLeavingTheDomainGiveTheirCodeAndCanBeAddedLater) {
    ASSERT_EQ(tree.AddBlock(1, 4, 4, 4, 5, 5, 5), 0);
    const struct {
        double box[6];
        int code;
    } outside[] = {{{-1, 1, 1, 2, 2, 2}, -2},
                   {{1, -1, 1, 2, 2, 2}, -3},
                   {{1, 1, -1, 2, 2, 2}, -4},
                   {{1, 1, 1, 11, 2, 2}, -5},
                   {{1, 1, 1, 2, 11, 2}, -6},
                   {{1, 1, 1, 2, 2, 11}, -7},
                   // The low x test comes first even when every side is out.
                   {{-1, -1, -1, 11, 11, 11}, -2}};
    for (const auto& c : outside) {
        const double* b = c.box;
        EXPECT_EQ(tree.AddBlock(2, b[0], b[1], b[2], b[3], b[4], b[5]), c.code) << c.code;
    }
    EXPECT_EQ(tree.splitDim[2], -1);
    EXPECT_EQ(search(tree, 0, 0, 0, 10, 10, 10), std::vector<int>{1});
    // A box on the domain's own edge is inside: its enlargement stays within the margin.
    EXPECT_EQ(tree.AddBlock(2, 0, 0, 0, 10, 10, 10), 0);
    EXPECT_EQ(search(tree, 0, 0, 0, 10, 10, 10), (std::vector<int>{1, 2}));
}

TEST_F(TenTree, CoordinateOnTheWorkingCentreGoesHigh) {
    ASSERT_EQ(tree.AddBlock(1, 1, 1, 1, 2, 2, 2), 0);
    // Flat in x exactly at the domain's x centre: enlargement keeps zero extent.
    const double c = tree.centre[0];
    ASSERT_EQ(tree.AddBlock(2, c, 1, 1, c, 2, 2), 0);
    EXPECT_EQ(tree.point[12], tree.centre[0]);
    EXPECT_EQ(std::make_pair(tree.lowChild[1], tree.highChild[1]), std::make_pair(0, 2));
    // Found by a box that only touches its plane, from either side.
    EXPECT_EQ(search(tree, c - 1, 0, 0, c, 10, 10), std::vector<int>{2});
    EXPECT_EQ(search(tree, c, 0, 0, c + 1, 10, 10), std::vector<int>{2});
}

TEST_F(TenTree, SplitDimensionWrapsAfterSixLevels) {
    // Identical small boxes near the lower corner all go low: one path, depth 0, 1, 2, ...
    for (int id = 1; id <= 8; ++id) ASSERT_EQ(tree.AddBlock(id, 1, 1, 1, 1.5, 1.5, 1.5), 0);
    const int expected[9] = {-1, 0, 1, 2, 3, 4, 5, 0, 1};
    for (int id = 1; id <= 8; ++id) {
        EXPECT_EQ(tree.splitDim[id], expected[id]) << id;
        if (id < 8) {
            EXPECT_EQ(tree.lowChild[id], id + 1);
        }
    }
    // Each level halves the region below: item 7, back on x, splits at centre - quarter.
    EXPECT_EQ(tree.splitValue[7], static_cast<float>(tree.centre[0] - tree.quarter[0]));
    EXPECT_EQ(search(tree, 1, 1, 1, 1, 1, 1).size(), 8u);
}

// Which ids the tree takes and how its capacity grows follow from the capacity and the growth
// step alone, however many ids its arrays were made for: the same script of ids, worked out by
// hand from the rule (an id up to one step beyond the capacity is taken and grows the capacity
// by that step, a farther one is refused untouched), on trees whose arrays start empty, tiny,
// just short of the capacity, at it or told of more ids than the capacity allows. Every tree
// ends up answering alike, and a slot's result survives every growth of the arrays.
TEST(AdtStorage, TheCapacityRuleDoesNotDependOnTheArrays) {
    constexpr int kMax = std::numeric_limits<int>::max();
    const struct {
        int id, code, capacity;
    } script[] = {
        {1, 0, 3000},     {2, 0, 3000},  {2, -1, 3000},    {1500, 0, 3000},
        {3000, 0, 3000},   // the capacity's own last id
        {3001, 0, 5000},   // one beyond: one step more
        {7001, -8, 5000},  // beyond capacity + step: refused, nothing grows
        {7000, 0, 7000},  {3, 0, 7000},  {7000, -1, 7000}, {9001, -8, 7000},
        {9000, 0, 9000},  {0, -8, 9000}, {-5, -8, 9000},   {kMax, -8, 9000},
        {8500, -5, 9000},  // out of the domain at high x: not linked, the id stays free
        {8500, 0, 9000},
    };
    std::vector<int> taken;
    for (const auto& s : script)
        if (s.code == 0) taken.push_back(s.id);
    std::sort(taken.begin(), taken.end());

    std::vector<int> reference;
    for (int expected : {-1, 0, 1, 2999, 3000, 100000}) {
        SCOPED_TRACE(expected);
        CQvrADT t(2);
        ASSERT_EQ(t.SetRange(0, 0, 0, 10, 10, 10, 3000, 2000, expected), 0);
        std::vector<int> kept;
        for (const auto& s : script) {
            const double x = (s.id % 89) * 0.1, y = (s.id % 83) * 0.1;
            const double xmax = s.code == -5 ? 12.0 : x + 0.05;
            ASSERT_EQ(t.AddBlock(s.id, x, y, 1, xmax, y + 0.05, 1.05), s.code) << s.id;
            ASSERT_EQ(t.capacity, s.capacity) << s.id;
            ASSERT_LE(t.stored, t.capacity) << s.id;
            if (s.id == 2 && kept.empty()) kept = search(t, 0, 0, 0, 10, 10, 10, 1);
            ASSERT_EQ(found(t, 1), kept) << s.id;
        }
        const std::vector<int> all = search(t, 0, 0, 0, 10, 10, 10);
        std::vector<int> sorted = all;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, taken);
        if (reference.empty()) reference = all;
        EXPECT_EQ(all, reference);  // the same order too
    }
}

TEST(AdtOutOfOrder, CallsBeforeSetRangeBadIdsAndBadSlotsAreRefused) {
    CQvrADT t(0);  // below 1 gives one slot
    EXPECT_EQ(t.slotCount, 1);
    EXPECT_EQ(t.AddBlock(1, 0, 0, 0, 1, 1, 1), -9);
    EXPECT_EQ(t.SearchBlock(0, 0, 0, 1, 1, 1, 0), 0);
    EXPECT_EQ(t.GetFoundCount(0), 0);
    EXPECT_EQ(t.GetFoundList(1), nullptr);
    EXPECT_EQ(t.GetFoundCount(-1), 0);

    t.SetRange(0, 0, 0, 1, 1, 1, 0, 0);  // defaults: 10 ids, growing by 10000
    EXPECT_EQ(std::make_pair(t.capacity, t.growStep), std::make_pair(10, 10000));
    for (int id : {0, -3, std::numeric_limits<int>::max()})
        EXPECT_EQ(t.AddBlock(id, 0, 0, 0, 1, 1, 1), -8) << id;
    EXPECT_EQ(std::make_pair(t.root, t.capacity), std::make_pair(0, 10));
    EXPECT_TRUE(search(t, 0, 0, 0, 1, 1, 1).empty());  // ranged but empty

    // A slot out of range changes no slot's result.
    ASSERT_EQ(t.AddBlock(1, 0.2, 0.2, 0.2, 0.3, 0.3, 0.3), 0);
    EXPECT_EQ(search(t, 0, 0, 0, 1, 1, 1), std::vector<int>{1});
    EXPECT_EQ(t.SearchBlock(0.5, 0.5, 0.5, 1, 1, 1, 1), 0);
    EXPECT_EQ(t.SearchBlock(0.5, 0.5, 0.5, 1, 1, 1, -1), 0);
    EXPECT_EQ(found(t, 0), std::vector<int>{1});

    // A second SetRange starts an empty tree.
    t.SetRange(0, 0, 0, 100, 100, 100, 20, 4);
    EXPECT_EQ(std::make_pair(t.root, t.capacity), std::make_pair(0, 20));
    EXPECT_EQ(t.GetFoundCount(0), 0);
    EXPECT_EQ(t.splitDim[1], -1);
    EXPECT_EQ(t.AddBlock(1, 50, 50, 50, 60, 60, 60), 0);
    EXPECT_EQ(search(t, 0, 0, 0, 100, 100, 100), std::vector<int>{1});
}

TEST(AdtOutOfOrder, NaNBoxesAndDomainsAreNeverFoundAndNeverHarm) {
    // NaN items are taken and never found (the brute-force comparison has them among others).
    const double nan = std::numeric_limits<double>::quiet_NaN();
    CQvrADT t(1);
    t.SetRange(0, 0, 0, 10, 10, 10, 4, 4);
    ASSERT_EQ(t.AddBlock(1, 1, 1, 1, 2, 2, 2), 0);
    EXPECT_EQ(t.AddBlock(2, nan, 1, 1, 2, 2, 2), 0);
    EXPECT_TRUE(search(t, nan, 0, 0, 10, 10, 10).empty());
    EXPECT_TRUE(search(t, 0, 0, 0, 10, nan, 10).empty());
    EXPECT_EQ(search(t, 0, 0, 0, 10, 10, 10), std::vector<int>{1});

    CQvrADT bad(1);
    bad.SetRange(nan, 0, 0, 1, 1, 1, 4, 4);
    for (int id = 1; id <= 30; ++id) bad.AddBlock(id, 0.1, 0.1, 0.1, 0.2, 0.2, 0.2);
    EXPECT_TRUE(search(bad, 0, 0, 0, 1, 1, 1).empty());
}

}  // namespace
