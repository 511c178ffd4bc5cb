// What the first bytes of a file say it is, before any header field is trusted.
#ifndef K7T_FILE_KIND_H
#define K7T_FILE_KIND_H

#include <cstddef>

namespace k7t::detail {

enum class FileKind {
    Empty,    // no bytes at all
    Binary,   // starts with the magic
    Text,     // no magic, and the leading bytes are all printable text
    Unknown,  // anything else
};

// `bytes` holds the file's first `count` bytes; at most the probe length of them matter.
FileKind classifyLeadingBytes(const unsigned char* bytes, std::size_t count);

}  // namespace k7t::detail

#endif
