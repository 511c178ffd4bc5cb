// What each benchmark measures, for the report: display names, the unit of work, and which
// anchor each stage is compared with.
#ifndef QVR_BENCH_REPORT_STAGE_CATALOGUE_H
#define QVR_BENCH_REPORT_STAGE_CATALOGUE_H

#include <string>
#include <vector>

namespace qvr::report {

struct StageInfo {
    const char* stage;   // benchmark name prefix
    const char* title;   // as the report's tables show it
    const char* legend;  // shorter, for the chart's legend
    const char* item;    // the unit of work a time per item refers to
    const char* colour;  // in the chart
};

// Library stages in the order a host runs them.
const std::vector<StageInfo>& libraryStages();
// Anchors measured in the same run.
const std::vector<StageInfo>& anchorStages();
// The entry for a stage name, or null.
const StageInfo* stageInfo(const std::string& stage);

struct AnchorRatio {
    const char* stage;
    const char* anchor;
    const char* title;
};
// Time per item of the stage divided by that of the anchor, over the same work.
const std::vector<AnchorRatio>& anchorRatios();

// A library stage and the straightforward code it replaced, measured on the same items.
struct BeforeAfter {
    const char* before;  // "straightforward.<stage>"
    const char* after;   // the library stage
    const char* title;
    const char* item;
};
const std::vector<BeforeAfter>& beforeAfterPairs();

}  // namespace qvr::report

#endif
