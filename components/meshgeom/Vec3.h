// The one small vector type of the library, the generator and the importer: three doubles,
// zero unless given. Its arithmetic is in Vec3Math.h, apart, so that code which includes only
// this header (the library core) writes its arithmetic out component by component and every
// result rounds exactly as that code reads.
#ifndef QVR_MESHGEOM_VEC3_H
#define QVR_MESHGEOM_VEC3_H

namespace qvr::meshgeom {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

}  // namespace qvr::meshgeom

#endif
