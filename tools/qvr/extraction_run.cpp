#include "extraction_run.h"

namespace qvr::cli {

const char* const kComponentNames[kComponentCount] = {"a11", "a22", "a33", "a12", "a23", "a13"};

const char* thicknessModeName(ThicknessMode mode) {
    return mode == ThicknessMode::Exact ? "exact" : "centroid";
}

}  // namespace qvr::cli
