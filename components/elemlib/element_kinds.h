// Constructors of the four element kinds, one per source file; the factory hands them out.
#ifndef QVR_ELEMLIB_ELEMENT_KINDS_H
#define QVR_ELEMLIB_ELEMENT_KINDS_H

#include "CFEM_Elem3D.h"

namespace qvr::elemlib {

// Each returns a new element owned by the caller; a failed allocation throws std::bad_alloc.
CFEM_Elem3D* NewTetra4();
CFEM_Elem3D* NewPyramid5();
CFEM_Elem3D* NewPrism6();
CFEM_Elem3D* NewHexa8();

}  // namespace qvr::elemlib

#endif
