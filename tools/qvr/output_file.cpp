#include "output_file.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli_support.h"
#include "common/output_set.h"
#include "gzip_stream.h"
#include "utf8_file_name.h"

namespace qvr::cli {

namespace {
// Longest text one printf call of the writers produces (a line of a header or a table row);
// longer texts are formatted a second time into a buffer of their size.
constexpr std::size_t kFormattedBytes = 512;
// Room for any double to_chars writes with up to 17 significant digits, and any long long.
constexpr std::size_t kNumberBytes = 32;

// The set the files closed on this thread join instead of being renamed (OutputSetScope).
thread_local common::OutputSet* t_activeSet = nullptr;
}  // namespace

OutputSetScope::OutputSetScope(common::OutputSet& set) : previous_(t_activeSet) {
    t_activeSet = &set;
}

OutputSetScope::~OutputSetScope() { t_activeSet = previous_; }

OutputFile::OutputFile(const std::string& path, Framing framing)
    : file_(std::make_unique<common::OutputFile>()) {
    std::string reason;
    if (!file_->open(path, reason)) failFile(reason);
    if (framing == Framing::Gzip) gzip_ = std::make_unique<GzipStream>(*file_);
}

OutputFile::~OutputFile() = default;

char* OutputFile::reserve(std::size_t bytes) {
    return gzip_ ? gzip_->reserve(bytes) : file_->reserve(bytes);
}

void OutputFile::commit(std::size_t bytes) {
    if (gzip_)
        gzip_->commit(bytes);
    else
        file_->commit(bytes);
}

void OutputFile::write(std::string_view text) {
    std::memcpy(reserve(text.size()), text.data(), text.size());
    commit(text.size());
}

void OutputFile::printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    char* room = reserve(kFormattedBytes);
    const int n = std::vsnprintf(room, kFormattedBytes, format, args);
    va_end(args);
    if (n > 0 && static_cast<std::size_t>(n) < kFormattedBytes) {
        commit(static_cast<std::size_t>(n));
    } else if (n > 0) {
        room = reserve(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(room, static_cast<std::size_t>(n) + 1, format, again);
        commit(static_cast<std::size_t>(n));
    }
    va_end(again);
}

void OutputFile::real(double value, int significant) {
    char* room = reserve(kNumberBytes);
    const auto done =
        std::to_chars(room, room + kNumberBytes, value, std::chars_format::general, significant);
    commit(static_cast<std::size_t>(done.ptr - room));
}

void OutputFile::integer(long long value) {
    char* room = reserve(kNumberBytes);
    const auto done = std::to_chars(room, room + kNumberBytes, value);
    commit(static_cast<std::size_t>(done.ptr - room));
}

void OutputFile::close() {
    if (!file_) failFile("an output file was closed twice");
    if (gzip_) gzip_->finish();
    std::string reason;
    const bool done = t_activeSet != nullptr ? file_->finish(reason) : file_->close(reason);
    if (!done) failFile(file_->path() + ": " + reason);
    if (t_activeSet != nullptr) {
        gzip_.reset();
        t_activeSet->adopt(std::move(file_));
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
