// Cell of each sample point in the centroid-plane mode: of the ray's passed cells, the one whose
// centroid is nearest (squared distance as the documented rule computes it), of equally near
// ones the lowest numbered.
//
// Comparing every sample point with every passed cell costs points x cells distances. Instead
// the cells are grouped by where their centroid lies along the ray, and each sample point
// looks at the groups outwards from its own position until no cell of the remaining groups
// can come as near as the best so far: a centroid at position t along the ray lies at least
// |t - u| from a sample point at position u (the ray's direction has unit length). The cut
// keeps a wide margin for the rounding of the positions and distances, so a cell it skips is
// strictly farther than the chosen one and can neither win nor tie; the choice is the same as
// comparing all of them.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "extract/CExtractToolData.h"
#include "extract/tolerances.h"
#include "kernel/prefetch.h"

using qvr::extract::kFarthestSquared;

namespace {

// Below this many usable cells every sample point is compared with every cell: grouping
// would cost more than it saves.
constexpr std::size_t kFewCells = 24;
// Cells per group on average: a sample point then computes a few groups' distances.
constexpr std::size_t kCellsPerGroup = 4;
// Relative margin of the cut, on the scale of the coordinates measured from the node: the
// positions along the ray are dot products, rounded at about 1e-16 of that scale; 1e-9 leaves
// more than six orders of magnitude.
constexpr double kPositionMargin = 1e-9;
// Relative margin on the squared distances (rounded at a few 1e-16, and the direction's
// length within 1e-15 of 1).
constexpr double kSquaredMargin = 1e-12;

// The nearer cell of two candidates by the documented rule with ties to the lower number.
struct Nearest {
    double squared = kFarthestSquared;
    int cell = 0;
    void offer(double d, int c) {
        if (d < squared || (d == squared && c < cell && cell != 0)) {
            squared = d;
            cell = c;
        }
    }
};

}  // namespace

