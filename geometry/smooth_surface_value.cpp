// Smoothing of a node value over the skin: faces average their nodes, nodes their faces.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "QVROptKer.h"
#include "geometry/surface_mesh_state.h"

namespace {
// Face counts above this (a count of at least one) replace a node's value.
constexpr double kMinElementCount = 1e-8;
}  // namespace

int CQVROptKer::SmoothSurfaceNodeValue(double* value, int passes) {
    if (value == nullptr) return -1;
    if (!qvr::holdsSkinMesh(*this)) return 1;

    // Everything is allocated before the first pass, so a failed allocation leaves `value`
    // untouched.
    const auto nodes = static_cast<std::size_t>(m_nNode) + 1;
    std::vector<double> faceMean(static_cast<std::size_t>(m_nSurface) + 1, 0.0);
    std::vector<double> nodeSum(nodes);
    std::vector<int> faceCount(nodes);

    for (int pass = 0; pass < passes; ++pass) {
        std::fill(nodeSum.begin(), nodeSum.end(), 0.0);
        std::fill(faceCount.begin(), faceCount.end(), 0);

        // All face means come from the values as they stood before the pass.
        for (int e = 1; e <= m_nSurface; ++e) {
            const CFaceElem& f = m_pSurface[e];
            if (f.nNode < 1) continue;
            double sum = value[f.pNode[1]];
            for (int j = 2; j <= f.nNode; ++j) sum += value[f.pNode[j]];
            faceMean[static_cast<std::size_t>(e)] = sum / f.nNode;
        }
        for (int e = 1; e <= m_nSurface; ++e) {
            const CFaceElem& f = m_pSurface[e];
            for (int j = 1; j <= f.nNode; ++j) {
                const auto n = static_cast<std::size_t>(f.pNode[j]);
                nodeSum[n] += faceMean[static_cast<std::size_t>(e)];
                ++faceCount[n];
            }
        }
        for (int i = 1; i <= m_nNode; ++i) {
            const auto n = static_cast<std::size_t>(i);
            if (faceCount[n] > kMinElementCount) {
                nodeSum[n] = nodeSum[n] / faceCount[n];
                value[i] = nodeSum[n];
            }
        }
    }
    return 1;
}
