// Exact thickness: where the ray first leaves the material, found on the actual skin faces.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "extract/CExtractToolData.h"
#include "extract/ray_hits_triangle.h"

namespace {

using qvr::extract::Vec3;

// Fraction of the local element size (the longest edge among the faces near the ray) within
// which a face corner counts as the node itself, a hit as being at the node, two hits as
// being at the same place, and a ray as meeting a face it passes just outside. Default 1e-6.
constexpr double kCoincidenceRelative = 1e-6;
// Floor of that tolerance as a fraction of the node's largest coordinate: meshes stored with
// single-precision coordinates place their nodes only to about 6e-8 of that, and a distance
// or a face's slope computed from several such nodes carries a few times that error.
// Default 1e-6.
constexpr double kPositionRelative = 1e-6;
// Cosine between a face's normal and the ray at or below which the ray only grazes the face.
// Default 1e-6. A face is grazed too when the ray's distance from its plane changes by no more
// than the coincidence tolerance across the face.
constexpr double kTangentCosine = 1e-6;
constexpr int kMaxFaceNodes = 4;

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
        const CFaceElem& f = m_pSurface[surfaceIds[s]];
        for (int k = 1; k <= f.nNode; ++k) {
            const int next = k == f.nNode ? 1 : k + 1;
            size = std::max(size, distance(at(m_pNode[f.pNode[k]]), at(m_pNode[f.pNode[next]])));
        }
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

        int l[kMaxFaceNodes + 1] = {};
        bool ownFace = false;
        for (int k = 1; k <= face.nNode; ++k) {
            l[k] = face.pNode[k];
            ownFace = ownFace || distance(at(m_pNode[l[k]]), p) <= tolerance;
        }
        if (ownFace) continue;

        const double nLength =
            std::sqrt(face.ax * face.ax + face.ay * face.ay + face.az * face.az);
        if (!(nLength > 0.0)) continue;
        const double outward =
            static_cast<std::size_t>(id) < m_faceOutward.size() ? m_faceOutward[static_cast<std::size_t>(id)] : 1;
        const double cosine =
            outward * (face.ax * dx + face.ay * dy + face.az * dz) / (nLength * dLength);
        double faceSize = 0.0;
        for (int k = 1; k <= face.nNode; ++k) {
            const int next = k == face.nNode ? 1 : k + 1;
            faceSize = std::max(faceSize, distance(at(m_pNode[l[k]]), at(m_pNode[l[next]])));
        }
        if (std::fabs(cosine) <= kTangentCosine || std::fabs(cosine) * faceSize <= tolerance) {
            continue;
        }

        double t = 0.0;
        bool hit = false;
        if (face.nNode == 3) {
            hit = qvr::extract::RayHitsTriangle(p, d, at(m_pNode[l[1]]), at(m_pNode[l[2]]),
                                                at(m_pNode[l[3]]), t, tolerance);
        } else {
            OrderQuadNodes(id, l);
            hit = qvr::extract::RayHitsTriangle(p, d, at(m_pNode[l[1]]), at(m_pNode[l[2]]),
                                                at(m_pNode[l[3]]), t, tolerance);
            if (!hit || t <= tolerance) {
                hit = qvr::extract::RayHitsTriangle(p, d, at(m_pNode[l[1]]), at(m_pNode[l[2]]),
                                                    at(m_pNode[l[4]]), t, tolerance);
            }
        }
        if (hit && t > tolerance) hits.push_back({t, cosine});
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
