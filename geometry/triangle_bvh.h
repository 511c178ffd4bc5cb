// Bounding volume hierarchy over a fixed set of triangles and quadrilaterals, for tracing rays
// and for finding the facets near a point.
//
// Built once with a binned surface-area heuristic; kept in flat arrays: node pairs and facets.
// A node pair is one 64-byte cache line holding two sibling nodes: their single-precision boxes
// (rounded outwards) as six rows of two, lower x, y, z then upper x, y, z with one column per
// sibling, so that a ray tests both boxes at once (SSE2, see slab_pair.h); and for each sibling
// either the pair of its children or a range of facets. Pair 0 holds the root alone (its
// second column is never tested). Node n is column n % 2 of pair n / 2, which keeps the memory
// of one 32-byte node per node. Facets (a triangle, or a quadrilateral taken as two triangles on
// a common side) are corner indices into one table of double-precision corner coordinates (its
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
#include "geometry/slab_pair.h"
#include "geometry/watertight_triangle.h"
#include "kernel/prefetch.h"

namespace qvr::geom {

// Allocates on 64-byte boundaries, so that each node pair fills one cache line.
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
    // Two sibling nodes (columns 0 and 1): an inner node's `index` is the pair of its children
    // and its `count` 0; a leaf's `index` is its first facet and `count` how many (at least 1).
    struct NodePair {
        float box[kBoxRows][2];  // lower x, y, z, upper x, y, z; one column per node
        std::uint32_t index[2];
        std::uint32_t count[2];
    };
    static_assert(sizeof(NodePair) == 64, "a node pair fills one cache line");

    // Builds over `triangles`, whose corners index `corners` (x, y, z per corner). Replaces any
    // earlier build. Triangles with a non-finite corner are left out.
    void build(std::vector<double> corners, std::vector<Triangle> triangles);
    // Builds over `facets`, whose corners index the node table nodes[0..nodeCount-1], which must
    // stay unchanged (and in place) until the next build or clear. Facets with a corner outside
    // the table or not finite are left out.
    void build(const Cnode* nodes, std::size_t nodeCount, std::vector<Facet> facets);
    void clear();

    bool empty() const { return pairs_.empty(); }
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
    // Nodes, counted as two per pair (the root's unused sibling included).
    std::size_t nodeCount() const { return 2 * pairs_.size(); }
    // Node pair i (0 to nodeCount() / 2 - 1), for inspecting the tree.
    const NodePair& nodePair(std::size_t i) const { return pairs_[i]; }
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
    // Squared distance from p to the box of node `column` of a pair (0 inside), rounded down: a
    // box that lies exactly at the radius is never skipped.
    static double boxDistanceSquared(const NodePair& pair, int column, const double p[3]);

    // The walk both searches share: `reach(pair, keys)` says which nodes of a pair are in reach
    // (bit k for column k) and sets their keys (the ray's entry parameter, or the squared
    // distance to the point), nearer keys go first; `leaf(facetIndex)` visits a facet and may
    // shrink the reach; a node put aside is taken up again only while `stillInReach(key)` holds.
    template <typename Reach, typename StillInReach, typename Leaf>
    void orderedWalk(Reach&& reach, StillInReach&& stillInReach, Leaf&& leaf) const;

    // Asks for the coordinates of corner c (which must lie in the table) ahead of their use (a
    // cache hint; no effect on results).
    void prefetchCorner(std::uint32_t c) const {
        qvr::prefetch(meshNodes_ != nullptr
                          ? static_cast<const void*>(&meshNodes_[c])
                          : static_cast<const void*>(&corners_[3 * std::size_t{c}]));
    }
    // Asks for the corners of facet i ahead of its test.
    void prefetchCorners(std::uint32_t i) const {
        const Facet& f = facets_[i];
        for (const std::uint32_t c : f.corner) {
            if (c == kNoCorner) break;
            prefetchCorner(c);
        }
    }

    // The hierarchy over facets whose corners corner() already gives.
    void buildOver(std::vector<Facet> facets, std::size_t cornerCount);

    std::vector<NodePair, CacheLineAllocator<NodePair>> pairs_;
    std::vector<Facet> facets_;
    std::vector<double> corners_;       // own corners, when not the mesh's
    const Cnode* meshNodes_ = nullptr;  // the mesh's node table, read in place
};

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
    double keys[2] = {0.0, 0.0};
    if ((reach(std::uint32_t{0}, keys) & 1u) == 0) return;  // the root: column 0 of pair 0
    std::uint32_t current = 0;                              // node: pair * 2 + column
    for (;;) {
        const NodePair& pair = pairs_[current / 2];
        const std::uint32_t column = current % 2;
        const std::uint32_t index = pair.index[column];
        if (pair.count[column] != 0) {
            // The corners of the leaf's later facets load while its first is tested.
            for (std::uint32_t i = index + 1; i < index + pair.count[column]; ++i) {
                prefetchCorners(i);
            }
            for (std::uint32_t i = index; i < index + pair.count[column]; ++i) leaf(i);
        } else {
            const unsigned met = reach(index, keys);
            const std::uint32_t first = 2 * index;  // the children as nodes
            // Ask early for what the children in reach lead to (their own children's line, or
            // their first facets), which the walk reads next or after the nearer child.
            const NodePair& children = pairs_[index];
            for (std::uint32_t k = 0; k < 2; ++k) {
                if ((met >> k & 1u) == 0) continue;
                if (children.count[k] == 0) {
                    qvr::prefetch(&pairs_[children.index[k]]);
                } else {
                    qvr::prefetch(&facets_[children.index[k]]);
                }
            }
            if (met == 3u) {
                const bool firstFirst = keys[0] <= keys[1];
                stack[top++] = firstFirst ? Deferred{first + 1, keys[1]} : Deferred{first, keys[0]};
                current = firstFirst ? first : first + 1;
                continue;
            }
            if (met != 0u) {
                current = met == 1u ? first : first + 1;
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
    if (pairs_.empty()) return;
    const RaySlabs slabs = raySlabs(origin, direction);
    orderedWalk(
        [&](std::uint32_t pair, double entry[2]) {
            return slabPair(pairs_[pair].box, slabs, tNear, tFar, entry);
        },
        [&](double entry) { return entry <= tFar; }, [&](std::uint32_t i) { visit(i, tFar); });
}

inline double TriangleBvh::boxDistanceSquared(const NodePair& pair, int column, const double p[3]) {
    double sum = 0.0;
    for (int a = 0; a < 3; ++a) {
        const double below = static_cast<double>(pair.box[a][column]) - p[a];
        const double above = p[a] - static_cast<double>(pair.box[3 + a][column]);
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
    if (pairs_.empty() || !(radius >= 0.0)) return;
    orderedWalk(
        [&](std::uint32_t pair, double squared[2]) {
            unsigned met = 0;
            for (int k = 0; k < 2; ++k) {
                squared[k] = boxDistanceSquared(pairs_[pair], k, point);
                if (squared[k] <= radius * radius) met |= 1u << k;
            }
            return met;
        },
        [&](double squared) { return squared <= radius * radius; },
        [&](std::uint32_t i) { visit(i, radius); });
}

}  // namespace qvr::geom

#endif
