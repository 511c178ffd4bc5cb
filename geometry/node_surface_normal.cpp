// Area-weighted normal at every skin node.
#include <cstddef>
#include <vector>

#include "QVROptKer.h"
#include "geometry/surface_mesh_state.h"
#include "kernel/face_fan.h"
#include "search/progress_log.h"

namespace {

// Element counts above this (a count of at least one) divide the summed vector area.
constexpr double kMinElementCount = 1e-8;

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
    if (!qvr::holdsSkinMesh(*this)) return 1;

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
        if (c > kMinElementCount) {
            nx[i] /= c;
            ny[i] /= c;
            nz[i] /= c;
        }
    }

    qvr::logProgress(m_nPrintLevel, "Compute Node Surface Normal end");
    return 1;
}
