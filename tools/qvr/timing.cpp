#include "timing.h"

#include <cstdio>

namespace qvr::cli {

StageClock::StageClock() : start_(std::chrono::steady_clock::now()) {}

void StageClock::lap(const std::string& name) {
    const auto now = std::chrono::steady_clock::now();
    stages_.push_back({name, std::chrono::duration<double>(now - start_).count()});
    start_ = now;
}

double StageClock::total() const {
    double sum = 0.0;
    for (const StageTime& s : stages_) sum += s.seconds;
    return sum;
}

std::string formatSeconds(double seconds) {
    char text[32];
    if (seconds < 1.0)
        std::snprintf(text, sizeof text, "%.1f ms", seconds * 1000.0);
    else
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

}  // namespace qvr::cli
