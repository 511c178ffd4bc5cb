// Binned surface-area-heuristic build of the triangle hierarchy, and its nearest-hit query.
#include "geometry/triangle_bvh.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

namespace qvr::geom {

namespace {

// Facets per leaf at or below which a node is not split. Default 2: measured against 1 and 4
// (triangles: 1, 4 and 8) on the generated parts, whose rays start among a fan of small facets.
constexpr std::uint32_t kLeafFacets = 2;
// Bins per axis of the heuristic. Default 16: more bins barely improve the tree.
constexpr int kBins = 16;
// Cost of visiting a node's two child boxes against testing one triangle, in the heuristic.
// Default 1 (the box test of both children and one triangle test cost about the same).
constexpr double kTraversalCost = 1.0;

// Bounds on three axes. Left unset by default (a node's bins are written on first use);
// Box::empty() is the empty box, which any grow replaces.
struct Box {
    double lo[3];
    double hi[3];
    static Box empty() {
        constexpr double kInf = std::numeric_limits<double>::infinity();
        return Box{{kInf, kInf, kInf}, {-kInf, -kInf, -kInf}};
    }
    void grow(const double* p) {
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p[a]);
            hi[a] = std::max(hi[a], p[a]);
        }
    }
    void grow(const Box& b) {
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], b.lo[a]);
            hi[a] = std::max(hi[a], b.hi[a]);
        }
    }
    double halfArea() const {
        if (!(hi[0] >= lo[0])) return 0.0;
        const double x = hi[0] - lo[0], y = hi[1] - lo[1], z = hi[2] - lo[2];
        return x * y + y * z + z * x;
    }
};

// Single-precision bounds that contain the double-precision ones.
float below(double v) {
    float f = static_cast<float>(v);
    if (static_cast<double>(f) > v) f = std::nextafter(f, -std::numeric_limits<float>::infinity());
    return f;
}
float above(double v) {
    float f = static_cast<float>(v);
    if (static_cast<double>(f) < v) f = std::nextafter(f, std::numeric_limits<float>::infinity());
    return f;
}

// A pair whose boxes no ray meets and no point is near, until the build fills them in.
TriangleBvh::NodePair emptyPair() {
    TriangleBvh::NodePair pair{};
    for (int a = 0; a < 3; ++a) {
        for (int k = 0; k < 2; ++k) {
            pair.box[a][k] = std::numeric_limits<float>::infinity();
            pair.box[3 + a][k] = -std::numeric_limits<float>::infinity();
        }
    }
    return pair;
}

struct Task {
    std::uint32_t node, first, count;
    int depth;
};

// A facet while the hierarchy is built: its box and its place in the input.
struct Prim {
    Box box = Box::empty();
    std::uint32_t facet = 0;
    // The box's centre on axis a.
    double centre(int a) const { return 0.5 * (box.lo[a] + box.hi[a]); }
};

// The bin of a centre coordinate along an axis whose centres start at `lo`, `scale` bins per
// unit; the same value wherever it is asked (binning and partition must agree).
int binOf(double centre, double lo, double scale) {
    return std::clamp(static_cast<int>((centre - lo) * scale), 0, kBins - 1);
}

}  // namespace

void TriangleBvh::clear() {
    decltype(pairs_)().swap(pairs_);
    std::vector<Facet>().swap(facets_);
    std::vector<double>().swap(corners_);
    meshNodes_ = nullptr;
}

std::size_t TriangleBvh::memoryBytes() const {
    return pairs_.capacity() * sizeof(NodePair) + facets_.capacity() * sizeof(Facet) +
           corners_.capacity() * sizeof(double);
}

std::size_t TriangleBvh::triangleCount() const {
    std::size_t n = 0;
    for (const Facet& f : facets_) n += f.corner[3] == kNoCorner ? 1 : 2;
    return n;
}

void TriangleBvh::build(std::vector<double> corners, std::vector<Triangle> triangles) {
    clear();
    corners_ = std::move(corners);
    corners_.shrink_to_fit();
    std::vector<Facet> facets;
    facets.reserve(triangles.size());
    for (const Triangle& t : triangles) {
        facets.push_back({{t.corner[0], t.corner[1], t.corner[2], kNoCorner}, t.item});
    }
    std::vector<Triangle>().swap(triangles);
    buildOver(std::move(facets), corners_.size() / 3);
}

