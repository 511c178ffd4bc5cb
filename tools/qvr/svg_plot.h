// profile.svg: the six components against normalised depth (0 at the node, 1 at the opposite
// skin) for one node, and beside it the mean profile over all nodes, on a common value axis.
#ifndef QVR_CLI_SVG_PLOT_H
#define QVR_CLI_SVG_PLOT_H

#include <array>
#include <string>
#include <vector>

#include "extraction_run.h"

namespace qvr::cli {

struct PlotSeries {
    std::string title;                   // panel title
    std::vector<double> fraction;        // x per sample point, 0..1
    std::vector<std::array<double, kComponentCount>> value;
};

// Nice axis ticks covering [lo, hi]: steps of 1, 2 or 5 times a power of ten, about `target`
// intervals. The first and last tick enclose the range. An empty or inverted range is widened
// around its value.
struct AxisTicks {
    double first = 0, step = 1;
    int count = 0;                       // ticks first, first + step, ...
    int decimals = 0;                    // digits after the point that show every tick exactly
};
AxisTicks niceTicks(double lo, double hi, int target);

// `panels` side by side (one or two). Throws CliError (file) when the file cannot be written.
void writeProfileSvg(const std::string& path, const std::string& title,
                     const std::vector<PlotSeries>& panels);

}  // namespace qvr::cli

#endif
