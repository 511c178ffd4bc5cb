// The tree and the ray walk's index over it against a brute-force scan over every item, on
// random items and query boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "ReferenceBoxes.h"
#include "search/CQvrADT.h"
#include "search/box_index.h"

namespace {

using qvrtest::Box6;
using qvrtest::FBox6;

constexpr double kDomainLo = -20.0;
constexpr double kDomainHi = 80.0;

class RandomBoxes {
public:
    explicit RandomBoxes(unsigned seed) : rng_(seed) {}

    // Item boxes of every shape and size the tree must handle, all inside the domain: ordinary,
    // flat on one axis, a point, inverted on one axis, long, starting on the domain's lower face.
    Box6 item() {
        const double top = kDomainHi - 6.0;
        const double x = uniform(kDomainLo, top), y = uniform(kDomainLo, top),
                     z = uniform(kDomainLo, top);
        const double s = std::pow(10.0, -uniform(0, 3));  // sizes over three decades
        double ex = s * uniform(0, 5), ey = s * uniform(0, 5), ez = s * uniform(0, 5);
        switch (pick(8)) {
            case 0: ex = 0; break;
            case 1: ex = ey = ez = 0; break;
            case 2: ey = -uniform(0, 2); break;
            case 3: ex = uniform(0, kDomainHi - 1.0 - x); break;
            default: break;
        }
        Box6 b{x, y, z, x + ex, y + ey, z + ez};
        if (pick(10) == 0 && ex >= 0) b[0] = kDomainLo;
        return b;
    }

    // Query boxes from a point to a quarter of the domain: ordinary, flat, inverted, touching
    // a known item box on a face or at a corner, outside the domain.
    Box6 query(const std::vector<FBox6>& items) {
        const double x = uniform(kDomainLo - 30, kDomainHi + 30);
        const double y = uniform(kDomainLo - 30, kDomainHi + 30);
        const double z = uniform(kDomainLo - 30, kDomainHi + 30);
        const double e = uniform(0, 25);
        Box6 q{x, y, z, x + e * uniform(0, 1), y + e * uniform(0, 1), z + e * uniform(0, 1)};
        const auto anItem = [&]() -> const FBox6& {
            return items[static_cast<std::size_t>(pick(static_cast<int>(items.size())))];
        };
        switch (pick(7)) {
            case 0: q[3] = q[0]; break;
            case 1: std::swap(q[1], q[4]); break;
            case 2: {  // touching an item from above
                const FBox6& it = anItem();
                const auto k = static_cast<std::size_t>(pick(3));
                q = {it[0], it[1], it[2], it[3], it[4], it[5]};
                q[k] = it[k + 3];
                q[k + 3] = it[k + 3] + 1.0;
                break;
            }
            case 3: {
                const FBox6& it = anItem();
                q = {it[3], it[4], it[5], it[3] + 2.0, it[4] + 2.0, it[5] + 2.0};
                break;
            }
            case 4: q = {kDomainHi + 5, 0, 0, kDomainHi + 9, 10, 10}; break;
            default: break;
        }
        return q;
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    double uniform(double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(rng_);
    }

private:
    std::mt19937 rng_;
};

std::vector<int> treeResult(CQvrADT& t, int slot) {
    const int* list = t.GetFoundList(slot);
    return std::vector<int>(list + 1, list + 1 + t.GetFoundCount(slot));
}

// What the index collects for the query box q: the tree's query region, item minima from the
// domain's up to the query's maxima, item maxima from the query's minima up to the domain's.
void collectTreeQuery(const CQvrADT& tree, const qvr::adt::BoxIndex& index, const Box6& q,
                      std::vector<int>& ids, std::vector<float>& points) {
    float lo[6], hi[6];
    for (std::size_t k = 0; k < 3; ++k) {
        lo[k] = tree.low[k], hi[k] = static_cast<float>(q[k + 3]);
        lo[k + 3] = static_cast<float>(q[k]), hi[k + 3] = tree.high[k + 3];
    }
    index.collect(lo, hi, ids, points);
}

// A tree with a small capacity and step, so that filling grows it many times, of ids mostly
// increasing with gaps, some added out of order within reach, some leaving the domain at high x,
// NaN boxes, and duplicates (refused, or taken when the first went outside).
struct FilledTree : ::testing::Test {
    RandomBoxes gen{20240611u};
    CQvrADT tree{3};
    std::map<int, FBox6> inTree;
    std::vector<FBox6> all;

