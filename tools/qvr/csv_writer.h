// profiles.csv: one row per node and sample point.
//
// Columns: node (number in the mesh file), x, y, z (the node, mm), layer (1 at the node ..
// layers at the opposite skin), depth (mm from the node), a11, a22, a33, a12, a23, a13.
// A ray that found no opposite skin has its rows with depth and components "nan".
#ifndef QVR_CLI_CSV_WRITER_H
#define QVR_CLI_CSV_WRITER_H

#include <string>

#include "extraction_run.h"

namespace qvr::cli {

void writeProfilesCsv(const std::string& path, const ExtractionRun& run);

}  // namespace qvr::cli

#endif
