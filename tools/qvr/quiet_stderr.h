// Silences file descriptor 2 for the lifetime of the object.
//
// The mesh and result readers write their own diagnostic line to standard error; the host
// relays the same text (from getLastError) inside its one-line message, so the reader's copy
// is suppressed while the host calls it.
#ifndef QVR_CLI_QUIET_STDERR_H
#define QVR_CLI_QUIET_STDERR_H

namespace qvr::cli {

class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

}  // namespace qvr::cli

#endif
