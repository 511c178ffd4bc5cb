#include "common/output_set.h"

#include <filesystem>
#include <system_error>
#include <utility>

#if !defined(_WIN32)
#include <pthread.h>
#include <csignal>
#endif

#include "utf8_file_name.h"

namespace qvr::common {

namespace {

// Holds SIGINT and SIGTERM back for its lifetime; a signal that arrives meanwhile is delivered
// when the mask is restored. On Windows (no signal masks) it does nothing.
class HeldInterrupts {
public:
    HeldInterrupts() {
#if !defined(_WIN32)
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        active_ = pthread_sigmask(SIG_BLOCK, &held, &previous_) == 0;
#endif
    }
    ~HeldInterrupts() {
#if !defined(_WIN32)
        if (active_) pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
#endif
    }
    HeldInterrupts(const HeldInterrupts&) = delete;
    HeldInterrupts& operator=(const HeldInterrupts&) = delete;

private:
#if !defined(_WIN32)
    sigset_t previous_{};
    bool active_ = false;
#endif
};

}  // namespace

OutputSet::~OutputSet() {
    for (auto& file : files_)
        if (file) file->discard();
}

void OutputSet::adopt(std::unique_ptr<OutputFile> file) { files_.push_back(std::move(file)); }

void OutputSet::retire(const std::string& path) { retired_.push_back(path); }

bool OutputSet::publish(std::string& reason) {
    {
        const HeldInterrupts held;
        for (auto& file : files_) {
            if (!file->publish(reason)) {
                reason = file->path() + ": " + reason;
                return false;
            }
        }
        for (const std::string& path : retired_) {
            std::error_code ec;
            std::filesystem::remove(qvr_file_names::pathFromName(path.c_str()), ec);
        }
    }
    files_.clear();
    retired_.clear();
    return true;
}

}  // namespace qvr::common
