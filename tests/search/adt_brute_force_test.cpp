// The tree against a brute-force scan over every item, on random items and query boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "ReferenceBoxes.h"
#include "search/CQvrADT.h"

namespace {

using qvrtest::Box6;
using qvrtest::FBox6;

constexpr double kDomainLo = -20.0;
constexpr double kDomainHi = 80.0;

class RandomBoxes {
public:
    explicit RandomBoxes(unsigned seed) : rng_(seed) {}

    // Item boxes of every shape the tree must handle, all inside the domain: ordinary, flat on
    // one axis, a point, inverted on one axis, long, starting on the domain's lower face.
    Box6 item() {
        const double top = kDomainHi - 6.0;
        const double x = uniform(kDomainLo, top), y = uniform(kDomainLo, top),
                     z = uniform(kDomainLo, top);
        double ex = uniform(0, 5), ey = uniform(0, 5), ez = uniform(0, 5);
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

    // Query boxes: ordinary, flat, inverted, touching a known item box, outside the domain.
    Box6 query(const std::vector<FBox6>& items) {
        const double x = uniform(kDomainLo - 30, kDomainHi + 30);
        const double y = uniform(kDomainLo - 30, kDomainHi + 30);
        const double z = uniform(kDomainLo - 30, kDomainHi + 30);
        const double e = uniform(0, 25);
        Box6 q{x, y, z, x + e * uniform(0, 1), y + e * uniform(0, 1), z + e * uniform(0, 1)};
        switch (pick(7)) {
            case 0: q[3] = q[0]; break;                        // flat
            case 1: std::swap(q[1], q[4]); break;              // inverted on y
            case 2: {                                          // touching an item from above
                const FBox6& it = items[static_cast<std::size_t>(pick(static_cast<int>(items.size())))];
                const int k = pick(3);
                q = {it[0], it[1], it[2], it[3], it[4], it[5]};
                q[static_cast<std::size_t>(k)] = it[static_cast<std::size_t>(k + 3)];
                q[static_cast<std::size_t>(k + 3)] = it[static_cast<std::size_t>(k + 3)] + 1.0;
                break;
            }
            case 3: {                                          // touching an item at a corner
                const FBox6& it = items[static_cast<std::size_t>(pick(static_cast<int>(items.size())))];
                q = {it[3], it[4], it[5], it[3] + 2.0, it[4] + 2.0, it[5] + 2.0};
                break;
            }
            case 4: q = {kDomainHi + 5, 0, 0, kDomainHi + 9, 10, 10}; break;  // outside
            default: break;
        }
        return q;
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }

private:
    std::mt19937 rng_;
};

std::vector<int> treeResult(CQvrADT& t, int slot) {
    std::vector<int> ids;
    const int n = t.GetFoundCount(slot);
    const int* list = t.GetFoundList(slot);
    for (int i = 1; i <= n; ++i) ids.push_back(list[i]);
    return ids;
}

TEST(AdtBruteForce, FindsExactlyTheItemsWhoseEnlargedBoxMeetsTheQuery) {
    RandomBoxes gen(20240611u);
    CQvrADT tree(3);
    // A small capacity and step so that filling grows the tree many times.
    tree.SetRange(kDomainLo, kDomainLo, kDomainLo, kDomainHi, kDomainHi, kDomainHi, 64, 257);

    std::map<int, FBox6> inTree;
    std::vector<FBox6> all;
    int outside = 0;
    // Ids mostly increasing, with gaps and some added out of order within reach.
    std::vector<int> ids;
    for (int id = 1; id <= 4000; ++id) {
        if (gen.pick(5) != 0) ids.push_back(id);
    }
    for (std::size_t i = 0; i + 1 < ids.size(); i += 7) std::swap(ids[i], ids[i + 1]);

    for (int id : ids) {
        Box6 b = gen.item();
        if (gen.pick(25) == 0) {  // leaves the domain at high x, and only there
            b[0] = std::max(b[0], 0.0);
            b[3] = kDomainHi + 10;
        }
        const FBox6 e = qvrtest::enlargedFloatBox(b);
        const int code = tree.AddBlock(id, b[0], b[1], b[2], b[3], b[4], b[5]);
        ASSERT_GE(tree.capacity, id);
        if (code == 0) {
            inTree[id] = e;
            all.push_back(e);
        } else {
            ASSERT_EQ(code, -5) << id;
            ++outside;
        }
        if (gen.pick(50) == 0) {
            EXPECT_EQ(tree.AddBlock(id, 0, 0, 0, 1, 1, 1), code == 0 ? -1 : 0);
            if (code != 0) {
                inTree[id] = qvrtest::enlargedFloatBox({0, 0, 0, 1, 1, 1});
                all.push_back(inTree[id]);
            }
        }
    }
    ASSERT_GT(outside, 0);
    ASSERT_GT(tree.capacity, 64 + 257);

    for (int round = 0; round < 3000; ++round) {
        const Box6 q = gen.query(all);
        const int slot = round % 3;
        tree.SearchBlock(q[0], q[1], q[2], q[3], q[4], q[5], slot);
        std::vector<int> got = treeResult(tree, slot);
        std::sort(got.begin(), got.end());
        ASSERT_TRUE(std::adjacent_find(got.begin(), got.end()) == got.end()) << "repeat";

        std::vector<int> want;
        for (const auto& [id, e] : inTree) {
            if (qvrtest::meets(e, q)) want.push_back(id);
        }
        ASSERT_EQ(got, want) << "round " << round << " query " << q[0] << " " << q[1] << " "
                             << q[2] << " " << q[3] << " " << q[4] << " " << q[5];
    }
}

TEST(AdtBruteForce, SlotsKeepResultsAcrossInterleavedSearches) {
    RandomBoxes gen(7u);
    CQvrADT tree(4);
    tree.SetRange(kDomainLo, kDomainLo, kDomainLo, kDomainHi, kDomainHi, kDomainHi, 1000, 1000);
    std::vector<FBox6> all;
    for (int id = 1; id <= 1500; ++id) {
        const Box6 b = gen.item();
        if (tree.AddBlock(id, b[0], b[1], b[2], b[3], b[4], b[5]) == 0)
            all.push_back(qvrtest::enlargedFloatBox(b));
    }
    std::vector<std::vector<int>> kept(4);
    for (int slot = 0; slot < 4; ++slot) {
        const Box6 q = gen.query(all);
        tree.SearchBlock(q[0], q[1], q[2], q[3], q[4], q[5], slot);
        kept[static_cast<std::size_t>(slot)] = treeResult(tree, slot);
    }
    for (int round = 0; round < 200; ++round) {
        const int slot = gen.pick(4);
        const Box6 q = gen.query(all);
        tree.SearchBlock(q[0], q[1], q[2], q[3], q[4], q[5], slot);
        kept[static_cast<std::size_t>(slot)] = treeResult(tree, slot);
        for (int s = 0; s < 4; ++s) ASSERT_EQ(treeResult(tree, s), kept[static_cast<std::size_t>(s)]);
    }
}

}  // namespace
