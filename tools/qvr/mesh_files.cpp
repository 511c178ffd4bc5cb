#include "mesh_files.h"

#include <algorithm>

#include "CQVR3DResultReader_Manipulator.h"
#include "QVROptKer.h"
#include "cli_support.h"

namespace qvr::cli {

nqbio::MeshData readMeshOrFail(const std::string& path) {
    nqbio::MeshData mesh;
    std::string why;
    // The reader keeps its reason to itself; the host relays it in its one line.
    if (!nqbio::readMesh(path, mesh, &why, true))
        failFile(why.empty() ? path + ": cannot read the mesh" : why);
    return mesh;
}

void writeMeshOrFail(const std::string& path, const nqbio::MeshData& mesh, bool binary) {
    std::string why;
    const bool ok =
        binary ? nqbio::writeBinary(path, mesh, &why) : nqbio::writeText(path, mesh, &why);
    if (!ok) failFile(path + ": cannot write the mesh" + (why.empty() ? "" : ": " + why));
}

void writeResultOrFail(const std::string& path, const k7t::ResultFile& result) {
    std::string why;
    if (!k7t::write(path, result, &why))
        failFile(path + ": cannot write the results" + (why.empty() ? "" : ": " + why));
}

MeshSummary summarizeKernel(const CQVROptKer& kernel) {
    MeshSummary s;
    s.nodesInFile = kernel.m_nNodeInFile;
    s.nodes = kernel.m_nNode;
    s.skinFaces = kernel.m_nSurface;
    s.totalVolume = kernel.TotalVolume;
    for (int i = 1; i <= kernel.m_nInnerCell; ++i) {
        switch (kernel.p_Cell[i].nNode) {
            case 4: ++s.tets; break;
            case 5: ++s.pyramids; break;
            case 6: ++s.prisms; break;
            case 8: ++s.hexes; break;
            default: ++s.otherCells; break;
        }
    }
    return s;
}

std::string cellCountText(const MeshSummary& s) {
    std::string text;
    const auto add = [&text](const char* name, long long n) {
        if (n == 0) return;
        if (!text.empty()) text += ", ";
        text += std::string(name) + " " + std::to_string(n);
    };
    add("hex", s.hexes);
    add("prism", s.prisms);
    add("tet", s.tets);
    add("pyramid", s.pyramids);
    add("other", s.otherCells);
    return text.empty() ? "none" : text;
}

namespace {

constexpr int kLocationPerElement = 1;
constexpr std::size_t kHeaderTextBytes = k7t::kHeadTextBufferBytes;
constexpr std::size_t kItemTextBytes = k7t::kItemTextBufferBytes;

const char* beginReadingMeaning(int code) {
    switch (code) {
        case -1: return "cannot be opened or read";
        case -2: return "is not a result file";
        case -3: return "is damaged";
        case -4: return "is a text result file (binary .k7t expected)";
        default: return "cannot be read";
    }
}

}  // namespace

ResultFileReading::ResultFileReading(const std::string& path, const std::string& shownAs) {
    const int code = reader_.BeginReading(path.c_str(), nullptr);
    if (code != 0) {
        std::string text =
            (shownAs.empty() ? path : shownAs) + ": result file " + beginReadingMeaning(code);
        const std::string reason = reader_.GetLastError();
        if (!reason.empty()) text += ": " + reason;
        failFile(text);
    }
    ResultHeader& h = header_;
    h.resultVersion = reader_.GetResultVersion();
    char project[kHeaderTextBytes] = {}, run[kHeaderTextBytes] = {}, date[kHeaderTextBytes] = {};
    int itemCount = 0;
    reader_.GetHeadInfo(h.analysisType, h.solverVersion, project, run, date, h.timeSteps,
                        itemCount);
    h.project = project;
    h.run = run;
    h.date = date;
    h.nodeCount = reader_.GetMaxCavityNode();
    h.elemCount = reader_.GetMaxCavityElem();
    const std::size_t n = itemCount > 0 ? static_cast<std::size_t>(itemCount) : 0;
    std::vector<int> ids(n), locations(n);
    std::vector<std::vector<char>> nameStore(n, std::vector<char>(kItemTextBytes, '\0'));
    std::vector<std::vector<char>> unitStore(nameStore);
    std::vector<char*> names(n), units(n);
    for (std::size_t k = 0; k < n; ++k) {
        names[k] = nameStore[k].data();
        units[k] = unitStore[k].data();
    }
    reader_.GetResultItemInfo(ids.data(), names.data(), units.data(), locations.data());
    for (std::size_t k = 0; k < n; ++k)
        h.items.push_back({ids[k], locations[k], names[k], units[k]});
}

ResultFileReading::~ResultFileReading() { reader_.EndReading(); }

std::vector<float> ResultFileReading::itemValues(const ResultItemInfo& item) {
    const std::int64_t count =
        item.location == kLocationPerElement ? header_.elemCount : header_.nodeCount;
    // One-based, as the reader fills it; entry 0 is dropped below.
    std::vector<float> values(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)) + 1, 0.0f);
    reader_.GetResultItem(item.id, values.data());
    values.erase(values.begin());
    return values;
}

std::vector<double> ResultFileReading::fiberValues() {
    // The tool's component k is the file's item kFiberItemIds[kItemOfComponent[k]]: the file
    // lists a13 before a23, the tool a23 before a13.
    constexpr std::size_t kItemOfComponent[6] = {0, 1, 2, 3, 5, 4};
    const auto cells = static_cast<std::size_t>(std::max<std::int64_t>(header_.elemCount, 0));
    std::vector<double> values(6 * cells, 0.0);
    for (std::size_t k = 0; k < 6; ++k) {
        const ResultItemInfo item{k7t::kFiberItemIds[kItemOfComponent[k]], kLocationPerElement, "",
                                  ""};
        const std::vector<float> component = itemValues(item);
        for (std::size_t c = 0; c < cells; ++c) values[6 * c + k] = component[c];
    }
    return values;
}

ResultHeader readResultHeader(const std::string& path, const std::string& shownAs) {
    return ResultFileReading(path, shownAs).header();
}

void checkFiberResult(const ResultHeader& header, const MeshSummary& mesh,
                      const std::string& path) {
    if (header.elemCount != mesh.cells())
        failFile(path +
                 ": the results belong to another mesh: " + std::to_string(header.elemCount) +
                 " cavity elements, the mesh has " + std::to_string(mesh.cells()) + " cells");
    if (header.nodeCount != mesh.nodesInFile)
        failFile(path +
                 ": the results belong to another mesh: " + std::to_string(header.nodeCount) +
                 " cavity nodes, the mesh file has " + std::to_string(mesh.nodesInFile) + " nodes");
    std::string missing;
    for (int id : k7t::kFiberItemIds) {
        bool found = false;
        for (const ResultItemInfo& item : header.items)
            found = found || (item.id == id && item.location == kLocationPerElement);
        if (found) continue;
        if (!missing.empty()) missing += ' ';
        missing += std::to_string(id);
    }
    if (!missing.empty())
        failFile(path + ": no per-element fibre-orientation item with id " + missing);
}

}  // namespace qvr::cli
