// A one-line progress bar on standard error, drawn only when standard error is a terminal so
// that logs and pipes stay clean.
#ifndef QVR_CLI_PROGRESS_BAR_H
#define QVR_CLI_PROGRESS_BAR_H

#include <string>

namespace qvr::cli {

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
