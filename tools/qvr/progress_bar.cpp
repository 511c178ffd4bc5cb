#include "progress_bar.h"

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace qvr::cli {

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
