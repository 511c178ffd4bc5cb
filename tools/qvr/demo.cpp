// qvr demo: a built-in part and fibre result, then exactly what `qvr extract` does.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "cli_support.h"
#include "commands.h"
#include "extraction.h"
#include "generator/PartGenerator.h"
#include "mesh_files.h"
#include "output_file.h"
#include "output_writers.h"

namespace qvr::cli {

namespace {

// The sample part: a 2.5 mm plate, 60 x 30 mm, with two ribs and a cut-out, four block layers
// through the thickness, all four cell kinds.
gen::PlateSpec demoPlate() {
    gen::PlateSpec params;
    params.lx = 60.0;
    params.ly = 30.0;
    params.thickness = 2.5;
    params.nx = 40;
    params.ny = 20;
    params.nz = 4;
    params.type = gen::CellType::Mixed;
    params.ribs = true;
    params.ribCount = 2;
    params.ribHeight = 6.0;
    params.ribWidth = 3.0;
    params.hole = true;
    return params;
}

void runDemo(const std::string& folder, int threads) {
    StageClock clock;
    const gen::PlateSpec params = demoPlate();
    const nqbio::MeshData mesh = gen::makePlate(params);
    gen::FiberSpec fiber;
    fiber.field = gen::FiberField::SkinShellCore;
    fiber.zBottom = 0.0;
    fiber.zTop = params.thickness;
    const k7t::ResultFile result = gen::makeFiberResult(mesh, fiber);
    clock.lap("generate");
    makeOutputFolder(folder);
    const std::string meshPath = folder + "/part.nqb";
    const std::string resultPath = folder + "/fiber.k7t";
    writeMeshOrFail(meshPath, mesh, false);
    writeResultOrFail(resultPath, result);
    clock.lap("write inputs");

    ExtractRequest request;
    request.meshPath = meshPath;
    request.resultPath = resultPath;
    request.threads = threads;
    ExtractionRun run = runExtraction(request);
    const auto inputStages = clock.stages();
    run.stages.insert(run.stages.begin(), inputStages.begin(), inputStages.end());
    // The node shown: on the underside, in plain plate between the ribs and clear of the
    // cut-out, where the ray crosses the plate square and meets the whole skin-shell-core
    // structure.
    const long shown = findProfileNear(run.profiles, 0.125 * params.lx, 0.5 * params.ly, 0.0);
    const long long shownNode =
        shown >= 0 ? run.profiles[static_cast<std::size_t>(shown)].fileNode : 0;
    StageClock outputClock;
    // No date in the files, and the inputs named as they sit beside the outputs: the demo's
    // files are the same on every run, machine and output folder.
    OutputOptions output;
    output.meshName = "part.nqb";
    output.resultName = "fiber.k7t";
    const std::vector<std::string> outputs = writeExtractionOutputs(run, folder, shownNode, output);
    outputClock.lap("write outputs");
    run.stages.push_back(outputClock.stages().front());

    std::printf(
        "qvr demo: ribbed plate with a cut-out, %g x %g mm, %g mm thick (%d block layers), "
        "ribs %g mm high; skin-shell-core fibre field\n\n",
        params.lx, params.ly, params.thickness, params.nz, params.ribHeight);
    printExtractionSummary(stdout, run);
    if (shown >= 0) {
        std::printf("\n");
        printProfileTable(stdout, run.profiles[static_cast<std::size_t>(shown)]);
    }
    std::printf("\nfiles written:\n  %s\n  %s\n", meshPath.c_str(), resultPath.c_str());
    for (const std::string& f : outputs) std::printf("  %s\n", f.c_str());
}

}  // namespace

void addDemoCommand(CLI::App& app) {
    auto folder = std::make_shared<std::string>("qvr-demo");
    auto threads = std::make_shared<int>(0);
    CLI::App* cmd = app.add_subcommand(
        "demo", "Generate a sample part and fibre result, then extract profiles as `extract` does");
    cmd->add_option("--out", *folder, "output folder")->capture_default_str();
    addThreadsOption(*cmd, *threads);
    cmd->callback([folder, threads] { runDemo(*folder, *threads); });
}

}  // namespace qvr::cli
