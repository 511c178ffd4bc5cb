// The sample parts: a plate with ribs and a cut-out, and a tube, of every cell type.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <tuple>

#include "MeshAudit.h"
#include "PartGenerator.h"

using qvr::gen::CellType;
using qvr::gen::PlateSpec;
using qvr::gen::TubeSpec;

namespace {

constexpr CellType kAllTypes[] = {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex,
                                  CellType::Mixed};

PlateSpec defaultPlate(CellType type, bool features) {
    PlateSpec plate;  // 40 x 20 x 2 mm on 20 x 10 x 4 blocks of 2 x 2 x 0.5 mm
    plate.type = type;
    plate.ribs = features;
    plate.hole = features;
    return plate;
}

// Inner radius 5, wall 1.5, length 6 on nTheta x 2 x 3 blocks.
TubeSpec smallTube(CellType type, int nTheta) { return {5.0, 1.5, 6.0, nTheta, 2, 3, type}; }

}  // namespace

TEST(Plate, EveryTypeIsConformingWithClosedOutwardSkin) {
    // Plain: 40*20*2 = 1600 mm3; faces 2*(40*20 + 40*2 + 20*2) = 1840 mm2; a closed shell.
    // With features (two 1-block ribs 2 mm wide, 6 mm high along the 40 mm length; the cut-out
    // 18 x 2 mm, see the layout test): 1600 + 2*40*2*6 - 18*2*2 = 2488 mm3; skin 1840 plus per
    // rib 2*40*6 + 2*2*6, minus the cut-out's two faces 2*18*2, plus its walls 2*(18+2)*2; the
    // cut-out is a handle: Euler number 0.
    for (CellType type : kAllTypes) {
        SCOPED_TRACE(qvr::gen::cellTypeName(type));
        expectSoundMesh(qvr::gen::makePlate(defaultPlate(type, false)), 1600.0, 1840.0, 2);
        expectSoundMesh(qvr::gen::makePlate(defaultPlate(type, true)), 2488.0,
                        1840.0 + 2 * (480.0 + 24.0) - 72.0 + 80.0, 0);
    }
}

TEST(Plate, MixedHoldsAllFourKindsOnAnyGrid) {
    // Odd sizes put the band boundaries and the cut-out in every possible relation.
    for (int nx = 4; nx <= 9; ++nx) {
        for (int nz : {1, 2, 3}) {
            SCOPED_TRACE("nx " + std::to_string(nx) + " nz " + std::to_string(nz));
            PlateSpec plate = defaultPlate(CellType::Mixed, true);
            std::tie(plate.lx, plate.ly, plate.nx, plate.ny, plate.nz) =
                std::tuple(3.0 * nx, 7.0, nx, 7, nz);
            std::tie(plate.ribCount, plate.ribWidth, plate.ribHeight) = std::tuple(1, 1.0, 2.0);
            qvr::gen::PlateLayout layout;
            ASSERT_TRUE(qvr::gen::plateLayout(plate, layout));
            ASSERT_TRUE(layout.hole);
            const double hx = (layout.holeX[1] - layout.holeX[0]) * layout.dx;
            const double hy = (layout.holeY[1] - layout.holeY[0]) * layout.dy;
            const double rib = (layout.ribColumns[0][1] - layout.ribColumns[0][0]) * layout.dy;
            const double volume = plate.lx * plate.ly * plate.thickness +
                                  plate.lx * rib * plate.ribHeight - hx * hy * plate.thickness;
            const double area =
                2.0 * (plate.lx * plate.ly + (plate.lx + plate.ly) * plate.thickness) +
                2.0 * plate.ribHeight * (plate.lx + rib) - 2.0 * hx * hy +
                2.0 * (hx + hy) * plate.thickness;
            const nqbio::MeshData mesh = qvr::gen::makePlate(plate);
            expectSoundMesh(mesh, volume, area, 0);
            for (int n : {4, 5, 6, 8}) EXPECT_GT(cellsWithNodes(mesh, n), 0) << n << "-node cells";
        }
    }
}

