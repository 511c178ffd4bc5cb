#include <gtest/gtest.h>

#include <algorithm>

#include "PartGenerator.h"

using qvr::gen::CellType;

TEST(PlateSizing, CellCountAndBlockShapeFollowTheRequest) {
    for (CellType type :
         {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex, CellType::Mixed}) {
        for (bool ribs : {false, true}) {
            for (long long wanted : {3000LL, 40000LL}) {
                SCOPED_TRACE(std::string(qvr::gen::cellTypeName(type)) + (ribs ? " ribbed " : " ") +
                             std::to_string(wanted));
                const qvr::gen::PlateSpec spec = qvr::gen::plateForCellCount(wanted, type, ribs);
                EXPECT_EQ(spec.type, type);
                EXPECT_EQ(spec.ribs, ribs);
                EXPECT_FALSE(spec.hole);
                EXPECT_GE(spec.nz, 2);
                const double got = static_cast<double>(qvr::gen::makePlate(spec).parts.size());
                EXPECT_GT(got, 0.75 * static_cast<double>(wanted));
                EXPECT_LT(got, 1.33 * static_cast<double>(wanted));
                // Blocks close to cubes once there are cells enough for that.
                const double dx = spec.lx / spec.nx, dy = spec.ly / spec.ny,
                             dz = spec.thickness / spec.nz;
                if (wanted >= 40000) {
                    for (double ratio : {dx / dz, dy / dz, dx / dy}) {
                        EXPECT_GT(ratio, 0.6);
                        EXPECT_LT(ratio, 1.7);
                    }
                }
            }
        }
    }
}

TEST(PlateSizing, HexahedronGridForAMillionCells) {
    // One hexahedron per block, no ribs: the cell count is the block count.
    const qvr::gen::PlateSpec spec = qvr::gen::plateForCellCount(1000000, CellType::Hex, false);
    const double cells = static_cast<double>(spec.nx) * spec.ny * spec.nz;
    EXPECT_GT(cells, 0.9e6);
    EXPECT_LT(cells, 1.1e6);
    EXPECT_GE(spec.nz, 8);
}

TEST(PlateSizing, TinyAndAbsurdRequestsStayUsable) {
    for (long long wanted : {-5LL, 0LL, 1LL, 7LL}) {
        const qvr::gen::PlateSpec spec = qvr::gen::plateForCellCount(wanted, CellType::Tet, true);
        EXPECT_GE(spec.nx, 1);
        EXPECT_GE(spec.ny, 1);
        EXPECT_GE(spec.nz, 2);
        EXPECT_FALSE(qvr::gen::makePlate(spec).parts.empty()) << wanted;
    }
    const qvr::gen::PlateSpec huge = qvr::gen::plateForCellCount(1LL << 62, CellType::Hex, true);
    qvr::gen::PlateLayout layout;
    EXPECT_TRUE(qvr::gen::plateLayout(huge, layout));  // within the block limit, not built here
}
