#include "search/box_index.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "search/CQvrADT.h"

namespace qvr::adt {

namespace {

// Cells per axis of the grid on which box centres are put in curve order (10 bits each).
constexpr int kCurveBits = 10;
constexpr std::uint32_t kCurveCells = 1u << kCurveBits;
// Radix sort digit width (bits); three passes cover the 30-bit curve key.
constexpr int kDigitBits = 10;
constexpr std::uint32_t kDigitValues = 1u << kDigitBits;

// Spreads the low 10 bits of v so that two zero bits follow each.
std::uint32_t spreadBits(std::uint32_t v) {
    v &= 0x3ffu;
    v = (v | (v << 16)) & 0x030000ffu;
    v = (v | (v << 8)) & 0x0300f00fu;
    v = (v | (v << 4)) & 0x030c30c3u;
    v = (v | (v << 2)) & 0x09249249u;
    return v;
}

// Grid cell of a coordinate along one axis; out-of-range and NaN values go to the ends.
std::uint32_t gridCell(float value, float low, float high) {
    const double extent = static_cast<double>(high) - static_cast<double>(low);
    if (!(extent > 0.0)) return 0;
    const double t = (static_cast<double>(value) - low) / extent * kCurveCells;
    if (!(t > 0.0)) return 0;
    if (t >= kCurveCells - 1) return kCurveCells - 1;
    return static_cast<std::uint32_t>(t);
}

// Sorts `ids` by `keys` (both permuted), least significant digit first.
void radixSort(std::vector<std::uint32_t>& keys, std::vector<int>& ids) {
    const std::size_t n = keys.size();
    std::vector<std::uint32_t> keyTmp(n);
    std::vector<int> idTmp(n);
    std::vector<std::size_t> start(kDigitValues + 1);
    for (int shift = 0; shift < 3 * kCurveBits; shift += kDigitBits) {
        std::fill(start.begin(), start.end(), 0);
        for (std::size_t i = 0; i < n; ++i) ++start[((keys[i] >> shift) & (kDigitValues - 1)) + 1];
        for (std::size_t b = 1; b <= kDigitValues; ++b) start[b] += start[b - 1];
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = start[(keys[i] >> shift) & (kDigitValues - 1)]++;
            keyTmp[at] = keys[i];
            idTmp[at] = ids[i];
        }
        keys.swap(keyTmp);
        ids.swap(idTmp);
    }
}

}  // namespace

BoxIndex::BoxIndex(const CQvrADT& tree)
    : rank_(static_cast<std::size_t>(tree.stored) + 1, 0),
      workspaces_(static_cast<std::size_t>(tree.slotCount)) {
    for (WalkWorkspace& w : workspaces_) w.seen.assign(rank_.size() / 64 + 1, 0);
    // The tree's visiting order of all its items is its breadth-first order with the lower
    // child first; the work list of that walk is the order itself. Its nodes lie anywhere in
    // the per-id arrays, so the children of nodes a little ahead in the list are fetched early.
    constexpr std::size_t kPrefetchAhead = 16;
    if (tree.root != 0) {
        std::vector<int> bfs;
        bfs.reserve(static_cast<std::size_t>(tree.stored));
        bfs.push_back(tree.root);
        for (std::size_t r = 0; r < bfs.size(); ++r) {
            if (r + kPrefetchAhead < bfs.size()) {
                const int ahead = bfs[r + kPrefetchAhead];
                prefetch(tree.lowChild + ahead);
                prefetch(tree.highChild + ahead);
                prefetch(rank_.data() + ahead);
            }
            const int n = bfs[r];
            rank_[static_cast<std::size_t>(n)] = static_cast<std::uint32_t>(r);
            if (tree.lowChild[n] != 0) bfs.push_back(tree.lowChild[n]);
            if (tree.highChild[n] != 0) bfs.push_back(tree.highChild[n]);
        }
    }

    // The items with their curve keys, in id order: the per-id arrays are read front to back.
    std::vector<int> order;
    std::vector<std::uint32_t> keys;
    order.reserve(static_cast<std::size_t>(tree.stored));
    keys.reserve(static_cast<std::size_t>(tree.stored));
    for (int id = 1; id <= tree.stored; ++id) {
        if (tree.splitDim[id] == -1) continue;  // not in the tree
        const float* p = tree.point + kDimensions * static_cast<std::size_t>(id);
        // The domain half of the tree's test: an item outside it (a NaN box) is never found,
        // so the queries need not test it.
        if (!(tree.low[0] <= p[0] && tree.low[1] <= p[1] && tree.low[2] <= p[2] &&
              p[3] <= tree.high[3] && p[4] <= tree.high[4] && p[5] <= tree.high[5])) {
            continue;
        }
        std::uint32_t key = 0;
        for (int k = 0; k < 3; ++k) {
            const float centre = 0.5f * (p[k] + p[k + 3]);
            key |= spreadBits(gridCell(centre, tree.low[k], tree.high[k])) << k;
        }
        order.push_back(id);
        keys.push_back(key);
    }
    const std::size_t count = order.size();
    radixSort(keys, order);
    const std::vector<std::uint32_t>& keysSorted = keys;

    ids_ = std::move(order);
    ids_.shrink_to_fit();
    points_ = tree.point;

    if (count == 0) return;
    nodes_.reserve(count / kLeafSize + 1);
    root_ = buildNode(keysSorted, 0, count, 3 * kCurveBits - 1, rootLo_, rootHi_);
    nodes_.shrink_to_fit();
}

