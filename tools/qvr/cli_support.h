// Helpers every qvr command shares: failures with their exit codes, stage timing, the
// progress bar and keeping a reader's own diagnostics off standard error.
#ifndef QVR_CLI_CLI_SUPPORT_H
#define QVR_CLI_CLI_SUPPORT_H

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvr::cli {

// ----------------------------------------------------------------------------------------------
// Failures of a qvr command: one line of text and the process exit code that goes with it.

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

// ----------------------------------------------------------------------------------------------
// Wall-clock time per stage of a command, for the summaries the commands print.

struct StageTime {
    std::string name;
    double seconds = 0.0;
};

class StageClock {
public:
    StageClock();
    // Ends the running stage under `name` and starts the next one.
    void lap(const std::string& name);
    const std::vector<StageTime>& stages() const { return stages_; }
    double total() const;

private:
    std::chrono::steady_clock::time_point start_;
    std::vector<StageTime> stages_;
};

// "12.3 ms", "4.56 s".
std::string formatSeconds(double seconds);

// ----------------------------------------------------------------------------------------------
// A one-line progress bar on standard error, drawn only when standard error is a terminal so
// that logs and pipes stay clean.

class ProgressBar {
public:
    // `total` work items; the bar is drawn when `enabled` (by default: stderr is a terminal).
    ProgressBar(std::string label, long long total);
    ProgressBar(std::string label, long long total, bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Redraws only when the shown percentage changes, so calling it per item is cheap.
    void update(long long done);
    // Draws 100 % and ends the line (also done by the destructor).
    void finish();

    static bool stderrIsTerminal();

private:
    void draw(int percent);

    std::string label_;
    long long total_;
    bool enabled_;
    int shown_ = -1;
    bool finished_ = false;
};

}  // namespace qvr::cli

#endif
