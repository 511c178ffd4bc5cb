// The alternating digital tree: life cycle and range, storage of its per-id and per-slot
// arrays, insertion with growth, and the box query.
#include "search/CQvrADT.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <memory>
#include <vector>

#include "search/box_index.h"

namespace {

// Enlarges a 6-D box point (xmin, ymin, zmin, xmax, ymax, zmax) by `margin` of its own extent,
// in single precision. The minimum corner moves first; the maximum corner then moves by the
// extent measured from the already lowered minimum, so both sides are not enlarged equally.
inline void enlarge(float p[6], float margin) {
    for (int k = 0; k < 3; ++k) p[k] = p[k] - (p[k + 3] - p[k]) * margin;
    for (int k = 0; k < 3; ++k) p[k + 3] = p[k + 3] + (p[k + 3] - p[k]) * margin;
}

// Half the sum or a quarter of the difference of two floats: the sum or difference rounds to
// float, the product is taken in double and rounded back.
inline float midpoint(float lo, float hi) {
    return static_cast<float>(static_cast<double>(hi + lo) * 0.5);
}
inline float quarterExtent(float lo, float hi) {
    return static_cast<float>(static_cast<double>(hi - lo) * 0.25);
}

// Every replacement array is built completely before the tree lets go of the old one, so a
// failed allocation (std::bad_alloc) leaves the tree exactly as it was.

// The five per-id arrays for ids 0..entries-1, zeroed, with every splitDim -1 (not in the tree).
struct NodeArrays {
    std::unique_ptr<float[]> point;
    std::unique_ptr<float[]> splitValue;
    std::unique_ptr<int[]> splitDim;
    std::unique_ptr<int[]> highChild;
    std::unique_ptr<int[]> lowChild;

    explicit NodeArrays(std::size_t entries);
};

// One slot's found list and work queue for ids 0..entries-1, or none (default). Only entry 0
// is set (to 0): a search writes every entry it reads, and pages a slot never reaches stay
// untouched.
struct SlotLists {
    std::unique_ptr<int[]> foundList;
    std::unique_ptr<int[]> queue;

