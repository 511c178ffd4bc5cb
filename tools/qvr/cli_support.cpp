#include "cli_support.h"

#include <unistd.h>
#include <cstdio>
#include <string>
#include <utility>

namespace qvr::cli {

void failFile(const std::string& message) { throw CliError(ExitCode::FileError, message); }

void failUsage(const std::string& message) { throw CliError(ExitCode::Usage, message); }

void failLibrary(const std::string& call, int code, const std::string& context) {
    std::string text = call + " failed with code " + std::to_string(code);
    if (!context.empty()) text += " (" + context + ")";
    throw CliError(ExitCode::LibraryError, text);
}

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

namespace {
constexpr int kBarWidth = 30;  // characters between the brackets
}

ProgressBar::ProgressBar(std::string label, long long total)
    : ProgressBar(std::move(label), total, stderrIsTerminal()) {}

ProgressBar::ProgressBar(std::string label, long long total, bool enabled)
    : label_(std::move(label)), total_(total), enabled_(enabled) {}

ProgressBar::~ProgressBar() { finish(); }

bool ProgressBar::stderrIsTerminal() { return ::isatty(2) == 1; }

void ProgressBar::update(long long done) {
    if (!enabled_ || finished_) return;
    int percent = 100;
    if (total_ > 0) {
        if (done < 0) done = 0;
        if (done > total_) done = total_;
        percent = static_cast<int>(done * 100 / total_);
    }
    if (percent != shown_) draw(percent);
}

void ProgressBar::finish() {
    if (!enabled_ || finished_) return;
    if (shown_ != 100) draw(100);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    finished_ = true;
}

void ProgressBar::draw(int percent) {
    shown_ = percent;
    const int filled = percent * kBarWidth / 100;
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r%-14s [%s] %3d%%", label_.c_str(), bar, percent);
    std::fflush(stderr);
}

}  // namespace qvr::cli
