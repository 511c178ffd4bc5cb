// Line and ray tests against skin triangles, and the split of a quadrilateral skin face into the
// two triangles both thickness modes test.
//
// The exact mode's test shears the ray so that it runs along one coordinate axis; the three edge
// functions of the projected triangle then decide the hit, and a shared edge gives the same edge
// function (up to sign) in both of its triangles, so no ray slips through between them.
#include "extract/ray_triangle.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "extract/tolerances.h"

namespace qvr::extract {

namespace {

double component(const Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// Distance of q from the segment a-b.
double segmentDistance(const Vec3& q, const Vec3& a, const Vec3& b) {
    const Vec3 ab{b.x - a.x, b.y - a.y, b.z - a.z}, aq{q.x - a.x, q.y - a.y, q.z - a.z};
    const double length2 = ab.x * ab.x + ab.y * ab.y + ab.z * ab.z;
    double s = length2 > 0.0 ? (aq.x * ab.x + aq.y * ab.y + aq.z * ab.z) / length2 : 0.0;
    s = s < 0.0 ? 0.0 : s > 1.0 ? 1.0 : s;
    const Vec3 r{aq.x - s * ab.x, aq.y - s * ab.y, aq.z - s * ab.z};
    return std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
}

template <typename Real>
void edgeFunctions(Real ax, Real ay, Real bx, Real by, Real cx, Real cy, Real& u, Real& v,
                   Real& w) {
    u = cx * by - cy * bx;
    v = ax * cy - ay * cx;
    w = bx * ay - by * ax;
}

}  // namespace

bool RayHitsTriangle(const Vec3& p, const Vec3& d, const Vec3& v0, const Vec3& v1,
                     const Vec3& v2, double& t, double edgeSlack) {
    const double adx = std::fabs(d.x), ady = std::fabs(d.y), adz = std::fabs(d.z);
    int kz = 0;
    if (ady > adx) kz = 1;
    if (adz > std::fabs(component(d, kz))) kz = 2;
    const double dkz = component(d, kz);
    if (dkz == 0.0) return false;
    int kx = (kz + 1) % 3;
    int ky = (kx + 1) % 3;
    if (dkz < 0.0) std::swap(kx, ky);  // keeps the winding of the projected triangle

    // Parallel test on the true angle between the ray and the triangle's plane.
    const Vec3 e1{v1.x - v0.x, v1.y - v0.y, v1.z - v0.z};
    const Vec3 e2{v2.x - v0.x, v2.y - v0.y, v2.z - v0.z};
    const Vec3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    const double nLength = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    const double dLength = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (!(nLength > 0.0) ||
        std::fabs(n.x * d.x + n.y * d.y + n.z * d.z) <= kParallelCosine * nLength * dLength) {
        return false;
    }

    const double sx = component(d, kx) / dkz;
    const double sy = component(d, ky) / dkz;
    const double sz = 1.0 / dkz;
    const Vec3 a{v0.x - p.x, v0.y - p.y, v0.z - p.z};
    const Vec3 b{v1.x - p.x, v1.y - p.y, v1.z - p.z};
    const Vec3 c{v2.x - p.x, v2.y - p.y, v2.z - p.z};
    const double az = component(a, kz), bz = component(b, kz), cz = component(c, kz);
    const double ax = component(a, kx) - sx * az, ay = component(a, ky) - sy * az;
    const double bx = component(b, kx) - sx * bz, by = component(b, ky) - sy * bz;
    const double cx = component(c, kx) - sx * cz, cy = component(c, ky) - sy * cz;

    double u = 0.0, v = 0.0, w = 0.0;
    edgeFunctions(ax, ay, bx, by, cx, cy, u, v, w);
    if (u == 0.0 || v == 0.0 || w == 0.0) {
        // On or next to an edge the products may cancel: decide with more precision.
        long double lu = 0.0L, lv = 0.0L, lw = 0.0L;
        edgeFunctions<long double>(ax, ay, bx, by, cx, cy, lu, lv, lw);
        u = static_cast<double>(lu);
        v = static_cast<double>(lv);
        w = static_cast<double>(lw);
    }
    const double det = u + v + w;
    if (det == 0.0) return false;
    const bool inside = !((u < 0.0 || v < 0.0 || w < 0.0) && (u > 0.0 || v > 0.0 || w > 0.0));
    if (!inside) {
        if (!(edgeSlack > 0.0)) return false;
        // Each edge function is twice the projected area of the ray's foot and that edge, so
        // divided by the edge's projected length it is the foot's distance from the edge: a
        // quick rejection before the distance is measured where it counts, in the plane.
        const double sign = det > 0.0 ? 1.0 : -1.0;
        const double bc = std::hypot(cx - bx, cy - by);
        const double ca = std::hypot(ax - cx, ay - cy);
        const double ab = std::hypot(bx - ax, by - ay);
        if (sign * u < -edgeSlack * bc || sign * v < -edgeSlack * ca ||
            sign * w < -edgeSlack * ab) {
            return false;
        }
    }
    const double param = (u * (sz * az) + v * (sz * bz) + w * (sz * cz)) / det;
    t = param * dLength;
    if (!inside) {
        // Seen along a grazing ray a face shrinks to a sliver, so the projected distance says
        // little: the crossing with the face's plane must itself lie near the face.
        const Vec3 h{p.x + param * d.x, p.y + param * d.y, p.z + param * d.z};
        const double gap = std::min({segmentDistance(h, v0, v1), segmentDistance(h, v1, v2),
                                     segmentDistance(h, v2, v0)});
        if (gap > edgeSlack) return false;
    }
    return true;
}


bool LineCrossesTriangle(double x, double y, double z, double dx, double dy, double dz,
                         double x0, double y0, double z0, double x1, double y1, double z1,
                         double x2, double y2, double z2) {
    const double e1x = x1 - x0, e1y = y1 - y0, e1z = z1 - z0;
    const double e2x = x2 - x0, e2y = y2 - y0, e2z = z2 - z0;
    const double tx = x - x0, ty = y - y0, tz = z - z0;

    // q = E2 x A
    const double qx = e2y * dz - e2z * dy;
    const double qy = e2z * dx - e2x * dz;
    const double qz = e2x * dy - e2y * dx;
    const double det = e1x * qx + e1y * qy + e1z * qz;
    if (det >= -kEdgeOnDeterminant && det < kEdgeOnDeterminant) return false;

    // r = A x E1
    const double rx = dy * e1z - dz * e1y;
    const double ry = dz * e1x - dx * e1z;
    const double rz = dx * e1y - dy * e1x;
    const double u = tx * qx + ty * qy + tz * qz;
    const double v = tx * rx + ty * ry + tz * rz;

    if (det > 0.0) return u >= 0.0 && v >= 0.0 && u + v - det <= 0.0;
    return u <= 0.0 && v <= 0.0 && u + v - det >= 0.0;
}

}  // namespace qvr::extract

namespace qvr::extract {

void orderQuadNodes(const Cnode* nodes, int* corners) {
    constexpr int kPairs[6][2] = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    double longest = 0.0;  // coincident nodes never form the split pair
    int keep = -1;
    for (int p = 0; p < 6; ++p) {
        const Cnode& a = nodes[corners[kPairs[p][0]]];
        const Cnode& b = nodes[corners[kPairs[p][1]]];
        const double d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                                   (a.z - b.z) * (a.z - b.z));
        if (d > longest) {  // the first of equally long pairs stays
            longest = d;
            keep = p;
        }
    }
    if (keep < 0) return;

    const int i = kPairs[keep][0], j = kPairs[keep][1];
    int reordered[5] = {0, corners[i], corners[j], 0, 0};
    int next = 3;
    for (int k = 1; k <= 4; ++k) {
        if (k != i && k != j) reordered[next++] = corners[k];
    }
    for (int k = 1; k <= 4; ++k) corners[k] = reordered[k];
}

double longestEdge(const CFaceElem& face, const Cnode* nodes) {
    double longest = 0.0;
    for (int k = 1; k <= face.nNode; ++k) {
        const int next = k == face.nNode ? 1 : k + 1;
        const Cnode& a = nodes[face.pNode[k]];
        const Cnode& b = nodes[face.pNode[next]];
        longest = std::max(longest, std::sqrt((a.x - b.x) * (a.x - b.x) +
                                              (a.y - b.y) * (a.y - b.y) +
                                              (a.z - b.z) * (a.z - b.z)));
    }
    return longest;
}

}  // namespace qvr::extract
