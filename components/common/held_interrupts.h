// SIGINT and SIGTERM held back for a short stretch of work that an interrupt must not split: a
// signal that arrives meanwhile is delivered when the stretch ends. On Windows, which has no
// signal masks, it does nothing.
#ifndef QVR_COMMON_HELD_INTERRUPTS_H
#define QVR_COMMON_HELD_INTERRUPTS_H

#if !defined(_WIN32)
#include <csignal>
#endif

namespace qvr::common {

class HeldInterrupts {
public:
    HeldInterrupts();
    ~HeldInterrupts();
    HeldInterrupts(const HeldInterrupts&) = delete;
    HeldInterrupts& operator=(const HeldInterrupts&) = delete;

private:
#if !defined(_WIN32)
    sigset_t previous_{};
    bool active_ = false;
#endif
};

}  // namespace qvr::common

#endif
