#include "profile_stats.h"

#include <algorithm>
#include <cmath>

namespace qvr::cli {

ThicknessStats thicknessStats(const std::vector<NodeProfile>& profiles) {
    std::vector<double> t;
    for (const NodeProfile& p : profiles)
        if (p.crossed) t.push_back(p.thickness);
    ThicknessStats s;
    s.count = static_cast<long long>(t.size());
    if (t.empty()) return s;
    std::sort(t.begin(), t.end());
    s.min = t.front();
    s.max = t.back();
    const std::size_t mid = t.size() / 2;
    s.median = t.size() % 2 ? t[mid] : 0.5 * (t[mid - 1] + t[mid]);
    for (double v : t)
        if (v < kCollapsedThicknessMm) ++s.collapsed;
    return s;
}

long findRepresentative(const std::vector<NodeProfile>& profiles) {
    const ThicknessStats s = thicknessStats(profiles);
    long best = -1;
    double bestGap = 0.0;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const NodeProfile& p = profiles[i];
        if (!p.crossed) continue;
        const double gap = std::fabs(p.thickness - s.median);
        if (best < 0 || gap < bestGap ||
            (gap == bestGap && p.fileNode < profiles[static_cast<std::size_t>(best)].fileNode)) {
            best = static_cast<long>(i);
            bestGap = gap;
        }
    }
    return best;
}

long findProfileNear(const std::vector<NodeProfile>& profiles, double x, double y, double z) {
    long best = -1;
    double bestD2 = 0.0;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const NodeProfile& p = profiles[i];
        if (!p.crossed) continue;
        const double d2 = (p.x - x) * (p.x - x) + (p.y - y) * (p.y - y) + (p.z - z) * (p.z - z);
        if (best < 0 || d2 < bestD2 ||
            (d2 == bestD2 && p.fileNode < profiles[static_cast<std::size_t>(best)].fileNode)) {
            best = static_cast<long>(i);
            bestD2 = d2;
        }
    }
    return best;
}

long findProfileOfNode(const std::vector<NodeProfile>& profiles, long long fileNode) {
    for (std::size_t i = 0; i < profiles.size(); ++i)
        if (profiles[i].fileNode == fileNode) return static_cast<long>(i);
    return -1;
}

MeanProfile meanProfile(const std::vector<NodeProfile>& profiles, int layers) {
    MeanProfile m;
    const std::size_t n = layers > 0 ? static_cast<std::size_t>(layers) : 0;
    m.fraction.resize(n);
    m.mean.assign(n, {});
    for (std::size_t j = 0; j < n; ++j)
        m.fraction[j] = n > 1 ? static_cast<double>(j) / static_cast<double>(n - 1) : 0.0;
    for (const NodeProfile& p : profiles) {
        if (!p.crossed || p.value.size() != n) continue;
        ++m.nodes;
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t k = 0; k < kComponentCount; ++k) m.mean[j][k] += p.value[j][k];
    }
    if (m.nodes > 0)
        for (auto& row : m.mean)
            for (double& v : row) v /= static_cast<double>(m.nodes);
    return m;
}

}  // namespace qvr::cli
