// The core's one small vector type: three doubles, zero unless given. Arithmetic stays written
// out at each use, component by component, so every result rounds exactly as the code reads.
#ifndef QVR_KERNEL_VEC3_H
#define QVR_KERNEL_VEC3_H

namespace qvr {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

}  // namespace qvr

#endif
