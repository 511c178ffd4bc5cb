// The slab test of one ray against two boxes at once: the two children of a node of the
// triangle hierarchy, whose single-precision bounds lie side by side in rows of two.
//
// Both boxes go through the same double-precision arithmetic as a box tested alone: each bound
// is widened exactly to double, its slab parameter is (bound - origin) * inverse, the entry is
// the largest near parameter and the exit the smallest far one, and both are then widened by
// four units in the last place, so that a triangle lying on a box face is never skipped. With
// SSE2 (the x86-64 baseline) the two boxes share each instruction; elsewhere a portable loop
// does the same operations one box after the other. Both give the same bits.
#ifndef QVR_GEOMETRY_SLAB_PAIR_H
#define QVR_GEOMETRY_SLAB_PAIR_H

#include <cstdint>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define QVR_SLAB_PAIR_SSE2 1
#include <emmintrin.h>
#else
#define QVR_SLAB_PAIR_SSE2 0
#endif

namespace qvr::geom {

// Rows of a pair of boxes: lower x, y, z, then upper x, y, z; column k belongs to box k.
constexpr int kBoxRows = 6;

// What the slab test needs of a ray, worked out once per ray: for each axis the row of the
// bound met first (the lower one when the direction's component is positive or +0) and of the
// one met last, the origin, and the inverse direction (infinite on an axis the ray runs
// parallel to).
struct RaySlabs {
    double origin[3];
    double inverse[3];
    int nearRow[3];
    int farRow[3];
};

inline RaySlabs raySlabs(const double origin[3], const double direction[3]) {
    RaySlabs r{};
    for (int a = 0; a < 3; ++a) {
        r.origin[a] = origin[a];
        r.inverse[a] = 1.0 / direction[a];
        const bool forward = r.inverse[a] >= 0.0;
        r.nearRow[a] = forward ? a : 3 + a;
        r.farRow[a] = forward ? 3 + a : a;
    }
    return r;
}

// Each slab parameter carries at most three roundings (the bound's difference, the inverse and
// the product); widening the entry and exit by four units in the last place covers them.
// (Widening is monotonic, so widening the result equals widening every slab.)
constexpr double kSlabWiden = 4.0 * std::numeric_limits<double>::epsilon();

// One box (column k of the rows) against the segment [tNear, tFar]: whether the ray meets it,
// and the widened entry parameter.
inline bool slabOne(const float (*rows)[2], int k, const RaySlabs& r, double tNear, double tFar,
                    double& entry) {
    double lo = tNear, hi = tFar;
    for (int a = 0; a < 3; ++a) {
        // A ray parallel to the slab has an infinite inverse: the parameters come out infinite
        // (the right sign says inside or outside) or NaN when the origin lies on the slab's
        // plane; a NaN compares false and leaves the interval as it is, which keeps the box.
        const double t0 = (static_cast<double>(rows[r.nearRow[a]][k]) - r.origin[a]) * r.inverse[a];
        const double t1 = (static_cast<double>(rows[r.farRow[a]][k]) - r.origin[a]) * r.inverse[a];
        if (t0 > lo) lo = t0;
        if (t1 < hi) hi = t1;
    }
    lo *= lo > 0.0 ? 1.0 - kSlabWiden : 1.0 + kSlabWiden;
    hi *= hi > 0.0 ? 1.0 + kSlabWiden : 1.0 - kSlabWiden;
    entry = lo;
    return lo <= hi;
}

// Both boxes, one after the other: bit k of the result says whether box k is met, entry[k] its
// widened entry parameter (set whether or not it is met).
inline unsigned slabPairPortable(const float (*rows)[2], const RaySlabs& r, double tNear,
                                 double tFar, double entry[2]) {
    unsigned met = 0;
    for (int k = 0; k < 2; ++k) {
        if (slabOne(rows, k, r, tNear, tFar, entry[k])) met |= 1u << k;
    }
    return met;
}

#if QVR_SLAB_PAIR_SSE2
// Both boxes in the two lanes of SSE2 registers, the same operations in the same order.
// _mm_max_pd(t, lo) is (t > lo ? t : lo) and _mm_min_pd(t, hi) is (t < hi ? t : hi), lane by
// lane, a NaN in t keeping lo or hi: the comparisons of the portable loop.
inline unsigned slabPairSse2(const float (*rows)[2], const RaySlabs& r, double tNear, double tFar,
                             double entry[2]) {
    const auto bounds = [rows](int row) {
        return _mm_cvtps_pd(
            _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[row]))));
    };
    __m128d lo = _mm_set1_pd(tNear), hi = _mm_set1_pd(tFar);
    for (int a = 0; a < 3; ++a) {
        const __m128d origin = _mm_set1_pd(r.origin[a]);
        const __m128d inverse = _mm_set1_pd(r.inverse[a]);
        const __m128d t0 = _mm_mul_pd(_mm_sub_pd(bounds(r.nearRow[a]), origin), inverse);
        const __m128d t1 = _mm_mul_pd(_mm_sub_pd(bounds(r.farRow[a]), origin), inverse);
        lo = _mm_max_pd(t0, lo);
        hi = _mm_min_pd(t1, hi);
    }
    const __m128d zero = _mm_setzero_pd();
    const __m128d shrink = _mm_set1_pd(1.0 - kSlabWiden), grow = _mm_set1_pd(1.0 + kSlabWiden);
    const __m128d loPositive = _mm_cmpgt_pd(lo, zero), hiPositive = _mm_cmpgt_pd(hi, zero);
    lo = _mm_mul_pd(lo, _mm_or_pd(_mm_and_pd(loPositive, shrink), _mm_andnot_pd(loPositive, grow)));
    hi = _mm_mul_pd(hi, _mm_or_pd(_mm_and_pd(hiPositive, grow), _mm_andnot_pd(hiPositive, shrink)));
    _mm_storeu_pd(entry, lo);
    return static_cast<unsigned>(_mm_movemask_pd(_mm_cmple_pd(lo, hi)));
}
#endif

// The pair test the hierarchy uses: SSE2 where the target has it, else the portable loop.
inline unsigned slabPair(const float (*rows)[2], const RaySlabs& r, double tNear, double tFar,
                         double entry[2]) {
#if QVR_SLAB_PAIR_SSE2
    return slabPairSse2(rows, r, tNear, tFar, entry);
#else
    return slabPairPortable(rows, r, tNear, tFar, entry);
#endif
}

}  // namespace qvr::geom

#endif