BoxIndex::Child BoxIndex::buildNode(const std::vector<std::uint32_t>& keys, std::size_t begin,
                                    std::size_t end, int bit, float lo[3], float hi[3]) {
    // Skip the bits on which the whole range agrees; split where the curve changes octant,
    // or in the middle when every key is the same.
    std::size_t split = begin;
    if (end - begin > static_cast<std::size_t>(kLeafSize)) {
        for (; bit >= 0; --bit) {
            const std::uint32_t mask = 1u << bit;
            if ((keys[begin] & mask) == (keys[end - 1] & mask)) continue;
            split = static_cast<std::size_t>(
                std::partition_point(keys.begin() + static_cast<std::ptrdiff_t>(begin),
                                     keys.begin() + static_cast<std::ptrdiff_t>(end),
                                     [mask](std::uint32_t k) { return (k & mask) == 0; }) -
                keys.begin());
            break;
        }
        if (bit < 0) split = begin + (end - begin) / 2;
    }

    for (int k = 0; k < 3; ++k) {
        lo[k] = std::numeric_limits<float>::infinity();
        hi[k] = -std::numeric_limits<float>::infinity();
    }
    // Comparisons skip NaN coordinates: such an item fails the tree's test anyway.
    auto widen = [lo, hi](const float* itemLo, const float* itemHi) {
        for (int k = 0; k < 3; ++k) {
            if (itemLo[k] < lo[k]) lo[k] = itemLo[k];
            if (itemHi[k] > hi[k]) hi[k] = itemHi[k];
        }
    };
    if (split == begin) {
        for (std::size_t i = begin; i < end; ++i) {
            const float* p = points_ + kDimensions * static_cast<std::size_t>(ids_[i]);
            widen(p, p + 3);
        }
        return Child{static_cast<int>(begin), static_cast<int>(end - begin)};
    }
    const int at = static_cast<int>(nodes_.size());
    nodes_.push_back(Node{});
    Node n{};
    const Child low = buildNode(keys, begin, split, bit - 1, n.lo[0], n.hi[0]);
    const Child high = buildNode(keys, split, end, bit - 1, n.lo[1], n.hi[1]);
    n.first[0] = low.first;
    n.count[0] = low.count;
    n.first[1] = high.first;
    n.count[1] = high.count;
    widen(n.lo[0], n.hi[0]);
    widen(n.lo[1], n.hi[1]);
    nodes_[static_cast<std::size_t>(at)] = n;
    return Child{at, 0};
}

void BoxIndex::collect(const float qlo[6], const float qhi[6], std::vector<int>& out,
                       std::vector<float>& outBox) const {
    visit(
        [qlo, qhi](const float lo[3], const float hi[3]) {
            return lo[0] <= qhi[0] && lo[1] <= qhi[1] && lo[2] <= qhi[2] && hi[0] >= qlo[3] &&
                   hi[1] >= qlo[4] && hi[2] >= qlo[5];
        },
        [qlo, qhi, &out, &outBox](int id, const float* p) {
            bool inside = true;
            for (int k = 0; k < kDimensions && inside; ++k) {
                inside = qlo[k] <= p[k] && p[k] <= qhi[k];
            }
            if (inside) {
                out.push_back(id);
                outBox.insert(outBox.end(), p, p + kDimensions);
            }
        });
}

std::size_t BoxIndex::bytes() const {
    std::size_t b = ids_.capacity() * sizeof(int) + rank_.capacity() * sizeof(std::uint32_t);
    b += nodes_.capacity() * sizeof(Node);
    for (const WalkWorkspace& w : workspaces_) b += w.seen.capacity() * sizeof(std::uint64_t);
    return b;
}

}  // namespace qvr::adt
