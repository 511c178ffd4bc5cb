// Exact thickness: where the ray first leaves the material, found on the actual skin faces, and
// which side of each skin face is outside the part.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "extract/CExtractToolData.h"
#include "extract/ray_triangle.h"
#include "extract/tolerances.h"

using qvr::extract::anyFaceTriangle;
using qvr::extract::kCoincidenceRelative;
using qvr::extract::kPositionRelative;
using qvr::extract::kTangentCosine;
using qvr::extract::longestEdge;
using qvr::extract::RayHitsTriangle;

namespace {

using qvr::Vec3;

bool cellHasNode(const CInnerCell& cell, int node) {
    for (int k = 1; k <= cell.nNode; ++k) {
        if (cell.pNode[k] == node) return true;
    }
    return false;
}

struct Hit {
    double t;
    double cosine;  // between the face's outward normal and the ray: > 0 exit, < 0 entry
};

// How deep the ray gets outside the material between leaving through one face and coming back
// through another: it moves away from the first plane and towards the second at the rates
// of their cosines, so the deepest point lies where the two distances meet.
double excursionDepth(const Hit& exit, const Hit& entry) {
    const double away = exit.cosine, back = -entry.cosine;
    return (entry.t - exit.t) * away * back / (away + back);
}

Vec3 at(const Cnode& n) { return {n.x, n.y, n.z}; }

double distance(const Vec3& a, const Vec3& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                     (a.z - b.z) * (a.z - b.z));
}

}  // namespace

// The side is taken from the cell the face bounds rather than from the corner order, so that
// faces written in either winding are read correctly.
int CExtractToolData::ComputeFaceOrientation() {
    m_faceOutward.assign(static_cast<std::size_t>(m_nSurface) + 1, 1);
    if (!HasMesh()) return 1;

    // Cells around each node, as offsets into one list.
    std::vector<int> first(static_cast<std::size_t>(m_nNode) + 2, 0);
    for (int c = 1; c <= m_nInnerCell; ++c) {
        const CInnerCell& cell = p_Cell[c];
        if (cell.pNode == nullptr) continue;
        for (int k = 1; k <= cell.nNode; ++k) ++first[static_cast<std::size_t>(cell.pNode[k]) + 1];
    }
    for (std::size_t i = 1; i < first.size(); ++i) first[i] += first[i - 1];
    std::vector<int> cells(static_cast<std::size_t>(first.back()), 0);
    std::vector<int> fill(first.begin(), first.end() - 1);
    for (int c = 1; c <= m_nInnerCell; ++c) {
        const CInnerCell& cell = p_Cell[c];
        if (cell.pNode == nullptr) continue;
        for (int k = 1; k <= cell.nNode; ++k) {
            cells[static_cast<std::size_t>(fill[static_cast<std::size_t>(cell.pNode[k])]++)] = c;
        }
    }

    for (int f = 1; f <= m_nSurface; ++f) {
        const CFaceElem& face = m_pSurface[f];
        if (face.nNode < 3 || face.pNode == nullptr) continue;
        const auto node = static_cast<std::size_t>(face.pNode[1]);
        for (int i = first[node]; i < first[node + 1]; ++i) {
            const CInnerCell& cell = p_Cell[cells[static_cast<std::size_t>(i)]];
            bool bounds = true;
            for (int k = 2; k <= face.nNode && bounds; ++k) bounds = cellHasNode(cell, face.pNode[k]);
            if (!bounds) continue;
            const double away = (face.xc - cell.xc) * face.ax + (face.yc - cell.yc) * face.ay +
                                (face.zc - cell.zc) * face.az;
            m_faceOutward[static_cast<std::size_t>(f)] = away < 0.0 ? -1 : 1;
            break;
        }
    }
    return 1;
}

int CExtractToolData::FindExitCrossing(const int* surfaceIds, int nSurfaceIds, double x,
                                       double y, double z, double dx, double dy, double dz,
                                       double& distanceOut) {
    distanceOut = 0.0;
    if (surfaceIds == nullptr || nSurfaceIds < 1 || m_pSurface == nullptr) return 0;
    const double dLength = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(dLength > 0.0)) return 0;

    auto usable = [&](int id) {
        if (id < 1 || id > m_nSurface) return false;
        const CFaceElem& f = m_pSurface[id];
        return (f.nNode == 3 || f.nNode == 4) && f.pNode != nullptr;
    };
    double size = 0.0;
    for (int s = 1; s <= nSurfaceIds; ++s) {
        if (!usable(surfaceIds[s])) continue;
        size = std::max(size, longestEdge(m_pSurface[surfaceIds[s]], m_pNode));
    }
    if (!(size > 0.0)) return 0;
    const double position = std::max({std::fabs(x), std::fabs(y), std::fabs(z)});
    const double tolerance = std::max(kCoincidenceRelative * size, kPositionRelative * position);

    const Vec3 p{x, y, z}, d{dx, dy, dz};
    std::vector<Hit> hits;
    for (int s = 1; s <= nSurfaceIds; ++s) {
        const int id = surfaceIds[s];
        if (!usable(id)) continue;
        const CFaceElem& face = m_pSurface[id];

        bool ownFace = false;
        for (int k = 1; k <= face.nNode; ++k) {
            ownFace = ownFace || distance(at(m_pNode[face.pNode[k]]), p) <= tolerance;
        }
        if (ownFace) continue;

        const double nLength =
            std::sqrt(face.ax * face.ax + face.ay * face.ay + face.az * face.az);
        if (!(nLength > 0.0)) continue;
        const double outward =
            static_cast<std::size_t>(id) < m_faceOutward.size() ? m_faceOutward[static_cast<std::size_t>(id)] : 1;
        const double cosine =
            outward * (face.ax * dx + face.ay * dy + face.az * dz) / (nLength * dLength);
        const double faceSize = longestEdge(face, m_pNode);
        if (std::fabs(cosine) <= kTangentCosine || std::fabs(cosine) * faceSize <= tolerance) {
            continue;
        }

        // A hit behind the node or at it (within the tolerance) does not count: for a
        // quadrilateral the other triangle is tried.
        double t = 0.0;
        const bool hit = anyFaceTriangle(
            face, m_pNode, [&](const Cnode& a, const Cnode& b, const Cnode& c) {
                return RayHitsTriangle(p, d, at(a), at(b), at(c), t, tolerance) && t > tolerance;
            });
        if (hit) hits.push_back({t, cosine});
    }

    std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.t < b.t; });
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (hits[i].cosine < 0.0) continue;  // already inside: an entry changes nothing
        // Leaving here. If the ray comes back in through the next entry without ever getting
        // farther out than the tolerance, it only touched the wall: carry on behind the entry.
        std::size_t entry = i + 1;
        while (entry < hits.size() && hits[entry].cosine > 0.0) ++entry;
        if (entry < hits.size() && excursionDepth(hits[i], hits[entry]) <= tolerance) {
            i = entry;
            continue;
        }
        distanceOut = hits[i].t;
        return 1;
    }
    return 0;
}
