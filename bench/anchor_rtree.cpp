// Anchors from Boost.Geometry's R-tree: a packed (bulk-loaded) build over the tree's boxes, the
// counterpart of the search set-up, and the same box queries.
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>

#include "benchmarks.h"
#include "tree_boxes.h"

namespace qvr::bench {
namespace {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;
using Point = bg::model::point<float, 3, bg::cs::cartesian>;
using Box = bg::model::box<Point>;
using Value = std::pair<Box, int>;
using RTree = bgi::rtree<Value, bgi::rstar<16>>;

Box toBox(const float* b) { return Box(Point(b[0], b[1], b[2]), Point(b[3], b[4], b[5])); }

struct Index {
    std::vector<Value> values;
    RTree tree;
};
PerPart<Index> indexes;

// Counts by writing nothing: the query cost without a growing result vector.
struct CountingOutput {
    using iterator_category = std::output_iterator_tag;
    using value_type = void;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = void;
    long long* count;
    CountingOutput& operator*() { return *this; }
    CountingOutput& operator=(const Value&) {
        ++*count;
        return *this;
    }
    CountingOutput& operator++() { return *this; }
    CountingOutput operator++(int) { return *this; }
};

long long query(const RTree& tree, const std::array<float, 6>& q) {
    long long found = 0;
    tree.query(bgi::intersects(toBox(q.data())), CountingOutput{&found});
    return found;
}

Index& indexOf(Part& p) {
    return indexes.get(p, [&p] {
        auto index = std::make_unique<Index>();
        const TreeBoxes boxes = treeBoxes(*p.kernel);
        for (int i = 0; i < boxes.count(); ++i)
            index->values.emplace_back(toBox(&boxes.box[6 * static_cast<std::size_t>(i)]),
                                       boxes.id[static_cast<std::size_t>(i)]);
        index->tree = RTree(index->values.begin(), index->values.end());
        const std::vector<int> expected = treeFoundCounts(p);
        for (std::size_t q = 0; q < p.queries.size(); ++q)
            if (query(index->tree, floatQuery(p.queries[q])) != expected[q])
                throw std::runtime_error("the R-tree and the tree disagree");
        return index;
    });
}

}  // namespace

void registerRTreeAnchors(const PartKey& key) {
    addBenchmark("anchor.rtree_build", key, [](benchmark::State& state, Part& p) {
        const Index& index = indexOf(p);
        for (auto _ : state) {
            RTree tree(index.values.begin(), index.values.end());
            benchmark::DoNotOptimize(tree.size());
        }
        reportItems(state, p, p.kernel->m_nInnerCell);
        state.counters["tree_items"] = static_cast<double>(index.values.size());
    });
    addBenchmark("anchor.rtree_query", key, [](benchmark::State& state, Part& p) {
        const Index& index = indexOf(p);
        std::vector<std::array<float, 6>> queries;
        for (const QueryBox& q : p.queries) queries.push_back(floatQuery(q));
        for (auto _ : state) {
            long long found = 0;
            for (const auto& q : queries) found += query(index.tree, q);
            benchmark::DoNotOptimize(found);
        }
        reportItems(state, p, static_cast<double>(queries.size()));
    });
}

}  // namespace qvr::bench
