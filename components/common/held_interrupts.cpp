#include "common/held_interrupts.h"

#if !defined(_WIN32)
#include <pthread.h>
#endif

namespace qvr::common {

HeldInterrupts::HeldInterrupts() {
#if !defined(_WIN32)
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    active_ = pthread_sigmask(SIG_BLOCK, &held, &previous_) == 0;
#endif
}

HeldInterrupts::~HeldInterrupts() {
#if !defined(_WIN32)
    if (active_) pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
#endif
}

}  // namespace qvr::common
