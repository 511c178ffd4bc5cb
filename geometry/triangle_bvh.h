// Bounding volume hierarchy over a fixed set of triangles and quadrilaterals, for tracing rays
// and for finding the facets near a point.
//
// Built once with a binned surface-area heuristic; kept in flat arrays: 32-byte nodes (a
// single-precision box rounded outwards, and either the index of the first of two adjacent
// children or a range of facets), facets (a triangle, or a quadrilateral taken as two triangles
// on a common side) as corner indices into one table of double-precision corner coordinates (its
// own, or the mesh's node table, which it then reads in place instead of holding a copy),
// reordered so that each leaf's facets are contiguous. A quadrilateral in one record rather than
// two triangles halves the records and the nodes above them, and its two triangles share the
// transformed corners of their common side.
// Traversal visits the nearer child first and skips every node beyond the current far limit,
// which the caller's visitor may shrink as it finds hits.
#ifndef QVR_GEOMETRY_TRIANGLE_BVH_H
#define QVR_GEOMETRY_TRIANGLE_BVH_H

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "QVROptKer.h"
#include "geometry/watertight_triangle.h"

namespace qvr::geom {

// Allocates on 64-byte boundaries, so that the two 32-byte children of a node, stored side by
// side from an even index, share one cache line.
template <typename T>
struct CacheLineAllocator {
    using value_type = T;
    static constexpr std::align_val_t kAlignment{64};
    CacheLineAllocator() = default;
    template <typename U>
    explicit CacheLineAllocator(const CacheLineAllocator<U>&) {}
    T* allocate(std::size_t n) {
        return static_cast<T*>(::operator new(n * sizeof(T), kAlignment));
    }
    void deallocate(T* p, std::size_t) { ::operator delete(p, kAlignment); }
    template <typename U>
    bool operator==(const CacheLineAllocator<U>&) const {
        return true;
    }
};

class TriangleBvh {
public:
    struct Triangle {
        std::uint32_t corner[3];  // indices into the corner table
        std::int32_t item;        // the caller's number for the triangle (e.g. its skin face)
    };
    // A triangle (corner[3] == kNoCorner) or a quadrilateral: the triangles (0, 1, 2) and
    // (0, 1, 3), on either side of the segment from corner 0 to corner 1.
    struct Facet {
        std::uint32_t corner[4];
        std::int32_t item;  // the caller's number for the facet
    };
    static constexpr std::uint32_t kNoCorner = 0xFFFFFFFFu;
    struct Node {
        float lo[3];
        float hi[3];
        std::uint32_t index;  // leaf: first facet; inner node: first child (second follows)
        std::uint32_t count;  // leaf: number of facets (at least 1); inner node: 0
    };
    static_assert(sizeof(Node) == 32, "a node fills half a cache line");

    // Builds over `triangles`, whose corners index `corners` (x, y, z per corner). Replaces any
    // earlier build. Triangles with a non-finite corner are left out.
    void build(std::vector<double> corners, std::vector<Triangle> triangles);
    // Builds over `facets`, whose corners index the node table nodes[0..nodeCount-1], which must
    // stay unchanged (and in place) until the next build or clear. Facets with a corner outside
    // the table or not finite are left out.
    void build(const Cnode* nodes, std::size_t nodeCount, std::vector<Facet> facets);
    void clear();

    bool empty() const { return nodes_.empty(); }
    std::size_t facetCount() const { return facets_.size(); }
    // Triangles over all facets (a quadrilateral counts two).
    std::size_t triangleCount() const;
    const Facet& facet(std::uint32_t i) const { return facets_[i]; }
    // Triangles of facet i: 1 or 2.
    int parts(std::uint32_t i) const { return facets_[i].corner[3] == kNoCorner ? 1 : 2; }
    // Corner indices of triangle `part` of facet i.
    void triangleCorners(std::uint32_t i, int part, std::uint32_t out[3]) const {
        const Facet& f = facets_[i];
        out[0] = f.corner[0];
        out[1] = f.corner[1];
        out[2] = f.corner[part == 0 ? 2 : 3];
    }
    // Coordinates of corner c into xyz.
    void corner(std::uint32_t c, double xyz[3]) const {
        if (meshNodes_ != nullptr) {
            const Cnode& n = meshNodes_[c];
            xyz[0] = n.x;
            xyz[1] = n.y;
            xyz[2] = n.z;
            return;
        }
        const double* p = &corners_[3 * static_cast<std::size_t>(c)];
        xyz[0] = p[0];
        xyz[1] = p[1];
        xyz[2] = p[2];
    }
    // Whether the ray meets the triangles of facet i (the watertight test), and where: hits[k]
    // for part k, met[k] whether it does. Returns how many do (0 to 2).
    int intersect(const ShearedRay& ray, std::uint32_t i, TriangleHit hits[2], bool met[2]) const {
        const Facet& f = facets_[i];
        double xyz[3], a[3], b[3], c[3];
        corner(f.corner[0], xyz);
        toRaySpace(ray, xyz, a);
        corner(f.corner[1], xyz);
        toRaySpace(ray, xyz, b);
        corner(f.corner[2], xyz);
        toRaySpace(ray, xyz, c);
        met[0] = intersectRaySpace(ray, a, b, c, hits[0]);
        met[1] = false;
        if (f.corner[3] != kNoCorner) {
            corner(f.corner[3], xyz);
            toRaySpace(ray, xyz, c);
            met[1] = intersectRaySpace(ray, a, b, c, hits[1]);
        }
        return (met[0] ? 1 : 0) + (met[1] ? 1 : 0);
    }
    // The nodes: the root first, then (from index 2) each node's two children side by side.
    const std::vector<Node, CacheLineAllocator<Node>>& nodes() const { return nodes_; }
    // Bytes the hierarchy holds (its arrays' capacity).
    std::size_t memoryBytes() const;

