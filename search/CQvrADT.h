// Alternating digital tree over axis-aligned boxes.
//
// A box (xmin, ymin, zmin, xmax, ymax, zmax) is a point in six dimensions; each tree node holds
// one item and splits its region in half along dimension depth mod 6. A box query becomes a
// search for the points inside a 6-D region. Coordinates are single precision; boxes are
// enlarged by `margin` of their own extent on entry.
//
// Storage is structure-of-arrays, indexed by item id. `capacity` is the tree's logical bound:
// it decides which ids AddBlock takes and grows by growStep when an id just beyond it arrives.
// The arrays themselves hold only ids 1..stored (stored <= capacity) and grow geometrically
// when an id beyond them is taken, so a tree made with room for many ids costs memory only for
// the ids it is given. Each search slot owns its work queue and result list, sized for every
// id stored, so one slot's results survive searches in the others. A slot's two lists are
// allocated by its first search that finds something to walk or to keep, not with the node
// arrays: a slot whose searches all go elsewhere (the ray walk's index) costs nothing here.
// After that first search, a search allocates nothing.
//
// Not thread-safe for writes: SetRange and AddBlock must not overlap any search. Searches on
// different slots may run side by side, first searches included: a slot's first search
// allocates only that slot's lists.
#ifndef QVR_SEARCH_CQVRADT_H
#define QVR_SEARCH_CQVRADT_H

#include <memory>

namespace qvr::adt {
class BoxIndex;

// Coordinates of a box as a point of the tree: (xmin, ymin, zmin, xmax, ymax, zmax).
inline constexpr int kDimensions = 6;
}  // namespace qvr::adt

class CQvrADT {
public:
    int slotCount;  // search slots, at least 1
    int capacity;   // highest id AddBlock takes without growing the capacity
    int growStep;   // capacity growth when an id beyond it is added
    int stored;     // highest id the per-id arrays hold, at most capacity
    int root;       // root item id, 0 while empty
    float margin;   // relative enlargement of item boxes
    float low[6];   // 6-D domain
    float high[6];
    float quarter[6];  // a quarter of the domain extent per dimension
    float centre[6];   // the domain centre per dimension
    // Per-id arrays, ids 0..stored (entry 0 is never an item).
    float* point;       // 6 per id: enlarged box (xmin, ymin, zmin, xmax, ymax, zmax)
    float* splitValue;  // per id: region centre along its split dimension
    int* splitDim;      // per id: 0..5, -1 while the id is not in the tree
    int* highChild;     // per id: child on the upper side, 0 for none
    int* lowChild;      // per id: child on the lower side, 0 for none
    int* foundCount;    // per slot
    int** foundList;    // per slot, stored + 1 ids, found ids at 1..foundCount; null until used
    int** queue;        // per slot, stored + 1 ids, breadth-first work list; null until used
    // Snapshot index for the ray walk's many small queries; null until BuildWalkIndex and
    // after any change to the tree.
    std::unique_ptr<qvr::adt::BoxIndex> walkIndex;

    // An empty tree with `slots` search slots (below 1 gives 1); no node arrays until
    // SetRange.
    explicit CQvrADT(int slots);
    virtual ~CQvrADT();
    CQvrADT(const CQvrADT&) = delete;
    CQvrADT& operator=(const CQvrADT&) = delete;

    // Sets the domain (enlarged by `margin`) and the capacity (below 1 gives 10; a growStep
    // below 1 gives 10000), and allocates the arrays for ids 1..min(capacity, expectedIds), or
    // for a few thousand ids when expectedIds is negative (not known). Returns 0. A second call
    // starts a new, empty tree: the old arrays are released, every slot's found count is reset
    // to 0. expectedIds changes no answer of the tree, only when its arrays grow.
    int SetRange(double xmin, double ymin, double zmin, double xmax, double ymax, double zmax,
                 int capacity, int growStep, int expectedIds = -1);
    // Inserts item id with its box. Returns 0 when inserted, -1 when the id is already in the
    // tree, -2..-7 when the enlarged box leaves the domain (low x, y, z, then high x, y, z),
    // -8 for an id below 1 or above capacity + growStep and -9 before SetRange; the last two
    // change nothing. An id above capacity grows the capacity by growStep; an id above stored
    // grows the arrays (by half at least, never beyond the capacity); every slot keeps its last
    // result. A failed allocation (std::bad_alloc) leaves the tree as it was. A box with NaN
    // coordinates is linked in but never found.
    int AddBlock(int id, double xmin, double ymin, double zmin, double xmax, double ymax,
                 double zmax);
    // Finds every item whose enlarged box meets the query box (touching counts), in
    // breadth-first order, into the slot's found list. Returns 0; a slot out of range changes
    // nothing; before SetRange nothing is found. The slot's first search of a non-empty tree
    // allocates its lists: if that fails (std::bad_alloc), the slot is left as it was, without
    // lists and with its found count 0, and a later search tries again.
    int SearchBlock(double xmin, double ymin, double zmin, double xmax, double ymax, double zmax,
                    int slot);
    // Makes `ids` (count of them, each an item of the tree) the slot's found list, as a
    // search that found them would; for searches answered beside the tree (the walk index).
    // Allocates the slot's lists when it has none and count is above 0; if that fails
    // (std::bad_alloc) the slot keeps its last result. Precondition: 0 <= slot < slotCount,
    // 0 <= count <= stored, and SetRange has run.
    void SetFoundList(int slot, const int* ids, int count);
    // The slot's found count; 0 for a slot out of range.
    int GetFoundCount(int slot) const;
    // The slot's found list, ids at 1..GetFoundCount(slot); null for a slot out of range or
    // before SetRange, a list of no ids for a slot that has not kept a result yet. Valid until
    // the next search on the slot, a growing AddBlock or SetRange.
    const int* GetFoundList(int slot) const;

    // Indexes the items now in the tree for the ray walk (see search/box_index.h); SetRange
    // and AddBlock drop the index again. Throws std::bad_alloc, leaving no index.
    void BuildWalkIndex();
    // The index, or null when there is none.
    qvr::adt::BoxIndex* WalkIndex() { return walkIndex.get(); }
};

#endif