void TriangleBvh::build(const Cnode* nodes, std::size_t nodeCount, std::vector<Facet> facets) {
    clear();
    meshNodes_ = nodes;
    buildOver(std::move(facets), nodes == nullptr ? 0 : nodeCount);
}

void TriangleBvh::buildOver(std::vector<Facet> facets, std::size_t cornerCount) {
    // Each usable facet's box, in input order; the boxes then travel with the facets through
    // the partitions, so every pass over a node's facets reads them front to back. A facet with
    // a corner outside the table or not finite is left out.
    // The corners of a skin lie anywhere in the mesh's node table: those of the facets a little
    // ahead are asked for early (default 8 facets: a fetch from memory takes about as long as
    // boxing that many facets whose corners are at hand).
    constexpr std::size_t kPrefetchAhead = 8;
    auto askFor = [&](const Facet& t) {
        for (std::uint32_t c : t.corner) {
            if (c < cornerCount) prefetchCorner(c);
        }
    };
    std::vector<Prim> prims;
    prims.reserve(facets.size());
    for (std::size_t i = 0; i < facets.size() && i < kPrefetchAhead; ++i) askFor(facets[i]);
    for (std::size_t i = 0; i < facets.size(); ++i) {
        if (i + kPrefetchAhead < facets.size()) askFor(facets[i + kPrefetchAhead]);
        Prim p;
        bool usable = true;
        for (int k = 0; k < 4 && usable; ++k) {
            const std::uint32_t c = facets[i].corner[k];
            if (k == 3 && c == kNoCorner) break;
            if (c >= cornerCount) {
                usable = false;
                break;
            }
            double xyz[3];
            corner(c, xyz);
            for (double v : xyz) usable = usable && std::isfinite(v);
            p.box.grow(xyz);
        }
        if (!usable) continue;
        p.facet = static_cast<std::uint32_t>(i);
        prims.push_back(p);
    }
    if (prims.empty()) return;
    const std::size_t n = prims.size();

    pairs_.reserve(n / kLeafFacets + 2);
    pairs_.push_back(emptyPair());  // the root in column 0; column 1 unused
    std::vector<Task> tasks{{0, 0, static_cast<std::uint32_t>(n), 0}};
    while (!tasks.empty()) {
        const Task task = tasks.back();
        tasks.pop_back();
        Prim* const begin = prims.data() + task.first;
        Prim* const end = begin + task.count;
        Box box = Box::empty(), centres = Box::empty();
        for (const Prim* p = begin; p != end; ++p) {
            box.grow(p->box);
            const double centre[3] = {p->centre(0), p->centre(1), p->centre(2)};
            centres.grow(centre);
        }
        NodePair& pair = pairs_[task.node / 2];
        const std::uint32_t column = task.node % 2;
        for (int a = 0; a < 3; ++a) {
            pair.box[a][column] = below(box.lo[a]);
            pair.box[3 + a][column] = above(box.hi[a]);
        }
        pair.index[column] = task.first;
        pair.count[column] = task.count;
        if (task.count <= kLeafFacets || task.depth >= kMaxDepth) continue;

        // Best binned split over the three axes, all three binned in one pass. Only the bins
        // that receive a facet are touched: a split between two bins with only empty bins
        // between them costs the same wherever it falls among those, and of equal costs the
        // first is kept, so the candidates are the splits just after each occupied bin; the
        // boxes are unions (exact), so the costs are those of sweeping every bin. Most nodes
        // hold a few facets, where sweeping all bins of all axes cost more than the binning.
        double scale[3] = {0.0, 0.0, 0.0};
        bool binned[3] = {false, false, false};
        for (int a = 0; a < 3; ++a) {
            const double extent = centres.hi[a] - centres.lo[a];
            binned[a] = extent > 0.0;
            if (binned[a]) scale[a] = kBins / extent;
        }
        Box binBox[3][kBins];  // NOLINT(cppcoreguidelines-pro-type-member-init): see `occupied`
        std::uint32_t binCount[3][kBins];
        std::uint32_t occupied[3] = {0, 0, 0};  // bit b: bin b holds a facet
        for (const Prim* p = begin; p != end; ++p) {
            for (int a = 0; a < 3; ++a) {
                if (!binned[a]) continue;
                const int b = binOf(p->centre(a), centres.lo[a], scale[a]);
                const std::uint32_t bit = 1u << b;
                if ((occupied[a] & bit) == 0) {
                    occupied[a] |= bit;
                    binBox[a][b] = p->box;
                    binCount[a][b] = 1;
                } else {
                    binBox[a][b].grow(p->box);
                    ++binCount[a][b];
                }
            }
        }
        double bestCost = std::numeric_limits<double>::infinity();
        int bestAxis = -1, bestBin = 0;
        for (int a = 0; a < 3; ++a) {
            if (!binned[a]) continue;
            int used[kBins];
            int usedCount = 0;
            for (std::uint32_t bits = occupied[a]; bits != 0; bits &= bits - 1) {
                used[usedCount++] = std::countr_zero(bits);
            }
            // rightArea[k], rightCount[k]: the bins from the k-th occupied one up.
            double rightArea[kBins];
            std::uint32_t rightCount[kBins];
            Box right = Box::empty();
            std::uint32_t count = 0;
            for (int k = usedCount - 1; k > 0; --k) {
                right.grow(binBox[a][used[k]]);
                count += binCount[a][used[k]];
                rightArea[k] = right.halfArea();
                rightCount[k] = count;
            }
            Box left = Box::empty();
            count = 0;
            for (int k = 0; k + 1 < usedCount; ++k) {
                left.grow(binBox[a][used[k]]);
                count += binCount[a][used[k]];
                const double cost = left.halfArea() * count + rightArea[k + 1] * rightCount[k + 1];
                if (cost < bestCost) {
                    bestCost = cost;
                    bestAxis = a;
                    bestBin = used[k];
                }
            }
        }

        std::uint32_t middle = task.first + task.count / 2;
        if (bestAxis >= 0) {
            const double leafCost = box.halfArea() * task.count;
            if (bestCost + kTraversalCost * box.halfArea() >= leafCost &&
                task.count <= 2 * kLeafFacets) {
                continue;  // splitting does not pay: keep the leaf
            }
            const double lo = centres.lo[bestAxis], perUnit = scale[bestAxis];
            Prim* const split = std::partition(begin, end, [&](const Prim& p) {
                return binOf(p.centre(bestAxis), lo, perUnit) <= bestBin;
            });
            middle = task.first + static_cast<std::uint32_t>(split - begin);
        }
        // All centres on one point (or no useful split): halve the range.
        if (middle == task.first || middle == task.first + task.count) {
            middle = task.first + task.count / 2;
        }
        const auto childPair = static_cast<std::uint32_t>(pairs_.size());
        pairs_[task.node / 2].index[column] = childPair;
        pairs_[task.node / 2].count[column] = 0;
        pairs_.push_back(emptyPair());
        const std::uint32_t child = 2 * childPair;  // the children as nodes
        tasks.push_back({child + 1, middle, task.first + task.count - middle, task.depth + 1});
        tasks.push_back({child, task.first, middle - task.first, task.depth + 1});
    }
    pairs_.shrink_to_fit();
    facets_.resize(n);
    for (std::size_t i = 0; i < n; ++i) facets_[i] = facets[prims[i].facet];
}

bool TriangleBvh::closestHit(const double origin[3], const double direction[3], double tNear,
                             double tFar, TriangleHit& hit, std::uint32_t& facetIndex) const {
    ShearedRay ray{};
    if (!shearRay(origin, direction, ray)) return false;
    bool found = false;
    traverse(origin, direction, tNear, tFar, [&](std::uint32_t i, double& limit) {
        TriangleHit h[2];
        bool met[2];
        if (intersect(ray, i, h, met) == 0) return;
        for (int k = 0; k < 2; ++k) {
            if (met[k] && h[k].t > tNear && h[k].t <= limit) {
                limit = h[k].t;
                hit = h[k];
                facetIndex = i;
                found = true;
            }
        }
    });
    return found;
}

}  // namespace qvr::geom
