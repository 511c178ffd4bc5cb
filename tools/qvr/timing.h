// Wall-clock time per stage of a command, for the summaries the commands print.
#ifndef QVR_CLI_TIMING_H
#define QVR_CLI_TIMING_H

#include <chrono>
#include <string>
#include <vector>

namespace qvr::cli {

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

}  // namespace qvr::cli

#endif
