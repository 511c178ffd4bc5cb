// A log-log line chart as a standalone SVG document.
#ifndef QVR_BENCH_REPORT_SVG_CHART_H
#define QVR_BENCH_REPORT_SVG_CHART_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qvr::report {

struct Series {
    std::string colour;
    std::string dash;                               // SVG stroke-dasharray, "" for a solid line
    std::vector<std::pair<double, double>> points;  // positive x and y
    bool joined = true;                             // false: the points alone (rings), no line
};

struct LegendEntry {
    std::string text;
    std::string colour;
    std::string dash;
    bool point = false;  // a ring, as points that stand alone are drawn, instead of a line
};

struct LogLogChart {
    std::string title, xTitle, yTitle;
    std::function<std::string(double)> xLabel, yLabel;  // text at each decade
    std::vector<Series> series;
    std::vector<LegendEntry> legend;
};

// Axes span whole decades around every point; points that are not positive are left out.
std::string renderSvg(const LogLogChart& chart);

}  // namespace qvr::report

#endif
