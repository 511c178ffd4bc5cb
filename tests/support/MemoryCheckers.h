// Whether a test runs under a memory checker that changes how allocation fails: tests that
// need a real std::bad_alloc, or an address-space cap, skip themselves there with their reason.
#ifndef QVR_TESTS_MEMORY_CHECKERS_H
#define QVR_TESTS_MEMORY_CHECKERS_H

#include <cstdlib>
#include <cstring>

namespace qvrtest {

// AddressSanitizer (GCC names it with a macro, Clang with a feature) reports a failed
// operator new instead of throwing, and reserves more address space at start-up than any cap
// allows.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

// valgrind's allocator, preloaded into the test, aborts on a failed operator new.
inline bool underValgrind() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "vgpreload") != nullptr;
}

}  // namespace qvrtest

#endif
