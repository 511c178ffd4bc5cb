#include "extraction_outputs.h"

#include "cli_error.h"
#include "csv_writer.h"
#include "output_file.h"
#include "profile_stats.h"
#include "svg_plot.h"
#include "vtu_writer.h"

namespace qvr::cli {

std::vector<std::string> writeExtractionOutputs(const ExtractionRun& run, const std::string& folder,
                                                long long plotNode) {
    long plotted = -1;
    if (plotNode != 0) {
        plotted = findProfileOfNode(run.profiles, plotNode);
        if (plotted < 0)
            failUsage("--plot-node " + std::to_string(plotNode) + ": no profile was extracted at that node");
        if (!run.profiles[static_cast<std::size_t>(plotted)].crossed)
            failUsage("--plot-node " + std::to_string(plotNode) +
                      ": the ray at that node found no opposite skin");
    } else {
        plotted = findRepresentative(run.profiles);
    }
    makeOutputFolder(folder);
    const std::string csv = folder + "/profiles.csv";
    const std::string vtu = folder + "/profiles.vtu";
    const std::string svg = folder + "/profile.svg";
    writeProfilesCsv(csv, run);
    writeProfilesVtu(vtu, run);

    std::vector<PlotSeries> panels(2);
    const MeanProfile mean = meanProfile(run.profiles, run.layers);
    if (plotted >= 0) {
        const NodeProfile& p = run.profiles[static_cast<std::size_t>(plotted)];
        char title[128];
        std::snprintf(title, sizeof title, "node %d (thickness %.3g mm)", p.fileNode, p.thickness);
        panels[0].title = title;
        panels[0].fraction = mean.fraction;
        panels[0].value = p.value;
    } else {
        panels[0].title = "no ray found the opposite skin";
    }
    panels[1].title = "mean over " + std::to_string(mean.nodes) + " nodes";
    if (mean.nodes > 0) {
        panels[1].fraction = mean.fraction;
        panels[1].value = mean.mean;
    }
    writeProfileSvg(svg, "Fibre orientation through the thickness", panels);
    return {csv, vtu, svg};
}

void printExtractionSummary(std::FILE* out, const ExtractionRun& run) {
    const ThicknessStats t = thicknessStats(run.profiles);
    std::fprintf(out, "mesh        %s: %lld nodes, %lld cells (%s), %lld skin faces\n",
                 run.meshPath.c_str(), run.mesh.nodes, run.mesh.cells(),
                 cellCountText(run.mesh).c_str(), run.mesh.skinFaces);
    std::fprintf(out, "results     %s\n", run.resultPath.c_str());
    std::fprintf(out, "skin nodes  %lld (%zu extracted, %d sample points each)\n", run.skinNodes,
                 run.profiles.size(), run.layers);
    std::fprintf(out, "thickness   %s mode: ", thicknessModeName(run.mode));
    if (t.count > 0)
        std::fprintf(out, "min %.4g, median %.4g, max %.4g mm", t.min, t.median, t.max);
    else
        std::fprintf(out, "no ray found the opposite skin");
    std::fprintf(out, "; rays with no crossing %lld; thinner than %g mm %lld\n",
                 run.raysWithoutCrossing, kCollapsedThicknessMm, t.collapsed);
    std::fprintf(out, "time       ");
    double total = 0.0;
    for (const StageTime& s : run.stages) {
        std::fprintf(out, " %s %s,", s.name.c_str(), formatSeconds(s.seconds).c_str());
        total += s.seconds;
    }
    std::fprintf(out, " total %s\n", formatSeconds(total).c_str());
}

void printProfileTable(std::FILE* out, const NodeProfile& p) {
    std::fprintf(out, "node %d at (%.4g, %.4g, %.4g) mm, ray (%.3f, %.3f, %.3f), thickness %.4g mm\n",
                 p.fileNode, p.x, p.y, p.z, p.dx, p.dy, p.dz, p.thickness);
    std::fprintf(out, "  layer  depth/mm");
    for (const char* name : kComponentNames) std::fprintf(out, " %8s", name);
    std::fprintf(out, "\n");
    for (std::size_t j = 0; j < p.depth.size(); ++j) {
        std::fprintf(out, "  %5zu  %8.4f", j + 1, p.depth[j]);
        for (double v : p.value[j]) std::fprintf(out, " %8.4f", v);
        std::fprintf(out, "\n");
    }
}

}  // namespace qvr::cli
