// The host's extraction, as `qvr extract` and `qvr demo` run it: what one run produces, the
// skin nodes with their inward rays, and the pipeline that checks the inputs, drives the
// extraction tool and collects the profiles.
#ifndef QVR_CLI_EXTRACTION_H
#define QVR_CLI_EXTRACTION_H

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "mesh_files.h"

class CQVROptKer;

namespace qvr::cli {

// ----------------------------------------------------------------------------------------------
// What one extraction produces: the through-thickness profile of every chosen skin node, the
// skin it came from, counts and stage times. Shared by `qvr extract`, `qvr demo` and the
// output writers.

// Component order of every output: the tool's fiber1..fiber6.
constexpr int kComponentCount = 6;
extern const char* const kComponentNames[kComponentCount];  // a11 a22 a33 a12 a23 a13

// A component the tool could not give: written as "nan".
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

enum class ThicknessMode { CentroidPlane, Exact };
const char* thicknessModeName(ThicknessMode mode);  // "centroid", "exact"

struct NodeProfile {
    int fileNode = 0;               // the node's number in the mesh file
    double x = 0, y = 0, z = 0;     // mm
    double dx = 0, dy = 0, dz = 0;  // unit ray direction, into the part
    bool crossed = false;           // the ray found the opposite skin
    double thickness = 0.0;         // mm; meaningful when crossed
    bool wall = false;              // the ray runs through the wall, not along it
                                    // (QVR3DExtractTool::GetWallRay)
    std::vector<double> depth;      // per sample point, mm from the node
    std::vector<std::array<double, kComponentCount>> value;  // per sample point
};

// The retained skin of the mesh as the kernel holds it (kernel node numbering, 1-based).
struct SkinSurface {
    std::vector<double> xyz;                // 3 per kernel node, node k at 3*(k-1)
    std::vector<int> fileNode;              // per kernel node, k at k-1
    std::vector<std::array<int, 4>> faces;  // kernel node numbers
    std::vector<int> corners;               // 3 or 4 per face
};

struct ExtractionRun {
    std::string meshPath, resultPath;
    int layers = 0;
    ThicknessMode mode = ThicknessMode::CentroidPlane;
    MeshSummary mesh;
    long long skinNodes = 0;  // nodes of the retained skin
    long long raysWithoutCrossing = 0;
    std::vector<NodeProfile> profiles;  // in the order handed to the tool
    SkinSurface skin;
    std::vector<StageTime> stages;
};

// ----------------------------------------------------------------------------------------------
// The skin nodes of a loaded mesh and the inward ray direction at each.
//
// A skin node is a node of a retained skin face. Its ray points into the part: the negated
// area-weighted node normal (CQVROptKer::ComputeNodeSurfaceNormal), since skin faces are
// listed counter-clockwise seen from outside.

struct SkinNode {
    int kernelNode = 0;             // number in the kernel's node table
    int fileNode = 0;               // number in the mesh file
    double x = 0, y = 0, z = 0;     // mm
    double ax = 0, ay = 0, az = 0;  // inward direction, not normalised
};

// Every skin node, in ascending node number (file and kernel orders agree).
std::vector<SkinNode> findSkinNodes(const CQVROptKer& kernel);

// The skin nodes named by file node numbers, in the order given, duplicates dropped. Throws
// CliError (usage) naming the first number that is not a skin node; `source` names the list.
std::vector<SkinNode> selectSkinNodes(const std::vector<SkinNode>& skin,
                                      const std::vector<long long>& fileNumbers,
                                      long long nodesInFile, const std::string& source);

// Reads whole numbers separated by blanks, commas or line ends; '#' starts a comment. Throws
// CliError (file) when the file cannot be read or holds something else.
std::vector<long long> readNodeList(const std::string& path);

// The kernel's retained skin, copied for the writers.
SkinSurface copySkin(const CQVROptKer& kernel);

// ----------------------------------------------------------------------------------------------
// The host's extraction, as `qvr extract` and `qvr demo` run it: check the inputs, find the
// skin nodes and their inward rays, drive the extraction tool, collect the profiles.

// Sample points per ray when not given: 0, 0.1, ..., 1 of the thickness.
constexpr int kDefaultLayers = 11;

// The thickness the tool reports for a ray that crossed nothing in the centroid-plane mode (the
// exact mode reports 0 instead). Compared exactly: the tool writes this value and no other, so a
// real thickness of 1e30 mm or more (a part of that size) still counts as a crossing.
constexpr double kCentroidNoCrossingMm = 1e30;

// Sample points (skin nodes times --layers) one extraction may ask for. Each costs the host
// about 60 bytes in memory and some 120 in profiles.csv, so the cap holds a run to well under a
// gigabyte of memory and a few gigabytes of output; a 10^6-cell part's whole skin at the default
// layers stays far below it.
constexpr long long kMaxSamplePoints = 10'000'000;

struct ExtractRequest {
    std::string meshPath, resultPath;
    int layers = kDefaultLayers;
    std::string nodesFile;              // empty: every skin node
    std::optional<ThicknessMode> mode;  // unset: exact
    bool progress = true;               // progress bars when stderr is a terminal
    int threads = 0;                    // threads tracing the rays; 0: every hardware thread
    long long plotNode = 0;             // a node that must be among the chosen ones; 0: none
};

// Throws CliError for bad input files (file), a node list naming non-skin nodes (usage) or a
// failure code of the kernel or the tool (library).
ExtractionRun runExtraction(const ExtractRequest& request);

}  // namespace qvr::cli

#endif
