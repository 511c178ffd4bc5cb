// Number formats of the report.
#ifndef QVR_BENCH_REPORT_FORMAT_H
#define QVR_BENCH_REPORT_FORMAT_H

#include <string>

namespace qvr::report {

// Three significant digits with a fitting unit: "412 ns", "3.05 µs", "1.20 s".
std::string formatSeconds(double seconds);
// Items per second: "12.3 k/s", "4.56 M/s".
std::string formatRate(double perSecond);
// "0.52×", "3.1×", "1 340×".
std::string formatRatio(double ratio);
// "12.3 MiB" from KiB.
std::string formatKiB(double kib);
// Three significant digits, thousands grouped with a thin space ("101 232").
std::string formatCount(double n);

}  // namespace qvr::report

#endif
