// Small double-precision vector arithmetic for the generators and the cell geometry.
#ifndef QVR_MESHGEOM_VEC3_MATH_H
#define QVR_MESHGEOM_VEC3_MATH_H

#include <cmath>

#include "Vec3.h"

namespace qvr::meshgeom {

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double triple(Vec3 a, Vec3 b, Vec3 c) { return dot(a, cross(b, c)); }
inline double norm(Vec3 a) { return std::sqrt(dot(a, a)); }

}  // namespace qvr::meshgeom

#endif
