// qvr import-results MESH TENSORS OUT.k7t: fibre-orientation tensors per cell from another
// program (CSV, VTU, numpy) written as our result file for the mesh.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "cli_support.h"
#include "commands.h"
#include "mesh_files.h"
#include "tensor_import.h"

namespace qvr::cli {

namespace {

struct ImportResultsOptions {
    std::string mesh, tensors, out, keys = "cells", tagMap;
};

void runImportResults(const ImportResultsOptions& o) {
    StageClock clock;
    const nqbio::MeshData mesh = readMeshOrFail(o.mesh);
    const long long cells = static_cast<long long>(mesh.parts.size());
    if (cells == 0) failFile(o.mesh + ": the mesh has no solid cells");
    const CellTensors tensors = readCellTensors(o.tensors);
    std::unordered_map<long long, long long> tags;
    const bool byTag = o.keys == "gmsh-tags";
    const std::string tagMap = o.tagMap.empty() ? tagMapPathFor(o.mesh) : o.tagMap;
    if (byTag) tags = readTagMap(tagMap);
    clock.lap("read");
    const k7t::ResultFile result =
        tensorsToResult(tensors, cells, mesh.nodeCount(), byTag ? &tags : nullptr, o.tensors);
    writeResultOrFail(o.out, result);
    clock.lap("write");
    std::printf("read %s: %zu tensors%s\n", o.tensors.c_str(), tensors.values.size(),
                !tensors.keyed ? " in cell order"
                : byTag        ? (" keyed by Gmsh element tag (" + tagMap + ")").c_str()
                               : " keyed by cell number");
    std::printf("wrote %s: fibre orientation of %lld cells (a11 a22 a33 a12 a13 a23 per cell)\n",
                o.out.c_str(), cells);
    std::printf("time: read %s, write %s\n", formatSeconds(clock.stages()[0].seconds).c_str(),
                formatSeconds(clock.stages()[1].seconds).c_str());
}

}  // namespace

void addImportResultsCommand(CLI::App& app) {
    auto o = std::make_shared<ImportResultsOptions>();
    CLI::App* cmd = app.add_subcommand(
        "import-results",
        "Write a result file from per-cell fibre-orientation tensors (CSV, VTU, .npy, .npz)");
    cmd->add_option("MESH", o->mesh, "the mesh the tensors belong to (.nqb)")->required();
    cmd->add_option(
           "TENSORS", o->tensors,
           "per-cell tensors a11 a22 a33 a12 a23 a13: .csv, .vtu (cell data), .npy or .npz")
        ->required();
    cmd->add_option("OUT_K7T", o->out, "result file to write")->required();
    cmd->add_option("--keys", o->keys,
                    "what the tensors' keys are: cells (the mesh's cell numbers) or gmsh-tags (the "
                    "element tags of the Gmsh file `qvr import` read)")
        ->check(CLI::IsMember({"cells", "gmsh-tags"}))
        ->capture_default_str();
    cmd->add_option("--tag-map", o->tagMap,
                    "tag map of --keys gmsh-tags (default: MESH with the extension .tags.csv, as "
                    "`qvr import` writes it)");
    cmd->callback([o] { runImportResults(*o); });
}

}  // namespace qvr::cli
