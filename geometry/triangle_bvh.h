// Bounding volume hierarchy over a fixed set of triangles, for tracing rays and for finding the
// triangles near a point.
//
// Built once with a binned surface-area heuristic; kept in flat arrays: 32-byte nodes (a
// single-precision box rounded outwards, and either the index of the first of two adjacent
// children or a range of triangles), triangles as three corner indices into one table of
// double-precision corner coordinates, reordered so that each leaf's triangles are contiguous.
// Traversal visits the nearer child first and skips every node beyond the current far limit,
// which the caller's visitor may shrink as it finds hits.
#ifndef QVR_GEOMETRY_TRIANGLE_BVH_H
#define QVR_GEOMETRY_TRIANGLE_BVH_H

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "geometry/watertight_triangle.h"

namespace qvr::geom {

class TriangleBvh {
public:
    struct Triangle {
        std::uint32_t corner[3];  // indices into the corner table
        std::int32_t item;        // the caller's number for the triangle (e.g. its skin face)
    };
    struct Node {
        float lo[3];
        float hi[3];
        std::uint32_t index;  // leaf: first triangle; inner node: first child (second follows)
        std::uint32_t count;  // leaf: number of triangles (at least 1); inner node: 0
    };
    static_assert(sizeof(Node) == 32, "a node fills half a cache line");

    // Builds over `triangles`, whose corners index `corners` (x, y, z per corner). Replaces any
    // earlier build. Triangles with a non-finite corner are left out.
    void build(std::vector<double> corners, std::vector<Triangle> triangles);
    void clear();

    bool empty() const { return nodes_.empty(); }
    std::size_t triangleCount() const { return triangles_.size(); }
    const Triangle& triangle(std::uint32_t i) const { return triangles_[i]; }
    const double* corner(std::uint32_t c) const {
        return &corners_[3 * static_cast<std::size_t>(c)];
    }
    const std::vector<Node>& nodes() const { return nodes_; }
    // Bytes the hierarchy holds (its arrays' capacity).
    std::size_t memoryBytes() const;

    // Calls visit(triangleIndex, tFar) for every triangle in a leaf whose box the ray's
    // segment [tNear, tFar] meets, nearer boxes first; the visitor may lower tFar. `origin`
    // and `direction` must be finite.
    template <typename Visit>
    void traverse(const double origin[3], const double direction[3], double tNear, double tFar,
                  Visit&& visit) const;

    // The nearest hit with t in (tNear, tFar] on any triangle, through the watertight test.
    // False when there is none; then `hit` and `triangleIndex` are unchanged.
    bool closestHit(const double origin[3], const double direction[3], double tNear, double tFar,
                    TriangleHit& hit, std::uint32_t& triangleIndex) const;

    // Calls visit(triangleIndex, radius) for every triangle in a leaf whose box lies within
    // `radius` of `point`, nearer boxes first; the visitor may lower radius (a nearest-triangle
    // search sets it to the distance found so far). `point` must be finite.
    template <typename Visit>
    void visitNear(const double point[3], double radius, Visit&& visit) const;

    // Deepest path from the root the traversal stack is sized for; the build makes larger
    // leaves rather than go deeper.
    static constexpr int kMaxDepth = 60;

private:
    // Entry and exit parameters of the ray against a node's box, or false when it misses the
    // segment [tNear, tFar].
    static bool slabs(const Node& n, const double origin[3], const double inverse[3], double tNear,
                      double tFar, double& entry);
    // Squared distance from p to the node's box (0 inside), rounded down: a box that lies
    // exactly at the radius is never skipped.
    static double boxDistanceSquared(const Node& n, const double p[3]);

    std::vector<Node> nodes_;
    std::vector<Triangle> triangles_;
    std::vector<double> corners_;
};

inline bool TriangleBvh::slabs(const Node& n, const double origin[3], const double inverse[3],
                               double tNear, double tFar, double& entry) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double lo = tNear, hi = tFar;
    for (int a = 0; a < 3; ++a) {
        const double boxLo = static_cast<double>(n.lo[a]), boxHi = static_cast<double>(n.hi[a]);
        if (inverse[a] == kInfinity || inverse[a] == -kInfinity) {
            // The ray runs parallel to this slab: inside it everywhere or nowhere.
            if (origin[a] < boxLo || origin[a] > boxHi) return false;
            continue;
        }
        const bool forward = inverse[a] >= 0.0;
        const double t0 = ((forward ? boxLo : boxHi) - origin[a]) * inverse[a];
        const double t1 = ((forward ? boxHi : boxLo) - origin[a]) * inverse[a];
        if (t0 > lo) lo = t0;
        if (t1 < hi) hi = t1;
    }
    // Each slab parameter carries at most three roundings; widening the entry and exit by four
    // units in the last place keeps the test conservative, so a triangle on a box face is never
    // skipped. (Widening is monotonic, so widening the result equals widening every slab.)
    constexpr double kWiden = 4.0 * std::numeric_limits<double>::epsilon();
    lo *= lo > 0.0 ? 1.0 - kWiden : 1.0 + kWiden;
    hi *= hi > 0.0 ? 1.0 + kWiden : 1.0 - kWiden;
    entry = lo;
    return lo <= hi;
}

