// The mesh and result files the commands read and write: reading and writing with failures
// turned into CliError, the counts of a loaded mesh, and the checks a fibre result must pass.
#ifndef QVR_CLI_MESH_FILES_H
#define QVR_CLI_MESH_FILES_H

#include <cstdint>
#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"

class CQVROptKer;

namespace qvr::cli {

// ----------------------------------------------------------------------------------------------
// Mesh and result files read and written by the commands, with failures turned into CliError
// (file) carrying the reader's or writer's reason.

nqbio::MeshData readMeshOrFail(const std::string& path);

// How quietly the library refuses a mesh file for the host, which reports the reason in its one
// line (CQVROptKer::SetQuietReading): `extract` keeps the kernel's own "Error 3301" line on
// standard output, as it has always shown it, and silences only the reader's copy of the
// reason; `info` has never shown the kernel's line and silences both.
constexpr int kQuietMeshReader = 1;
constexpr int kSilentMeshRefusal = 2;
void writeMeshOrFail(const std::string& path, const nqbio::MeshData& mesh, bool binary);
void writeResultOrFail(const std::string& path, const k7t::ResultFile& result);

// ----------------------------------------------------------------------------------------------
// Counts of a mesh as the kernel loads it: cells per type, nodes and skin faces.

struct MeshSummary {
    long long nodesInFile = 0, nodes = 0;  // nodes kept: those solid cells use
    long long tets = 0, pyramids = 0, prisms = 0, hexes = 0, otherCells = 0;
    long long skinFaces = 0;   // retained (kind 1, code not 13)
    double totalVolume = 0.0;  // mm^3
    long long cells() const { return tets + pyramids + prisms + hexes + otherCells; }
};

MeshSummary summarizeKernel(const CQVROptKer& kernel);

// "hex 1200, prism 300, tet 2400, pyramid 60" (types with no cells left out; "none" if empty).
std::string cellCountText(const MeshSummary& summary);

// ----------------------------------------------------------------------------------------------
// The header and item table of a result file, and the checks a fibre result must pass before
// the extraction tool reads it.

struct ResultItemInfo {
    int id = 0;
    int location = 0;  // 0 per cavity node, 1 per cavity element
    std::string name, unit;
};

struct ResultHeader {
    std::int64_t resultVersion = 0;
    int analysisType = 0, solverVersion = 0, timeSteps = 0;
    std::string project, run, date;
    std::int64_t nodeCount = 0, elemCount = 0;
    std::vector<ResultItemInfo> items;
};

// A result file opened once with the result reader: its header and item table, then the values
// of any item it holds, without opening the file again.
class ResultFileReading {
public:
    // Throws CliError (file) with the reader's reason. `shownAs` names the file in messages
    // (default: `path`).
    explicit ResultFileReading(const std::string& path, const std::string& shownAs = "");
    ~ResultFileReading();
    ResultFileReading(const ResultFileReading&) = delete;
    ResultFileReading& operator=(const ResultFileReading&) = delete;

    const ResultHeader& header() const { return header_; }
    // The values of an item of the header's table, one per cavity node or element by its
    // location, in file order.
    std::vector<float> itemValues(const ResultItemInfo& item);
    // The six fibre-orientation components per cell, six values per cell in the extraction
    // tool's order (a11 a22 a33 a12 a23 a13), as QVR3DExtractTool::SetFiberValues takes them.
    // Only after checkFiberResult has accepted the header: one value per cell for each item.
    std::vector<double> fiberValues();

private:
    CQVR3DResultReader_Manipulator reader_;
    ResultHeader header_;
};

// The header of a result file (a ResultFileReading's). Throws as that does.
ResultHeader readResultHeader(const std::string& path, const std::string& shownAs = "");

// Throws CliError (file) unless the file belongs to the mesh (its cavity holds the mesh file's
// nodes and the mesh's cells, so that no count from the file is trusted beyond the mesh) and has
// one value per cell for each of the six fibre-orientation items (ids 4, 5, 6, 9, 10, 11).
void checkFiberResult(const ResultHeader& header, const MeshSummary& mesh, const std::string& path);

}  // namespace qvr::cli

#endif
