// qvr import IN.msh OUT.nqb: a Gmsh mesh to the mesh format.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

#include "cli_support.h"
#include "command_files.h"
#include "commands.h"
#include "fiber_fields.h"
#include "gmsh_import.h"
#include "mesh_files.h"
#include "tensor_import.h"

namespace qvr::cli {

namespace {

struct ImportOptions {
    std::string in, out, unit = "mm", fiberOut, field = "skin-shell-core", tagMap;
    bool binary = false;
};

// The units the mesh format knows, and the metre, which it does not: a part drawn in metres is
// scaled to millimetres on import.
constexpr const char* kFormatUnits[] = {"mm", "cm", "inch", "um"};
constexpr const char* kMetre = "m";
constexpr double kMillimetresPerMetre = 1000.0;

void runImport(const ImportOptions& o) {
    const bool metres = o.unit == kMetre;
    if (!metres && std::find(std::begin(kFormatUnits), std::end(kFormatUnits), o.unit) ==
                       std::end(kFormatUnits))
        failUsage("--unit " + o.unit + ": not a unit of the mesh format (mm, cm, inch, um) nor m");
    const std::string tagMap = o.tagMap.empty() ? tagMapPathFor(o.out) : o.tagMap;
    checkDistinctFiles({{"IN_MSH", o.in}},
                       {{"OUT_NQB", o.out}, {"--fiber", o.fiberOut}, {"--tag-map", tagMap}});
    const std::string unit = metres ? "mm" : o.unit;
    StageClock clock;
    nqbio::MeshData mesh;
    GmshImportReport r;
    std::string error;
    if (!importGmshFile(o.in, unit, mesh, r, error)) failFile(error);
    if (metres && !gen::scale(mesh, kMillimetresPerMetre))
        failFile(o.in +
                 ": the part cannot be scaled from metres to millimetres (a coordinate or "
                 "cell volume would leave the float range)");
    clock.lap("import");
    writeMeshOrFail(o.out, mesh, o.binary);
    writeTagMap(tagMap, r.cellTags);
    clock.lap("write");
    double volume = 0.0;
    for (const nqbio::PartElement& e : mesh.parts) volume += e.volume;
    std::printf("read %s: MSH %s %s, %lld nodes, %lld elements ignored (points, lines, faces)\n",
                o.in.c_str(), r.version.c_str(), r.binary ? "binary" : "text", r.nodesInFile,
                r.ignoredElements);
    std::printf(
        "wrote %s (%s): %lld nodes, %lld cells (hex %lld, prism %lld, tet %lld, "
        "pyramid %lld), %lld skin faces, volume %.6g %s^3\n",
        o.out.c_str(), o.binary ? "binary" : "text", r.nodesKept,
        r.tets + r.pyramids + r.prisms + r.hexes, r.hexes, r.prisms, r.tets, r.pyramids,
        r.skinFaces, volume, unit.c_str());
    std::printf(
        "wrote %s: the Gmsh element tag of every cell (for import-results --keys gmsh-tags)\n",
        tagMap.c_str());
    if (r.reorientedCells > 0)
        std::printf("note: %lld cells were listed inside out and have been turned around\n",
                    r.reorientedCells);
    if (r.flatCells > 0)
        std::fprintf(stderr, "qvr: warning: %lld cells have no volume\n", r.flatCells);
    if (!o.fiberOut.empty()) {
        const gen::FiberSpec params =
            o.field == "affine" ? affineFiberField() : skinShellCoreThroughZ(mesh);
        writeResultOrFail(o.fiberOut, gen::makeFiberResult(mesh, params));
        std::printf("wrote %s: sample %s fibre field\n", o.fiberOut.c_str(), o.field.c_str());
    }
    std::printf("time: import %s, write %s\n", formatSeconds(clock.stages()[0].seconds).c_str(),
                formatSeconds(clock.stages()[1].seconds).c_str());
}

}  // namespace

void addImportCommand(CLI::App& app) {
    auto o = std::make_shared<ImportOptions>();
    CLI::App* cmd = app.add_subcommand(
        "import", "Convert a Gmsh mesh (MSH 2.2 or 4.1, text or binary) to the mesh format");
    cmd->add_option("IN_MSH", o->in, "Gmsh mesh file")->required();
    cmd->add_option("OUT_NQB", o->out, "mesh file to write")->required();
    cmd->add_option("--unit", o->unit,
                    "length unit of the Gmsh coordinates, written into the mesh "
                    "file (mm, cm, inch or um; m is scaled to mm)")
        ->capture_default_str();
    cmd->add_flag("--binary", o->binary, "write the binary encoding (default: text)");
    cmd->add_option("--fiber", o->fiberOut,
                    "also write a sample fibre-orientation result for the part (.k7t)");
    cmd->add_option("--field", o->field,
                    "sample field of --fiber: skin-shell-core (through the "
                    "part's z extent) or affine")
        ->check(CLI::IsMember({"skin-shell-core", "affine"}))
        ->capture_default_str();
    cmd->add_option("--tag-map", o->tagMap,
                    "where to write the Gmsh element tag of every cell (default: OUT_NQB with the "
                    "extension .tags.csv)");
    cmd->callback([o] { runImport(*o); });
}

}  // namespace qvr::cli
