#include "whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "utf8_file_name.h"

namespace qvr::cli {

namespace {
constexpr std::size_t kReadBlockBytes = std::size_t{16} << 20;  // 16 MiB per read
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

bool readWholeFile(const std::string& path, std::string& data, std::string& error) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(qvr_file_names::openFile(path.c_str(), "rb"));
    if (!file) {
        error = errno ? std::strerror(errno) : "cannot open";
        return false;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(qvr_file_names::pathFromName(path.c_str()), ec)) {
        error = "is a directory";
        return false;
    }
    data.clear();
    // The size is a hint: the first read asks for one byte more than it, so a file of that
    // size is read in one call, and the loop goes on should the file have grown.
    std::size_t hint = 0;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file.get());
        if (size > 0) hint = static_cast<std::size_t>(size);
        std::fseek(file.get(), 0, SEEK_SET);
    }
    std::size_t used = 0;
    for (;;) {
        const std::size_t want = used < hint ? hint - used + 1 : kReadBlockBytes;
        data.resize(used + want);
        const std::size_t got = std::fread(data.data() + used, 1, want, file.get());
        used += got;
        if (got < want) break;
    }
    data.resize(used);
    if (std::ferror(file.get())) {
        error = "read error";
        return false;
    }
    return true;
}

}  // namespace qvr::cli
