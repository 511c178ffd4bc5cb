// The kernel's Shell sort and cross product.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "QVROptKer.h"

namespace {

// Sorts entries 1..n of a copy; entry 0 carries sentinels that must survive.
std::pair<std::vector<double>, std::vector<int>> shellSorted(std::vector<double> key,
                                                             std::vector<int> id) {
    CQVROptKer k;
    key.insert(key.begin(), -777.0);
    id.insert(id.begin(), -777);
    k.shellSorting(static_cast<unsigned long>(key.size() - 1), key.data(), id.data());
    EXPECT_EQ(key[0], -777.0);
    EXPECT_EQ(id[0], -777);
    key.erase(key.begin());
    id.erase(id.begin());
    return {key, id};
}

TEST(ShellSort, SmallCountsAndNullArraysChangeNothing) {
    CQVROptKer k;
    double key[2] = {5.0, 1.0};
    int id[2] = {8, 9};
    k.shellSorting(0, key, id);
    k.shellSorting(1, key, id);
    k.shellSorting(4, nullptr, id);
    k.shellSorting(4, key, nullptr);
    EXPECT_EQ(std::make_pair(key[1], id[1]), std::make_pair(1.0, 9));
}

TEST(ShellSort, GapFourThenOneByHand) {
    // n = 6: gaps 4 then 1. Gap 4 swaps (1, 5) and (2, 6): keys 0 1 5 5 1 5, ids 5 6 3 4 1 2;
    // gap 1 then moves id 1 in front of ids 3 and 4. A stable sort would order the ones 1, 6.
    const auto [key, id] = shellSorted({1, 5, 5, 5, 0, 1}, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(key, (std::vector<double>{0, 1, 1, 5, 5, 5}));
    EXPECT_EQ(id, (std::vector<int>{5, 6, 1, 3, 4, 2}));
}

TEST(ShellSort, RandomKeysAscendWithTheirIds) {
    std::mt19937 rng(5u);
    for (int n : {2, 3, 13, 14, 40, 41, 500, 3001}) {
        std::vector<double> key(static_cast<std::size_t>(n));
        std::vector<int> id(static_cast<std::size_t>(n));
        std::uniform_int_distribution<int> few(0, n / 3 + 1);  // many equal keys
        for (int i = 0; i < n; ++i) {
            key[static_cast<std::size_t>(i)] = few(rng) * 0.5 - 3.0;
            id[static_cast<std::size_t>(i)] = i;
        }
        const auto [sk, sid] = shellSorted(key, id);
        ASSERT_TRUE(std::is_sorted(sk.begin(), sk.end())) << n;
        std::vector<int> seen(sid);
        std::sort(seen.begin(), seen.end());
        for (int i = 0; i < n; ++i) ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
        for (std::size_t i = 0; i < sk.size(); ++i)  // each id still carries its own key
            ASSERT_EQ(sk[i], key[static_cast<std::size_t>(sid[i])]);
    }
}

TEST(CrossProduct, UnitVectorsAndAliasing) {
    CQVROptKer k;
    double ax = 1, ay = 0, az = 0, bx = 0, by = 1, bz = 0, cx = 9, cy = 9, cz = 9;
    k.ACrossB(ax, ay, az, bx, by, bz, cx, cy, cz);
    EXPECT_EQ(std::make_tuple(cx, cy, cz), std::make_tuple(0.0, 0.0, 1.0));

    // Result written over a: each component sees the ones written before it.
    // cx = 2*6 - 3*5 = -3; cy = 3*4 - (-3)*6 = 30; cz = (-3)*5 - 30*4 = -135.
    double x = 1, y = 2, z = 3, u = 4, v = 5, w = 6;
    k.ACrossB(x, y, z, u, v, w, x, y, z);
    EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(-3.0, 30.0, -135.0));
}

}  // namespace
