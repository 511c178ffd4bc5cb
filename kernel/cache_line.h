// The size of a cache line, for per-thread data that must not share one with another thread's.
#ifndef QVR_KERNEL_CACHE_LINE_H
#define QVR_KERNEL_CACHE_LINE_H

#include <cstddef>

namespace qvr {

// 64 bytes: the line of the x86-64 and ARM cores the library is built for. Per-thread working
// storage written on every ray starts on a line of its own, so that two threads never write one
// line. std::hardware_destructive_interference_size would say the same, but GCC warns about
// its use in headers (its value may differ between compilers and flags).
inline constexpr std::size_t kCacheLineBytes = 64;

}  // namespace qvr

#endif
