// Binned surface-area-heuristic build of the triangle hierarchy, and its nearest-hit query.
#include "geometry/triangle_bvh.h"

#include <algorithm>
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

struct Box {
    double lo[3] = {std::numeric_limits<double>::infinity(),
                    std::numeric_limits<double>::infinity(),
                    std::numeric_limits<double>::infinity()};
    double hi[3] = {-std::numeric_limits<double>::infinity(),
                    -std::numeric_limits<double>::infinity(),
                    -std::numeric_limits<double>::infinity()};
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
    auto usable = [&](const Facet& t) {
        for (int k = 0; k < 4; ++k) {
            const std::uint32_t c = t.corner[k];
            if (k == 3 && c == kNoCorner) break;
            if (c >= cornerCount) return false;
            double xyz[3];
            corner(c, xyz);
            for (double v : xyz) {
                if (!std::isfinite(v)) return false;
            }
        }
        return true;
    };
    facets.erase(
        std::remove_if(facets.begin(), facets.end(), [&](const Facet& t) { return !usable(t); }),
        facets.end());
    if (facets.empty()) return;

    const std::size_t n = facets.size();
    std::vector<Box> bounds(n);
    std::vector<double> centre(3 * n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::uint32_t c : facets[i].corner) {
            if (c == kNoCorner) break;
            double xyz[3];
            corner(c, xyz);
            bounds[i].grow(xyz);
        }
        for (int a = 0; a < 3; ++a) {
            centre[3 * i + static_cast<std::size_t>(a)] = 0.5 * (bounds[i].lo[a] + bounds[i].hi[a]);
        }
    }
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);

    pairs_.reserve(n / kLeafFacets + 2);
    pairs_.push_back(emptyPair());  // the root in column 0; column 1 unused
    std::vector<Task> tasks{{0, 0, static_cast<std::uint32_t>(n), 0}};
    while (!tasks.empty()) {
        const Task task = tasks.back();
        tasks.pop_back();
        Box box, centres;
        for (std::uint32_t i = task.first; i < task.first + task.count; ++i) {
            box.grow(bounds[order[i]]);
            centres.grow(&centre[3 * static_cast<std::size_t>(order[i])]);
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

        // Best binned split over the three axes.
        double bestCost = std::numeric_limits<double>::infinity();
        int bestAxis = -1, bestBin = 0;
        for (int a = 0; a < 3; ++a) {
            const double extent = centres.hi[a] - centres.lo[a];
            if (!(extent > 0.0)) continue;
            const double scale = kBins / extent;
            Box binBox[kBins];
            std::uint32_t binCount[kBins] = {};
            for (std::uint32_t i = task.first; i < task.first + task.count; ++i) {
                const std::uint32_t t = order[i];
                int b = static_cast<int>(
                    (centre[3 * static_cast<std::size_t>(t) + static_cast<std::size_t>(a)] -
                     centres.lo[a]) *
                    scale);
                b = std::clamp(b, 0, kBins - 1);
                binBox[b].grow(bounds[t]);
                ++binCount[b];
            }
            double rightArea[kBins];
            std::uint32_t rightCount[kBins];
            Box right;
            std::uint32_t count = 0;
            for (int b = kBins - 1; b > 0; --b) {
                right.grow(binBox[b]);
                count += binCount[b];
                rightArea[b] = right.halfArea();
                rightCount[b] = count;
            }
            Box left;
            count = 0;
            for (int b = 0; b < kBins - 1; ++b) {
                left.grow(binBox[b]);
                count += binCount[b];
                if (count == 0 || rightCount[b + 1] == 0) continue;
                const double cost = left.halfArea() * count + rightArea[b + 1] * rightCount[b + 1];
                if (cost < bestCost) {
                    bestCost = cost;
                    bestAxis = a;
                    bestBin = b;
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
            const double scale = kBins / (centres.hi[bestAxis] - centres.lo[bestAxis]);
            auto* split = std::partition(
                order.data() + task.first, order.data() + task.first + task.count,
                [&](std::uint32_t t) {
                    int b = static_cast<int>((centre[3 * static_cast<std::size_t>(t) +
                                                     static_cast<std::size_t>(bestAxis)] -
                                              centres.lo[bestAxis]) *
                                             scale);
                    return std::clamp(b, 0, kBins - 1) <= bestBin;
                });
            middle = static_cast<std::uint32_t>(split - order.data());
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
    for (std::size_t i = 0; i < n; ++i) facets_[i] = facets[order[i]];
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
