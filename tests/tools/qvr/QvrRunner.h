// Runs the qvr program as a user does and captures what it printed and its exit code.
#ifndef QVR_TESTS_QVR_RUNNER_H
#define QVR_TESTS_QVR_RUNNER_H

#include <string>
#include <vector>

struct QvrResult {
    int exitCode = -1;
    std::string out, err;
    // Lines of standard error (without line ends).
    std::vector<std::string> errLines() const;
};

// Arguments are quoted for the shell; standard input is empty; stdout and stderr go to files
// in `scratch` (a folder that exists), so stderr is never a terminal and no progress bar shows.
QvrResult runQvr(const std::vector<std::string>& args, const std::string& scratch);

std::string readText(const std::string& path);
// Comma-separated fields per line (no quoting: the host writes none).
std::vector<std::vector<std::string>> readCsv(const std::string& path);
std::vector<std::string> splitLines(const std::string& text);

#endif
