// A file being written by a command: formatted writes through a large buffer into a temporary
// file beside the target, renamed over the target by close(), and one clear error (CliError,
// file) when the file cannot be created or written. An output abandoned on an error path (no
// close()) leaves the target as it was.
#ifndef QVR_CLI_OUTPUT_FILE_H
#define QVR_CLI_OUTPUT_FILE_H

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

namespace qvr::cli {

class OutputFile {
public:
    explicit OutputFile(const std::string& path);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

#if defined(__GNUC__)
    __attribute__((format(QVR_PRINTF_FORMAT, 2, 3)))
#endif
    void
    printf(const char* format, ...);
    void write(std::string_view text) { file_.append(text); }
    void put(char c) { file_.append(std::string_view(&c, 1)); }
    // The text printf's %.<significant>g gives, and %lld: the writers' per-value path, where
    // printf's format parsing and multi-precision digits cost more than the rest of a run.
    void real(double value, int significant);
    void integer(long long value);

    // Completes the file under its final name; throws when anything failed to reach the disk.
    void close();

private:
    common::OutputFile file_;
};

// Creates the folder and its parents; throws CliError (file) when that fails.
void makeOutputFolder(const std::string& path);

}  // namespace qvr::cli

#endif
