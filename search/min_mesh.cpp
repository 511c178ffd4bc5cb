// The minimum mesh size: the step length of the ray pass search.
#include <cmath>
#include <cstdio>

#include "QVROptKer.h"
#include "search/progress_log.h"

namespace {

constexpr double kLargestStartSize = 500.0;    // mm, before the cells are looked at
constexpr double kDiagonalFloor = 0.001;       // of the overall box diagonal
constexpr double kThicknessFloor = 0.1;        // of the average thickness
constexpr double kStepFraction = 0.1;          // of the adjusted size

}  // namespace

int CQVROptKer::FindMinMesh() {
    MinMesh = kLargestStartSize;
    if (p_Cell != nullptr) {
        for (int j = 1; j <= m_nInnerCell; ++j) {
            const CInnerCell& c = p_Cell[j];
            const double ex = c.xMax - c.xMin;
            if (MinMesh > ex) MinMesh = ex;
            const double ey = c.yMax - c.yMin;
            if (MinMesh > ey) MinMesh = ey;
            const double ez = c.zMax - c.zMin;
            if (MinMesh > ez) MinMesh = ez;
        }
    }

    const double dx = Box_xMax - Box_xMin;
    const double dy = Box_yMax - Box_yMin;
    const double dz = Box_zMax - Box_zMin;
    const double diagonal = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (kDiagonalFloor * diagonal > MinMesh) MinMesh = kDiagonalFloor * diagonal;
    if (kThicknessFloor * AverageThickness > MinMesh) MinMesh = kThicknessFloor * AverageThickness;
    MinMesh = MinMesh * kStepFraction;

    qvr::logProgress(m_nPrintLevel, "Adjust MinMesh end");
    if (qvr::progressEnabled(m_nPrintLevel)) std::printf("After adjust MinMesh = %g \n", MinMesh);
    return 1;
}
