// A read position in a whole Gmsh mesh file held in memory: ASCII tokens, lines and
// little-endian binary values, each checked against the end of the data.
//
// Every read that fails throws MshFormatError with the file position in the form
// "line N" (text) or "byte N" (binary data); the importer turns it into one message.
#ifndef QVR_CLI_MSH_CURSOR_H
#define QVR_CLI_MSH_CURSOR_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qvr::cli {

class MshFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MshCursor {
public:
    explicit MshCursor(std::string_view data) : data_(data) {}

    bool atEnd() const { return pos_ >= data_.size(); }
    std::size_t remaining() const { return data_.size() - pos_; }
    std::size_t offset() const { return pos_; }

    // The next line without its line end (CR LF or LF); skips nothing before it.
    std::string_view line();
    // Skips blank lines, then returns the next line with blanks at both ends removed.
    std::string_view nonBlankLine();
    // Skips blanks and line ends, then reads one decimal integer / real.
    long long integer(const char* what);
    double real(const char* what);
    // Skips to just past the end of the current line.
    void skipRestOfLine();
    // Skips blanks and line ends; false when nothing but them remained.
    bool skipToContent();

    // Little-endian binary values at the current position.
    template <class T>
    T binary(const char* what) {
        if (data_.size() - pos_ < sizeof(T)) fail(std::string("file ends inside ") + what);
        T value;
        std::memcpy(&value, data_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    // An unsigned size field of `bytes` (4 or 8) bytes.
    std::uint64_t binarySize(int bytes, const char* what);
    void skipBytes(std::uint64_t count, const char* what);

    // Moves past the next occurrence of `text`; false (position unchanged) when there is none.
    bool skipPast(std::string_view text);

    // "line N" for a text position, counted from the start of the data.
    std::string where() const;
    [[noreturn]] void fail(const std::string& what) const;

private:
    void skipSpace();

    std::string_view data_;
    std::size_t pos_ = 0;
};

}  // namespace qvr::cli

#endif
