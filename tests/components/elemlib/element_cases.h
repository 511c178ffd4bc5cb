// Reference shapes of the four element types, written out from their textbook definitions, and
// builders of physical elements from them.
#ifndef QVR_TESTS_ELEMLIB_ELEMENT_CASES_H
#define QVR_TESTS_ELEMLIB_ELEMENT_CASES_H

#include "CFEM_Elem3D.h"

#include <array>
#include <cmath>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace elemtest {

using Vec3 = std::array<double, 3>;

// One face of a reference element as the half-space normal . r <= offset.
struct HalfSpace {
    Vec3 normal;
    double offset;
};

struct ElementType {
    std::string name;
    int nodeCount;
    std::vector<Vec3> referenceNodes;
    std::vector<HalfSpace> faces;
    Vec3 boxLow, boxHigh;  // bounding box of the reference element
};

// Test names instead of byte dumps in failure messages.
inline void PrintTo(const ElementType& type, std::ostream* os) { *os << type.name; }

inline std::vector<ElementType> AllTypes() {
    return {
        {"Tetra4", 4, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
         {{{-1, 0, 0}, 0}, {{0, -1, 0}, 0}, {{0, 0, -1}, 0}, {{1, 1, 1}, 1}},
         {0, 0, 0}, {1, 1, 1}},
        {"Pyramid5", 5, {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}, {0, 0, 1}},
         {{{0, 0, -1}, 0}, {{1, 0, 1}, 1}, {{-1, 0, 1}, 1}, {{0, 1, 1}, 1}, {{0, -1, 1}, 1}},
         {-1, -1, 0}, {1, 1, 1}},
        {"Prism6", 6, {{0, 0, -1}, {1, 0, -1}, {0, 1, -1}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}},
         {{{-1, 0, 0}, 0}, {{0, -1, 0}, 0}, {{1, 1, 0}, 1}, {{0, 0, -1}, 1}, {{0, 0, 1}, 1}},
         {0, 0, -1}, {1, 1, 1}},
        {"Hexa8", 8,
         {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
          {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
         {{{1, 0, 0}, 1}, {{-1, 0, 0}, 1}, {{0, 1, 0}, 1}, {{0, -1, 0}, 1}, {{0, 0, 1}, 1},
          {{0, 0, -1}, 1}},
         {-1, -1, -1}, {1, 1, 1}},
    };
}

inline std::unique_ptr<CFEM_Elem3D> Make(int nodeCount) {
    return std::unique_ptr<CFEM_Elem3D>(CFEM_Elem3D_Factory().MakeForNodeCount(nodeCount));
}

// Smallest distance inside all faces (negative outside), in reference units.
inline double Depth(const ElementType& type, const Vec3& r) {
    double depth = 1e300;
    for (const HalfSpace& f : type.faces) {
        const double len = std::sqrt(f.normal[0] * f.normal[0] + f.normal[1] * f.normal[1] +
                                     f.normal[2] * f.normal[2]);
        const double d =
            (f.offset - (f.normal[0] * r[0] + f.normal[1] * r[1] + f.normal[2] * r[2])) / len;
        depth = std::fmin(depth, d);
    }
    return depth;
}

// A physical element: node coordinates as the element library takes them.
struct Element {
    double X[8] = {}, Y[8] = {}, Z[8] = {};
    int n = 0;
    Vec3 Node(int k) const { return {X[k], Y[k], Z[k]}; }
    double Size() const {
        double d2 = 0.0;
        const double* c[3] = {X, Y, Z};
        for (const double* a : c) {
            double lo = a[0], hi = a[0];
            for (int k = 1; k < n; ++k) {
                lo = std::fmin(lo, a[k]);
                hi = std::fmax(hi, a[k]);
            }
            d2 += (hi - lo) * (hi - lo);
        }
        return std::sqrt(d2);
    }
};

// A random well-conditioned linear map: identity plus a shear of up to `shear` per entry, and a
// reflection of x when `mirrored`.
struct AffineMap {
    double A[3][3];
    Vec3 offset;
    Vec3 operator()(const Vec3& r) const {
        Vec3 x;
        for (int i = 0; i < 3; ++i)
            x[i] = offset[i] + A[i][0] * r[0] + A[i][1] * r[1] + A[i][2] * r[2];
        return x;
    }
};

inline AffineMap RandomAffine(std::mt19937_64& rng, double shear, bool mirrored) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    AffineMap m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.A[i][j] = (i == j ? 1.0 : 0.0) + shear * u(rng);
    if (mirrored)
        for (int j = 0; j < 3; ++j) m.A[0][j] = -m.A[0][j];
    for (int i = 0; i < 3; ++i) m.offset[i] = 5.0 * u(rng);
    return m;
}

// The reference nodes moved by up to `distortion` reference units per coordinate, then mapped.
inline Element Build(const ElementType& type, const AffineMap& map, double distortion,
                     std::mt19937_64& rng) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Element e;
    e.n = type.nodeCount;
    for (int k = 0; k < e.n; ++k) {
        Vec3 r = type.referenceNodes[k];
        for (double& c : r) c += distortion * u(rng);
        const Vec3 x = map(r);
        e.X[k] = x[0];
        e.Y[k] = x[1];
        e.Z[k] = x[2];
    }
    return e;
}

// A reference point uniformly in the reference box grown by `widths` times its own width on
// every side.
inline Vec3 RandomPointAround(const ElementType& type, double widths, std::mt19937_64& rng) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Vec3 r;
    for (int j = 0; j < 3; ++j) {
        const double w = type.boxHigh[j] - type.boxLow[j];
        r[j] = type.boxLow[j] - widths * w + (1.0 + 2.0 * widths) * w * u(rng);
    }
    return r;
}

inline Vec3 RandomInteriorPoint(const ElementType& type, double depth, std::mt19937_64& rng) {
    for (;;) {
        const Vec3 r = RandomPointAround(type, 0.0, rng);
        if (Depth(type, r) >= depth) return r;
    }
}

// x = sum N_k X_k.
inline Vec3 Combine(const Element& e, const double* N) {
    Vec3 x = {0.0, 0.0, 0.0};
    for (int k = 0; k < e.n; ++k) {
        x[0] += N[k] * e.X[k];
        x[1] += N[k] * e.Y[k];
        x[2] += N[k] * e.Z[k];
    }
    return x;
}

inline double Distance(const Vec3& a, const Vec3& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

}  // namespace elemtest

#endif
