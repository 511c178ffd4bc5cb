// A regular file opened for reading whole blocks at a time.
#ifndef K7T_INPUT_FILE_H
#define K7T_INPUT_FILE_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace k7t::detail {

class InputFile {
public:
    // Opens `name` when it is a regular file (or a link to one) that can be read; otherwise
    // false with a one-line reason. Directories and devices are refused before opening.
    bool open(const char* name, std::string& reason);

    // Byte length found when opened.
    std::uint64_t size() const { return size_; }

    // Reads exactly `count` bytes from the current position into `target`. False when the
    // file ends early or a read fails.
    bool readExact(unsigned char* target, std::uint64_t count);

    // Moves the read position to `offset` bytes from the start.
    bool seek(std::uint64_t offset);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::uint64_t size_ = 0;
};

}  // namespace k7t::detail

#endif
