// Average part thickness: the solid volume spread over half the skin area.
#include <cmath>
#include <cstdio>

#include "QVROptKer.h"
#include "kernel/face_fan.h"
#include "search/progress_log.h"

namespace {

// Skin areas up to this value (mm^2) are taken as no skin.
constexpr double kMinSkinArea = 1e-8;
// Thickness assumed without a skin (mm).
constexpr double kThicknessWithoutSkin = 1.0;

// Adds the area of a face, as a fan of triangles around its first corner, to `area` one
// triangle at a time (the running total is part of the rounding).
void addFanArea(const CFaceElem& f, const Cnode* nodes, double& area) {
    qvr::forEachFanTriangle(f, nodes, [&area](double cx, double cy, double cz) {
        area += 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
    });
}

}  // namespace

int CQVROptKer::ComputeAverageThickness() {
    double area = 0.0;
    if (m_pSurface != nullptr && m_pNode != nullptr) {
        for (int i = 1; i <= m_nSurface; ++i) addFanArea(m_pSurface[i], m_pNode, area);
    }
    if (!(area > kMinSkinArea)) {
        AverageThickness = kThicknessWithoutSkin;
        return -1;
    }
    AverageThickness = TotalVolume / (area * 0.5);
    if (qvr::progressEnabled(m_nPrintLevel)) {
        std::printf("TotalVolume=%lf\n", TotalVolume);
        std::printf("TotalSurfaceArea/2=%lf\n", area * 0.5);
    }
    qvr::logProgress(m_nPrintLevel, "AverageThickness end");
    if (qvr::progressEnabled(m_nPrintLevel)) std::printf("AverageThickness=%lf \n", AverageThickness);
    return 1;
}
