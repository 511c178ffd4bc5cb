// Insertion into the alternating digital tree, with growth of the per-id arrays.
#include <algorithm>
#include <climits>

#include "search/CQvrADT.h"
#include "search/adt_margin.h"
#include "search/adt_storage.h"
#include "search/box_index.h"

namespace {

constexpr int kInserted = 0;
constexpr int kDuplicateId = -1;
constexpr int kBelowLowX = -2;
constexpr int kBelowLowY = -3;
constexpr int kBelowLowZ = -4;
constexpr int kAboveHighX = -5;
constexpr int kAboveHighY = -6;
constexpr int kAboveHighZ = -7;
constexpr int kIdOutOfReach = -8;
constexpr int kNotRanged = -9;

constexpr int kDimensions = 6;

// Ids the arrays are grown to at least, so that ids added one by one beyond a small start
// cost few copies.
constexpr int kMinStored = 1024;

// The ids the arrays hold once `id` is taken into a tree of `newCapacity`: by half again at
// least (fewer copies for ids added one by one), never beyond the capacity.
int storedFor(const CQvrADT& tree, int id, int newCapacity) {
    const long long half = static_cast<long long>(tree.stored) + tree.stored / 2;
    const long long want = std::max({static_cast<long long>(id), half,
                                      static_cast<long long>(kMinStored)});
    return static_cast<int>(std::min<long long>(want, newCapacity));
}

// Replaces the per-id arrays by arrays for ids 1..newStored, keeping ids 0..stored, and every
// slot's lists by new ones. A slot's last result is carried over, so its count and list still
// agree after the growth. The capacity is the caller's: it is not changed here.
void grow(CQvrADT& tree, int newStored) {
    const std::size_t oldEntries = qvr::adt::entriesFor(tree.stored);
    const std::size_t entries = qvr::adt::entriesFor(newStored);
    qvr::adt::NodeArrays nodes(entries);
    qvr::adt::SlotArrays slots(tree.slotCount, entries);

    std::copy_n(tree.point, 6 * oldEntries, nodes.point.get());
    std::copy_n(tree.splitValue, oldEntries, nodes.splitValue.get());
    std::copy_n(tree.splitDim, oldEntries, nodes.splitDim.get());
    std::copy_n(tree.highChild, oldEntries, nodes.highChild.get());
    std::copy_n(tree.lowChild, oldEntries, nodes.lowChild.get());
    for (int s = 0; s < tree.slotCount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        std::copy_n(tree.foundList[s], static_cast<std::size_t>(tree.foundCount[s]) + 1,
                    slots.foundList[i].get());
    }

    qvr::adt::installNodes(tree, nodes);
    qvr::adt::installSlots(tree, slots);
    tree.stored = newStored;
}

// Outside-domain code of an enlarged item box, or kInserted when it lies inside. NaN
// coordinates compare false and pass; such an item can never be found.
int domainCode(const CQvrADT& tree, const float* p) {
    if (tree.low[0] > p[0]) return kBelowLowX;
    if (tree.low[1] > p[1]) return kBelowLowY;
    if (tree.low[2] > p[2]) return kBelowLowZ;
    if (p[3] > tree.high[3]) return kAboveHighX;
    if (p[4] > tree.high[4]) return kAboveHighY;
    if (p[5] > tree.high[5]) return kAboveHighZ;
    return kInserted;
}

}  // namespace

int CQvrADT::AddBlock(int id, double xmin, double ymin, double zmin, double xmax, double ymax,
                      double zmax) {
    if (point == nullptr) return kNotRanged;
    const long long reach = static_cast<long long>(capacity) + growStep;
    if (id < 1 || id > reach) return kIdOutOfReach;
    const int newCapacity =
        id > capacity ? static_cast<int>(std::min<long long>(reach, INT_MAX)) : capacity;
    // The arrays first: if they cannot grow, the capacity and the walk index stay as they were.
    if (id > stored) grow(*this, storedFor(*this, id, newCapacity));
    capacity = newCapacity;
    walkIndex.reset();  // stale from here on, whether or not the id gets linked

    if (splitDim[id] != -1) return kDuplicateId;

    highChild[id] = 0;
    lowChild[id] = 0;
    float* p = point + static_cast<std::size_t>(kDimensions) * static_cast<std::size_t>(id);
    p[0] = static_cast<float>(xmin);
    p[1] = static_cast<float>(ymin);
    p[2] = static_cast<float>(zmin);
    p[3] = static_cast<float>(xmax);
    p[4] = static_cast<float>(ymax);
    p[5] = static_cast<float>(zmax);
    qvr::adt::enlarge(p, margin);

    const int code = domainCode(*this, p);
    if (code != kInserted) return code;

    if (root == 0) {
        root = id;
        splitDim[id] = 0;
        splitValue[id] = qvr::adt::midpoint(low[0], high[0]);
        return kInserted;
    }

    // Walk down with the centre and quarter-extent of the current node's region. Ties go to
    // the upper side, matching the search, which descends upwards on qhi >= splitValue.
    double c[kDimensions];
    double q[kDimensions];
    for (int k = 0; k < kDimensions; ++k) {
        c[k] = centre[k];
        q[k] = quarter[k];
    }
    // The side is chosen by indexing rather than by a jump: which way a path turns is as good
    // as random, and a mispredicted branch per level was most of the cost of an insertion.
    // Adding -q is subtracting q, bit for bit.
    int* const children[2] = {lowChild, highChild};
    constexpr double kTowards[2] = {-1.0, 1.0};
    int depth = -1;
    int n = root;
    for (;;) {
        depth = depth == kDimensions - 1 ? 0 : depth + 1;
        const int d = depth;
        const int up = static_cast<int>(static_cast<double>(p[d]) >= c[d]);
        int* const child = children[up] + n;
        if (*child == 0) {
            *child = id;
            break;
        }
        c[d] = c[d] + kTowards[up] * q[d];
        q[d] = q[d] * 0.5;
        n = *child;
    }
    depth = (depth + 1) % kDimensions;
    splitDim[id] = depth;
    splitValue[id] = static_cast<float>(c[depth]);
    return kInserted;
}
