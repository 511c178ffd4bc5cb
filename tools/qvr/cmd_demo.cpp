// qvr demo: a built-in part and fibre result, then exactly what `qvr extract` does.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "commands.h"
#include "extraction_outputs.h"
#include "extraction_pipeline.h"
#include "generator/PartGenerator.h"
#include "mesh_io.h"
#include "output_file.h"
#include "profile_stats.h"
#include "timing.h"

namespace qvr::cli {

namespace {

// The sample part: a 2.5 mm plate, 60 x 30 mm, with two ribs and a cut-out, four block layers
// through the thickness, all four cell kinds.
gen::PlateSpec demoPlate() {
    gen::PlateSpec spec;
    spec.lx = 60.0;
    spec.ly = 30.0;
    spec.thickness = 2.5;
    spec.nx = 40;
    spec.ny = 20;
    spec.nz = 4;
    spec.type = gen::CellType::Mixed;
    spec.ribs = true;
    spec.ribCount = 2;
    spec.ribHeight = 6.0;
    spec.ribWidth = 3.0;
    spec.hole = true;
    return spec;
}

void runDemo(const std::string& folder) {
    StageClock clock;
    const gen::PlateSpec spec = demoPlate();
    const nqbio::MeshData mesh = gen::makePlate(spec);
    gen::FiberSpec fiber;
    fiber.field = gen::FiberField::SkinShellCore;
    fiber.zBottom = 0.0;
    fiber.zTop = spec.thickness;
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
    ExtractionRun run = runExtraction(request);
    const auto inputStages = clock.stages();
    run.stages.insert(run.stages.begin(), inputStages.begin(), inputStages.end());
    // The node shown: on the underside, in plain plate between the ribs and clear of the
    // cut-out, where the ray crosses the plate square and meets the whole skin-shell-core
    // structure.
    const long shown = findProfileNear(run.profiles, 0.125 * spec.lx, 0.5 * spec.ly, 0.0);
    const long long shownNode = shown >= 0 ? run.profiles[static_cast<std::size_t>(shown)].fileNode : 0;
    StageClock outputClock;
    const std::vector<std::string> outputs = writeExtractionOutputs(run, folder, shownNode);
    outputClock.lap("write outputs");
    run.stages.push_back(outputClock.stages().front());

    std::printf("qvr demo: ribbed plate with a cut-out, %g x %g mm, %g mm thick (%d block layers), "
                "ribs %g mm high; skin-shell-core fibre field\n\n",
                spec.lx, spec.ly, spec.thickness, spec.nz, spec.ribHeight);
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
    CLI::App* cmd = app.add_subcommand(
        "demo", "Generate a sample part and fibre result, then extract profiles as `extract` does");
    cmd->add_option("--out", *folder, "output folder")->capture_default_str();
    cmd->callback([folder] { runDemo(*folder); });
}

}  // namespace qvr::cli
