#include "memory_probe.h"

#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>

namespace qvr::bench {
namespace {

// A "Vm...:  <n> kB" line of /proc/self/status, in KiB; -1 when it cannot be read.
double statusKiB(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1.0;
    char line[256];
    double value = -1.0;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            std::sscanf(line + n + 1, "%lf", &value);
            break;
        }
    }
    std::fclose(f);
    return value;
}

bool resetPeak() {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (f == nullptr) return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

double processPeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss);  // KiB on Linux
}

}  // namespace

void MemoryProbe::begin() {
    malloc_trim(0);
    start_ = statusKiB("VmRSS");
    resettable_ = resettable_ && resetPeak();
}

StageMemory MemoryProbe::end() {
    StageMemory m;
    const double peak = resettable_ ? statusKiB("VmHWM") : processPeakKiB();
    m.peakKiB = peak > start_ ? peak - start_ : 0.0;
    malloc_trim(0);
    const double now = statusKiB("VmRSS");
    m.retainedKiB = now > start_ ? now - start_ : 0.0;
    // The peak was read first; whatever the process took since still counts.
    if (m.retainedKiB > m.peakKiB) m.peakKiB = m.retainedKiB;
    return m;
}

}  // namespace qvr::bench