int CExtractToolData::AssignNearestPassedCells(int inode, qvr::extract::RayScratch& scratch) {
    if (m_pRayData == nullptr || inode < 1 || inode > m_nSurfaceNode) return -1;
    CRayData& r = m_pRayData[inode];

    std::vector<int>& cells = scratch.cells;
    cells.clear();
    for (std::size_t k = 1; k < scratch.cellIds.size(); ++k) {
        const int c = scratch.cellIds[k];
        if (c >= 1 && c <= m_nInnerCell) cells.push_back(c);
    }
    const std::size_t n = cells.size();
    scratch.cellData.resize(3 * n);
    double* const xc = scratch.cellData.data();
    double* const yc = xc + n;
    double* const zc = yc + n;
    // The cell records lie anywhere in the table: ask for those well ahead early (a record's
    // centroid may straddle two cache lines). Default 32 cells: a fetch from memory takes as
    // long as this loop over a few dozen cells.
    constexpr std::size_t kPrefetchAhead = 32;
    auto askFor = [this](int c) {
        qvr::prefetch(&p_Cell[c].xc);
        qvr::prefetch(&p_Cell[c].zc);
    };
    const double px = r.pX[1], py = r.pY[1], pz = r.pZ[1];
    const double dx = r.dx, dy = r.dy, dz = r.dz;
    // Each centroid's position along the ray, the scale of the coordinates the positions come
    // from, and their range, as the centroids are read (only where the cells are grouped).
    // `unusable` stays 0 while every position is finite (x - x is NaN for an infinite or NaN
    // x); a position can only be finite where the coordinates it comes from are.
    std::vector<double>& along = scratch.along;
    const bool grouped = n >= kFewCells;
    along.resize(grouped ? n : 0);
    double scale = 0.0, low = 0.0, high = 0.0, unusable = 0.0;
    for (std::size_t i = 0; i < n && i < kPrefetchAhead; ++i) askFor(cells[i]);
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kPrefetchAhead < n) askFor(cells[i + kPrefetchAhead]);
        const CInnerCell& cell = p_Cell[cells[i]];
        xc[i] = cell.xc;
        yc[i] = cell.yc;
        zc[i] = cell.zc;
        if (!grouped) continue;
        const double ex = cell.xc - px, ey = cell.yc - py, ez = cell.zc - pz;
        const double t = ex * dx + ey * dy + ez * dz;
        along[i] = t;
        unusable += t - t;
        scale = std::max(scale, std::fabs(ex) + std::fabs(ey) + std::fabs(ez));
        low = i == 0 ? t : std::min(low, t);
        high = i == 0 ? t : std::max(high, t);
    }
    auto squaredTo = [&](std::size_t i, double x, double y, double z) {
        return (xc[i] - x) * (xc[i] - x) + (yc[i] - y) * (yc[i] - y) + (zc[i] - z) * (zc[i] - z);
    };
    auto allCells = [&](double x, double y, double z) {
        Nearest best;
        for (std::size_t i = 0; i < n; ++i) best.offer(squaredTo(i, x, y, z), cells[i]);
        return best.cell;
    };
    if (!grouped || unusable != 0.0 || !(high > low)) {
        for (int j = 1; j <= r.nPoint; ++j) r.pCellID[j] = allCells(r.pX[j], r.pY[j], r.pZ[j]);
        return 1;
    }

    // Groups by position: a counting sort on a group number that never decreases with the
    // position, so every position in a group is at least every position in the groups before.
    const std::size_t groups = n / kCellsPerGroup;
    const double perGroup = static_cast<double>(groups) / (high - low);
    auto groupOf = [&](double t) {
        const double g = (t - low) * perGroup;
        if (!(g > 0.0)) return std::size_t{0};
        return g < static_cast<double>(groups - 1) ? static_cast<std::size_t>(g) : groups - 1;
    };
    std::vector<int>& start = scratch.groupStart;
    std::vector<int>& groupOfCell = scratch.cellGroup;
    groupOfCell.resize(n);
    start.assign(groups + 2, 0);
    std::vector<double>& groupLow = scratch.groupLow;
    std::vector<double>& groupHigh = scratch.groupHigh;
    groupLow.assign(groups, high);
    groupHigh.assign(groups, low);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t g = groupOf(along[i]);
        groupOfCell[i] = static_cast<int>(g);
        ++start[g + 2];
        groupLow[g] = std::min(groupLow[g], along[i]);
        groupHigh[g] = std::max(groupHigh[g], along[i]);
    }
    // Counts shifted by one place: after the running sum start[g + 1] is where group g begins,
    // and filling moves it to where group g + 1 begins, so start[g] ends as group g's start.
    for (std::size_t g = 2; g <= groups + 1; ++g) start[g] += start[g - 1];
    std::vector<int>& order = scratch.byPosition;
    order.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto g = static_cast<std::size_t>(groupOfCell[i]);
        order[static_cast<std::size_t>(start[g + 1]++)] = static_cast<int>(i);
    }

    for (int j = 1; j <= r.nPoint; ++j) {
        const double x = r.pX[j], y = r.pY[j], z = r.pZ[j];
        const double ex = x - px, ey = y - py, ez = z - pz;
        const double u = ex * dx + ey * dy + ez * dz;
        const double margin =
            kPositionMargin * (scale + std::fabs(ex) + std::fabs(ey) + std::fabs(ez));
        if (!std::isfinite(u) || !std::isfinite(margin)) {
            r.pCellID[j] = allCells(x, y, z);
            continue;
        }
        Nearest best;
        auto scan = [&](std::size_t g) {
            for (int k = start[g]; k < start[g + 1]; ++k) {
                const auto i = static_cast<std::size_t>(order[static_cast<std::size_t>(k)]);
                best.offer(squaredTo(i, x, y, z), cells[i]);
            }
        };
        // Whether a group whose positions lie `gap` or more from u may hold a cell as near as
        // the best so far.
        auto mayHold = [&](double gap) {
            const double clear = gap - margin;
            return !(clear > 0.0 && clear * clear * (1.0 - kSquaredMargin) > best.squared);
        };
        const std::size_t home = groupOf(u);
        scan(home);
        std::size_t below = home, above = home + 1;  // next groups: below - 1 and above
        bool down = below > 0, up = above < groups;
        while (down || up) {
            const double gapDown = down ? u - groupHigh[below - 1] : 0.0;
            const double gapUp = up ? groupLow[above] - u : 0.0;
            if (down && (!up || gapDown <= gapUp)) {
                --below;
                if (start[below] == start[below + 1]) {  // empty
                    down = below > 0;
                } else if (mayHold(gapDown)) {
                    scan(below);
                    down = below > 0;
                } else {
                    down = false;
                }
            } else {
                if (start[above] == start[above + 1]) {
                    ++above;
                    up = above < groups;
                } else if (mayHold(gapUp)) {
                    scan(above);
                    ++above;
                    up = above < groups;
                } else {
                    up = false;
                }
            }
        }
        r.pCellID[j] = best.cell;
    }
    return 1;
}
