#include "search/adt_storage.h"

#include <algorithm>

namespace qvr::adt {

NodeArrays::NodeArrays(std::size_t entries)
    : point(std::make_unique<float[]>(6 * entries)),
      splitValue(std::make_unique<float[]>(entries)),
      splitDim(std::make_unique<int[]>(entries)),
      highChild(std::make_unique<int[]>(entries)),
      lowChild(std::make_unique<int[]>(entries)) {
    std::fill_n(splitDim.get(), entries, -1);
}

SlotArrays::SlotArrays(int slotCount, std::size_t entries) {
    const auto slots = static_cast<std::size_t>(slotCount);
    foundList.reserve(slots);
    queue.reserve(slots);
    for (std::size_t s = 0; s < slots; ++s) {
        foundList.push_back(std::make_unique_for_overwrite<int[]>(entries));
        queue.push_back(std::make_unique_for_overwrite<int[]>(entries));
        foundList.back()[0] = 0;
        queue.back()[0] = 0;
    }
}

std::size_t entriesFor(int ids) { return static_cast<std::size_t>(ids) + 1; }

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

void installNodes(CQvrADT& tree, NodeArrays& fresh) {
    releaseNodes(tree);
    tree.point = fresh.point.release();
    tree.splitValue = fresh.splitValue.release();
    tree.splitDim = fresh.splitDim.release();
    tree.highChild = fresh.highChild.release();
    tree.lowChild = fresh.lowChild.release();
}

void installSlots(CQvrADT& tree, SlotArrays& fresh) {
    releaseSlots(tree);
    for (int s = 0; s < tree.slotCount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        tree.foundList[s] = fresh.foundList[i].release();
        tree.queue[s] = fresh.queue[i].release();
    }
}

}  // namespace qvr::adt
