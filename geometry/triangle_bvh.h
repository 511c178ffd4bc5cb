// Bounding volume hierarchy over a fixed set of triangles, for tracing rays.
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

    // Deepest path from the root the traversal stack is sized for; the build makes larger
    // leaves rather than go deeper.
    static constexpr int kMaxDepth = 60;

private:
    // Entry and exit parameters of the ray against a node's box, or false when it misses the
    // segment [tNear, tFar].
    static bool slabs(const Node& n, const double origin[3], const double inverse[3], double tNear,
                      double tFar, double& entry);

    std::vector<Node> nodes_;
    std::vector<Triangle> triangles_;
    std::vector<double> corners_;
};

inline bool TriangleBvh::slabs(const Node& n, const double origin[3], const double inverse[3],
                               double tNear, double tFar, double& entry) {
    double lo = tNear, hi = tFar;
    for (int a = 0; a < 3; ++a) {
        const bool forward = inverse[a] >= 0.0;
        const double near = static_cast<double>(forward ? n.lo[a] : n.hi[a]);
        const double far = static_cast<double>(forward ? n.hi[a] : n.lo[a]);
        // A ray parallel to the slab has an infinite inverse: the parameters come out infinite
        // (the right sign says inside or outside) or NaN when the origin lies on the slab's
        // plane; a NaN compares false and leaves the interval as it is, which keeps the box.
        const double t0 = (near - origin[a]) * inverse[a];
        const double t1 = (far - origin[a]) * inverse[a];
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
    // Nodes put aside for later, each with the (widened) parameter at which the ray enters its
    // box: once the visitor has brought tFar below it, the node is dropped without a new test.
    struct Deferred {
        std::uint32_t node;
        double entry;
    };
    Deferred stack[kMaxDepth + 2];
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
                stack[top++] = aFirst ? Deferred{n.index + 1, entryB} : Deferred{n.index, entryA};
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
            const Deferred next = stack[--top];
            if (next.entry <= tFar) {
                current = next.node;
                found = true;
                break;
            }
        }
        if (!found) return;
    }
}

}  // namespace qvr::geom

#endif
