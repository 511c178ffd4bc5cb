// What an extraction writes and prints: figures over the profiles, profiles.csv, profiles.vtu,
// profile.svg, and the summary and profile table on the terminal.
#ifndef QVR_CLI_OUTPUT_WRITERS_H
#define QVR_CLI_OUTPUT_WRITERS_H

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "extraction.h"

namespace qvr::cli {

// ----------------------------------------------------------------------------------------------
// Figures over the profiles of one extraction: thickness statistics, the representative node,
// the mean profile.

// Thicknesses below this (mm) are a collapsed measurement (a rounding residue), not a wall.
constexpr double kCollapsedThicknessMm = 1e-6;

struct ThicknessStats {
    long long count = 0;       // rays that crossed
    double min = 0, median = 0, max = 0;  // mm, over the rays that crossed
    long long collapsed = 0;   // of those, thinner than kCollapsedThicknessMm
};
ThicknessStats thicknessStats(const std::vector<NodeProfile>& profiles);

// Index of the profile whose ray crossed and whose thickness lies closest to the median (the
// lowest node number among equals); -1 when no ray crossed.
long findRepresentative(const std::vector<NodeProfile>& profiles);
// Index of the profile whose ray crossed and whose node lies nearest to the point (the lowest
// node number among equals); -1 when no ray crossed.
long findProfileNear(const std::vector<NodeProfile>& profiles, double x, double y, double z);
// Index of the profile of a file node number, -1 when it has none.
long findProfileOfNode(const std::vector<NodeProfile>& profiles, long long fileNode);

// Mean over the rays that crossed, per sample point; the points sit at the same fractions of
// the thickness on every ray.
struct MeanProfile {
    long long nodes = 0;
    std::vector<double> fraction;  // (j - 1) / (layers - 1)
    std::vector<std::array<double, kComponentCount>> mean;
};
MeanProfile meanProfile(const std::vector<NodeProfile>& profiles, int layers);

// ----------------------------------------------------------------------------------------------
// profiles.csv: one row per node and sample point.
//
// Columns: node (number in the mesh file), x, y, z (the node, mm), layer (1 at the node ..
// layers at the opposite skin), depth (mm from the node), a11, a22, a33, a12, a23, a13.
// A ray that found no opposite skin has its rows with depth and components "nan".

void writeProfilesCsv(const std::string& path, const ExtractionRun& run);

// ----------------------------------------------------------------------------------------------
// profiles.vtu: a VTK XML unstructured grid (ASCII) with the skin and the rays.
//
// Cells: the skin faces (triangles, quadrilaterals) and one polyline per ray that found the
// opposite skin, told apart by the cell field "kind" (0 skin face, 1 ray); "node" names the
// ray's node by its number in the mesh file (0 on faces).
// Points: the skin nodes, then every ray's sample points. Point fields: "thickness" (mm),
// "depth" (mm from the ray's node), "fraction" (depth / thickness), a11 a22 a33 a12 a23 a13,
// "node", "has_profile" (1 where a profile was extracted) and "direction" (the inward unit ray
// direction, at skin nodes). On skin nodes the components are those of the first sample point.

void writeProfilesVtu(const std::string& path, const ExtractionRun& run);

// ----------------------------------------------------------------------------------------------
// profile.svg: the six components against normalised depth (0 at the node, 1 at the opposite
// skin) for one node, and beside it the mean profile over all nodes, on a common value axis.

struct PlotSeries {
    std::string title;                   // panel title
    std::vector<double> fraction;        // x per sample point, 0..1
    std::vector<std::array<double, kComponentCount>> value;
};

// Nice axis ticks covering [lo, hi]: steps of 1, 2 or 5 times a power of ten, about `target`
// intervals. The first and last tick enclose the range. An empty or inverted range is widened
// around its value.
struct AxisTicks {
    double first = 0, step = 1;
    int count = 0;                       // ticks first, first + step, ...
    int decimals = 0;                    // digits after the point that show every tick exactly
};
AxisTicks niceTicks(double lo, double hi, int target);

// `panels` side by side (one or two). Throws CliError (file) when the file cannot be written.
void writeProfileSvg(const std::string& path, const std::string& title,
                     const std::vector<PlotSeries>& panels);

// ----------------------------------------------------------------------------------------------
// The three files of an extraction (profiles.csv, profiles.vtu, profile.svg) and the text the
// commands print about it.

// Writes the three files into `folder` (created when missing) and returns their paths. The
// plot shows `plotNode` (a file node number; 0: the representative node). Throws CliError
// (usage) when plotNode has no profile, (file) when a file cannot be written.
// The paths writeExtractionOutputs writes in `folder`: profiles.csv, profiles.vtu, profile.svg.
std::vector<std::string> extractionOutputPaths(const std::string& folder);

std::vector<std::string> writeExtractionOutputs(const ExtractionRun& run, const std::string& folder,
                                                long long plotNode);

// Counts, thickness figures, rays without a crossing and the time per stage.
void printExtractionSummary(std::FILE* out, const ExtractionRun& run);

// The through-thickness table of one profile: layer, depth and the six components.
void printProfileTable(std::FILE* out, const NodeProfile& profile);

}  // namespace qvr::cli

#endif
