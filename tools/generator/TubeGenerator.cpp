#include <cmath>

#include "BlockGrid.h"
#include "BlockPattern.h"
#include "PartGenerator.h"

namespace qvr::gen {

nqbio::MeshData makeTube(const TubeSpec& params) {
    const bool sizesUsable = params.innerRadius > 0.0 && params.wall > 0.0 && params.length > 0.0 &&
                             params.innerRadius + params.wall <= kMaxLength &&
                             params.length <= kMaxLength;
    const bool gridUsable = params.nTheta >= 3 && params.nWall >= 1 && params.nZ >= 1 &&
                            static_cast<double>(params.nTheta) * params.nWall * params.nZ <=
                                static_cast<double>(kMaxBlocks);
    if (!sizesUsable || !gridUsable) return {};

    const double pi = std::acos(-1.0);
    // Nodes sit outside the true circle so that the facets touch it at their mid-chords.
    const double toCorner = 1.0 / std::cos(pi / params.nTheta);
    BlockGrid grid(params.nWall, params.nTheta, params.nZ, true);
    for (int k = 0; k <= params.nZ; ++k) {
        const double z = params.length * k / params.nZ;
        for (int j = 0; j < params.nTheta; ++j) {
            const double angle = 2.0 * pi * j / params.nTheta;
            for (int i = 0; i <= params.nWall; ++i) {
                const double radius =
                    (params.innerRadius + params.wall * i / params.nWall) * toCorner;
                grid.setPoint(i, j, k, {radius * std::cos(angle), radius * std::sin(angle), z});
            }
        }
    }
    for (int k = 0; k < params.nZ; ++k) {
        for (int j = 0; j < params.nTheta; ++j) {
            for (int i = 0; i < params.nWall; ++i) {
                grid.setKind(i, j, k, blockKind(params.type, j, params.nTheta, true, k));
            }
        }
    }
    grid.makeConforming();
    return grid.build("mm");
}

}  // namespace qvr::gen
