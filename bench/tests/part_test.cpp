// The generated parts the benchmarks run on: labels, ray sampling, inward rays, and the tree
// boxes the anchors take over.
#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "bench_part.h"
#include "tree_boxes.h"

namespace {

using namespace qvr::bench;

TEST(PartLabels, PowersOfTenAreWrittenAsExponents) {
    EXPECT_EQ(sizeLabel(10000), "1e4");
    EXPECT_EQ(sizeLabel(1000000), "1e6");
    EXPECT_EQ(sizeLabel(1), "1");
    EXPECT_EQ(sizeLabel(20000), "20000");
    EXPECT_EQ(sizeLabel(12345), "12345");
    EXPECT_EQ(partLabel({qvr::gen::CellType::Tet, 100000}), "tet/1e5");
}

RaySet numbered(int n) {
    RaySet r;
    for (int i = 1; i <= n; ++i) r.add(i, i, 0, 0, 0, 0, 1);
    return r;
}

TEST(RaySpread, TakesTheMiddleOfEqualRunsAndKeepsSmallSetsWhole) {
    const RaySet r = numbered(10);
    const RaySet two = r.spread(2);  // runs 1..5 and 6..10
    ASSERT_EQ(two.count, 2);
    EXPECT_EQ(two.node[1], 3);
    EXPECT_EQ(two.node[2], 8);
    EXPECT_EQ(two.x[2], 8.0);

    const RaySet all = r.spread(10);
    EXPECT_EQ(all.node, r.node);
    EXPECT_EQ(r.spread(50).count, 10);

    const RaySet many = numbered(1000).spread(7);
    std::set<int> distinct(many.node.begin() + 1, many.node.end());
    EXPECT_EQ(distinct.size(), 7u);
    EXPECT_EQ(many.node[0], 0);  // entry 0 stays unused, as SetSurfaceNode expects
}

class SmallPart : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        part_ =
            preparePart({qvr::gen::CellType::Hex, 2000}, writePart({qvr::gen::CellType::Hex, 2000}))
                .release();
    }
    static void TearDownTestSuite() { delete part_; }
    static Part* part_;
};
Part* SmallPart::part_ = nullptr;

TEST_F(SmallPart, FilesAndTablesDescribeTheSameMesh) {
    const Part& p = *part_;
    EXPECT_EQ(p.kernel->m_nInnerCell, p.files->cells);
    EXPECT_EQ(p.kernel->m_nSurface, p.files->faces);
    EXPECT_GT(p.files->textBytes, 0u);
    EXPECT_GT(p.files->binaryBytes, 0u);
    EXPECT_EQ(static_cast<int>(p.queries.size()), kQueryCount);
    EXPECT_EQ(p.sample.count, std::min(kRaySampleSize, p.skin.count));
    EXPECT_FALSE(p.surfaceNodesSampled());
    EXPECT_EQ(p.surfaceNodeRays.count, p.skin.count);
}

// Every skin node of the plate, and only those, gets a ray; on the flat bottom (z = 0, away
// from the plate's edges) the inward ray points straight up.
TEST_F(SmallPart, RaysStartAtSkinNodesAndPointIntoThePart) {
    const Part& p = *part_;
    const CQVROptKer& k = *p.kernel;
    std::set<int> skinNodes;
    for (int f = 1; f <= k.m_nSurface; ++f)
        for (int c = 1; c <= k.m_pSurface[f].nNode; ++c) skinNodes.insert(k.m_pSurface[f].pNode[c]);
    EXPECT_EQ(static_cast<int>(skinNodes.size()), p.skin.count);

    int bottom = 0;
    for (int i = 1; i <= p.skin.count; ++i) {
        const auto j = static_cast<std::size_t>(i);
        EXPECT_TRUE(skinNodes.count(p.skin.node[j]));
        const Cnode& n = k.m_pNode[p.skin.node[j]];
        EXPECT_EQ(p.skin.x[j], n.x);
        const bool inner = n.x > 1e-9 && n.x < 40 - 1e-9 && n.y > 1e-9 && n.y < 20 - 1e-9;
        if (n.z == 0.0 && inner) {
            ++bottom;
            EXPECT_GT(p.skin.dz[j], 0.0);
            EXPECT_NEAR(p.skin.dx[j], 0.0, 1e-12 * std::fabs(p.skin.dz[j]));
            EXPECT_NEAR(p.skin.dy[j], 0.0, 1e-12 * std::fabs(p.skin.dz[j]));
        }
    }
    EXPECT_GT(bottom, 0);
}

// The anchors answer the queries from the tree's own boxes; a brute-force count over those
// boxes must find what the tree finds, query by query.
TEST_F(SmallPart, TreeBoxesAnswerTheQueriesAsTheTreeDoes) {
    Part& p = *part_;
    const TreeBoxes boxes = treeBoxes(*p.kernel);
    EXPECT_EQ(boxes.count(), p.kernel->m_nSurface + p.kernel->m_nInnerCell);
    const std::vector<int> expected = treeFoundCounts(p);
    long long total = 0;
    for (std::size_t q = 0; q < p.queries.size(); ++q) {
        const auto b = floatQuery(p.queries[q]);
        int found = 0;
        for (int i = 0; i < boxes.count(); ++i) {
            const float* x = &boxes.box[6 * static_cast<std::size_t>(i)];
            found += x[0] <= b[3] && x[1] <= b[4] && x[2] <= b[5] && b[0] <= x[3] && b[1] <= x[4] &&
                     b[2] <= x[5];
        }
        ASSERT_EQ(found, expected[q]) << "query " << q;
        total += found;
    }
    EXPECT_GE(total, static_cast<long long>(p.queries.size()));  // centred on cells: never empty
}

}  // namespace
