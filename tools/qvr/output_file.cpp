#include "output_file.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <filesystem>

#include "cli_support.h"
#include "utf8_file_name.h"

namespace qvr::cli {

namespace {
// Longest text one printf call of the writers produces (a line of a header or a table row);
// longer texts are formatted a second time into a buffer of their size.
constexpr std::size_t kFormattedBytes = 512;
// Room for any double to_chars writes with up to 17 significant digits, and any long long.
constexpr std::size_t kNumberBytes = 32;
}  // namespace

OutputFile::OutputFile(const std::string& path) {
    std::string reason;
    if (!file_.open(path, reason)) failFile(reason);
}

void OutputFile::printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    char* room = file_.reserve(kFormattedBytes);
    const int n = std::vsnprintf(room, kFormattedBytes, format, args);
    va_end(args);
    if (n > 0 && static_cast<std::size_t>(n) < kFormattedBytes) {
        file_.commit(static_cast<std::size_t>(n));
    } else if (n > 0) {
        room = file_.reserve(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(room, static_cast<std::size_t>(n) + 1, format, again);
        file_.commit(static_cast<std::size_t>(n));
    }
    va_end(again);
}

void OutputFile::real(double value, int significant) {
    char* room = file_.reserve(kNumberBytes);
    const auto done =
        std::to_chars(room, room + kNumberBytes, value, std::chars_format::general, significant);
    file_.commit(static_cast<std::size_t>(done.ptr - room));
}

void OutputFile::integer(long long value) {
    char* room = file_.reserve(kNumberBytes);
    const auto done = std::to_chars(room, room + kNumberBytes, value);
    file_.commit(static_cast<std::size_t>(done.ptr - room));
}

void OutputFile::close() {
    std::string reason;
    if (!file_.close(reason)) {
        failFile(file_.path() + ": " + reason);
    }
}

void makeOutputFolder(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path folder = qvr_file_names::pathFromName(path.c_str());
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder, ec))
        failFile(path + ": cannot create the output folder" + (ec ? ": " + ec.message() : ""));
}

}  // namespace qvr::cli
