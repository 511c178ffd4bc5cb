// The core's small vector type: the one the components, the generator and the importer use
// (components/meshgeom/Vec3.h), three doubles, zero unless given. The core does not include
// its arithmetic (Vec3Math.h): arithmetic stays written out at each use, component by
// component, so every result rounds exactly as the code reads.
#ifndef QVR_KERNEL_VEC3_H
#define QVR_KERNEL_VEC3_H

#include "components/meshgeom/Vec3.h"

namespace qvr {

using Vec3 = meshgeom::Vec3;

}  // namespace qvr

#endif
