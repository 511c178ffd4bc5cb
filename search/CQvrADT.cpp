// Life cycle and range of the alternating digital tree.
#include "search/CQvrADT.h"

#include <algorithm>
#include <memory>

#include "search/adt_margin.h"
#include "search/adt_storage.h"
#include "search/box_index.h"

namespace {

constexpr int kInitialGrowStep = 200000;   // ids added per growth until SetRange sets it
constexpr float kBoxMargin = 0.001f;       // relative enlargement of domain and item boxes
constexpr int kFallbackCapacity = 10;      // ids, for a capacity below 1
constexpr int kFallbackGrowStep = 10000;   // ids, for a growth step below 1
// Ids the arrays hold from the start when the caller does not say how many to expect: a host
// tree may be given a capacity far beyond the ids it will ever see.
constexpr int kUnknownExpectedIds = 4096;

}  // namespace

CQvrADT::CQvrADT(int slots)
    : slotCount(slots < 1 ? 1 : slots), capacity(0), growStep(kInitialGrowStep), stored(0),
      root(0), margin(kBoxMargin), low{}, high{}, quarter{}, centre{}, point(nullptr),
      splitValue(nullptr), splitDim(nullptr), highChild(nullptr), lowChild(nullptr),
      foundCount(nullptr), foundList(nullptr), queue(nullptr), walkIndex() {
    const auto n = static_cast<std::size_t>(slotCount);
    auto counts = std::make_unique<int[]>(n);
    auto lists = std::make_unique<int*[]>(n);
    auto queues = std::make_unique<int*[]>(n);
    foundCount = counts.release();
    foundList = lists.release();
    queue = queues.release();
}

CQvrADT::~CQvrADT() {
    qvr::adt::releaseNodes(*this);
    qvr::adt::releaseSlots(*this);
    delete[] foundCount;
    delete[] foundList;
    delete[] queue;
}

int CQvrADT::SetRange(double xmin, double ymin, double zmin, double xmax, double ymax,
                      double zmax, int newCapacity, int newGrowStep, int expectedIds) {
    if (newCapacity < 1) newCapacity = kFallbackCapacity;
    if (newGrowStep < 1) newGrowStep = kFallbackGrowStep;
    if (expectedIds < 0) expectedIds = kUnknownExpectedIds;
    const int newStored = std::min(newCapacity, expectedIds);
    walkIndex.reset();

    const std::size_t entries = qvr::adt::entriesFor(newStored);
    qvr::adt::NodeArrays nodes(entries);
    qvr::adt::SlotArrays slots(slotCount, entries);
    qvr::adt::installNodes(*this, nodes);
    qvr::adt::installSlots(*this, slots);
    std::fill_n(foundCount, slotCount, 0);
    capacity = newCapacity;
    growStep = newGrowStep;
    stored = newStored;
    root = 0;

    float box[6] = {static_cast<float>(xmin), static_cast<float>(ymin),
                    static_cast<float>(zmin), static_cast<float>(xmax),
                    static_cast<float>(ymax), static_cast<float>(zmax)};
    qvr::adt::enlarge(box, margin);
    for (int k = 0; k < 3; ++k) {
        low[k] = low[k + 3] = box[k];
        high[k] = high[k + 3] = box[k + 3];
    }
    for (int k = 0; k < 6; ++k) {
        quarter[k] = qvr::adt::quarterExtent(low[k], high[k]);
        centre[k] = qvr::adt::midpoint(low[k], high[k]);
    }
    return 0;
}

int CQvrADT::GetFoundCount(int slot) {
    if (slot < 0 || slot >= slotCount) return 0;
    return foundCount[slot];
}

const int* CQvrADT::GetFoundList(int slot) {
    if (slot < 0 || slot >= slotCount) return nullptr;
    return foundList[slot];
}

void CQvrADT::BuildWalkIndex() {
    walkIndex.reset();
    if (point == nullptr) return;
    walkIndex = std::make_unique<qvr::adt::BoxIndex>(*this);
}
