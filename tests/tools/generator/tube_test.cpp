#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "MeshAudit.h"
#include "PartGenerator.h"

using qvr::gen::CellType;
using qvr::gen::TubeSpec;

namespace {

const double kPi = std::acos(-1.0);

// The tube's cross-section lies between two regular n-gons whose sides touch circles of the
// inner and outer radius: each n-gon has area n r^2 tan(pi/n) and perimeter 2 n r tan(pi/n).
struct TubeMeasures {
    double volume, area;
};
TubeMeasures measures(const TubeSpec& tube) {
    const double t = std::tan(kPi / tube.nTheta);
    const double ri = tube.innerRadius, ro = tube.innerRadius + tube.wall;
    const double section = tube.nTheta * t * (ro * ro - ri * ri);
    const double perimeters = 2.0 * tube.nTheta * t * (ri + ro);
    return {section * tube.length, 2.0 * section + perimeters * tube.length};
}

// Inner radius 5, wall 1.5, length 6 on nTheta x 2 x 3 blocks.
TubeSpec smallTube(CellType type, int nTheta) { return {5.0, 1.5, 6.0, nTheta, 2, 3, type}; }

}  // namespace

TEST(Tube, EveryTypeIsConformingAroundTheSeam) {
    for (CellType type :
         {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex, CellType::Mixed}) {
        for (int nTheta : {3, 4, 5, 12, 17}) {
            SCOPED_TRACE(std::string(qvr::gen::cellTypeName(type)) + " around " +
                         std::to_string(nTheta));
            const TubeSpec tube = smallTube(type, nTheta);
            const TubeMeasures expected = measures(tube);
            const nqbio::MeshData mesh = qvr::gen::makeTube(tube);
            expectSoundMesh(mesh, expected.volume, expected.area);
            if (type == CellType::Mixed && nTheta >= 5) {
                for (int n : {4, 5, 6, 8})
                    EXPECT_GT(cellsWithNodes(mesh, n), 0) << n << "-node cells";
            }
        }
    }
}

TEST(Tube, FacetsTouchTheCirclesAtTheirMidChords) {
    const TubeSpec tube = smallTube(CellType::Hex, 12);
    const nqbio::MeshData mesh = qvr::gen::makeTube(tube);
    // A hexahedron tube has only lattice nodes: 12 around, 3 through the wall, 4 along.
    ASSERT_EQ(mesh.nodeCount(), 12 * 3 * 4);
    double nearest = 1e300, farthest = 0.0;
    for (int k = 1; k <= mesh.nodeCount(); ++k) {
        const audit::Point p = audit::point(mesh, k);
        const double r = std::hypot(p[0], p[1]);
        nearest = std::min(nearest, r);
        farthest = std::max(farthest, r);
    }
    const double toCorner = 1.0 / std::cos(kPi / 12);
    EXPECT_NEAR(nearest, 5.0 * toCorner, 1e-5);
    EXPECT_NEAR(farthest, 6.5 * toCorner, 1e-5);
}

TEST(Tube, UnusableSettingsGiveAnEmptyMesh) {
    std::vector<TubeSpec> tubes(7, smallTube(CellType::Hex, 8));
    tubes[0].innerRadius = 0.0;
    tubes[1].wall = -1.0;
    tubes[2].length = std::nan("");
    tubes[3].nTheta = 2;
    tubes[4].nWall = 0;
    tubes[5].nZ = 1 << 30;
    tubes[6].innerRadius = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < tubes.size(); ++k) {
        const nqbio::MeshData mesh = qvr::gen::makeTube(tubes[k]);
        EXPECT_EQ(mesh.nodeCount() + mesh.parts.size(), 0u) << k;
    }
}
