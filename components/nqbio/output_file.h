// A file written through a large in-memory buffer; errors are remembered, not thrown.
#ifndef NQBIO_OUTPUT_FILE_H
#define NQBIO_OUTPUT_FILE_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace nqbio {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False with a reason when the file cannot be created.
    bool open(const std::string& path, std::string& reason);

    // Room for `bytes` more bytes at the end of the buffer; write them, then commit(bytes).
    char* reserve(std::size_t bytes);
    void commit(std::size_t bytes) { used_ += bytes; }
    void append(std::string_view text);

    // Flushes and closes. False with a reason when any write failed.
    bool close(std::string& reason);

private:
    void flush();

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
    int errorCode_ = 0;
};

}  // namespace nqbio

#endif
