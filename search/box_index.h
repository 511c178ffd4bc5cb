// A second, read-only index over the items of a filled alternating digital tree, for the many
// small queries of the ray walk.
//
// The tree answers a query by a breadth-first walk whose pruning works one side of one
// dimension at a time, so even a box around a single element visits thousands of nodes. This
// index sorts the items along a space-filling curve through their box centres and splits that
// sequence where the curve leaves an octant, into a binary hierarchy of tight boxes that
// finds the few items near a small box in a few dozen node tests. It answers exactly the tree's
// question, with the tree's own float test on the item points, so a query finds the same set of
// items as SearchBlock; only the order differs. visitRank() recovers the tree's order: SearchBlock
// reports the items it finds in a fixed order of all items (level by level from the root, lower
// child first) restricted to the ones found, and visitRank is the position in that order.
//
// The index is a snapshot: any change to the tree invalidates it (the tree drops it).
#ifndef QVR_SEARCH_BOX_INDEX_H
#define QVR_SEARCH_BOX_INDEX_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kernel/cache_line.h"
#include "kernel/prefetch.h"

class CQvrADT;

namespace qvr::adt {

// Scratch of one search slot for the ray walk, kept between calls so a walk allocates only
// the lists it hands out. The slots' workspaces lie side by side and threads on different slots
// grow their lists on every step: each starts on a cache line of its own.
struct alignas(qvr::kCacheLineBytes) WalkWorkspace {
    std::vector<int> candidates;      // ids found for the current run of steps
    std::vector<float> candidateBox;  // their points, 6 per candidate, same order
    std::vector<int> firstStep;       // per candidate: the first step of the run it meets
    std::vector<int> coverage;        // per step of the run: candidates starting - ending there
    std::vector<int> passed;          // ids met by any step so far, unsorted, each once
    std::vector<std::uint64_t> seen;  // one bit per id: in `passed`; all clear between walks
    bool marked = false;              // `seen` marks `passed` (a walk of more than one run)
    std::vector<int> lastStep;        // ids met by the last step
};

class BoxIndex {
public:
    // Most items in a leaf.
    static constexpr int kLeafSize = 8;
    // Depth-first work list: the hierarchy is at most the curve key's 30 bits plus the
    // halvings of a run of equal keys deep, and a node's walk holds one entry per level plus one.
    static constexpr int kStackDepth = 128;
    // Leaves whose item points are asked for before the items are read (see visit). Default 3:
    // on 10^6-cell parts and on meshes numbered without locality the ray walk took 10 to 30 %
    // less time than reading each leaf as it is reached; 1 gave about the same, and on 10^5-cell
    // parts whose tables stay in the cache all were within a few per cent.
    static constexpr int kLeafLead = 3;

    // Indexes every item linked into `tree` that lies within the tree's domain (the others, NaN
    // boxes, are never found) and ranks every item in the tree's visiting order; one workspace
    // per search slot. Throws std::bad_alloc.
    explicit BoxIndex(const CQvrADT& tree);

    // Appends to `out` every item whose point p satisfies qlo[k] <= p[k] <= qhi[k] for all six
    // k (the tree's test), in no particular order, and its point to `outBox` (6 floats each).
    void collect(const float qlo[6], const float qhi[6], std::vector<int>& out,
                 std::vector<float>& outBox) const;

    // Position of item `id` in the tree's breadth-first visiting order (0 for the root).
    std::uint32_t visitRank(int id) const { return rank_[static_cast<std::size_t>(id)]; }

    // Items indexed.
    std::size_t size() const { return ids_.size(); }

    // Bytes held by the index (for the memory figures).
    std::size_t bytes() const;

    WalkWorkspace& workspace(int slot) { return workspaces_[static_cast<std::size_t>(slot)]; }