TEST(Plate, LayoutOfRibsAndCutOut) {
    qvr::gen::PlateLayout layout;
    ASSERT_TRUE(qvr::gen::plateLayout(defaultPlate(CellType::Hex, true), layout));
    // Ribs at y = 20/3 and 40/3 fall in block columns 3 and 6; 6 mm over 0.5 mm layers.
    EXPECT_EQ(std::make_tuple(layout.nx, layout.dy, layout.ribLayers, layout.ribLayerHeight),
              std::make_tuple(20, 2.0, 12, 0.5));
    EXPECT_EQ(layout.ribColumns, (std::vector<std::array<int, 2>>{{3, 4}, {6, 7}}));
    // x: the middle half of columns 1..18; y: the free runs one block clear of sides and ribs
    // are {1}, {} and {8}; the first of the widest wins.
    ASSERT_TRUE(layout.hole);
    EXPECT_EQ(layout.holeX, (std::array<int, 2>{5, 14}));
    EXPECT_EQ(layout.holeY, (std::array<int, 2>{1, 2}));
    // Wide ribs that overlap merge; a grid too narrow for a cut-out has none.
    PlateSpec wide = defaultPlate(CellType::Hex, true);
    wide.ribCount = 3;
    wide.ribWidth = 6.0;
    ASSERT_TRUE(qvr::gen::plateLayout(wide, layout));
    EXPECT_EQ(layout.ribColumns, (std::vector<std::array<int, 2>>{{1, 9}}));
    EXPECT_FALSE(layout.hole);
}

TEST(Plate, UnusableSettingsGiveAnEmptyMesh) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // A length beyond the limit (2e9) and blocks beyond the limit (100000 x 100000) included.
    const std::function<void(PlateSpec&)> spoil[] = {
        [](PlateSpec& p) { p.lx = 0.0; },       [nan](PlateSpec& p) { p.thickness = nan; },
        [](PlateSpec& p) { p.ly = 2e9; },       [](PlateSpec& p) { p.nx = 0; },
        [](PlateSpec& p) { p.nz = -3; },        [](PlateSpec& p) { p.ribCount = -1; },
        [](PlateSpec& p) { p.ribHeight = -1; }, [](PlateSpec& p) { p.nx = p.ny = 100000; }};
    for (std::size_t k = 0; k < std::size(spoil); ++k) {
        PlateSpec plate = defaultPlate(CellType::Hex, true);
        plate.unit = "cm";
        spoil[k](plate);
        const nqbio::MeshData mesh = qvr::gen::makePlate(plate);
        EXPECT_EQ(
            std::make_tuple(mesh.nodeCount() + mesh.parts.size() + mesh.surfaces.size(), mesh.unit),
            std::make_tuple(0u, "cm"))
            << k;
        qvr::gen::PlateLayout layout;
        layout.nx = -7;
        EXPECT_FALSE(qvr::gen::plateLayout(plate, layout) || layout.nx != -7) << k;
    }
    // Ribs that are switched off need no sizes.
    PlateSpec noRibs = defaultPlate(CellType::Hex, false);
    noRibs.ribHeight = nan;
    EXPECT_FALSE(qvr::gen::makePlate(noRibs).parts.empty());
}

