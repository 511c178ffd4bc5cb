#include "output_file.h"

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstring>
#include <filesystem>

#include "cli_support.h"
#include "utf8_file_name.h"

namespace qvr::cli {

namespace {
constexpr std::size_t kWriteBufferBytes = std::size_t{1} << 20;
}

OutputFile::OutputFile(const std::string& path) : path_(path) {
    errno = 0;
    file_ = qvr_file_names::openFile(path.c_str(), "wb");
    if (!file_) failFile(path + ": cannot create: " + (errno ? std::strerror(errno) : "unknown error"));
    std::setvbuf(file_, nullptr, _IOFBF, kWriteBufferBytes);
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
}

void OutputFile::printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(file_, format, args);
    va_end(args);
}

void OutputFile::write(const std::string& text) { std::fwrite(text.data(), 1, text.size(), file_); }

void OutputFile::write(const char* text) { std::fputs(text, file_); }

void OutputFile::put(char c) { std::putc(c, file_); }

void OutputFile::real(double value, int significant) {
    char digits[64];
    const auto done = std::to_chars(digits, digits + sizeof digits, value,
                                    std::chars_format::general, significant);
    std::fwrite(digits, 1, static_cast<std::size_t>(done.ptr - digits), file_);
}

void OutputFile::integer(long long value) {
    char digits[24];
    const auto done = std::to_chars(digits, digits + sizeof digits, value);
    std::fwrite(digits, 1, static_cast<std::size_t>(done.ptr - digits), file_);
}

void OutputFile::close() {
    const bool failed = std::ferror(file_) != 0;
    const int rc = std::fclose(file_);
    file_ = nullptr;
    if (failed || rc != 0) failFile(path_ + ": cannot write (disk full or file system error)");
}

void makeOutputFolder(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path folder = qvr_file_names::pathFromName(path.c_str());
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder, ec))
        failFile(path + ": cannot create the output folder" + (ec ? ": " + ec.message() : ""));
}

}  // namespace qvr::cli
