#include <algorithm>
#include <cmath>

#include "BlockGrid.h"
#include "BlockPattern.h"
#include "PartGenerator.h"

namespace qvr::gen {
namespace {

bool usableLength(double value) { return value > 0.0 && value <= kMaxLength; }

// Rib block ranges in y, merged where they touch or overlap.
std::vector<std::array<int, 2>> ribColumns(const PlateSpec& params, double dy) {
    std::vector<std::array<int, 2>> ranges;
    const double blocksWide = std::round(params.ribWidth / dy);
    const long long width =
        blocksWide >= params.ny ? params.ny : std::max(1LL, static_cast<long long>(blocksWide));
    for (int r = 0; r < params.ribCount; ++r) {
        const double centre = params.ly * (r + 1) / (params.ribCount + 1);
        const long long column =
            std::min<long long>(params.ny - 1, static_cast<long long>(centre / dy));
        long long begin = column - (width - 1) / 2;
        begin = std::max(0LL, std::min(begin, params.ny - width));
        const long long end = std::min<long long>(params.ny, begin + width);
        ranges.push_back({static_cast<int>(begin), static_cast<int>(end)});
    }
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::array<int, 2>> merged;
    for (const auto& range : ranges) {
        if (!merged.empty() && range[0] <= merged.back()[1]) {
            merged.back()[1] = std::max(merged.back()[1], range[1]);
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}

// The middle half (at least one block) of [first, first + width).
std::array<int, 2> middleHalf(int first, int width) {
    const int half = std::max(1, width / 2);
    const int begin = first + (width - half) / 2;
    return {begin, begin + half};
}

void placeHole(PlateLayout& layout) {
    const int roomX = layout.nx - 2;
    if (roomX < 1) return;
    // Free runs of columns between the sides and the ribs, one block clear of each.
    int bestFirst = 0, bestWidth = 0;
    int free = 0;
    auto consider = [&](int end) {
        const int width = end - 1 - (free + 1);
        if (width > bestWidth) {
            bestFirst = free + 1;
            bestWidth = width;
        }
    };
    for (const auto& rib : layout.ribColumns) {
        consider(rib[0]);
        free = rib[1];
    }
    consider(layout.ny);
    if (bestWidth < 1) return;
    layout.hole = true;
    layout.holeX = middleHalf(1, roomX);
    layout.holeY = middleHalf(bestFirst, bestWidth);
}

bool inRange(int index, const std::array<int, 2>& range) {
    return index >= range[0] && index < range[1];
}

}  // namespace

bool plateLayout(const PlateSpec& params, PlateLayout& layout) {
    if (!usableLength(params.lx) || !usableLength(params.ly) || !usableLength(params.thickness)) {
        return false;
    }
    if (params.nx < 1 || params.ny < 1 || params.nz < 1) return false;
    const bool ribs = params.ribs && params.ribCount > 0;
    if (params.ribs && params.ribCount < 0) return false;
    if (ribs && (!usableLength(params.ribHeight) || !usableLength(params.ribWidth))) return false;

    PlateLayout result;
    result.nx = params.nx;
    result.ny = params.ny;
    result.nz = params.nz;
    result.dx = params.lx / params.nx;
    result.dy = params.ly / params.ny;
    result.dz = params.thickness / params.nz;
    double layers = 0.0;
    if (ribs) {
        layers = std::max(1.0, std::round(params.ribHeight / result.dz));
        if (!(layers <= static_cast<double>(kMaxBlocks))) return false;
    }
    const double blocks = static_cast<double>(params.nx) * params.ny * (params.nz + layers);
    if (blocks > static_cast<double>(kMaxBlocks)) return false;
    if (ribs) {
        result.ribLayers = static_cast<int>(layers);
        result.ribLayerHeight = params.ribHeight / layers;
        result.ribColumns = ribColumns(params, result.dy);
    }
    if (params.hole) placeHole(result);
    layout = std::move(result);
    return true;
}

nqbio::MeshData makePlate(const PlateSpec& params) {
    PlateLayout layout;
    if (!plateLayout(params, layout)) {
        nqbio::MeshData empty;
        empty.unit = params.unit;
        return empty;
    }
    const int layers = layout.nz + layout.ribLayers;
    BlockGrid grid(layout.nx, layout.ny, layers, false);
    for (int k = 0; k <= layers; ++k) {
        const double z = k <= layout.nz
                             ? params.thickness * k / layout.nz
                             : params.thickness + layout.ribLayerHeight * (k - layout.nz);
        for (int j = 0; j <= layout.ny; ++j) {
            for (int i = 0; i <= layout.nx; ++i) {
                grid.setPoint(i, j, k, {params.lx * i / layout.nx, params.ly * j / layout.ny, z});
            }
        }
    }
    std::vector<bool> ribColumn(static_cast<std::size_t>(layout.ny), false);
    for (const auto& rib : layout.ribColumns) {
        for (int j = rib[0]; j < rib[1]; ++j) ribColumn[static_cast<std::size_t>(j)] = true;
    }
    for (int k = 0; k < layers; ++k) {
        for (int j = 0; j < layout.ny; ++j) {
            for (int i = 0; i < layout.nx; ++i) {
                const bool solid =
                    k < layout.nz
                        ? !(layout.hole && inRange(i, layout.holeX) && inRange(j, layout.holeY))
                        : static_cast<bool>(ribColumn[static_cast<std::size_t>(j)]);
                if (solid) grid.setKind(i, j, k, blockKind(params.type, i, layout.nx, false, k));
            }
        }
    }
    grid.makeConforming();
    return grid.build(params.unit);
}

PlateSpec plateForCellCount(long long cells, CellType type, bool ribs) {
    constexpr int kMinLayers = 2;
    PlateSpec params;
    params.type = type;
    params.ribs = ribs;
    // Half the refusal limit leaves room for the rounding of the grid sizes.
    const double maxBlocks = static_cast<double>(kMaxBlocks / 2);
    const double blocks =
        std::clamp(static_cast<double>(cells) / cellsPerBlock(type), 1.0, maxBlocks);

    // Cubic blocks fill the part's volume...
    const double ribVolume =
        ribs ? params.ribCount * params.ribWidth * params.lx * params.ribHeight : 0.0;
    const double density =
        std::cbrt(blocks / (params.lx * params.ly * params.thickness + ribVolume));
    params.nz =
        static_cast<int>(std::max<double>(kMinLayers, std::round(params.thickness * density)));
    // ...then the in-plane density q (blocks per mm) is set from the layers: the plate holds
    // q^2 lx ly nz blocks, the ribs ribCount * max(1, ribWidth q) * lx q * ribLayers.
    const double layers =
        ribs ? std::max(1.0, std::round(params.ribHeight * params.nz / params.thickness)) : 0.0;
    const double plateTerm = params.lx * params.ly * params.nz;
    const double ribTerm = ribs ? params.ribCount * params.lx * layers : 0.0;
    double q = std::sqrt(blocks / (plateTerm + ribTerm * params.ribWidth));
    if (ribs && params.ribWidth * q < 1.0) {
        q = (-ribTerm + std::sqrt(ribTerm * ribTerm + 4.0 * plateTerm * blocks)) /
            (2.0 * plateTerm);
    }
    // The lattice spans the ribs' height over the whole plate; keep it within the limit.
    const double lattice = params.lx * q * params.ly * q * (params.nz + layers);
    if (lattice > maxBlocks) q *= std::sqrt(maxBlocks / lattice);
    params.nx = static_cast<int>(std::max(1.0, std::round(params.lx * q)));
    params.ny = static_cast<int>(std::max(1.0, std::round(params.ly * q)));
    return params;
}

}  // namespace qvr::gen
