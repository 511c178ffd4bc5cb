#include "output_file.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "utf8_file_name.h"

namespace nqbio {

namespace {
// Writes are issued in blocks of this size.
constexpr std::size_t kWriteBlockBytes = std::size_t{4} << 20;
}  // namespace

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool OutputFile::open(const std::string& path, std::string& reason) {
    errno = 0;
    file_ = qvr_file_names::openFile(path.c_str(), "wb");
    if (file_ == nullptr) {
        reason = "cannot create " + path + ": " + std::generic_category().message(errno);
        return false;
    }
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

bool OutputFile::close(std::string& reason) {
    flush();
    errno = 0;
    if (std::fclose(file_) != 0 && !failed_) {
        failed_ = true;
        errorCode_ = errno != 0 ? errno : EIO;
    }
    file_ = nullptr;
    if (failed_) {
        reason = "cannot write: " + std::generic_category().message(errorCode_);
        return false;
    }
    return true;
}

}  // namespace nqbio
