// Candidate elements along a ray, gathered step by step through the near block search.
#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

#include "QVROptKer.h"
#include "kernel/mesh_tables.h"

namespace {

// Directions shorter than this are taken as +z.
constexpr double kShortestDirection = 1e-20;

// Bound on the walk. A walk of valid input ends at the first step whose end point lies outside
// the overall box, so all earlier end points lie in the box, on one line, one step apart: it
// takes at most diagonal / step + 1 steps. The cap allows twice that plus some slack, and never
// more than kStepCeiling steps; it only ends walks that could not end otherwise (a step of
// zero, NaN or next to nothing, set through resetMinMesh).
constexpr double kStepLimitFactor = 2.0;
constexpr double kStepLimitSlack = 16.0;
constexpr double kStepCeiling = 1e8;

double stepLimit(const CQVROptKer& k, double step) {
    const double dx = k.Box_xMax - k.Box_xMin;
    const double dy = k.Box_yMax - k.Box_yMin;
    const double dz = k.Box_zMax - k.Box_zMin;
    const double steps =
        kStepLimitFactor * (std::sqrt(dx * dx + dy * dy + dz * dz) / std::fabs(step)) +
        kStepLimitSlack;
    return steps < kStepCeiling ? steps : kStepCeiling;  // NaN takes the ceiling too
}

struct Point {
    double x, y, z;
};

bool outsideBox(const CQVROptKer& k, const Point& q) {
    return q.x < k.Box_xMin || q.y < k.Box_yMin || q.z < k.Box_zMin || q.x > k.Box_xMax ||
           q.y > k.Box_yMax || q.z > k.Box_zMax;
}

}  // namespace

const int* CQVROptKer::FindPassElemByAnyRay(int& count, double x, double y, double z, double dx,
                                            double dy, double dz, int slot) {
    count = 0;
    if (m_pADTree == nullptr || !qvr::slotInRange(*this, slot)) return qvr::emptySearchList();

    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    Point d{0.0, 0.0, 1.0};
    if (!(length < kShortestDirection)) d = Point{dx / length, dy / length, dz / length};

    std::set<int> passed;
    double h = MinMesh;
    const double limit = stepLimit(*this, h);
    Point p{x, y, z};
    Point q{p.x + h * d.x, p.y + h * d.y, p.z + h * d.z};
    for (double steps = 1.0;; steps += 1.0) {
        const double xmin = d.x < 0.0 ? q.x : p.x, xmax = d.x < 0.0 ? p.x : q.x;
        const double ymin = d.y < 0.0 ? q.y : p.y, ymax = d.y < 0.0 ? p.y : q.y;
        const double zmin = d.z < 0.0 ? q.z : p.z, zmax = d.z < 0.0 ? p.z : q.z;
        int found = 0;
        const int* ids = SearchNearBlockID(xmin, ymin, zmin, xmax, ymax, zmax, found, slot);
        passed.insert(ids, ids + found);

        const bool left = outsideBox(*this, q);
        h = MinMesh;
        const Point next{q.x + h * d.x, q.y + h * d.y, q.z + h * d.z};
        const bool advanced = next.x != q.x || next.y != q.y || next.z != q.z;
        p = q;
        q = next;
        if (found == 0 || left) break;
        if (!advanced || steps >= limit) break;
    }

    // The new list is made before the old one goes: a failed allocation keeps the old list.
    std::unique_ptr<int[]> list(new int[passed.size()]);
    std::copy(passed.begin(), passed.end(), list.get());
    delete[] m_ppPassElemList[slot];
    m_ppPassElemList[slot] = list.release();
    count = static_cast<int>(passed.size());
    return m_ppPassElemList[slot];
}
