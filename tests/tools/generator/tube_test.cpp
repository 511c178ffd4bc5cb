#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "GeneratorExpectations.h"
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
TubeMeasures measures(const TubeSpec& spec) {
    const double t = std::tan(kPi / spec.nTheta);
    const double ri = spec.innerRadius, ro = spec.innerRadius + spec.wall;
    const double section = spec.nTheta * t * (ro * ro - ri * ri);
    const double perimeters = 2.0 * spec.nTheta * t * (ri + ro);
    return {section * spec.length, 2.0 * section + perimeters * spec.length};
}

TubeSpec smallTube(CellType type, int nTheta) {
    TubeSpec spec;
    spec.innerRadius = 5.0;
    spec.wall = 1.5;
    spec.length = 6.0;
    spec.nTheta = nTheta;
    spec.nWall = 2;
    spec.nZ = 3;
    spec.type = type;
    return spec;
}

}  // namespace

TEST(Tube, EveryTypeIsConformingAroundTheSeam) {
    for (CellType type :
         {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex, CellType::Mixed}) {
        for (int nTheta : {3, 4, 5, 12, 17}) {
            SCOPED_TRACE(std::string(qvr::gen::cellTypeName(type)) + " around " +
                         std::to_string(nTheta));
            const TubeSpec spec = smallTube(type, nTheta);
            const TubeMeasures expected = measures(spec);
            const nqbio::MeshData mesh = qvr::gen::makeTube(spec);
            expectSoundMesh(mesh, expected.volume, expected.area);
            if (type == CellType::Mixed && nTheta >= 5) {
                for (int n : {4, 5, 6, 8})
                    EXPECT_GT(cellsWithNodes(mesh, n), 0) << n << "-node cells";
            }
        }
    }
}

TEST(Tube, FacetsTouchTheCirclesAtTheirMidChords) {
    const TubeSpec spec = smallTube(CellType::Hex, 12);
    const nqbio::MeshData mesh = qvr::gen::makeTube(spec);
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
    std::vector<TubeSpec> specs(6, smallTube(CellType::Hex, 8));
    specs[0].innerRadius = 0.0;
    specs[1].wall = -1.0;
    specs[2].length = std::nan("");
    specs.push_back(smallTube(CellType::Hex, 8));
    specs.back().innerRadius = std::numeric_limits<double>::infinity();
    specs[3].nTheta = 2;
    specs[4].nWall = 0;
    specs[5].nZ = 1 << 30;
    for (std::size_t k = 0; k < specs.size(); ++k) {
        const nqbio::MeshData mesh = qvr::gen::makeTube(specs[k]);
        EXPECT_EQ(mesh.nodeCount(), 0) << k;
        EXPECT_TRUE(mesh.parts.empty()) << k;
    }
}
