#include "extract/shape_elements.h"

namespace qvr::extract {

CFEM_Elem3D* ShapeElements::forNodeCount(int nNode) {
    if (nNode < 0 || nNode > kLargestNodeCount) return nullptr;
    std::unique_ptr<CFEM_Elem3D>& element = byNodeCount_[nNode];
    if (!element) {
        switch (nNode) {
            case 4: element.reset(factory_.Make_TETRA4()); break;
            case 5: element.reset(factory_.Make_PYRAMID5()); break;
            case 6: element.reset(factory_.Make_PRISM6()); break;
            case 8: element.reset(factory_.Make_HEXA8()); break;
            default: break;
        }
    }
    return element.get();
}

}  // namespace qvr::extract
