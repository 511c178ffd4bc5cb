// Operations on the skin: the area-weighted normal at every skin node and the smoothing of a
// node value over the skin (faces average their nodes, nodes their faces).
#include <algorithm>
#include <cstddef>
#include <vector>

#include "QVROptKer.h"
#include "kernel/messages.h"

namespace {

// Nodes exist, and so does the skin table when it has faces.
bool holdsSkinMesh(const CQVROptKer& k) {
    return k.m_pNode != nullptr && k.m_nNode >= 0 && k.m_nSurface >= 0 &&
           (k.m_nSurface == 0 || k.m_pSurface != nullptr);
}

}  // namespace

int CQVROptKer::ComputeNodeSurfaceNormal(double* nx, double* ny, double* nz) {
    return static_cast<const CQVROptKer&>(*this).ComputeNodeSurfaceNormal(nx, ny, nz);
}

int CQVROptKer::ComputeNodeSurfaceNormal(double* nx, double* ny, double* nz) const {
    if (nx == nullptr || ny == nullptr || nz == nullptr) return -1;
    if (!holdsSkinMesh(*this)) return 1;

    std::vector<int> faceCount(static_cast<std::size_t>(m_nNode) + 1, 0);

    // Each face's area vector as loading stored it (a fan of triangles from its first corner).
    for (int e = 1; e <= m_nSurface; ++e) {
        const CFaceElem& f = m_pSurface[e];
        for (int j = 1; j <= f.nNode; ++j) {
            const int n = f.pNode[j];
            nx[n] += f.ax;
            ny[n] += f.ay;
            nz[n] += f.az;
            ++faceCount[static_cast<std::size_t>(n)];
        }
    }

    for (int i = 0; i <= m_nNode; ++i) {
        const int c = faceCount[static_cast<std::size_t>(i)];
        if (c > 0) {  // a node on no face keeps its sum
            nx[i] /= c;
            ny[i] /= c;
            nz[i] /= c;
        }
    }

    qvr::msg::progress(m_nPrintLevel, "Compute Node Surface Normal end");
    return 1;
}

int CQVROptKer::SmoothSurfaceNodeValue(double* value, int passes) {
    if (value == nullptr) return -1;
    if (!holdsSkinMesh(*this)) return 1;

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
            if (faceCount[n] > 0) {  // a node on no face keeps its value
                nodeSum[n] = nodeSum[n] / faceCount[n];
                value[i] = nodeSum[n];
            }
        }
    }
    return 1;
}