    // Depth first through the hierarchy: descends into every node whose box (lowest minimum
    // corner, highest maximum corner of the items below) passes `nodeMayMeet(lo, hi)`, and
    // calls `item(id, point)` for every item of each such leaf, the leaves in no fixed order
    // (see the loop). A test that passes every box a query could need visits every item that
    // query could find. Every item visited lies within the tree's domain: only the query half of
    // the tree's test is left to make.
    template <class NodeTest, class ItemVisit>
    void visit(NodeTest&& nodeMayMeet, ItemVisit&& item) const {
        if (root_.count == 0 && nodes_.empty()) return;
        if (!nodeMayMeet(rootLo_, rootHi_)) return;
        Child stack[kStackDepth];
        int top = 0;
        stack[top++] = root_;
        // The items' points lie anywhere in the tree's per-id array, and waiting for them is
        // most of a visit's time. A leaf reached has its points asked for at once but is read
        // only when kLeafLead more leaves have been reached (or the walk is over), so that the
        // reads overlap the descent to the next leaves instead of waiting leaf by leaf. The
        // order in which items are reported changes; which items are reported does not.
        Child pending[kLeafLead + 1];
        int pendingCount = 0, oldest = 0;
        for (;;) {
            if (top > 0) {
                const Child c = stack[--top];
                if (c.count == 0) {
                    // An inner node holds both children's boxes: a child that fails is never
                    // read. The upper child goes on the list first, so the lower one is visited
                    // first.
                    const Node& n = nodes_[static_cast<std::size_t>(c.first)];
                    for (int k = 1; k >= 0; --k) {
                        if (!nodeMayMeet(n.lo[k], n.hi[k])) continue;
                        const Child child{n.first[k], n.count[k]};
                        if (child.count == 0) {
                            qvr::prefetch(nodes_.data() + child.first);
                        } else {
                            qvr::prefetch(ids_.data() + child.first);
                        }
                        stack[top++] = child;
                    }
                    continue;
                }
                const auto first = static_cast<std::size_t>(c.first);
                const std::size_t end = first + static_cast<std::size_t>(c.count);
                for (std::size_t i = first; i < end; ++i) {
                    qvr::prefetch(points_ + 6 * static_cast<std::size_t>(ids_[i]));
                }
                pending[(oldest + pendingCount) % (kLeafLead + 1)] = c;
                if (++pendingCount <= kLeafLead) continue;
            } else if (pendingCount == 0) {
                return;
            }
            const Child leaf = pending[oldest];
            oldest = (oldest + 1) % (kLeafLead + 1);
            --pendingCount;
            const auto first = static_cast<std::size_t>(leaf.first);
            const std::size_t end = first + static_cast<std::size_t>(leaf.count);
            for (std::size_t i = first; i < end; ++i) {
                const int id = ids_[i];
                item(id, points_ + 6 * static_cast<std::size_t>(id));
            }
        }
    }

private:
    // A reference to a subtree: a leaf (count > 0: items first..first+count-1 of ids_) or an
    // inner node (count 0: node `first`).
    struct Child {
        int first;
        int count;
    };

    // An inner node of the hierarchy: for its lower (0) and upper (1) child the box of the items
    // below it (lowest minimum corner, highest maximum corner) and the reference to it. One
    // cache line, so a visit reads one line per node it descends into.
    struct alignas(64) Node {
        float lo[2][3];
        float hi[2][3];
        int first[2];
        int count[2];
    };

    // Builds the subtree over items begin..end-1 (in curve order) and returns its reference;
    // its box goes to lo and hi.
    Child buildNode(const std::vector<std::uint32_t>& keys, std::size_t begin, std::size_t end,
                    int bit, float lo[3], float hi[3]);

    std::vector<int> ids_;     // items in curve order
    const float* points_;      // the tree's points, 6 per id
    std::vector<Node> nodes_;  // inner nodes, depth-first
    Child root_{0, 0};         // the whole hierarchy (no inner node and no items: none)
    float rootLo_[3] = {}, rootHi_[3] = {};  // the box of all items
    std::vector<std::uint32_t> rank_;        // per id the tree stores (stored + 1 entries)
    std::vector<WalkWorkspace> workspaces_;
};

}  // namespace qvr::adt

#endif
