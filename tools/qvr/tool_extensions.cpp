#include "tool_extensions.h"

#include "QVR3DExtractTool.h"

namespace qvr::cli {

bool toolOffersExactThickness() { return false; }

bool setToolThicknessMode(QVR3DExtractTool&, ThicknessMode mode) {
    return mode == ThicknessMode::CentroidPlane;
}

void setToolProgress(QVR3DExtractTool&, std::function<void(long long, long long)>) {}

long long toolRaysWithoutCrossing(QVR3DExtractTool&) { return -1; }

}  // namespace qvr::cli