    // Calls visit(facetIndex, tFar) for every facet in a leaf whose box the ray's segment
    // [tNear, tFar] meets, nearer boxes first; the visitor may lower tFar. `origin` and
    // `direction` must be finite.
    template <typename Visit>
    void traverse(const double origin[3], const double direction[3], double tNear, double tFar,
                  Visit&& visit) const;

    // The nearest hit with t in (tNear, tFar] on any triangle, through the watertight test.
    // False when there is none; then `hit` and `facetIndex` are unchanged.
    bool closestHit(const double origin[3], const double direction[3], double tNear, double tFar,
                    TriangleHit& hit, std::uint32_t& facetIndex) const;

    // Calls visit(facetIndex, radius) for every facet in a leaf whose box lies within `radius`
    // of `point`, nearer boxes first; the visitor may lower radius (a nearest-triangle
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

    // The walk both searches share: `reach(node, key)` says whether a node is in reach and sets
    // its key (the ray's entry parameter, or the squared distance to the point), nearer keys go
    // first; `leaf(facetIndex)` visits a facet and may shrink the reach; a node put aside is
    // taken up again only while `stillInReach(key)` holds.
    template <typename Reach, typename StillInReach, typename Leaf>
    void orderedWalk(Reach&& reach, StillInReach&& stillInReach, Leaf&& leaf) const;

    // The hierarchy over facets whose corners corner() already gives.
    void buildOver(std::vector<Facet> facets, std::size_t cornerCount);

    std::vector<Node, CacheLineAllocator<Node>> nodes_;
    std::vector<Facet> facets_;
    std::vector<double> corners_;       // own corners, when not the mesh's
    const Cnode* meshNodes_ = nullptr;  // the mesh's node table, read in place
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

template <typename Reach, typename StillInReach, typename Leaf>
void TriangleBvh::orderedWalk(Reach&& reach, StillInReach&& stillInReach, Leaf&& leaf) const {
    // Nodes put aside for later, each with its key: once the leaves have shrunk the reach below
    // it, the node is dropped without a new test.
    struct Deferred {
        std::uint32_t node;
        double key;
    };
    Deferred stack[kMaxDepth + 2];
    int top = 0;
    double key = 0.0;
    if (!reach(std::uint32_t{0}, key)) return;
    std::uint32_t current = 0;
    for (;;) {
        const Node& n = nodes_[current];
        if (n.count != 0) {
            for (std::uint32_t i = n.index; i < n.index + n.count; ++i) leaf(i);
        } else {
            double keyA = 0.0, keyB = 0.0;
            const bool a = reach(n.index, keyA);
            const bool b = reach(n.index + 1, keyB);
            if (a && b) {
                const bool aFirst = keyA <= keyB;
                stack[top++] = aFirst ? Deferred{n.index + 1, keyB} : Deferred{n.index, keyA};
                current = aFirst ? n.index : n.index + 1;
                continue;
            }
            if (a || b) {
                current = a ? n.index : n.index + 1;
                continue;
            }
        }
        // Pop the next node still in reach (the reach may have shrunk since it was pushed).
        bool found = false;
        while (top > 0) {
            const Deferred next = stack[--top];
            if (stillInReach(next.key)) {
                current = next.node;
                found = true;
                break;
            }
        }
        if (!found) return;
    }
}

template <typename Visit>
void TriangleBvh::traverse(const double origin[3], const double direction[3], double tNear,
                           double tFar, Visit&& visit) const {
    if (nodes_.empty()) return;
    double inverse[3];
    for (int a = 0; a < 3; ++a) inverse[a] = 1.0 / direction[a];
    orderedWalk(
        [&](std::uint32_t node, double& entry) {
            return slabs(nodes_[node], origin, inverse, tNear, tFar, entry);
        },
        [&](double entry) { return entry <= tFar; }, [&](std::uint32_t i) { visit(i, tFar); });
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
    orderedWalk(
        [&](std::uint32_t node, double& squared) {
            squared = boxDistanceSquared(nodes_[node], point);
            return squared <= radius * radius;
        },
        [&](double squared) { return squared <= radius * radius; },
        [&](std::uint32_t i) { visit(i, radius); });
}

}  // namespace qvr::geom

#endif
