// The core's one cache hint: asks for the cache line holding an address ahead of its use, where
// the compiler offers it (no effect elsewhere). For tables read in an order that has nothing to
// do with their layout, such as elements by id along a ray.
#ifndef QVR_KERNEL_PREFETCH_H
#define QVR_KERNEL_PREFETCH_H

#if !defined(__GNUC__) && !defined(__clang__) && (defined(_M_X64) || defined(_M_IX86))
#include <xmmintrin.h>
#endif

namespace qvr {

inline void prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#elif defined(_M_X64) || defined(_M_IX86)
    _mm_prefetch(static_cast<const char*>(p), _MM_HINT_T0);
#else
    (void)p;
#endif
}

}  // namespace qvr

#endif