TEST(Plate, SizingFromACellCountAndTypeNames) {
    for (CellType type : kAllTypes) {
        CellType parsed = CellType::Hex;
        ASSERT_TRUE(qvr::gen::parseCellType(qvr::gen::cellTypeName(type), parsed));
        EXPECT_EQ(parsed, type);
        for (const auto& [ribs, wanted] :
             {std::pair{false, 3000LL}, {true, 3000LL}, {false, 40000LL}, {true, 40000LL}}) {
            SCOPED_TRACE(std::string(qvr::gen::cellTypeName(type)) + (ribs ? " ribbed " : " ") +
                         std::to_string(wanted));
            const PlateSpec plate = qvr::gen::plateForCellCount(wanted, type, ribs);
            const double got = static_cast<double>(qvr::gen::makePlate(plate).parts.size());
            EXPECT_TRUE(got > 0.75 * wanted && got < 1.33 * wanted && plate.nz >= 2 &&
                        plate.type == type && plate.ribs == ribs && !plate.hole)
                << got;
            // Blocks close to cubes once there are cells enough for that.
            const double dx = plate.lx / plate.nx, dy = plate.ly / plate.ny,
                         dz = plate.thickness / plate.nz;
            for (double ratio : {dx / dz, dy / dz, dx / dy})
                EXPECT_TRUE(wanted < 40000 || (ratio > 0.6 && ratio < 1.7)) << ratio;
        }
    }
    CellType untouched = CellType::Prism;
    for (const char* text : {"", "Hex", "tets", "hex ", "hexahedron"})
        EXPECT_FALSE(qvr::gen::parseCellType(text, untouched) || untouched != CellType::Prism)
            << text;
    // One hexahedron per block, no ribs: the cell count is the block count.
    const PlateSpec million = qvr::gen::plateForCellCount(1000000, CellType::Hex, false);
    const double cells = static_cast<double>(million.nx) * million.ny * million.nz;
    EXPECT_TRUE(cells > 0.9e6 && cells < 1.1e6 && million.nz >= 8) << cells;
    // Tiny and absurd requests stay usable.
    for (long long wanted : {-5LL, 0LL, 1LL, 7LL}) {
        const PlateSpec plate = qvr::gen::plateForCellCount(wanted, CellType::Tet, true);
        EXPECT_TRUE(plate.nx >= 1 && plate.ny >= 1 && plate.nz >= 2) << wanted;
        EXPECT_FALSE(qvr::gen::makePlate(plate).parts.empty()) << wanted;
    }
    qvr::gen::PlateLayout layout;  // within the block limit, not built here
    EXPECT_TRUE(
        qvr::gen::plateLayout(qvr::gen::plateForCellCount(1LL << 62, CellType::Hex, true), layout));
}

TEST(Tube, EveryTypeIsConformingAroundTheSeamAndTheFacetsTouchTheCircles) {
    for (CellType type : kAllTypes) {
        for (int nTheta : {3, 4, 5, 12, 17}) {
            SCOPED_TRACE(std::string(qvr::gen::cellTypeName(type)) + " around " +
                         std::to_string(nTheta));
            // The cross-section lies between two regular n-gons whose sides touch the circles of
            // the inner and outer radius: area n r^2 tan(pi/n), perimeter 2 n r tan(pi/n). A ring
            // is one handle: Euler number 0.
            const TubeSpec tube = smallTube(type, nTheta);
            const double angle = std::acos(-1.0) / nTheta, t = std::tan(angle), ri = 5.0, ro = 6.5;
            const double section = nTheta * t * (ro * ro - ri * ri);
            const nqbio::MeshData mesh = qvr::gen::makeTube(tube);
            const double area = 2.0 * section + 2.0 * nTheta * t * (ri + ro) * tube.length;
            expectSoundMesh(mesh, section * tube.length, area, 0);
            for (int n : {4, 5, 6, 8})
                EXPECT_TRUE(type != CellType::Mixed || nTheta < 5 || cellsWithNodes(mesh, n) > 0)
                    << n;
        }
    }
    const double inf = std::numeric_limits<double>::infinity();
    for (const TubeSpec& tube :
         {TubeSpec{0.0, 1.5, 6.0, 8, 2, 3}, TubeSpec{5.0, -1.0, 6.0, 8, 2, 3},
          TubeSpec{5.0, 1.5, std::nan(""), 8, 2, 3}, TubeSpec{5.0, 1.5, 6.0, 2, 2, 3},
          TubeSpec{5.0, 1.5, 6.0, 8, 0, 3}, TubeSpec{5.0, 1.5, 6.0, 8, 2, 1 << 30},
          TubeSpec{inf, 1.5, 6.0, 8, 2, 3}}) {
        const nqbio::MeshData mesh = qvr::gen::makeTube(tube);
        EXPECT_EQ(mesh.nodeCount() + mesh.parts.size(), 0u)
            << tube.innerRadius << " " << tube.nTheta;
    }
}
