// The measurements of one suite run, read from Google Benchmark's JSON output.
#ifndef QVR_BENCH_REPORT_RESULTS_H
#define QVR_BENCH_REPORT_RESULTS_H

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qvr::report {

struct Measurement {
    std::string stage, type, size;  // from the name "<stage>/<type>/<size>[/...]"
    double cells = 0, items = 0;
    double realSeconds = 0, cpuSeconds = 0;  // per iteration
    double iterations = 0;
    // CPU seconds per item: the benchmark thread's CPU time, or for benchmarks that time
    // themselves (SetSurfaceNode) the CPU time they give for the items alone.
    double secondsPerItem = 0;
    std::map<std::string, double> counters;
    std::string error;  // non-empty when the benchmark was skipped

    double counter(const std::string& name, double fallback = 0.0) const;
    std::string part() const { return type + "/" + size; }
};

struct RunResults {
    std::map<std::string, std::string> context;  // Google Benchmark's context, as text
    std::vector<Measurement> measurements;       // in run order, the fastest of repetitions

    const Measurement* find(const std::string& stage, const std::string& type,
                            const std::string& size) const;
    // Cell types and sizes in the order they first appear.
    std::vector<std::string> types() const;
    std::vector<std::string> sizes() const;
    // Whether any benchmark ran on the part.
    bool measured(const std::string& type, const std::string& size) const;
    // The sizes measured for one type, in the same order.
    std::vector<std::string> sizesOf(const std::string& type) const;
    // The (type, size) pairs measured, size by size, each size's types in type order: the order
    // of the page's part rows and columns.
    std::vector<std::pair<std::string, std::string>> parts() const;
};

// False with a reason in `error` when the file cannot be read or is not benchmark output.
bool readResults(const std::string& path, RunResults& out, std::string& error);

}  // namespace qvr::report

#endif
