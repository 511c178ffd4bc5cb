// qvr info FILE: what a mesh or result file holds.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "NQBIO_Manipulator.h"
#include "QVROptKer.h"
#include "cli_support.h"
#include "command_files.h"
#include "commands.h"
#include "extraction.h"
#include "mesh_files.h"
#include "utf8_file_name.h"

namespace qvr::cli {

namespace {

enum class FileKind { Mesh, Result, Gmsh, Unknown };

// What the file holds, by its first bytes, or by the extension of the name the user gave.
FileKind sniff(const std::string& path, const std::string& shown) {
    std::FILE* f = qvr_file_names::openFile(path.c_str(), "rb");
    if (!f) failFile(shown + ": " + std::strerror(errno));
    char head[16] = {};
    const std::size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    const std::string text(head, n);
    if (text.rfind("K7TB", 0) == 0) return FileKind::Result;
    if (text.rfind("NQBB", 0) == 0 || text.rfind("NQBTEXT", 0) == 0) return FileKind::Mesh;
    if (text.rfind("$MeshFormat", 0) == 0) return FileKind::Gmsh;
    // Let the readers name what is wrong with a file that carries their extension.
    const auto endsWith = [&shown](const char* ext) {
        const std::size_t len = std::strlen(ext);
        return shown.size() >= len && shown.compare(shown.size() - len, len, ext) == 0;
    };
    if (endsWith(".k7t")) return FileKind::Result;
    if (endsWith(".nqb")) return FileKind::Mesh;
    return FileKind::Unknown;
}

void meshInfo(const std::string& shown, const std::string& path) {
    // The kernel reads the file once and tells what the header said. A refused file is told in
    // the host's one line alone, with the reader's reason.
    std::string name = path;
    CQVROptKer kernel;
    kernel.SetQuietReading(kSilentMeshRefusal);
    const int rc = kernel.ReadMeshData(name.data(), 0);
    if (rc != 1) {
        std::string why = kernel.GetLastErrorText();
        if (why.rfind(path, 0) == 0) why.replace(0, path.size(), shown);
        failFile(why.empty() ? shown + ": cannot read the mesh" : why);
    }
    const std::string unit = kernel.GetMeshUnitText();
    if (!nqbio::isKnownUnit(unit))
        std::fprintf(stderr,
                     "qvr: note: %s: unit \"%s\" is not one the mesh format knows (mm, cm, inch, "
                     "um); its lengths are read as millimetres\n",
                     shown.c_str(), unit.c_str());
    kernel.InitialzeSearch(1);
    const MeshSummary s = summarizeKernel(kernel);
    // A fresh kernel's format flag tells the encoding of the one file it loaded.
    std::printf("mesh file      %s (%s encoding, unit \"%s\")\n", shown.c_str(),
                kernel.m_bFormatFlag ? "binary" : "text", unit.c_str());
    std::printf("nodes          %lld in the file, %lld used by cells\n", s.nodesInFile, s.nodes);
    std::printf("cells          %lld: tetrahedra %lld, pyramids %lld, prisms %lld, hexahedra %lld",
                s.cells(), s.tets, s.pyramids, s.prisms, s.hexes);
    if (s.otherCells) std::printf(", other %lld", s.otherCells);
    std::printf("\nskin faces     %lld retained of %d surface elements\n", s.skinFaces,
                kernel.GetSurfaceCountInFile());
    // Without nodes the kernel's box is the empty one (1e30 .. -1e30) and its step is derived
    // from that: neither measures anything.
    const bool empty = s.nodes == 0;
    if (empty)
        std::printf("box            none (no nodes)\n");
    else
        std::printf("box            (%.6g, %.6g, %.6g) .. (%.6g, %.6g, %.6g) mm\n", kernel.Box_xMin,
                    kernel.Box_yMin, kernel.Box_zMin, kernel.Box_xMax, kernel.Box_yMax,
                    kernel.Box_zMax);
    std::printf("total volume   %.6g mm^3\n", kernel.TotalVolume);
    std::printf("avg thickness  %.6g mm (volume / half the skin area)\n", kernel.AverageThickness);
    if (empty)
        std::printf("min mesh size  none (no nodes)\n");
    else
        std::printf("min mesh size  %.6g mm (ray search step)\n", kernel.MinMesh);
}

// Smallest and largest value, NaN left out wherever it sits (nan when nothing else is there).
std::pair<double, double> valueRange(const std::vector<float>& values) {
    double lo = kNoValue, hi = kNoValue;
    for (const float v : values) {
        if (std::isnan(v)) continue;
        if (std::isnan(lo) || v < lo) lo = v;
        if (std::isnan(hi) || v > hi) hi = v;
    }
    return {lo, hi};
}

void resultInfo(const std::string& shown, const std::string& path) {
    ResultFileReading file(path, shown);
    const ResultHeader& h = file.header();
    std::printf("result file    %s\n", shown.c_str());
    std::printf("version        %lld, analysis type %d, solver version %d, time steps %d\n",
                static_cast<long long>(h.resultVersion), h.analysisType, h.solverVersion,
                h.timeSteps);
    std::printf("project        %s\nrun            %s\ndate           %s\n", h.project.c_str(),
                h.run.c_str(), h.date.c_str());
    std::printf("cavity         %lld nodes, %lld elements\n", static_cast<long long>(h.nodeCount),
                static_cast<long long>(h.elemCount));
    std::printf("items          %zu\n", h.items.size());
    std::printf("  %6s  %-8s  %10s  %12s  %12s  %-32s  %s\n", "id", "per", "values", "min", "max",
                "name", "unit");
    for (const ResultItemInfo& item : h.items) {
        const std::vector<float> values = file.itemValues(item);
        double lo = 0.0, hi = 0.0;
        if (!values.empty()) std::tie(lo, hi) = valueRange(values);
        std::printf("  %6d  %-8s  %10zu  %12.6g  %12.6g  %-32s  %s\n", item.id,
                    item.location == 0 ? "node" : "element", values.size(), lo, hi,
                    item.name.c_str(), item.unit.c_str());
    }
}

}  // namespace

void addInfoCommand(CLI::App& app) {
    auto file = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand("info", "Describe a mesh (.nqb) or result (.k7t) file");
    cmd->add_option("FILE", *file, "mesh or result file")->required();
    cmd->callback([file] {
        const StagedInput input(*file);  // a pipe is read once, then looked at as often as needed
        switch (sniff(input.path(), *file)) {
            case FileKind::Mesh: meshInfo(*file, input.path()); break;
            case FileKind::Result: resultInfo(*file, input.path()); break;
            case FileKind::Gmsh:
                failFile(*file + ": a Gmsh mesh; convert it first with `qvr import`");
            case FileKind::Unknown:
                failFile(*file + ": neither a mesh file (.nqb) nor a result file (.k7t)");
        }
    });
}

}  // namespace qvr::cli
