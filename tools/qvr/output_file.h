// A file being written by a command: formatted writes through a large buffer into a temporary
// file beside the target, renamed over the target by close(), and one clear error (CliError,
// file) when the file cannot be created or written. An output abandoned on an error path (no
// close()) leaves the target as it was. With Framing::Gzip the text is compressed on its way
// (gzip_stream.h). Inside an OutputSet's scope, close() completes the temporary file and leaves
// the rename to the set (output_set.h).
#ifndef QVR_CLI_OUTPUT_FILE_H
#define QVR_CLI_OUTPUT_FILE_H

#include <memory>
#include <string>
#include <string_view>

#include "common/output_file.h"

// The cross build for Windows uses the MinGW C library's own printf (C99 formats such as %zu),
// which GCC checks as gnu_printf; elsewhere the C library's printf.
#if defined(__MINGW32__)
#define QVR_PRINTF_FORMAT gnu_printf
#else
#define QVR_PRINTF_FORMAT printf
#endif

namespace qvr::common {
class OutputSet;
}

namespace qvr::cli {

class GzipStream;

// While alive, every OutputFile of this thread that is closed completes its temporary file and
// joins `set` (common/output_set.h), which renames them all when the caller publishes it.
class OutputSetScope {
public:
    explicit OutputSetScope(common::OutputSet& set);
    ~OutputSetScope();
    OutputSetScope(const OutputSetScope&) = delete;
    OutputSetScope& operator=(const OutputSetScope&) = delete;

private:
    common::OutputSet* previous_;
};

enum class Framing { Plain, Gzip };

class OutputFile {
public:
    explicit OutputFile(const std::string& path, Framing framing = Framing::Plain);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

#if defined(__GNUC__)
    __attribute__((format(QVR_PRINTF_FORMAT, 2, 3)))
#endif
    void
    printf(const char* format, ...);
    void write(std::string_view text);
    void put(char c) { write(std::string_view(&c, 1)); }
    // The text printf's %.<significant>g gives, and %lld: the writers' per-value path, where
    // printf's format parsing and multi-precision digits cost more than the rest of a run.
    void real(double value, int significant);
    void integer(long long value);

    // Completes the file under its final name (inside an OutputSetScope: under its temporary
    // name, handed to the set); throws when anything failed to reach the disk.
    void close();

private:
    char* reserve(std::size_t bytes);
    void commit(std::size_t bytes);

    std::unique_ptr<common::OutputFile> file_;
    std::unique_ptr<GzipStream> gzip_;  // null: plain text
};

// Creates the folder and its parents; throws CliError (file) when that fails.
void makeOutputFolder(const std::string& path);

}  // namespace qvr::cli

#endif