    void SetUp() override {
        tree.SetRange(kDomainLo, kDomainLo, kDomainLo, kDomainHi, kDomainHi, kDomainHi, 64, 257);
        std::vector<int> ids;
        for (int id = 1; id <= 4000; ++id)
            if (gen.pick(5) != 0) ids.push_back(id);
        for (std::size_t i = 0; i + 1 < ids.size(); i += 7) std::swap(ids[i], ids[i + 1]);
        int outside = 0;
        for (int id : ids) {
            Box6 b = gen.item();
            if (gen.pick(25) == 0) {  // leaves the domain at high x, and only there
                b[0] = std::max(b[0], 0.0);
                b[3] = kDomainHi + 10;
            }
            if (gen.pick(200) == 0)
                b[static_cast<std::size_t>(gen.pick(6))] = std::numeric_limits<double>::quiet_NaN();
            const int code = tree.AddBlock(id, b[0], b[1], b[2], b[3], b[4], b[5]);
            ASSERT_GE(tree.capacity, id);
            if (code == 0) {
                inTree[id] = qvrtest::enlargedFloatBox(b);  // a NaN box meets nothing
            } else {
                ASSERT_EQ(code, -5) << id;
                ++outside;
            }
            if (gen.pick(50) == 0) {
                EXPECT_EQ(tree.AddBlock(id, 0, 0, 0, 1, 1, 1), code == 0 ? -1 : 0);
                if (code != 0) inTree[id] = qvrtest::enlargedFloatBox({0, 0, 0, 1, 1, 1});
            }
        }
        for (const auto& [id, e] : inTree) all.push_back(e);
        ASSERT_GT(outside, 0);
        ASSERT_GT(tree.capacity, 64 + 257);
    }

