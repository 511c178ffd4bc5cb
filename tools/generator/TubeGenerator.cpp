#include <cmath>

#include "BlockGrid.h"
#include "BlockPattern.h"
#include "PartGenerator.h"

namespace qvr::gen {

nqbio::MeshData makeTube(const TubeSpec& spec) {
    const bool sizesUsable = spec.innerRadius > 0.0 && spec.wall > 0.0 && spec.length > 0.0 &&
                             spec.innerRadius + spec.wall <= kMaxLength &&
                             spec.length <= kMaxLength;
    const bool gridUsable =
        spec.nTheta >= 3 && spec.nWall >= 1 && spec.nZ >= 1 &&
        static_cast<double>(spec.nTheta) * spec.nWall * spec.nZ <= static_cast<double>(kMaxBlocks);
    if (!sizesUsable || !gridUsable) return {};

    const double pi = std::acos(-1.0);
    // Nodes sit outside the true circle so that the facets touch it at their mid-chords.
    const double toCorner = 1.0 / std::cos(pi / spec.nTheta);
    BlockGrid grid(spec.nWall, spec.nTheta, spec.nZ, true);
    for (int k = 0; k <= spec.nZ; ++k) {
        const double z = spec.length * k / spec.nZ;
        for (int j = 0; j < spec.nTheta; ++j) {
            const double angle = 2.0 * pi * j / spec.nTheta;
            for (int i = 0; i <= spec.nWall; ++i) {
                const double radius = (spec.innerRadius + spec.wall * i / spec.nWall) * toCorner;
                grid.setPoint(i, j, k, {radius * std::cos(angle), radius * std::sin(angle), z});
            }
        }
    }
    for (int k = 0; k < spec.nZ; ++k) {
        for (int j = 0; j < spec.nTheta; ++j) {
            for (int i = 0; i < spec.nWall; ++i) {
                grid.setKind(i, j, k, blockKind(spec.type, j, spec.nTheta, true, k));
            }
        }
    }
    grid.makeConforming();
    return grid.build("mm");
}

}  // namespace qvr::gen
