// The extraction tool's features beyond the host interface (thickness mode, progress
// reporting, count of rays without a crossing), reached in one place so that the rest of the
// host does not depend on how the tool spells them.
#ifndef QVR_CLI_TOOL_EXTENSIONS_H
#define QVR_CLI_TOOL_EXTENSIONS_H

#include <functional>

#include "extraction_run.h"

class QVR3DExtractTool;

namespace qvr::cli {

// Whether the tool can measure the thickness exactly (first stretch of the ray inside the
// material) rather than to the centroid plane of the crossed face.
bool toolOffersExactThickness();
// False when the mode is not offered (the tool's default, centroid plane, is always).
bool setToolThicknessMode(QVR3DExtractTool& tool, ThicknessMode mode);

// Called during SetSurfaceNode with (rays done, rays in all). Cleared by passing an empty
// function. Does nothing when the tool has no progress reporting.
void setToolProgress(QVR3DExtractTool& tool, std::function<void(long long, long long)> progress);

// Rays of the last SetSurfaceNode that crossed no skin face; -1 when the tool does not say.
long long toolRaysWithoutCrossing(QVR3DExtractTool& tool);

}  // namespace qvr::cli

#endif