    std::vector<int> brute(const Box6& q) const {
        std::vector<int> want;
        for (const auto& [id, e] : inTree)
            if (qvrtest::meets(e, q)) want.push_back(id);
        return want;
    }
};

// The tree finds each item once, exactly those whose enlarged box meets the query; each slot
// keeps its result while the others search. The walk index built over the same tree collects
// the same items with their stored points, and its visiting ranks give the tree's order.
TEST_F(FilledTree, TreeAndWalkIndexFindExactlyTheItemsTheScanFinds) {
    tree.BuildWalkIndex();
    qvr::adt::BoxIndex* index = tree.WalkIndex();
    ASSERT_NE(index, nullptr);
    std::vector<std::vector<int>> kept(3);
    int nonEmpty = 0;
    for (int round = 0; round < 3000; ++round) {
        const Box6 q = gen.query(all);
        const int slot = gen.pick(3);
        tree.SearchBlock(q[0], q[1], q[2], q[3], q[4], q[5], slot);
        const std::vector<int> order = treeResult(tree, slot);
        std::vector<int> got = order;
        std::sort(got.begin(), got.end());
        ASSERT_TRUE(std::adjacent_find(got.begin(), got.end()) == got.end()) << "repeat";
        const std::vector<int> want = brute(q);
        ASSERT_EQ(got, want) << "round " << round;
        nonEmpty += want.empty() ? 0 : 1;
        kept[static_cast<std::size_t>(slot)] = order;
        for (std::size_t s = 0; s < 3; ++s)
            ASSERT_EQ(treeResult(tree, static_cast<int>(s)), kept[s]);

        std::vector<int> collected;
        std::vector<float> points;
        collectTreeQuery(tree, *index, q, collected, points);
        ASSERT_EQ(points.size(), 6 * collected.size());
        for (std::size_t c = 0; c < collected.size(); ++c)
            ASSERT_TRUE(std::equal(points.begin() + 6 * static_cast<long>(c),
                                   points.begin() + 6 * static_cast<long>(c + 1),
                                   tree.point + 6 * collected[c]));
        std::sort(collected.begin(), collected.end(),
                  [&](int a, int b) { return index->visitRank(a) < index->visitRank(b); });
        ASSERT_EQ(collected, order) << "round " << round;
    }
    EXPECT_GT(nonEmpty, 500);
}

TEST_F(FilledTree, AnyChangeToTheTreeDropsTheWalkIndex) {
    tree.BuildWalkIndex();
    EXPECT_EQ(tree.AddBlock(0, 0, 0, 0, 1, 1, 1), -8);  // refused, nothing changes: kept
    EXPECT_NE(tree.WalkIndex(), nullptr);
    tree.AddBlock(tree.capacity + 1, 0, 0, 0, 1, 1, 1);
    EXPECT_EQ(tree.WalkIndex(), nullptr);
    tree.BuildWalkIndex();
    tree.SetRange(0, 0, 0, 1, 1, 1, 10, 10);
    EXPECT_EQ(tree.WalkIndex(), nullptr);

    // An empty tree gives an index that finds nothing.
    tree.BuildWalkIndex();
    ASSERT_NE(tree.WalkIndex(), nullptr);
    const float lo[6] = {tree.low[0], tree.low[1], tree.low[2], 0, 0, 0};
    const float hi[6] = {1, 1, 1, tree.high[3], tree.high[4], tree.high[5]};
    std::vector<int> got;
    std::vector<float> points;
    tree.WalkIndex()->collect(lo, hi, got, points);
    EXPECT_TRUE(got.empty());
}

// Trees too small to split (the whole index one leaf), just large enough to split once, and
// larger ones whose items all share one box centre (split in the middle of equal keys, down to
// single leaves): the index collects exactly the items the tree finds, for queries that cover
// all of them, some of them and none.
TEST(SmallAndUniformTrees, WalkIndexCollectsWhatTheTreeFinds) {
    RandomBoxes gen{977u};
    const int leaf = qvr::adt::BoxIndex::kLeafSize;
    for (int items : {1, 2, leaf, leaf + 1, 2 * leaf + 1, 100}) {
        for (bool sameCentre : {false, true}) {
            CQvrADT tree{1};
            std::vector<FBox6> boxes;
            tree.SetRange(kDomainLo, kDomainLo, kDomainLo, kDomainHi, kDomainHi, kDomainHi, 1000,
                          1000);
            for (int id = 1; id <= items; ++id) {
                // Boxes of one centre grow with the id, so each query below cuts among them.
                Box6 b = gen.item();
                if (sameCentre)
                    b = {10.0 - id * 0.1, 10.0 - id * 0.1, 10.0 - id * 0.1,
                         10.0 + id * 0.1, 10.0 + id * 0.1, 10.0 + id * 0.1};
                ASSERT_EQ(tree.AddBlock(id, b[0], b[1], b[2], b[3], b[4], b[5]), 0);
                boxes.push_back(qvrtest::enlargedFloatBox(b));
            }
            tree.BuildWalkIndex();
            const qvr::adt::BoxIndex* index = tree.WalkIndex();
            ASSERT_NE(index, nullptr);
            ASSERT_EQ(index->size(), static_cast<std::size_t>(items));
            int partly = 0;
            for (int round = 0; round < 200; ++round) {
                Box6 q = gen.query(boxes);
                if (round == 0)
                    q = {kDomainLo, kDomainLo, kDomainLo, kDomainHi, kDomainHi, kDomainHi};
                if (sameCentre && round % 2 == 1) {
                    const double r = gen.uniform(0.0, 0.1 * items + 1.0);
                    q = {10.0 + r, 10.0, 10.0, 11.0 + r, 11.0, 11.0};
                }
                tree.SearchBlock(q[0], q[1], q[2], q[3], q[4], q[5], 0);
                std::vector<int> want = treeResult(tree, 0);
                std::sort(want.begin(), want.end());
                std::vector<int> got;
                std::vector<float> points;
                collectTreeQuery(tree, *index, q, got, points);
                std::sort(got.begin(), got.end());
                ASSERT_EQ(got, want) << items << " items, round " << round;
                if (round == 0) {
                    ASSERT_EQ(got.size(), static_cast<std::size_t>(items));
                }
                partly += !got.empty() && got.size() < static_cast<std::size_t>(items) ? 1 : 0;
            }
            if (items > 2) {
                EXPECT_GT(partly, 0) << items << " items";
            }
        }
    }
}

}  // namespace
