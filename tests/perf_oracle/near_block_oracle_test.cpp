// The near block search against the tree's own search, bit for bit and in the tree's order, on
// boxes of every size: the indexed answer for small boxes, the tree's for large ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "OracleParts.h"
#include "QVROptKer.h"
#include "search/CQvrADT.h"

namespace {

std::vector<int> treeSearch(CQvrADT& tree, const double b[6], int slot) {
    tree.SearchBlock(b[0], b[1], b[2], b[3], b[4], b[5], slot);
    const int found = tree.GetFoundCount(slot);
    const int* list = tree.GetFoundList(slot);
    return found > 0 ? std::vector<int>(list + 1, list + 1 + found) : std::vector<int>{};
}

TEST(NearBlockOracle, EveryBoxGivesTheTreesListInTheTreesOrder) {
    const std::vector<oracle::NamedPart> parts = oracle::testParts();
    for (std::size_t p : {std::size_t{0}, std::size_t{3}, std::size_t{5}, std::size_t{8}}) {
        CQVROptKer k;
        ASSERT_TRUE(oracle::loadPart(parts[p].mesh, k));
        ASSERT_EQ(k.InitialzeSearch(2), 1);
        std::mt19937 rng(70u + static_cast<unsigned>(p));
        std::uniform_real_distribution<double> u(-0.1, 1.1), unit(0.0, 1.0);
        const double ex = k.Box_xMax - k.Box_xMin, ey = k.Box_yMax - k.Box_yMin,
                     ez = k.Box_zMax - k.Box_zMin;
        int large = 0, small = 0;
        for (int q = 0; q < 600; ++q) {
            // Sizes from a fraction of a step to the whole part.
            const double size = k.MinMesh * std::pow(10.0, 3.5 * unit(rng));
            double b[6] = {k.Box_xMin + u(rng) * ex, k.Box_yMin + u(rng) * ey,
                           k.Box_zMin + u(rng) * ez, 0.0, 0.0, 0.0};
            for (int a = 0; a < 3; ++a) b[a + 3] = b[a] + size * unit(rng);
            if (q % 40 == 0) std::swap(b[1], b[4]);  // inverted on one axis
            if (q == 1) b[2] = std::nan("");
            if (q % 50 == 3) {
                // Most of the part: the tree answers.
                const double all[6] = {k.Box_xMin, k.Box_yMin, k.Box_zMin,
                                       k.Box_xMax, k.Box_yMax, k.Box_zMax - 0.1 * q / 600.0 * ez};
                std::copy(all, all + 6, b);
            }
            const int slot = q % 2;
            const std::vector<int> want = treeSearch(*k.m_pADTree, b, slot);
            int count = -1;
            const int* got = k.SearchNearBlockID(b[0], b[1], b[2], b[3], b[4], b[5], count, slot);
            ASSERT_EQ(std::vector<int>(got, got + count), want) << parts[p].name << " box " << q;
            ASSERT_EQ(treeSearch(*k.m_pADTree, b, slot), want);
            const auto share = static_cast<std::size_t>(k.m_nSurface + k.m_nInnerCell) / 16;
            (want.size() > share ? large : small) += 1;
        }
        EXPECT_GT(small, 100) << parts[p].name;
        EXPECT_GT(large, 10) << parts[p].name;
    }
}

}  // namespace
