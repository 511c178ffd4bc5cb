// The extraction tool's thickness modes, reached so that the suite also builds against a tool
// without the mode selector (it then measures the default mode only).
#ifndef QVR_BENCH_TOOL_MODES_H
#define QVR_BENCH_TOOL_MODES_H

#include "QVR3DExtractTool.h"
#include "bench_part.h"

namespace qvr::bench {

// Values of QVRThicknessMode.
constexpr int kCentroidPlaneMode = 0;
constexpr int kExactMode = 1;

template <class T>
concept HasThicknessModes = requires(T& t) {
    t.SetThicknessMode(0);
};
template <class T>
concept HasNoCrossingCount = requires(const T& t) {
    t.GetNoCrossingCount();
};
template <class T>
concept HasWallRays = requires(T& t) {
    t.GetWallRay(1);
};
constexpr bool kThicknessModes = HasThicknessModes<QVR3DExtractTool>;

// The modes to measure, default first; "centroid" and "exact" name them.
struct ModeName {
    int mode;
    const char* name;
};
constexpr ModeName kModes[] = {{kCentroidPlaneMode, "centroid"}, {kExactMode, "exact"}};
constexpr int kModeCount = kThicknessModes ? 2 : 1;

template <class T>
bool selectMode(T& tool, int mode) {
    if constexpr (HasThicknessModes<T>) {
        return tool.SetThicknessMode(mode) == 1;
    } else {
        return mode == kCentroidPlaneMode;
    }
}

// Rays of the last SetSurfaceNode without a crossing; -1 when the tool does not say.
template <class T>
double noCrossingCount(const T& tool) {
    if constexpr (HasNoCrossingCount<T>) {
        return tool.GetNoCrossingCount();
    } else {
        return -1.0;
    }
}

// SetSurfaceNode over a ray set with kLayers sample points per ray.
inline int setSurfaceNode(QVR3DExtractTool& tool, const RaySet& r) {
    // SetSurfaceNode only reads the arrays; the interface predates const.
    auto& m = const_cast<RaySet&>(r);
    return tool.SetSurfaceNode(r.count, kLayers, m.x.data(), m.y.data(), m.z.data(), m.dx.data(),
                               m.dy.data(), m.dz.data());
}

}  // namespace qvr::bench

#endif