    SlotLists() = default;
    explicit SlotLists(std::size_t entries);
};

NodeArrays::NodeArrays(std::size_t entries)
    : point(std::make_unique<float[]>(6 * entries)), splitValue(std::make_unique<float[]>(entries)),
      splitDim(std::make_unique<int[]>(entries)), highChild(std::make_unique<int[]>(entries)),
      lowChild(std::make_unique<int[]>(entries)) {
    std::fill_n(splitDim.get(), entries, -1);
}

SlotLists::SlotLists(std::size_t entries)
    : foundList(std::make_unique_for_overwrite<int[]>(entries)),
      queue(std::make_unique_for_overwrite<int[]>(entries)) {
    foundList[0] = 0;
    queue[0] = 0;
}

// Entries needed for ids 1..ids (entry 0 is never an item).
std::size_t entriesFor(int ids) { return static_cast<std::size_t>(ids) + 1; }

// Release every per-id array, or every slot's lists (the per-slot tables themselves stay).
void releaseNodes(CQvrADT& tree) {
    delete[] tree.point;
    delete[] tree.splitValue;
    delete[] tree.splitDim;
    delete[] tree.highChild;
    delete[] tree.lowChild;
    tree.point = nullptr;
    tree.splitValue = nullptr;
    tree.splitDim = nullptr;
    tree.highChild = nullptr;
    tree.lowChild = nullptr;
}

void releaseSlots(CQvrADT& tree) {
    for (int s = 0; s < tree.slotCount; ++s) {
        if (tree.foundList) {
            delete[] tree.foundList[s];
            tree.foundList[s] = nullptr;
        }
        if (tree.queue) {
            delete[] tree.queue[s];
            tree.queue[s] = nullptr;
        }
    }
}

// Replace the tree's arrays by `fresh`, releasing the old ones; `fresh` is left empty.
void installNodes(CQvrADT& tree, NodeArrays& fresh) {
    releaseNodes(tree);
    tree.point = fresh.point.release();
    tree.splitValue = fresh.splitValue.release();
    tree.splitDim = fresh.splitDim.release();
    tree.highChild = fresh.highChild.release();
    tree.lowChild = fresh.lowChild.release();
}

// Gives `slot` the lists in `fresh` (both or neither), releasing the ones it held.
void installSlot(CQvrADT& tree, int slot, SlotLists& fresh) {
    delete[] tree.foundList[slot];
    delete[] tree.queue[slot];
    tree.foundList[slot] = fresh.foundList.release();
    tree.queue[slot] = fresh.queue.release();
}

// A slot without lists has kept no result: its count is 0 and a search fills them afresh.
// Allocates the slot's lists for every id stored if it has none; throws std::bad_alloc,
// leaving the slot without lists.
void ensureSlotLists(CQvrADT& tree, int slot) {
    if (tree.foundList[slot] != nullptr) return;
    SlotLists fresh(entriesFor(tree.stored));
    installSlot(tree, slot, fresh);
}

constexpr int kInitialGrowStep = 200000;  // ids added per growth until SetRange sets it
constexpr float kBoxMargin = 0.001f;      // relative enlargement of domain and item boxes
constexpr int kFallbackCapacity = 10;     // ids, for a capacity below 1
constexpr int kFallbackGrowStep = 10000;  // ids, for a growth step below 1
// Ids the arrays hold from the start when the caller does not say how many to expect: a host
// tree may be given a capacity far beyond the ids it will ever see.
constexpr int kUnknownExpectedIds = 4096;

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

using qvr::adt::kDimensions;

// Ids the arrays are grown to at least, so that ids added one by one beyond a small start
// cost few copies.
constexpr int kMinStored = 1024;

// The ids the arrays hold once `id` is taken into a tree of `newCapacity`: by half again at
// least (fewer copies for ids added one by one), never beyond the capacity.
int storedFor(const CQvrADT& tree, int id, int newCapacity) {
    const long long half = static_cast<long long>(tree.stored) + tree.stored / 2;
    const long long want =
        std::max({static_cast<long long>(id), half, static_cast<long long>(kMinStored)});
    return static_cast<int>(std::min<long long>(want, newCapacity));
}

// Replaces the per-id arrays by arrays for ids 1..newStored, keeping ids 0..stored, and the
// lists of every slot that has them by new ones (slots without lists stay so). A slot's last
// result is carried over, so its count and list still agree after the growth. The capacity is
// the caller's: it is not changed here.
void grow(CQvrADT& tree, int newStored) {
    const std::size_t oldEntries = entriesFor(tree.stored);
    const std::size_t entries = entriesFor(newStored);
    NodeArrays nodes(entries);
    std::vector<SlotLists> slots(static_cast<std::size_t>(tree.slotCount));
    for (int s = 0; s < tree.slotCount; ++s) {
        if (tree.foundList[s] != nullptr) slots[static_cast<std::size_t>(s)] = SlotLists(entries);
    }

    std::copy_n(tree.point, 6 * oldEntries, nodes.point.get());
    std::copy_n(tree.splitValue, oldEntries, nodes.splitValue.get());
    std::copy_n(tree.splitDim, oldEntries, nodes.splitDim.get());
    std::copy_n(tree.highChild, oldEntries, nodes.highChild.get());
    std::copy_n(tree.lowChild, oldEntries, nodes.lowChild.get());
    for (int s = 0; s < tree.slotCount; ++s) {
        if (tree.foundList[s] == nullptr) continue;
        std::copy_n(tree.foundList[s], static_cast<std::size_t>(tree.foundCount[s]) + 1,
                    slots[static_cast<std::size_t>(s)].foundList.get());
    }

    installNodes(tree, nodes);
    for (int s = 0; s < tree.slotCount; ++s) {
        if (tree.foundList[s] != nullptr) installSlot(tree, s, slots[static_cast<std::size_t>(s)]);
    }
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

CQvrADT::CQvrADT(int slots)
    : slotCount(slots < 1 ? 1 : slots), capacity(0), growStep(kInitialGrowStep), stored(0), root(0),
      margin(kBoxMargin), low{}, high{}, quarter{}, centre{}, point(nullptr), splitValue(nullptr),
      splitDim(nullptr), highChild(nullptr), lowChild(nullptr), foundCount(nullptr),
      foundList(nullptr), queue(nullptr) {
    const auto n = static_cast<std::size_t>(slotCount);
    auto counts = std::make_unique<int[]>(n);
    auto lists = std::make_unique<int*[]>(n);
    auto queues = std::make_unique<int*[]>(n);
    foundCount = counts.release();
    foundList = lists.release();
    queue = queues.release();
}

CQvrADT::~CQvrADT() {
    releaseNodes(*this);
    releaseSlots(*this);
    delete[] foundCount;
    delete[] foundList;
    delete[] queue;
}

int CQvrADT::SetRange(double xmin, double ymin, double zmin, double xmax, double ymax, double zmax,
                      int newCapacity, int newGrowStep, int expectedIds) {
    if (newCapacity < 1) newCapacity = kFallbackCapacity;
    if (newGrowStep < 1) newGrowStep = kFallbackGrowStep;
    if (expectedIds < 0) expectedIds = kUnknownExpectedIds;
    const int newStored = std::min(newCapacity, expectedIds);
    walkIndex.reset();

    // The slots' lists go with the old tree; each slot's next search makes new ones.
    NodeArrays nodes(entriesFor(newStored));
    installNodes(*this, nodes);
    releaseSlots(*this);
    std::fill_n(foundCount, slotCount, 0);
    capacity = newCapacity;
    growStep = newGrowStep;
    stored = newStored;
    root = 0;

    float box[6] = {static_cast<float>(xmin), static_cast<float>(ymin), static_cast<float>(zmin),
                    static_cast<float>(xmax), static_cast<float>(ymax), static_cast<float>(zmax)};
    enlarge(box, margin);
    for (int k = 0; k < 3; ++k) {
        low[k] = low[k + 3] = box[k];
        high[k] = high[k + 3] = box[k + 3];
    }
    for (int k = 0; k < 6; ++k) {
        quarter[k] = quarterExtent(low[k], high[k]);
        centre[k] = midpoint(low[k], high[k]);
    }
    return 0;
}

int CQvrADT::GetFoundCount(int slot) const {
    if (slot < 0 || slot >= slotCount) return 0;
    return foundCount[slot];
}

const int* CQvrADT::GetFoundList(int slot) const {
    // What a slot that has kept no result reads: entry 0 and no ids.
    static const int kNoIds[1] = {0};
    if (slot < 0 || slot >= slotCount || point == nullptr) return nullptr;
    return foundList[slot] != nullptr ? foundList[slot] : kNoIds;
}

void CQvrADT::SetFoundList(int slot, const int* ids, int count) {
    if (count > 0) {
        ensureSlotLists(*this, slot);
        std::copy_n(ids, count, foundList[slot] + 1);
    }
    foundCount[slot] = count;
}

void CQvrADT::BuildWalkIndex() {
    walkIndex.reset();
    if (point == nullptr) return;
    walkIndex = std::make_unique<qvr::adt::BoxIndex>(*this);
}

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
    enlarge(p, margin);

    const int code = domainCode(*this, p);
    if (code != kInserted) return code;

    if (root == 0) {
        root = id;
        splitDim[id] = 0;
        splitValue[id] = midpoint(low[0], high[0]);
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

int CQvrADT::SearchBlock(double xmin, double ymin, double zmin, double xmax, double ymax,
                         double zmax, int slot) {
    if (slot < 0 || slot >= slotCount) return 0;

    // An item's point lies inside when its minimum corner is at most the query's maximum and
    // its maximum corner at least the query's minimum: the boxes meet, touching included.
    const float qlo[kDimensions] = {low[0],
                                    low[1],
                                    low[2],
                                    static_cast<float>(xmin),
                                    static_cast<float>(ymin),
                                    static_cast<float>(zmin)};
    const float qhi[kDimensions] = {static_cast<float>(xmax),
                                    static_cast<float>(ymax),
                                    static_cast<float>(zmax),
                                    high[3],
                                    high[4],
                                    high[5]};

    if (root == 0) {
        foundCount[slot] = 0;
        return 0;
    }
    ensureSlotLists(*this, slot);  // before anything changes: a failure leaves the slot as it was
    foundCount[slot] = 0;

    // Breadth first; every item enters the queue at most once, so stored + 1 entries hold
    // any walk.
    int* work = queue[slot];
    int* found = foundList[slot];
    int nFound = 0;
    int r = 0;
    int w = 1;
    work[1] = root;
    while (r < w) {
        ++r;
        const int n = work[r];
        const int d = splitDim[n];
        const float s = splitValue[n];
        if (s >= qlo[d] && lowChild[n] != 0) work[++w] = lowChild[n];
        if (qhi[d] >= s && highChild[n] != 0) work[++w] = highChild[n];

        const float* p =
            point + static_cast<std::size_t>(kDimensions) * static_cast<std::size_t>(n);
        bool inside = true;
        for (int k = 0; k < kDimensions && inside; ++k) {
            inside = qlo[k] <= p[k] && p[k] <= qhi[k];
        }
        if (inside) found[++nFound] = n;
    }
    foundCount[slot] = nFound;
    return 0;
}
