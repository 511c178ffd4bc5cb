// qvr extract MESH RESULTS: profiles at the skin nodes of the user's own files.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "command_files.h"
#include "commands.h"
#include "extraction.h"
#include "output_writers.h"

namespace qvr::cli {

namespace {

struct ExtractOptions {
    std::string mesh, results;
    int layers = kDefaultLayers;
    std::string nodes = "all";
    std::string out = "qvr-extract";
    long long plotNode = 0;
    std::string thickness = "exact";
    int threads = 0;
    std::string csv = "auto";
    int digits = kDefaultCsvDigits;
    bool wide = false;
    bool asciiVtu = false;
};

void runExtract(const ExtractOptions& o) {
    ExtractRequest request;
    request.meshPath = o.mesh;
    request.resultPath = o.results;
    request.layers = o.layers;
    if (o.nodes != "all") request.nodesFile = o.nodes;
    request.mode = o.thickness == "centroid" ? ThicknessMode::CentroidPlane : ThicknessMode::Exact;
    request.threads = o.threads;
    request.plotNode = o.plotNode;
    std::vector<NamedFile> outputs;
    for (const std::string& path : extractionOutputPaths(o.out)) outputs.push_back({"--out", path});
    checkDistinctFiles({{"MESH", o.mesh}, {"RESULTS", o.results}, {"--nodes", request.nodesFile}},
                       outputs);
    ExtractionRun run = runExtraction(request);
    OutputOptions output;
    output.csv = o.csv == "plain"  ? CsvForm::Plain
                 : o.csv == "gz"   ? CsvForm::Gzip
                 : o.csv == "none" ? CsvForm::None
                                   : CsvForm::Auto;
    output.csvDigits = o.digits;
    output.wideCsv = o.wide;
    output.vtu = o.asciiVtu ? VtkEncoding::Ascii : VtkEncoding::CompressedBinary;
    output.date = utcTimestamp();
    StageClock outputClock;
    const std::vector<std::string> files = writeExtractionOutputs(run, o.out, o.plotNode, output);
    outputClock.lap("write outputs");
    run.stages.push_back(outputClock.stages().front());
    printExtractionSummary(stdout, run);
    const long shown = o.plotNode != 0 ? findProfileOfNode(run.profiles, o.plotNode)
                                       : findRepresentative(run.profiles);
    if (shown >= 0) {
        std::printf("\n");
        printProfileTable(stdout, run.profiles[static_cast<std::size_t>(shown)]);
    }
    std::printf("\nfiles written:\n");
    for (const std::string& f : files) {
        const bool packed = f.size() > 3 && f.compare(f.size() - 3, 3, ".gz") == 0;
        if (packed)
            std::printf("  %s (gzip-compressed CSV, %lld rows)\n", f.c_str(), csvRows(run, o.wide));
        else
            std::printf("  %s\n", f.c_str());
    }
}

}  // namespace

void addThreadsOption(CLI::App& cmd, int& threads) {
    cmd.add_option("--threads", threads,
                   "threads tracing the rays; 0: all cores (results are the same on any count)")
        ->check(CLI::Range(0, 4096))
        ->capture_default_str();
}

void addExtractCommand(CLI::App& app) {
    auto o = std::make_shared<ExtractOptions>();
    CLI::App* cmd = app.add_subcommand(
        "extract", "Through-thickness fibre-orientation profiles at the skin nodes of a mesh");
    cmd->add_option("MESH", o->mesh, "mesh file (.nqb, text or binary)")->required();
    cmd->add_option("RESULTS", o->results, "fibre-orientation result file (.k7t)")->required();
    cmd->add_option("--layers", o->layers,
                    "sample points per ray, from the node to the opposite skin")
        ->check(CLI::Range(2, 100000))
        ->capture_default_str();
    cmd->add_option("--nodes", o->nodes,
                    "'all' skin nodes, or a file listing node numbers of the mesh file")
        ->capture_default_str();
    cmd->add_option("--out", o->out, "output folder")->capture_default_str();
    cmd->add_option(
           "--plot-node", o->plotNode,
           "node (number in the mesh file) shown in profile.svg; default: the wall-ray node "
           "whose thickness is closest to the wall rays' median")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--thickness", o->thickness,
                    "exact: the first stretch of the ray inside the material; centroid: to the "
                    "centroid plane of the crossed skin face")
        ->check(CLI::IsMember({"exact", "centroid"}))
        ->capture_default_str();
    addThreadsOption(*cmd, o->threads);
    cmd->add_option("--csv", o->csv,
                    "profiles.csv as plain text, gzip-compressed (profiles.csv.gz) or none; "
                    "auto: plain up to a spreadsheet's 1048576 rows, gz beyond")
        ->check(CLI::IsMember({"auto", "plain", "gz", "none"}))
        ->capture_default_str();
    cmd->add_option("--digits", o->digits,
                    "significant digits of the CSV values; the default gives the shortest text "
                    "that reads back as the same single-precision value (0.04, not 0.0399999991)")
        ->check(CLI::Range(1, kMaxCsvDigits))
        ->capture_default_str();
    cmd->add_flag("--wide", o->wide, "CSV with one row per node and the layers as columns");
    cmd->add_flag("--ascii-vtu", o->asciiVtu,
                  "write the VTU files as ASCII text (default: zlib-compressed binary)");
    cmd->callback([o] { runExtract(*o); });
}

}  // namespace qvr::cli
