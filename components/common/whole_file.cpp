#include "common/whole_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

#include "utf8_file_name.h"

namespace qvr::common {

namespace {

// Reads are issued in blocks of this size; large enough that a mesh of millions of cells
// takes a handful of system calls.
constexpr std::size_t kReadBlockBytes = std::size_t{16} << 20;
// Growth step when the size is unknown or was wrong (a file that grew, a pipe).
constexpr std::size_t kMinGrowthBytes = std::size_t{1} << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string errnoText(int code) { return std::generic_category().message(code); }

enum class InputKind { Regular, Stream };

// Opens the input once; what it is comes from the name before opening, so that a device is
// refused without being opened (opening some devices has effects of its own).
bool openForReading(const char* path, FilePtr& file, InputKind& kind, std::string& reason) {
    if (path == nullptr || *path == '\0') {
        reason = "no file name given";
        return false;
    }
    std::error_code ec;
    const std::filesystem::file_status status =
        std::filesystem::status(qvr_file_names::pathFromName(path), ec);
    if (!ec) {
        if (std::filesystem::is_directory(status)) {
            reason = "cannot read: it is a directory";
            return false;
        }
        if (std::filesystem::is_character_file(status) || std::filesystem::is_block_file(status)) {
            reason = "cannot read: it is a device, not a file";
            return false;
        }
    }
    kind = std::filesystem::is_regular_file(status) ? InputKind::Regular : InputKind::Stream;
    errno = 0;
    file.reset(qvr_file_names::openFile(path, "rb"));
    if (!file) {
        reason = "cannot open: " + errnoText(errno);
        return false;
    }
    return true;
}

class ReadBuffer {
public:
    bool reserve(std::size_t capacity, std::string& reason) {
        try {
            auto larger = std::make_unique_for_overwrite<unsigned char[]>(capacity);
            std::copy(data_.get(), data_.get() + size_, larger.get());
            data_ = std::move(larger);
            capacity_ = capacity;
            return true;
        } catch (const std::bad_alloc&) {
            reason = "cannot read: the file does not fit in memory";
            return false;
        }
    }
    std::unique_ptr<unsigned char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

bool streamTooLong(std::uint64_t limit, std::string& reason) {
    reason = "cannot read: more than " + std::to_string(limit) +
             " bytes from something that is not a regular file";
    return false;
}

bool readAll(const char* path, ReadBuffer& buffer, std::string& reason, std::uint64_t streamLimit) {
    FilePtr file;
    InputKind kind = InputKind::Stream;
    if (!openForReading(path, file, kind, reason)) return false;

    std::uint64_t limit = streamLimit;
    std::size_t capacity = kMinGrowthBytes;
    if (kind == InputKind::Regular) {
        std::error_code ec;
        const std::uintmax_t hint =
            std::filesystem::file_size(qvr_file_names::pathFromName(path), ec);
        // One byte beyond the expected size lets the loop see the end without another allocation.
        if (!ec) capacity = static_cast<std::size_t>(hint) + 1;
        limit = UINT64_MAX;
    }
    if (!buffer.reserve(capacity, reason)) return false;

    for (;;) {
        // One byte beyond the limit tells a stream that ends at it from a longer one.
        if (buffer.size_ > limit) return streamTooLong(limit, reason);
        if (buffer.size_ == buffer.capacity_ &&
            !buffer.reserve(buffer.capacity_ + std::max(buffer.capacity_, kMinGrowthBytes), reason))
            return false;
        std::size_t want = std::min(buffer.capacity_ - buffer.size_, kReadBlockBytes);
        if (limit - buffer.size_ < want) want = static_cast<std::size_t>(limit - buffer.size_) + 1;
        errno = 0;
        const std::size_t got = std::fread(buffer.data_.get() + buffer.size_, 1, want, file.get());
        buffer.size_ += got;
        if (got < want) {
            if (std::ferror(file.get())) {
                reason = "cannot read: " + errnoText(errno != 0 ? errno : EIO);
                return false;
            }
            break;  // end of the input
        }
    }
    if (buffer.size_ > limit) return streamTooLong(limit, reason);
    return true;
}

}  // namespace

bool readWholeFile(const char* path, FileBytes& out, std::string& reason,
                   std::uint64_t streamLimit) {
    ReadBuffer buffer;
    if (!readAll(path, buffer, reason, streamLimit)) return false;
    out.data = std::move(buffer.data_);
    out.size = buffer.size_;
    return true;
}

bool readWholeFile(const char* path, std::string& out, std::string& reason,
                   std::uint64_t streamLimit) {
    ReadBuffer buffer;
    if (!readAll(path, buffer, reason, streamLimit)) return false;
    try {
        out.assign(reinterpret_cast<const char*>(buffer.data_.get()), buffer.size_);
    } catch (const std::bad_alloc&) {
        reason = "cannot read: the file does not fit in memory";
        return false;
    }
    return true;
}

bool readFileStart(const char* path, std::size_t limit, std::string& bytes) {
    if (!isRegularFile(path)) return false;
    FilePtr file(qvr_file_names::openFile(path, "rb"));
    if (!file) return false;
    bytes.assign(limit, '\0');
    const std::size_t got = std::fread(bytes.data(), 1, limit, file.get());
    if (got < limit && std::ferror(file.get())) return false;
    bytes.resize(got);
    return true;
}

bool isRegularFile(const char* path) {
    if (path == nullptr || *path == '\0') return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(qvr_file_names::pathFromName(path), ec);
}

}  // namespace qvr::common
