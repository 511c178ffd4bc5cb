// qvr convert IN.nqb OUT.nqb --binary|--text: between the two encodings of the mesh format.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "cli_support.h"
#include "command_files.h"
#include "commands.h"
#include "mesh_files.h"

namespace qvr::cli {

namespace {

struct ConvertOptions {
    std::string in, out;
    bool binary = false, text = false;
};

void runConvert(const ConvertOptions& o) {
    checkDistinctFiles({{"IN_NQB", o.in}}, {{"OUT_NQB", o.out}});
    const nqbio::MeshData mesh = readMeshOrFail(o.in);
    writeMeshOrFail(o.out, mesh, o.binary);
    std::printf("wrote %s (%s): %d nodes, %zu cells, %zu surface elements\n", o.out.c_str(),
                o.binary ? "binary" : "text", mesh.nodeCount(), mesh.parts.size(),
                mesh.surfaces.size());
}

}  // namespace

void addConvertCommand(CLI::App& app) {
    auto o = std::make_shared<ConvertOptions>();
    CLI::App* cmd = app.add_subcommand("convert", "Rewrite a mesh file in the other encoding");
    cmd->add_option("IN_NQB", o->in, "mesh file to read")->required();
    cmd->add_option("OUT_NQB", o->out, "mesh file to write")->required();
    auto* binary = cmd->add_flag("--binary", o->binary, "write the binary encoding");
    auto* text = cmd->add_flag("--text", o->text, "write the text encoding");
    binary->excludes(text);
    text->excludes(binary);
    cmd->callback([o] {
        if (!o->binary && !o->text) failUsage("convert: give --binary or --text");
        runConvert(*o);
    });
}

}  // namespace qvr::cli
