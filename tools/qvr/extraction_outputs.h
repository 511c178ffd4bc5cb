// The three files of an extraction (profiles.csv, profiles.vtu, profile.svg) and the text the
// commands print about it.
#ifndef QVR_CLI_EXTRACTION_OUTPUTS_H
#define QVR_CLI_EXTRACTION_OUTPUTS_H

#include <cstdio>
#include <string>
#include <vector>

#include "extraction_run.h"

namespace qvr::cli {

// Writes the three files into `folder` (created when missing) and returns their paths. The
// plot shows `plotNode` (a file node number; 0: the representative node). Throws CliError
// (usage) when plotNode has no profile, (file) when a file cannot be written.
std::vector<std::string> writeExtractionOutputs(const ExtractionRun& run, const std::string& folder,
                                                long long plotNode);

// Counts, thickness figures, rays without a crossing and the time per stage.
void printExtractionSummary(std::FILE* out, const ExtractionRun& run);

// The through-thickness table of one profile: layer, depth and the six components.
void printProfileTable(std::FILE* out, const NodeProfile& profile);

}  // namespace qvr::cli

#endif
