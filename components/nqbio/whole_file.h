// Reads a whole file into memory with a few large reads, so that parsing runs on memory.
#ifndef NQBIO_WHOLE_FILE_H
#define NQBIO_WHOLE_FILE_H

#include <cstddef>
#include <memory>
#include <string>

namespace nqbio {

struct FileBytes {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size = 0;
};

// Returns false with a reason (no file name in it) when the file cannot be opened or read,
// is a directory, or does not fit in memory.
bool readWholeFile(const char* path, FileBytes& out, std::string& reason);

// The first `limit` bytes (fewer when the file is shorter). False when it cannot be read.
bool readFileStart(const char* path, std::size_t limit, std::string& bytes);

}  // namespace nqbio

#endif
