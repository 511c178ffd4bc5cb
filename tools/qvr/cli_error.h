// Failures of a qvr command: one line of text and the process exit code that goes with it.
#ifndef QVR_CLI_CLI_ERROR_H
#define QVR_CLI_CLI_ERROR_H

#include <stdexcept>
#include <string>

namespace qvr::cli {

// Exit codes of every command (documented in docs/cli.md).
enum class ExitCode : int {
    Ok = 0,
    FileError = 1,     // an input file is missing, unreadable, damaged or unsupported; an output
                       // file cannot be written
    Usage = 2,         // a wrong option or argument
    LibraryError = 3,  // a call of the kernel or the extraction tool reported a failure code
};

class CliError : public std::runtime_error {
public:
    CliError(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

[[noreturn]] void failFile(const std::string& message);
[[noreturn]] void failUsage(const std::string& message);
// "<call> failed with code <code>" plus what the call was working on.
[[noreturn]] void failLibrary(const std::string& call, int code, const std::string& context);

}  // namespace qvr::cli

#endif
