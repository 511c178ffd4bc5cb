#include "whole_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

#include "utf8_file_name.h"

namespace nqbio {

namespace {

// Reads are issued in blocks of this size; large enough that a mesh of millions of cells
// takes a handful of system calls.
constexpr std::size_t kReadBlockBytes = std::size_t{16} << 20;
// Growth step when the size hint was wrong (a file that grew, a pipe).
constexpr std::size_t kMinGrowthBytes = std::size_t{1} << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string errnoText(int code) { return std::generic_category().message(code); }

bool isDirectory(const char* path) {
    std::error_code ec;
    return std::filesystem::is_directory(qvr_file_names::pathFromName(path), ec);
}

bool openForReading(const char* path, FilePtr& file, std::string& reason) {
    if (path == nullptr || *path == '\0') {
        reason = "no file name given";
        return false;
    }
    if (isDirectory(path)) {
        reason = "cannot read: it is a directory";
        return false;
    }
    errno = 0;
    file.reset(qvr_file_names::openFile(path, "rb"));
    if (!file) {
        reason = "cannot open: " + errnoText(errno);
        return false;
    }
    return true;
}

}  // namespace

bool readWholeFile(const char* path, FileBytes& out, std::string& reason) {
    FilePtr file;
    if (!openForReading(path, file, reason)) return false;

    std::error_code ec;
    const std::uintmax_t hint = std::filesystem::file_size(qvr_file_names::pathFromName(path), ec);
    // One byte beyond the expected size lets the loop see the end without another allocation.
    std::size_t capacity = ec ? kMinGrowthBytes : static_cast<std::size_t>(hint) + 1;
    std::unique_ptr<unsigned char[]> buffer;
    try {
        buffer = std::make_unique_for_overwrite<unsigned char[]>(capacity);
    } catch (const std::bad_alloc&) {
        reason = "cannot read: the file does not fit in memory";
        return false;
    }

    std::size_t size = 0;
    for (;;) {
        if (size == capacity) {
            const std::size_t grown = capacity + std::max(capacity, kMinGrowthBytes);
            try {
                auto larger = std::make_unique_for_overwrite<unsigned char[]>(grown);
                std::copy(buffer.get(), buffer.get() + size, larger.get());
                buffer = std::move(larger);
                capacity = grown;
            } catch (const std::bad_alloc&) {
                reason = "cannot read: the file does not fit in memory";
                return false;
            }
        }
        const std::size_t want = std::min(capacity - size, kReadBlockBytes);
        errno = 0;
        const std::size_t got = std::fread(buffer.get() + size, 1, want, file.get());
        size += got;
        if (got < want) {
            if (std::ferror(file.get())) {
                reason = "cannot read: " + errnoText(errno != 0 ? errno : EIO);
                return false;
            }
            break;  // end of file
        }
    }
    out.data = std::move(buffer);
    out.size = size;
    return true;
}

bool readFileStart(const char* path, std::size_t limit, std::string& bytes) {
    FilePtr file;
    std::string reason;
    if (!openForReading(path, file, reason)) return false;
    bytes.assign(limit, '\0');
    const std::size_t got = std::fread(bytes.data(), 1, limit, file.get());
    if (got < limit && std::ferror(file.get())) return false;
    bytes.resize(got);
    return true;
}

}  // namespace nqbio
