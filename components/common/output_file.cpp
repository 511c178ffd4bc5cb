#include "common/output_file.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "common/held_interrupts.h"
#include "utf8_file_name.h"

namespace qvr::common {

namespace {

// Writes are issued in blocks of this size.
constexpr std::size_t kWriteBlockBytes = std::size_t{4} << 20;
// Attempts at a fresh temporary name before giving up (a clash needs the same 64 random bits).
constexpr int kTemporaryNameAttempts = 8;

// The temporary files open at the moment, for an interrupt handler. Slots are claimed and
// released with atomics and hold the name in place, so the handler reads them without locks or
// allocation. A program writes a handful of files at once; a name too long for a slot, or a
// seventeenth file, simply goes unregistered (it is then left behind by an interrupt).
constexpr int kRegisteredFiles = 16;
constexpr std::size_t kRegisteredNameBytes = 4096;
struct Registration {
    std::atomic<bool> claimed{false};
    std::atomic<bool> live{false};
    char name[kRegisteredNameBytes];
};
std::array<Registration, kRegisteredFiles> g_open;

int registerTemporary(const std::string& name) {
    if (name.size() >= kRegisteredNameBytes) return -1;
    for (int i = 0; i < kRegisteredFiles; ++i) {
        bool expected = false;
        if (g_open[i].claimed.compare_exchange_strong(expected, true)) {
            std::memcpy(g_open[i].name, name.c_str(), name.size() + 1);
            g_open[i].live.store(true);
            return i;
        }
    }
    return -1;
}

void unregisterTemporary(int& slot) {
    if (slot < 0) return;
    g_open[slot].live.store(false);
    g_open[slot].claimed.store(false);
    slot = -1;
}

// "<folder>/.<name>.<16 hex digits>.tmp", built on the name's own bytes so that it stays in
// the encoding the caller used (UTF-8 on Windows).
std::string temporaryNameFor(const std::string& path, std::uint64_t salt) {
    char hex[17];
    for (int i = 0; i < 16; ++i) hex[i] = "0123456789abcdef"[(salt >> (60 - 4 * i)) & 0xF];
    hex[16] = '\0';
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameStart) + "." + path.substr(nameStart) + "." + hex + ".tmp";
}

std::string systemText(int code) { return std::generic_category().message(code); }

extern "C" void removeAndReraise(int signal) {
    removeOpenTemporaryFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& path, std::string& reason) {
    discard();
    path_ = path;
    failed_ = false;
    finished_ = false;
    errorCode_ = 0;
    used_ = 0;
    std::random_device entropy;
    // An interrupt between creating the temporary file and registering it would leave it
    // behind; held back, it arrives once the name is registered and the handler removes it.
    const HeldInterrupts held;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && file_ == nullptr; ++attempt) {
        const std::uint64_t salt = (std::uint64_t{entropy()} << 32) ^ entropy();
        temporary_ = temporaryNameFor(path, salt);
        std::error_code ec;
        if (std::filesystem::exists(qvr_file_names::pathFromName(temporary_.c_str()), ec)) continue;
        errno = 0;
        file_ = qvr_file_names::openFile(temporary_.c_str(), "wb");
        if (file_ == nullptr) break;
    }
    if (file_ == nullptr) {
        reason = "cannot create " + path + ": " + systemText(errno != 0 ? errno : EIO);
        temporary_.clear();
        return false;
    }
    registration_ = registerTemporary(temporary_);
    buffer_.resize(kWriteBlockBytes);
    return true;
}

void OutputFile::flush() {
    if (used_ == 0) return;
    if (!failed_) {
        errno = 0;
        if (std::fwrite(buffer_.data(), 1, used_, file_) != used_) {
            failed_ = true;
            errorCode_ = errno != 0 ? errno : EIO;
        }
    }
    used_ = 0;
}

char* OutputFile::reserve(std::size_t bytes) {
    if (buffer_.size() - used_ < bytes) flush();
    if (buffer_.size() < bytes) buffer_.resize(bytes);
    return buffer_.data() + used_;
}

void OutputFile::append(std::string_view text) {
    std::memcpy(reserve(text.size()), text.data(), text.size());
    commit(text.size());
}

bool OutputFile::finish(std::string& reason) {
    if (file_ == nullptr) {
        reason = "cannot write " + path_ + ": the file is not open";
        return false;
    }
    flush();
    errno = 0;
    if (std::fclose(file_) != 0 && !failed_) {
        failed_ = true;
        errorCode_ = errno != 0 ? errno : EIO;
    }
    file_ = nullptr;
    if (failed_) {
        reason = "cannot write: " + systemText(errorCode_);
        discard();
        return false;
    }
    finished_ = true;
    return true;
}

bool OutputFile::publish(std::string& reason) {
    if (!finished_) {
        reason = "cannot write " + path_ + ": the file is not complete";
        discard();
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(qvr_file_names::pathFromName(temporary_.c_str()),
                            qvr_file_names::pathFromName(path_.c_str()), ec);
    if (ec) {
        reason = "cannot replace the earlier file: " + ec.message();
        discard();
        return false;
    }
    finished_ = false;
    unregisterTemporary(registration_);
    temporary_.clear();
    return true;
}

void OutputFile::discard() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    finished_ = false;
    used_ = 0;
    if (!temporary_.empty()) qvr_file_names::removeFile(temporary_.c_str());
    unregisterTemporary(registration_);
    temporary_.clear();
}

int removeOnInterrupt(const std::string& path) { return registerTemporary(path); }

void keepOnInterrupt(int ticket) { unregisterTemporary(ticket); }

void removeOpenTemporaryFiles() {
    for (Registration& r : g_open)
        if (r.live.load()) qvr_file_names::removeFile(r.name);
}

void removeTemporaryFilesOnInterrupt() {
    std::signal(SIGINT, removeAndReraise);
    std::signal(SIGTERM, removeAndReraise);
}

}  // namespace qvr::common
