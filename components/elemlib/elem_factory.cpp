#include "CFEM_Elem3D.h"
#include "element_kinds.h"

CFEM_Elem3D::~CFEM_Elem3D() = default;

CFEM_Elem3D_Factory::CFEM_Elem3D_Factory() = default;
CFEM_Elem3D_Factory::~CFEM_Elem3D_Factory() = default;

CFEM_Elem3D* CFEM_Elem3D_Factory::Make_TETRA4() const { return qvr::elemlib::NewTetra4(); }
CFEM_Elem3D* CFEM_Elem3D_Factory::Make_PYRAMID5() const { return qvr::elemlib::NewPyramid5(); }
CFEM_Elem3D* CFEM_Elem3D_Factory::Make_PRISM6() const { return qvr::elemlib::NewPrism6(); }
CFEM_Elem3D* CFEM_Elem3D_Factory::Make_HEXA8() const { return qvr::elemlib::NewHexa8(); }

CFEM_Elem3D* CFEM_Elem3D_Factory::MakeForNodeCount(int nodeCount) const {
    switch (nodeCount) {
        case 4: return Make_TETRA4();
        case 5: return Make_PYRAMID5();
        case 6: return Make_PRISM6();
        case 8: return Make_HEXA8();
        default: return nullptr;
    }
}
