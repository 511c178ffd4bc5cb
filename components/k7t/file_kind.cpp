#include "file_kind.h"

#include <algorithm>
#include <cstring>

#include "k7t_layout.h"

namespace k7t::detail {

namespace {

// Printable ASCII plus the blanks and line ends a text file is made of (LF and CRLF).
bool isTextByte(unsigned char c) {
    return (c >= 0x20 && c <= 0x7e) || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

FileKind classifyLeadingBytes(const unsigned char* bytes, std::size_t count) {
    // An empty file holds no evidence of being a text result, and calling it one would send
    // the user looking for a text layout that is not there.
    if (count == 0) return FileKind::Empty;
    if (count >= layout::kMagicSize &&
        std::memcmp(bytes, layout::kMagic, layout::kMagicSize) == 0) {
        return FileKind::Binary;
    }
    const std::size_t probed = std::min(count, layout::kTextProbeBytes);
    return std::all_of(bytes, bytes + probed, isTextByte) ? FileKind::Text : FileKind::Unknown;
}

}  // namespace k7t::detail
