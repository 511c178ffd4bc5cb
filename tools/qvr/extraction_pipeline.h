// The host's extraction, as `qvr extract` and `qvr demo` run it: check the inputs, find the
// skin nodes and their inward rays, drive the extraction tool, collect the profiles.
#ifndef QVR_CLI_EXTRACTION_PIPELINE_H
#define QVR_CLI_EXTRACTION_PIPELINE_H

#include <optional>
#include <string>

#include "extraction_run.h"

namespace qvr::cli {

// Sample points per ray when not given: 0, 0.1, ..., 1 of the thickness.
constexpr int kDefaultLayers = 11;

// Distances at or beyond this (mm) are the tool's "no crossing" (it reports 1e30).
constexpr double kNoCrossingDistanceMm = 1e29;

struct ExtractRequest {
    std::string meshPath, resultPath;
    int layers = kDefaultLayers;
    std::string nodesFile;                  // empty: every skin node
    std::optional<ThicknessMode> mode;      // unset: exact
    bool progress = true;                   // progress bars when stderr is a terminal
};

// Throws CliError for bad input files (file), a node list naming non-skin nodes (usage) or a
// failure code of the kernel or the tool (library).
ExtractionRun runExtraction(const ExtractRequest& request);

}  // namespace qvr::cli

#endif