template <typename Visit>
void TriangleBvh::traverse(const double origin[3], const double direction[3], double tNear,
                           double tFar, Visit&& visit) const {
    if (nodes_.empty()) return;
    double inverse[3];
    for (int a = 0; a < 3; ++a) inverse[a] = 1.0 / direction[a];
    std::uint32_t stack[kMaxDepth + 2];
    int top = 0;
    double entry = 0.0;
    if (!slabs(nodes_[0], origin, inverse, tNear, tFar, entry)) return;
    std::uint32_t current = 0;
    for (;;) {
        const Node& n = nodes_[current];
        if (n.count != 0) {
            for (std::uint32_t i = n.index; i < n.index + n.count; ++i) visit(i, tFar);
        } else {
            double entryA = 0.0, entryB = 0.0;
            const bool a = slabs(nodes_[n.index], origin, inverse, tNear, tFar, entryA);
            const bool b = slabs(nodes_[n.index + 1], origin, inverse, tNear, tFar, entryB);
            if (a && b) {
                const bool aFirst = entryA <= entryB;
                stack[top++] = aFirst ? n.index + 1 : n.index;
                current = aFirst ? n.index : n.index + 1;
                continue;
            }
            if (a || b) {
                current = a ? n.index : n.index + 1;
                continue;
            }
        }
        // Pop the next node still in reach (tFar may have come down since it was pushed).
        bool found = false;
        while (top > 0) {
            const std::uint32_t next = stack[--top];
            if (slabs(nodes_[next], origin, inverse, tNear, tFar, entry)) {
                current = next;
                found = true;
                break;
            }
        }
        if (!found) return;
    }
}

inline double TriangleBvh::boxDistanceSquared(const Node& n, const double p[3]) {
    double sum = 0.0;
    for (int a = 0; a < 3; ++a) {
        const double below = static_cast<double>(n.lo[a]) - p[a];
        const double above = p[a] - static_cast<double>(n.hi[a]);
        const double gap = below > 0.0 ? below : (above > 0.0 ? above : 0.0);
        sum += gap * gap;
    }
    // Each gap carries one rounding and the sum five more; eight units in the last place cover
    // them.
    constexpr double kShrink = 1.0 - 8.0 * std::numeric_limits<double>::epsilon();
    return sum * kShrink;
}

template <typename Visit>
void TriangleBvh::visitNear(const double point[3], double radius, Visit&& visit) const {
    if (nodes_.empty() || !(radius >= 0.0)) return;
    const auto within = [&](std::uint32_t node, double& squared) {
        squared = boxDistanceSquared(nodes_[node], point);
        return squared <= radius * radius;
    };
    std::uint32_t stack[kMaxDepth + 2];
    int top = 0;
    double squared = 0.0;
    if (!within(0, squared)) return;
    std::uint32_t current = 0;
    for (;;) {
        const Node& n = nodes_[current];
        if (n.count != 0) {
            for (std::uint32_t i = n.index; i < n.index + n.count; ++i) visit(i, radius);
        } else {
            double squaredA = 0.0, squaredB = 0.0;
            const bool a = within(n.index, squaredA);
            const bool b = within(n.index + 1, squaredB);
            if (a && b) {
                const bool aFirst = squaredA <= squaredB;
                stack[top++] = aFirst ? n.index + 1 : n.index;
                current = aFirst ? n.index : n.index + 1;
                continue;
            }
            if (a || b) {
                current = a ? n.index : n.index + 1;
                continue;
            }
        }
        // Pop the next node still in reach (the radius may have come down since it was pushed).
        bool found = false;
        while (top > 0) {
            const std::uint32_t next = stack[--top];
            if (within(next, squared)) {
                current = next;
                found = true;
                break;
            }
        }
        if (!found) return;
    }
}

}  // namespace qvr::geom

#endif
