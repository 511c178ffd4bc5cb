// What an extraction writes and prints: figures over the profiles, profiles.csv, profiles.vtu,
// profile.svg, and the summary and profile table on the terminal.
#ifndef QVR_CLI_OUTPUT_WRITERS_H
#define QVR_CLI_OUTPUT_WRITERS_H

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "extraction.h"
#include "number_text.h"
#include "symmetric_tensor.h"
#include "vtk_xml_grid.h"

namespace qvr::cli {

// ----------------------------------------------------------------------------------------------
// Figures over the profiles of one extraction: thickness statistics, the representative node,
// the mean profile.

// Thicknesses below this (mm) are a collapsed measurement (a rounding residue), not a wall.
constexpr double kCollapsedThicknessMm = 1e-6;

struct ThicknessStats {
    long long count = 0;                  // rays that crossed
    double min = 0, median = 0, max = 0;  // mm, over the rays that crossed
    long long collapsed = 0;              // of those, thinner than kCollapsedThicknessMm
};
// Over every ray that crossed, or with `wallOnly` over the wall rays (NodeProfile::wall).
ThicknessStats thicknessStats(const std::vector<NodeProfile>& profiles, bool wallOnly = false);

// Index of the profile whose ray crossed and whose thickness lies closest to the median (the
// lowest node number among equals), taken among the wall rays when there are any; -1 when no
// ray crossed.
long findRepresentative(const std::vector<NodeProfile>& profiles);
// Index of the profile whose ray crossed and whose node lies nearest to the point (the lowest
// node number among equals); -1 when no ray crossed.
long findProfileNear(const std::vector<NodeProfile>& profiles, double x, double y, double z);
// Index of the profile of a file node number, -1 when it has none.
long findProfileOfNode(const std::vector<NodeProfile>& profiles, long long fileNode);

// Mean over the rays that crossed (with `wallOnly`, over the wall rays), per sample point; the
// points sit at the same fractions of the thickness on every ray.
struct MeanProfile {
    long long nodes = 0;
    bool wallOnly = false;
    std::vector<double> fraction;  // (j - 1) / (layers - 1)
    std::vector<std::array<double, kComponentCount>> mean;
};
MeanProfile meanProfile(const std::vector<NodeProfile>& profiles, int layers,
                        bool wallOnly = false);

// ----------------------------------------------------------------------------------------------
// How the files are written (qvr extract's options).

// How profiles.csv is written: Plain text, Gzip (gzip-compressed text, profiles.csv.gz), None
// (not at all), or Auto: plain while the table fits a spreadsheet (kSpreadsheetRows, header
// included), gzip beyond. A table a spreadsheet cannot show whole is read by scripts, and
// pandas, numpy and R read the .gz directly; compressed it is about a quarter of the text
// (docs/cli.md has the sizes).
enum class CsvForm { Auto, Plain, Gzip, None };
// The rows of the largest sheet common spreadsheets open (2^20).
constexpr long long kSpreadsheetRows = 1'048'576;

// Rows of profiles.csv, the header included: nodes x layers + 1 (long), nodes + 1 (wide).
long long csvRows(const ExtractionRun& run, bool wide);
// The form Auto stands for at `rows`; any other form as given.
CsvForm resolveCsvForm(CsvForm requested, long long rows);

struct OutputOptions {
    CsvForm csv = CsvForm::Auto;
    int csvDigits = kDefaultCsvDigits;  // significant digits (number_text.h)
    bool wideCsv = false;               // one row per node, layers as columns
    VtkEncoding vtu = VtkEncoding::CompressedBinary;
    std::string date;                  // provenance: when the run was made (UTC, ISO
                                       // 8601); empty: none (qvr demo, reproducible)
    std::string meshName, resultName;  // provenance: the inputs as named in the files;
                                       // empty: the run's paths
};

// ----------------------------------------------------------------------------------------------
// profiles.csv, long layout (default): one row per node and sample point.
//
// Columns: node (number in the mesh file), x, y, z (the node, mm), layer (1 at the node ..
// layers at the opposite skin), depth (mm from the node), wall (1 when the ray runs through the
// wall, 0 along it), a11, a22, a33, a12, a23, a13. A ray that found no opposite skin has its
// rows with depth and components "nan" (and wall 0).
//
// Wide layout: one row per node: node, x, y, z, wall, thickness (mm; nan without a crossing),
// then per layer j = 1..layers the six components a11_j .. a13_j (layer j lies at depth
// (j - 1) / (layers - 1) of the thickness).
//
// With options.csv Gzip the same text is written gzip-compressed (Auto and None: plain).

void writeProfilesCsv(const std::string& path, const ExtractionRun& run,
                      const OutputOptions& options = {});

// ----------------------------------------------------------------------------------------------
// profiles.vtu: a VTK XML unstructured grid with the skin and the rays; profiles-rays.vtu: the
// rays alone, as line segments (so that readers without polylines, meshio among them, read
// them too).
//
// profiles.vtu cells: the skin faces (triangles, quadrilaterals) and one polyline per ray that
// found the opposite skin, told apart by the cell field "kind" (0 skin face, 1 ray); "node"
// names the ray's node by its number in the mesh file (0 on faces).
// Points: the skin nodes, then every ray's sample points. Point fields: "thickness" (mm),
// "depth" (mm from the ray's node), "fraction" (depth / thickness), a11 a22 a33 a12 a23 a13,
// "node", "has_profile" (1 where a profile was extracted), "direction" (the inward unit ray
// direction, at skin nodes), "wall" (1 on the points of rays through the wall), "tensor" (the
// six components as one symmetric tensor, VTK order XX YY ZZ XY YZ XZ), "eigenvalues"
// (descending) and "principal" (unit eigenvector of the largest eigenvalue). On skin nodes the
// components are those of the first sample point.
// profiles-rays.vtu: the sample points of the rays that crossed with the same point fields
// but for the six scalar components (the tensor holds them) and has_profile, and per ray
// layers - 1 line cells with the cell fields "node" and "wall".
// The fibre values (components, tensor, eigenvalues, principal) are Float32, the rest Float64.
// Both files carry as field data (texts stored as UInt8 arrays of their bytes): mesh, results,
// mode, date, length_unit (mm) and tensor_order.

void writeProfilesVtu(const std::string& path, const ExtractionRun& run,
                      const OutputOptions& options = {});
void writeRaysVtu(const std::string& path, const ExtractionRun& run,
                  const OutputOptions& options = {});

// The eigen decomposition of every ray sample point's tensor, which both files carry: decomposed
// once and handed to both writers. `points` holds the crossed rays' sample points in profile
// order; `firstOfProfile[i]` is where profile i's points start.
struct RayPointEigens {
    std::vector<TensorEigen> points;
    std::vector<std::size_t> firstOfProfile;
};
RayPointEigens rayPointEigens(const ExtractionRun& run);
void writeProfilesVtu(const std::string& path, const ExtractionRun& run,
                      const OutputOptions& options, const RayPointEigens& eigens);
void writeRaysVtu(const std::string& path, const ExtractionRun& run, const OutputOptions& options,
                  const RayPointEigens& eigens);

// ----------------------------------------------------------------------------------------------
// profile.svg: the six components against normalised depth (0 at the node, 1 at the opposite
// skin) for one node, and beside it the mean profile over all nodes, on a common value axis.

struct PlotSeries {
    std::string title;             // panel title
    std::vector<double> fraction;  // x per sample point, 0..1
    std::vector<std::array<double, kComponentCount>> value;
};

// Nice axis ticks covering [lo, hi]: steps of 1, 2 or 5 times a power of ten, about `target`
// intervals. The first and last tick enclose the range. An empty or inverted range is widened
// around its value.
struct AxisTicks {
    double first = 0, step = 1;
    int count = 0;     // ticks first, first + step, ...
    int decimals = 0;  // digits after the point that show every tick exactly
};
AxisTicks niceTicks(double lo, double hi, int target);

// `panels` side by side (one or two). Throws CliError (file) when the file cannot be written.
void writeProfileSvg(const std::string& path, const std::string& title,
                     const std::vector<PlotSeries>& panels);

// ----------------------------------------------------------------------------------------------
// The files of an extraction (profiles.csv or profiles.csv.gz, profiles.vtu, profiles-rays.vtu,
// profile.svg) and the text the commands print about it.

// Writes the files into `folder` (created when missing) and returns their paths. The plot
// shows `plotNode` (a file node number; 0: the representative node) beside the mean over the
// wall rays (over all rays that crossed when none runs through a wall). A progress bar counts
// the files on a terminal. Throws CliError (usage) when plotNode has no profile, (file) when a
// file cannot be written.
//
// The files are replaced as a set (common/output_set.h): each is written to its temporary name,
// and only when all are complete are they renamed, in the order profiles.csv(.gz),
// profiles.vtu, profiles-rays.vtu, profile.svg. A failure before that leaves the folder as it
// was. After the renames the other form of the CSV (profiles.csv beside a new profiles.csv.gz,
// and the reverse; both with CsvForm::None), left by an earlier run, is removed, so that the
// folder never holds a table of another run. When Auto chooses gzip a note says so on stderr.

// Every path writeExtractionOutputs may write or remove in `folder`: profiles.csv,
// profiles.csv.gz, profiles.vtu, profiles-rays.vtu, profile.svg.
std::vector<std::string> extractionOutputPaths(const std::string& folder);

std::vector<std::string> writeExtractionOutputs(const ExtractionRun& run, const std::string& folder,
                                                long long plotNode,
                                                const OutputOptions& options = {});

// The date and time now as UTC ISO 8601 ("2026-12-05T21:40:16Z"), for OutputOptions::date;
// SOURCE_DATE_EPOCH (seconds since 1970), when set, stands for now, for reproducible files.
std::string utcTimestamp();

// Counts, thickness figures (over every ray that crossed, and over the wall rays with the count
// of rays along the wall), rays without a crossing and the time per stage.
void printExtractionSummary(std::FILE* out, const ExtractionRun& run);

// The through-thickness table of one profile: layer, depth and the six components.
void printProfileTable(std::FILE* out, const NodeProfile& profile);

}  // namespace qvr::cli

#endif
