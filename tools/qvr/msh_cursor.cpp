#include "msh_cursor.h"

#include <algorithm>
#include <charconv>

namespace qvr::cli {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
}  // namespace

std::string_view MshCursor::line() {
    if (atEnd()) fail("unexpected end of file");
    const std::size_t start = pos_;
    std::size_t stop = data_.find('\n', pos_);
    if (stop == std::string_view::npos) stop = data_.size();
    pos_ = stop < data_.size() ? stop + 1 : stop;
    std::size_t end = stop;
    if (end > start && data_[end - 1] == '\r') --end;
    return data_.substr(start, end - start);
}

std::string_view MshCursor::nonBlankLine() {
    for (;;) {
        std::string_view text = line();
        while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
        while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
        if (!text.empty()) return text;
    }
}

void MshCursor::skipSpace() {
    while (pos_ < data_.size() && (isBlank(data_[pos_]) || data_[pos_] == '\n')) ++pos_;
}

long long MshCursor::integer(const char* what) {
    skipSpace();
    long long value = 0;
    const char* first = data_.data() + pos_;
    const char* last = data_.data() + data_.size();
    if (first < last && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || (ptr < last && !isBlank(*ptr) && *ptr != '\n'))
        fail(std::string("expected an integer for ") + what);
    pos_ = static_cast<std::size_t>(ptr - data_.data());
    return value;
}

double MshCursor::real(const char* what) {
    skipSpace();
    double value = 0.0;
    const char* first = data_.data() + pos_;
    const char* last = data_.data() + data_.size();
    if (first < last && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || (ptr < last && !isBlank(*ptr) && *ptr != '\n'))
        fail(std::string("expected a number for ") + what);
    pos_ = static_cast<std::size_t>(ptr - data_.data());
    return value;
}

void MshCursor::skipRestOfLine() {
    const std::size_t stop = data_.find('\n', pos_);
    pos_ = stop == std::string_view::npos ? data_.size() : stop + 1;
}

bool MshCursor::skipToContent() {
    skipSpace();
    return !atEnd();
}

std::uint64_t MshCursor::binarySize(int bytes, const char* what) {
    if (bytes == 4) return binary<std::uint32_t>(what);
    return binary<std::uint64_t>(what);
}

void MshCursor::skipBytes(std::uint64_t count, const char* what) {
    if (data_.size() - pos_ < count) fail(std::string("file ends inside ") + what);
    pos_ += static_cast<std::size_t>(count);
}

bool MshCursor::skipPast(std::string_view text) {
    const std::size_t at = data_.find(text, pos_);
    if (at == std::string_view::npos) return false;
    pos_ = at + text.size();
    return true;
}

std::string MshCursor::where() const {
    const std::size_t upTo = std::min(pos_, data_.size());
    const auto lines = std::count(data_.begin(), data_.begin() + static_cast<long>(upTo), '\n');
    return "line " + std::to_string(lines + 1) + " (byte " + std::to_string(upTo) + ")";
}

void MshCursor::fail(const std::string& what) const { throw MshFormatError(where() + ": " + what); }

}  // namespace qvr::cli
