// Allocation of the tree's arrays.
//
// Every replacement array is built completely before the tree lets go of the old one, so a
// failed allocation (std::bad_alloc) leaves the tree exactly as it was.
#ifndef QVR_SEARCH_ADT_STORAGE_H
#define QVR_SEARCH_ADT_STORAGE_H

#include <cstddef>
#include <memory>
#include <vector>

#include "search/CQvrADT.h"

namespace qvr::adt {

// The five per-id arrays for ids 0..entries-1, zeroed, with every splitDim -1 (not in the tree).
struct NodeArrays {
    std::unique_ptr<float[]> point;
    std::unique_ptr<float[]> splitValue;
    std::unique_ptr<int[]> splitDim;
    std::unique_ptr<int[]> highChild;
    std::unique_ptr<int[]> lowChild;

    explicit NodeArrays(std::size_t entries);
};

// Every slot's found list and work queue for ids 0..entries-1. Only entry 0 is set (to 0):
// a search writes every entry it reads, and pages a slot never reaches stay untouched.
struct SlotArrays {
    std::vector<std::unique_ptr<int[]>> foundList;
    std::vector<std::unique_ptr<int[]>> queue;

    SlotArrays(int slotCount, std::size_t entries);
};

// Entries needed for ids 1..ids (entry 0 is never an item).
std::size_t entriesFor(int ids);

// Replace the tree's arrays by `fresh`, releasing the old ones; `fresh` is left empty.
void installNodes(CQvrADT& tree, NodeArrays& fresh);
void installSlots(CQvrADT& tree, SlotArrays& fresh);

// Release every per-id and per-slot array (the per-slot tables themselves stay).
void releaseNodes(CQvrADT& tree);
void releaseSlots(CQvrADT& tree);

}  // namespace qvr::adt

#endif
