// The quick first test of whether a solid cell contains a point: the point must lie in the
// cell's box widened by kBoxMarginRelative of its diagonal. Shared by the containment test and by
// the cell choice that skips the cells this test already rules out.
#ifndef QVR_EXTRACT_CELL_CHOICE_H
#define QVR_EXTRACT_CELL_CHOICE_H

#include <cmath>

#include "QVROptKer.h"
#include "extract/tolerances.h"

namespace qvr::extract {

// The cell's box widened by the margin.
struct WidenedBox {
    double xlo, xhi, ylo, yhi, zlo, zhi;
};

inline WidenedBox widenedBox(const CInnerCell& c) {
    const double diagonal =
        std::sqrt((c.xMax - c.xMin) * (c.xMax - c.xMin) + (c.yMax - c.yMin) * (c.yMax - c.yMin) +
                  (c.zMax - c.zMin) * (c.zMax - c.zMin));
    const double margin = kBoxMarginRelative * diagonal;
    return {c.xMin - margin, c.xMax + margin, c.yMin - margin,
            c.yMax + margin, c.zMin - margin, c.zMax + margin};
}

// False when the point lies outside the widened box; a NaN coordinate is never ruled out here.
inline bool mayContain(const WidenedBox& b, double x, double y, double z) {
    return !(x < b.xlo || x > b.xhi || y < b.ylo || y > b.yhi || z < b.zlo || z > b.zhi);
}

inline bool mayContain(const CInnerCell& c, double x, double y, double z) {
    return mayContain(widenedBox(c), x, y, z);
}

}  // namespace qvr::extract

#endif
