// The core's one cache hint: asks for the cache line holding an address ahead of its use, where
// the compiler offers it (no effect elsewhere). For tables read in an order that has nothing to
// do with their layout, such as elements by id along a ray.
#ifndef QVR_KERNEL_PREFETCH_H
#define QVR_KERNEL_PREFETCH_H

namespace qvr {

inline void prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

}  // namespace qvr

#endif
