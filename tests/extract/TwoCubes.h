// A fixture of the state object's tests: two unit cubes side by side along x.
#ifndef QVR_TESTS_EXTRACT_TWO_CUBES_H
#define QVR_TESTS_EXTRACT_TWO_CUBES_H

#include <vector>

#include "ExtractTestSupport.h"
#include "extract/CExtractToolData.h"

namespace extract_test {

// Two unit cubes side by side along x, centroids (0.5, 0.5, 0.5) and (1.5, 0.5, 0.5).
struct TwoCubes {
    TempDir dir;
    CExtractToolData data;
    bool ok = loadInto(data, dir, plate(2.0, 1.0, 1.0, 2, 1, 1));
    int faceAt(const Point& c) const {  // the skin face with this centroid
        for (int f = 1; f <= data.m_nSurface; ++f) {
            const CFaceElem& e = data.m_pSurface[f];
            if (e.xc == c[0] && e.yc == c[1] && e.zc == c[2]) return f;
        }
        return 0;
    }
    double crossing(std::vector<int> ids, const Point& p, const Point& d) {
        ids.insert(ids.begin(), 0);
        double t = -1.0;
        data.FindSurfaceCrossing(ids.data(), static_cast<int>(ids.size()) - 1, p[0], p[1], p[2],
                                 d[0], d[1], d[2], t);
        return t;
    }
};

}  // namespace extract_test

#endif
