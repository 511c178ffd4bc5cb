// Settings of the thickness rays that the host may change between calls.
#include "extract/CExtractToolData.h"

int CExtractToolData::SelectThicknessMode(int mode) {
    if (mode != QVR_THICKNESS_CENTROID_PLANE && mode != QVR_THICKNESS_EXACT) return -1;
    m_nThicknessMode = mode;
    return 1;
}

void CExtractToolData::ReportProgress(int done, int total) const {
    if (m_pProgress == nullptr) return;
    // About a hundred calls per trace whatever its size, and always the last one.
    const int step = total / 100 > 1 ? total / 100 : 1;
    if (done % step == 0 || done == total) m_pProgress(done, total, m_pProgressUser);
}
