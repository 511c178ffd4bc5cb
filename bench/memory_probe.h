// Peak resident memory of one stage: how far the process's resident set rises above where it
// stood when the stage began.
//
// Freed heap pages are handed back to the system before each stage starts, so a stage that
// reuses memory an earlier one freed still shows it. Where the kernel can reset the process's
// peak (Linux: /proc/self/clear_refs), the peak is the stage's own; elsewhere only the
// process-wide maximum is known, and a stage whose peak stays below an earlier one shows 0.
#ifndef QVR_BENCH_MEMORY_PROBE_H
#define QVR_BENCH_MEMORY_PROBE_H

namespace qvr::bench {

struct StageMemory {
    double peakKiB = 0.0;      // highest resident set during the stage, above its start
    double retainedKiB = 0.0;  // resident set after the stage, above its start
};

class MemoryProbe {
public:
    // Hands freed heap pages back, notes the resident set and resets the peak.
    void begin();
    StageMemory end();
    // "stage-peak" when each stage's own peak is measured, "process-peak" otherwise.
    const char* method() const { return resettable_ ? "stage-peak" : "process-peak"; }

private:
    double start_ = 0.0;
    bool resettable_ = true;
};

}  // namespace qvr::bench

#endif
