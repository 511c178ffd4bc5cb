// Alternating digital tree over axis-aligned boxes.
//
// A box (xmin, ymin, zmin, xmax, ymax, zmax) is a point in six dimensions; each tree node holds
// one item and splits its region in half along dimension depth mod 6. A box query becomes a
// search for the points inside a 6-D region. Coordinates are single precision; boxes are
// enlarged by `margin` of their own extent on entry.
//
// Storage is structure-of-arrays, indexed by item id (1..capacity). Each search slot owns its
// work queue and result list, sized for every item, so a search allocates nothing and one
// slot's results survive searches in the others.
//
// Not thread-safe for writes: SetRange and AddBlock must not overlap any search. Searches on
// different slots may run side by side.
#ifndef QVR_SEARCH_CQVRADT_H
#define QVR_SEARCH_CQVRADT_H

class CQvrADT {
public:
    int slotCount;        // search slots, at least 1
    int capacity;         // highest id the per-id arrays hold
    int growStep;         // capacity growth when an id beyond it is added
    int root;             // root item id, 0 while empty
    float margin;         // relative enlargement of item boxes
    float low[6];         // 6-D domain
    float high[6];
    float quarter[6];     // a quarter of the domain extent per dimension
    float centre[6];      // the domain centre per dimension
    float* point;         // 6 per id: enlarged box (xmin, ymin, zmin, xmax, ymax, zmax)
    float* splitValue;    // per id: region centre along its split dimension
    int* splitDim;        // per id: 0..5, -1 while the id is not in the tree
    int* highChild;       // per id: child on the upper side, 0 for none
    int* lowChild;        // per id: child on the lower side, 0 for none
    int* foundCount;      // per slot
    int** foundList;      // per slot, capacity + 1 ids, found ids at 1..foundCount
    int** queue;          // per slot, capacity + 1 ids, breadth-first work list

    explicit CQvrADT(int slotCount);
    virtual ~CQvrADT();
    CQvrADT(const CQvrADT&) = delete;
    CQvrADT& operator=(const CQvrADT&) = delete;

    int SetRange(double xmin, double ymin, double zmin, double xmax, double ymax, double zmax,
                 int capacity, int growStep);
    int AddBlock(int id, double xmin, double ymin, double zmin, double xmax, double ymax,
                 double zmax);
    int SearchBlock(double xmin, double ymin, double zmin, double xmax, double ymax,
                    double zmax, int slot);
    int GetFoundCount(int slot);
    const int* GetFoundList(int slot);
};

#endif
