// Operations on the skin: the area-weighted normal at every skin node and the smoothing of a
// node value over the skin (faces average their nodes, nodes their faces).
#include <algorithm>
#include <cstddef>
#include <vector>

#include "QVROptKer.h"
#include "kernel/face_fan.h"
#include "kernel/progress_log.h"

namespace {

// Nodes exist, and so does the skin table when it has faces.
bool holdsSkinMesh(const CQVROptKer& k) {
    return k.m_pNode != nullptr && k.m_nNode >= 0 && k.m_nSurface >= 0 &&
           (k.m_nSurface == 0 || k.m_pSurface != nullptr);
}

struct Vec {
    double x = 0.0, y = 0.0, z = 0.0;
};

// Vector area of a face as a fan of triangles (1, k, k + 1) from its first corner; zero for
// a face of two corners or fewer.
Vec vectorArea(const CFaceElem& f, const Cnode* nodes) {
    Vec s;
    qvr::forEachFanTriangle(f, nodes, [&s](double cx, double cy, double cz) {
        s.x += 0.5 * cx;
        s.y += 0.5 * cy;
        s.z += 0.5 * cz;
    });
    return s;
}

}  // namespace

int CQVROptKer::ComputeNodeSurfaceNormal(double* nx, double* ny, double* nz) {
    if (nx == nullptr || ny == nullptr || nz == nullptr) return -1;
    if (!holdsSkinMesh(*this)) return 1;

    const auto faces = static_cast<std::size_t>(m_nSurface) + 1;
    std::vector<Vec> area(faces);
    std::vector<int> faceCount(static_cast<std::size_t>(m_nNode) + 1, 0);

    for (int e = 1; e <= m_nSurface; ++e) area[static_cast<std::size_t>(e)] = vectorArea(m_pSurface[e], m_pNode);

    for (int e = 1; e <= m_nSurface; ++e) {
        const CFaceElem& f = m_pSurface[e];
        const Vec& s = area[static_cast<std::size_t>(e)];
        for (int j = 1; j <= f.nNode; ++j) {
            const int n = f.pNode[j];
            nx[n] += s.x;
            ny[n] += s.y;
            nz[n] += s.z;
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

    qvr::logProgress(m_nPrintLevel, "Compute Node Surface Normal end");
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
