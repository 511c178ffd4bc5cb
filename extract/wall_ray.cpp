// Through-wall or along-wall classification of thickness rays (see wall_ray.h).
#include "extract/wall_ray.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "extract/CExtractToolData.h"
#include "extract/ray_triangle.h"
#include "extract/tolerances.h"
#include "geometry/skin_triangles.h"

namespace qvr::extract {

namespace {

constexpr double kPi = 3.14159265358979323846;

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator*(double s, const Vec3& a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Closest point of triangle (a, b, c) to p, by the triangle's Voronoi regions.
Vec3 closestOnTriangle(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3 ab = b - a, ac = c - a, ap = p - a;
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0.0 && d2 <= 0.0) return a;
    const Vec3 bp = p - b;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0.0 && d4 <= d3) return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0) return a + (d1 / (d1 - d3)) * ab;
    const Vec3 cp = p - c;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0.0 && d5 <= d6) return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0) return a + (d2 / (d2 - d6)) * ac;
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0.0 && (d4 - d3) >= 0.0 && (d5 - d6) >= 0.0)
        return b + ((d4 - d3) / ((d4 - d3) + (d5 - d6))) * (c - b);
    const double sum = va + vb + vc;
    if (!(sum > 0.0)) return a;  // a degenerate triangle: its corner stands for it
    return a + (vb / sum) * ab + (vc / sum) * ac;
}

class SkinDistance {
public:
    explicit SkinDistance(CExtractToolData& tool) : tool_(tool) {}

    // Distance from p to skin face `id` (a quadrilateral as two triangles).
    double toFace(const Vec3& p, int id) const {
        const CFaceElem& f = tool_.m_pSurface[id];
        const auto corner = [&](int k) {
            const Cnode& n = tool_.m_pNode[f.pNode[k]];
            return Vec3{n.x, n.y, n.z};
        };
        double best = distance(p, closestOnTriangle(p, corner(1), corner(2), corner(3)));
        if (f.nNode == 4)
            best =
                std::min(best, distance(p, closestOnTriangle(p, corner(1), corner(3), corner(4))));
        return best;
    }

    // Nearest skin face to p within `limit`, through the hierarchy over the skin facets (each
    // facet leads to its face, whose distance is measured on the face itself). Returns
    // the distance (limit when nothing is nearer) and, when `ids` is given, fills it with the
    // faces whose distance is within `reach` of it.
    double nearest(const Vec3& p, double limit, double reach, std::vector<int>* ids) {
        const double point[3] = {p.x, p.y, p.z};
        const qvr::geom::TriangleBvh& skin = tool_.m_skinHierarchy;
        // One pass: the radius follows the nearest distance so far plus `reach`, so every face
        // within reach of the final nearest one is met on the way.
        double best = limit;
        candidates_.clear();
        skin.visitNear(point, limit + reach, [&](std::uint32_t i, double& radius) {
            const int id = skin.facet(i).item;
            const double d = toFace(p, id);
            if (d < best) {
                best = d;
                radius = d + reach;
            }
            if (ids != nullptr && d <= radius) candidates_.push_back({id, d});
        });
        if (ids != nullptr) {
            ids->clear();
            for (const auto& [id, d] : candidates_)
                if (d <= best + reach) ids->push_back(id);
        }
        return best;
    }

private:
    static double distance(const Vec3& a, const Vec3& b) {
        const Vec3 d = a - b;
        return std::sqrt(dot(d, d));
    }
    CExtractToolData& tool_;
    std::vector<std::pair<int, double>> candidates_;  // faces met within the radius
};

}  // namespace

WallRayMeasure MeasureWallRay(CExtractToolData& tool, int inode) {
    WallRayMeasure m;
    const CRayData& r = tool.m_pRayData[inode];
    const double length = r.pDist[r.nPoint];
    m.crossed = length > 0.0 && length < kNoCrossing;
    if (!m.crossed) return m;
    tool.PrepareWallRays();

    const Vec3 start{r.pX[1], r.pY[1], r.pZ[1]};
    const Vec3 dir{r.dx, r.dy, r.dz};
    const Vec3 exit = start + length * dir;
    SkinDistance skin(tool);
    std::vector<int> ids;

    // The exit face: among the faces at the exit point, the one facing most along the ray.
    // Faces within the exact mode's touching tolerance of the nearest one are at the exit
    // point too (an exit on an edge or corner).
    const double reach = kTouchRelative * std::max(length, std::sqrt(dot(exit, exit)));
    skin.nearest(exit, length, reach, &ids);
    m.exitCosine = -1.0;
    for (int id : ids) {
        const CFaceElem& f = tool.m_pSurface[id];
        const double area = std::sqrt(f.ax * f.ax + f.ay * f.ay + f.az * f.az);
        if (!(area > 0.0)) continue;
        const double outward = tool.m_faceOutward[static_cast<std::size_t>(id)];
        m.exitCosine = std::max(m.exitCosine, outward * dot(Vec3{f.ax, f.ay, f.az}, dir) / area);
    }

    const double average = tool.m_pOptKer->AverageThickness;
    m.averageRatio = average > 0.0 ? length / average : HUGE_VAL;
    if (m.exitCosine < std::cos(kWallExitAngleDeg * kPi / 180.0)) return m;
    if (m.averageRatio <= kWallAverageMultiple) {
        m.throughWall = true;
        return m;
    }
    // The local wall: twice the clearance at the midpoint. Only whether the clearance reaches
    // length / (2 kWallLengthRatio) matters, so the search looks no farther.
    const Vec3 middle = start + (0.5 * length) * dir;
    const double needed = length / (2.0 * kWallLengthRatio);
    const double clearance = skin.nearest(middle, needed, 0.0, nullptr);
    m.lengthRatio = clearance > 0.0 ? length / (2.0 * clearance) : HUGE_VAL;
    m.throughWall = clearance >= needed;
    return m;
}

}  // namespace qvr::extract

void CExtractToolData::PrepareWallRays() {
    if (m_bWallRaysReady.load(std::memory_order_acquire)) return;
    std::lock_guard<std::mutex> lock(m_wallRayMutex);
    if (m_bWallRaysReady.load(std::memory_order_relaxed)) return;
    if (m_faceOutward.size() != static_cast<std::size_t>(m_nSurface) + 1) ComputeFaceOrientation();
    // The exact mode builds the hierarchy with its set-up; the centroid-plane mode has none.
    if (m_skinHierarchy.empty())
        qvr::geom::buildSkinHierarchy(m_pSurface, m_nSurface, m_pNode, m_nNode, m_skinHierarchy);
    m_bWallRaysReady.store(true, std::memory_order_release);
}

int QVR3DExtractTool::GetWallRay(int inode) {
    if (!m_pData->HasRays() || inode < 1 || inode > m_pData->m_nSurfaceNode) return -1;
    return qvr::extract::MeasureWallRay(*m_pData, inode).throughWall ? 1 : 0;
}
