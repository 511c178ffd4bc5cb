#include "input_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "utf8_file_name.h"

namespace k7t::detail {

namespace {

// Bytes asked of the C library per read call: large enough that a file of millions of values
// takes a handful of calls, small enough for any size_t.
constexpr std::uint64_t kReadChunkBytes = std::uint64_t{64} << 20;  // 64 MiB

}  // namespace

bool InputFile::open(const char* name, std::string& reason) {
    file_.reset();
    size_ = 0;
    if (name == nullptr) {
        reason = "cannot be opened: no file name given";
        return false;
    }
    const std::filesystem::path path = qvr_file_names::pathFromName(name);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        reason = "cannot be opened: " + (ec ? ec.message() : std::string("no such file"));
        return false;
    }
    if (std::filesystem::is_directory(status)) {
        reason = "cannot be read: it is a directory";
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        reason = "cannot be read: it is not a regular file";
        return false;
    }
    const std::uintmax_t length = std::filesystem::file_size(path, ec);
    if (ec) {
        reason = "cannot be read: " + ec.message();
        return false;
    }
    errno = 0;
    file_.reset(qvr_file_names::openFile(name, "rb"));
    if (!file_) {
        reason =
            "cannot be opened: " + std::string(errno != 0 ? std::strerror(errno) : "unknown error");
        return false;
    }
    size_ = static_cast<std::uint64_t>(length);
    return true;
}

bool InputFile::readExact(unsigned char* target, std::uint64_t count) {
    if (!file_) return false;
    while (count > 0) {
        const auto chunk = static_cast<std::size_t>(std::min(count, kReadChunkBytes));
        const std::size_t got = std::fread(target, 1, chunk, file_.get());
        if (got == 0) return false;
        target += got;
        count -= got;
    }
    return true;
}

bool InputFile::seek(std::uint64_t offset) {
    if (!file_ || offset > static_cast<std::uint64_t>(LONG_MAX)) return false;
    return std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) == 0;
}

}  // namespace k7t::detail
