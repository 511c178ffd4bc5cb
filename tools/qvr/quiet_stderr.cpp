#include "quiet_stderr.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace qvr::cli {

namespace {
#if defined(_WIN32)
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif
}  // namespace

QuietStderr::QuietStderr() {
    std::fflush(stderr);
    const int null = ::open(kNullDevice, O_WRONLY);
    if (null < 0) return;
    saved_ = ::dup(2);
    if (saved_ >= 0) ::dup2(null, 2);
    ::close(null);
}

QuietStderr::~QuietStderr() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    ::dup2(saved_, 2);
    ::close(saved_);
}

}  // namespace qvr::cli
