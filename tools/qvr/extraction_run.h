// What one extraction produces: the through-thickness profile of every chosen skin node, the
// skin it came from, counts and stage times. Shared by `qvr extract`, `qvr demo` and the
// output writers.
#ifndef QVR_CLI_EXTRACTION_RUN_H
#define QVR_CLI_EXTRACTION_RUN_H

#include <array>
#include <string>
#include <vector>

#include "mesh_summary.h"
#include "timing.h"

namespace qvr::cli {

// Component order of every output: the tool's fiber1..fiber6.
constexpr int kComponentCount = 6;
extern const char* const kComponentNames[kComponentCount];  // a11 a22 a33 a12 a23 a13

enum class ThicknessMode { CentroidPlane, Exact };
const char* thicknessModeName(ThicknessMode mode);  // "centroid", "exact"

struct NodeProfile {
    int fileNode = 0;                  // the node's number in the mesh file
    double x = 0, y = 0, z = 0;        // mm
    double dx = 0, dy = 0, dz = 0;     // unit ray direction, into the part
    bool crossed = false;              // the ray found the opposite skin
    double thickness = 0.0;            // mm; meaningful when crossed
    std::vector<double> depth;         // per sample point, mm from the node
    std::vector<std::array<double, kComponentCount>> value;  // per sample point
};

// The retained skin of the mesh as the kernel holds it (kernel node numbering, 1-based).
struct SkinSurface {
    std::vector<double> xyz;           // 3 per kernel node, node k at 3*(k-1)
    std::vector<int> fileNode;         // per kernel node, k at k-1
    std::vector<std::array<int, 4>> faces;  // kernel node numbers
    std::vector<int> corners;          // 3 or 4 per face
};

struct ExtractionRun {
    std::string meshPath, resultPath;
    int layers = 0;
    ThicknessMode mode = ThicknessMode::CentroidPlane;
    MeshSummary mesh;
    long long skinNodes = 0;           // nodes of the retained skin
    long long raysWithoutCrossing = 0;
    std::vector<NodeProfile> profiles; // in the order handed to the tool
    SkinSurface skin;
    std::vector<StageTime> stages;
};

}  // namespace qvr::cli

#endif
