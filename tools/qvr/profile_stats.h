// Figures over the profiles of one extraction: thickness statistics, the representative node,
// the mean profile.
#ifndef QVR_CLI_PROFILE_STATS_H
#define QVR_CLI_PROFILE_STATS_H

#include <array>
#include <vector>

#include "extraction_run.h"

namespace qvr::cli {

// Thicknesses below this (mm) are a collapsed measurement (a rounding residue), not a wall.
constexpr double kCollapsedThicknessMm = 1e-6;

struct ThicknessStats {
    long long count = 0;       // rays that crossed
    double min = 0, median = 0, max = 0;  // mm, over the rays that crossed
    long long collapsed = 0;   // of those, thinner than kCollapsedThicknessMm
};
ThicknessStats thicknessStats(const std::vector<NodeProfile>& profiles);

// Index of the profile whose ray crossed and whose thickness lies closest to the median (the
// lowest node number among equals); -1 when no ray crossed.
long findRepresentative(const std::vector<NodeProfile>& profiles);
// Index of the profile whose ray crossed and whose node lies nearest to the point (the lowest
// node number among equals); -1 when no ray crossed.
long findProfileNear(const std::vector<NodeProfile>& profiles, double x, double y, double z);
// Index of the profile of a file node number, -1 when it has none.
long findProfileOfNode(const std::vector<NodeProfile>& profiles, long long fileNode);

// Mean over the rays that crossed, per sample point; the points sit at the same fractions of
// the thickness on every ray.
struct MeanProfile {
    long long nodes = 0;
    std::vector<double> fraction;  // (j - 1) / (layers - 1)
    std::vector<std::array<double, kComponentCount>> mean;
};
MeanProfile meanProfile(const std::vector<NodeProfile>& profiles, int layers);

}  // namespace qvr::cli

#endif
