// Reads a whole input into memory with a few large reads, so that parsing runs on memory.
//
// A regular file is read to its end. A pipe or socket (a named pipe, /dev/stdin fed by another
// program) has no length to check a header against, so it is read up to a bound and refused
// beyond it. Directories and devices (/dev/zero, a terminal) are refused before anything is
// read: a device may never end.
#ifndef QVR_COMMON_WHOLE_FILE_H
#define QVR_COMMON_WHOLE_FILE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qvr::common {

// Bytes read at most from an input that is not a regular file. 1 GiB holds the largest parts
// the tools handle (a 10^6-cell mesh is about 110 MB binary, 300 MB as text) several times over,
// yet stops a runaway stream long before the machine's memory.
constexpr std::uint64_t kMaxStreamInputBytes = std::uint64_t{1} << 30;

struct FileBytes {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size = 0;
};

// False with a reason (no file name in it) when the input cannot be opened or read, is a
// directory or a device, is a stream longer than `streamLimit`, or does not fit in memory.
bool readWholeFile(const char* path, FileBytes& out, std::string& reason,
                   std::uint64_t streamLimit = kMaxStreamInputBytes);

// The same into a string.
bool readWholeFile(const char* path, std::string& out, std::string& reason,
                   std::uint64_t streamLimit = kMaxStreamInputBytes);

// The first `limit` bytes of a regular file (fewer when it is shorter). False when it cannot be
// read, and for anything but a regular file: looking at the start of a pipe would consume it.
bool readFileStart(const char* path, std::size_t limit, std::string& bytes);

// Whether the path names a regular file (or a link to one).
bool isRegularFile(const char* path);

}  // namespace qvr::common

#endif
