// Finite-element interpolation inside solid cells with the element library's shape functions.
//
// One element object per supported cell kind is made on first use and kept for a whole run of
// interpolations: the element library's objects hold no state between calls, so one object
// serves every cell of its kind and gives the same shape function values as a fresh one.
#ifndef QVR_EXTRACT_INTERPOLATION_H
#define QVR_EXTRACT_INTERPOLATION_H

#include <memory>

#include "CFEM_Elem3D.h"
#include "kernel/mesh_tables.h"

namespace qvr::extract {

class ShapeElements {
public:
    // The element for a cell of nNode nodes (4, 5, 6 or 8); null for any other count.
    CFEM_Elem3D* forNodeCount(int nNode);

private:
    CFEM_Elem3D_Factory factory_;
    std::unique_ptr<CFEM_Elem3D> byNodeCount_[kMaxCellNodes + 1];
};

}  // namespace qvr::extract

#endif
