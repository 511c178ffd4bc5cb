// The generated performance page, its chart and the CSV summary of a run.
#ifndef QVR_BENCH_REPORT_REPORT_WRITER_H
#define QVR_BENCH_REPORT_REPORT_WRITER_H

#include <string>

#include "memory_table.h"
#include "results.h"

namespace qvr::report {

struct RunInfo {
    std::string date, commit;
    std::string loadStart, loadEnd;  // "1.00 2.00 3.00" from /proc/loadavg
    std::string resultsFile;         // the JSON file, as the page names it
    std::string chartFile;           // the SVG, relative to the page
    std::string notes;               // hand-written Markdown appended to the page
    std::string partsNote;           // appended to the parts' description (a part left out)
    double minutes = 0;              // duration of the whole run
    bool quick = false;
};

std::string markdownPage(const RunResults& run, const MemoryTable& memory, const RunInfo& info);
std::string scalingChartSvg(const RunResults& run);
std::string summaryCsv(const RunResults& run);

}  // namespace qvr::report

#endif
