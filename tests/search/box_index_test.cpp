// The ray walk's index over a filled tree: it finds exactly the items the tree's search finds,
// and its visiting ranks put them in the tree's order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "search/CQvrADT.h"
#include "search/box_index.h"

namespace {

constexpr int kDims = 6;

struct Query {
    float lo[6], hi[6];
};

// The tree's query region for a box given as minimum and maximum corner.
Query regionOf(const CQvrADT& t, const double box[6]) {
    Query q;
    for (int k = 0; k < 3; ++k) {
        q.lo[k] = t.low[k];
        q.hi[k] = static_cast<float>(box[k + 3]);
        q.lo[k + 3] = static_cast<float>(box[k]);
        q.hi[k + 3] = t.high[k + 3];
    }
    return q;
}

// Every linked item whose point lies in the region, by a scan of all ids.
std::vector<int> scan(const CQvrADT& t, const Query& q) {
    std::vector<int> ids;
    for (int id = 1; id <= t.stored; ++id) {
        if (t.splitDim[id] == -1) continue;
        const float* p = t.point + kDims * id;
        bool inside = true;
        for (int k = 0; k < kDims; ++k) inside = inside && q.lo[k] <= p[k] && p[k] <= q.hi[k];
        if (inside) ids.push_back(id);
    }
    return ids;
}

// A tree of random boxes of very different sizes, with ids left out, duplicates, boxes outside
// the domain, flat boxes and a NaN box; grown past its first capacity.
void fill(CQvrADT& t, std::mt19937& rng) {
    t.SetRange(-5.0, -2.0, 0.0, 15.0, 8.0, 3.0, 50, 40);
    std::uniform_real_distribution<double> x(-5.0, 15.0), y(-2.0, 8.0), z(0.0, 3.0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int id = 1; id <= 1500; ++id) {
        if (id % 11 == 0) continue;  // a gap in the ids
        const double size = std::pow(10.0, -3.0 + 3.0 * unit(rng));
        const double x0 = x(rng), y0 = y(rng), z0 = z(rng);
        double box[6] = {x0, y0, z0, x0 + size * unit(rng), y0 + size * unit(rng),
                         z0 + (id % 7 == 0 ? 0.0 : size * unit(rng))};
        if (id % 13 == 0) box[3] = 40.0;  // leaves the domain: not linked
        if (id == 57) box[1] = std::numeric_limits<double>::quiet_NaN();
        t.AddBlock(id, box[0], box[1], box[2], box[3], box[4], box[5]);
        if (id % 17 == 0) t.AddBlock(id, 0, 0, 0, 1, 1, 1);  // duplicate: refused
    }
}

TEST(BoxIndex, FindsWhatTheTreeFindsInTheTreesOrder) {
    std::mt19937 rng(12u);
    CQvrADT t(2);
    fill(t, rng);
    t.BuildWalkIndex();
    qvr::adt::BoxIndex* index = t.WalkIndex();
    ASSERT_NE(index, nullptr);

    std::uniform_real_distribution<double> x(-6.0, 16.0), y(-3.0, 9.0), z(-1.0, 4.0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int nonEmpty = 0;
    for (int i = 0; i < 2000; ++i) {
        const double size = std::pow(10.0, -2.0 + 3.0 * unit(rng));
        double box[6] = {x(rng), y(rng), z(rng), 0, 0, 0};
        for (int k = 0; k < 3; ++k) box[k + 3] = box[k] + size * unit(rng);
        if (i % 50 == 0) std::swap(box[0], box[3]);  // inverted on one axis
        if (i == 7) {
            const double all[6] = {-5.0, -2.0, 0.0, 15.0, 8.0, 3.0};
            std::copy(all, all + 6, box);
        }
        const Query q = regionOf(t, box);

        std::vector<int> got;
        std::vector<float> points;
        index->collect(q.lo, q.hi, got, points);
        ASSERT_EQ(points.size(), kDims * got.size());
        for (std::size_t c = 0; c < got.size(); ++c) {
            for (int k = 0; k < kDims; ++k) {
                ASSERT_EQ(points[kDims * c + static_cast<std::size_t>(k)], t.point[kDims * got[c] + k]);
            }
        }
        std::vector<int> sorted = got;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(sorted, scan(t, q)) << "query " << i;
        nonEmpty += got.empty() ? 0 : 1;

        // The tree's own order is the order of the visiting ranks.
        t.SearchBlock(box[0], box[1], box[2], box[3], box[4], box[5], 1);
        const int* list = t.GetFoundList(1);
        const std::vector<int> treeOrder(list + 1, list + 1 + t.GetFoundCount(1));
        std::sort(got.begin(), got.end(), [&](int a, int b) {
            return index->visitRank(a) < index->visitRank(b);
        });
        ASSERT_EQ(got, treeOrder) << "query " << i;
    }
    EXPECT_GT(nonEmpty, 200);
}

TEST(BoxIndex, AnyChangeToTheTreeDropsIt) {
    std::mt19937 rng(3u);
    CQvrADT t(1);
    fill(t, rng);
    t.BuildWalkIndex();
    ASSERT_NE(t.WalkIndex(), nullptr);
    // Refused calls that change nothing keep it.
    EXPECT_EQ(t.AddBlock(0, 0, 0, 0, 1, 1, 1), -8);
    EXPECT_NE(t.WalkIndex(), nullptr);
    t.AddBlock(t.capacity + 1, 0, 0, 0, 1, 1, 1);
    EXPECT_EQ(t.WalkIndex(), nullptr);
    t.BuildWalkIndex();
    t.SetRange(0, 0, 0, 1, 1, 1, 10, 10);
    EXPECT_EQ(t.WalkIndex(), nullptr);

    // An empty tree gives an index that finds nothing.
    t.BuildWalkIndex();
    ASSERT_NE(t.WalkIndex(), nullptr);
    const double box[6] = {0, 0, 0, 1, 1, 1};
    const Query q = regionOf(t, box);
    std::vector<int> got;
    std::vector<float> points;
    t.WalkIndex()->collect(q.lo, q.hi, got, points);
    EXPECT_TRUE(got.empty());
}

}  // namespace
