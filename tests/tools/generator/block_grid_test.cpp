#include <gtest/gtest.h>

#include <random>

#include "BlockGrid.h"
#include "GeneratorExpectations.h"

using qvr::gen::BlockGrid;
using qvr::gen::BlockKind;

namespace {

constexpr BlockKind kKinds[] = {BlockKind::Empty, BlockKind::Hex, BlockKind::Prism, BlockKind::Tet,
                                BlockKind::Pyramid};

// Unit cubes as blocks.
BlockGrid unitLattice(int n, bool wrap) {
    BlockGrid grid(n, n, n, wrap);
    for (int k = 0; k <= n; ++k) {
        for (int j = 0; j < (wrap ? n : n + 1); ++j) {
            for (int i = 0; i <= n; ++i) grid.setPoint(i, j, k, {double(i), double(j), double(k)});
        }
    }
    return grid;
}

}  // namespace

TEST(BlockGrid, AnyPatternOfKindsComesOutConforming) {
    // Random kinds put every pair of kinds side by side across every face direction.
    constexpr int n = 4;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> pick(0, 4);
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        BlockGrid grid = unitLattice(n, false);
        for (int k = 0; k < n; ++k) {
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) grid.setKind(i, j, k, kKinds[pick(random)]);
            }
        }
        grid.makeConforming();
        // Unit blocks: the volume is the number of solid blocks, the skin area the number of
        // block faces towards an empty block or the outside.
        int solid = 0, exposed = 0;
        for (int k = 0; k < n; ++k) {
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    if (grid.kind(i, j, k) == BlockKind::Empty) continue;
                    ++solid;
                    const int steps[6][3] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                             {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
                    for (const auto& s : steps) {
                        exposed +=
                            grid.kind(i + s[0], j + s[1], k + s[2]) == BlockKind::Empty ? 1 : 0;
                    }
                }
            }
        }
        const nqbio::MeshData mesh = grid.build("mm");
        if (solid == 0) continue;
        expectSoundMesh(mesh, solid, exposed);
    }
}

TEST(BlockGrid, ConformingPassChangesOnlyClashingBlocks) {
    BlockGrid grid = unitLattice(3, false);
    // Row along i: hex | tet | prism. Tet clashes with both neighbours and becomes pyramids;
    // the prism's quadrilateral side then meets a pyramid block, which adapts.
    grid.setKind(0, 0, 0, BlockKind::Hex);
    grid.setKind(1, 0, 0, BlockKind::Tet);
    grid.setKind(2, 0, 0, BlockKind::Prism);
    // Column along k: prism over tet match (same diagonal); prism over hex does not.
    grid.setKind(0, 2, 0, BlockKind::Tet);
    grid.setKind(0, 2, 1, BlockKind::Prism);
    grid.setKind(2, 2, 0, BlockKind::Hex);
    grid.setKind(2, 2, 1, BlockKind::Prism);
    grid.makeConforming();
    EXPECT_EQ(grid.kind(0, 0, 0), BlockKind::Hex);
    EXPECT_EQ(grid.kind(1, 0, 0), BlockKind::Pyramid);
    EXPECT_EQ(grid.kind(2, 0, 0), BlockKind::Prism);
    EXPECT_EQ(grid.kind(0, 2, 0), BlockKind::Tet);
    EXPECT_EQ(grid.kind(0, 2, 1), BlockKind::Prism);
    EXPECT_EQ(grid.kind(2, 2, 0), BlockKind::Hex);
    EXPECT_EQ(grid.kind(2, 2, 1), BlockKind::Pyramid);
    EXPECT_EQ(grid.kind(-1, 0, 0), BlockKind::Empty);
    EXPECT_EQ(grid.kind(0, 0, 3), BlockKind::Empty);
}
