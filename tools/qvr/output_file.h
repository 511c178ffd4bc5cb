// A file being written by a command: formatted writes through a large buffer, and one clear
// error (CliError, file) when the file cannot be created or written.
#ifndef QVR_CLI_OUTPUT_FILE_H
#define QVR_CLI_OUTPUT_FILE_H

#include <cstdio>
#include <string>

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
    ~OutputFile();  // closes without checking when close() was not called (an error path)
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

#if defined(__GNUC__)
    __attribute__((format(QVR_PRINTF_FORMAT, 2, 3)))
#endif
    void printf(const char* format, ...);
    void write(const std::string& text);
    void write(const char* text);
    void put(char c);
    // The text printf's %.<significant>g gives, and %lld: the writers' per-value path, where
    // printf's format parsing and multi-precision digits cost more than the rest of a run.
    void real(double value, int significant);
    void integer(long long value);
    // Flushes and closes; throws when anything failed to reach the file.
    void close();

private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

// Creates the folder and its parents; throws CliError (file) when that fails.
void makeOutputFolder(const std::string& path);

}  // namespace qvr::cli

#endif
