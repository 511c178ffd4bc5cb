// Anchor: every box query answered by scanning all of the tree's boxes.
#include <stdexcept>

#include "benchmarks.h"
#include "tree_boxes.h"

namespace qvr::bench {
namespace {

// Boxes meet when each minimum is at most the other's maximum, touching included, as in the
// tree.
int scan(const TreeBoxes& boxes, const std::array<float, 6>& q) {
    int found = 0;
    const float* b = boxes.box.data();
    const int n = boxes.count();
    for (int i = 0; i < n; ++i, b += 6) {
        found += (b[0] <= q[3] && b[1] <= q[4] && b[2] <= q[5] && q[0] <= b[3] && q[1] <= b[4] &&
                  q[2] <= b[5])
                     ? 1
                     : 0;
    }
    return found;
}

PerPart<TreeBoxes> scanBoxes;

}  // namespace

void registerScanAnchor(const PartKey& key) {
    addBenchmark("anchor.scan_query", key, [](benchmark::State& state, Part& p) {
        const TreeBoxes& boxes = scanBoxes.get(p, [&p] {
            auto b = std::make_unique<TreeBoxes>(treeBoxes(*p.kernel));
            const std::vector<int> expected = treeFoundCounts(p);
            for (std::size_t q = 0; q < p.queries.size(); ++q)
                if (scan(*b, floatQuery(p.queries[q])) != expected[q])
                    throw std::runtime_error("the scan and the tree disagree");
            return b;
        });
        std::vector<std::array<float, 6>> queries;
        for (const QueryBox& q : p.queries) queries.push_back(floatQuery(q));
        for (auto _ : state) {
            long long found = 0;
            for (const auto& q : queries) found += scan(boxes, q);
            benchmark::DoNotOptimize(found);
        }
        reportItems(state, p, static_cast<double>(queries.size()));
    });
}

}  // namespace qvr::bench
