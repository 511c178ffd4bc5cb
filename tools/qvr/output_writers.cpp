#include "output_writers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "cli_support.h"
#include "common/output_set.h"
#include "output_file.h"

namespace qvr::cli {

ThicknessStats thicknessStats(const std::vector<NodeProfile>& profiles, bool wallOnly) {
    std::vector<double> t;
    for (const NodeProfile& p : profiles)
        if (p.crossed && (p.wall || !wallOnly)) t.push_back(p.thickness);
    ThicknessStats s;
    s.count = static_cast<long long>(t.size());
    if (t.empty()) return s;
    std::sort(t.begin(), t.end());
    s.min = t.front();
    s.max = t.back();
    const std::size_t mid = t.size() / 2;
    s.median = t.size() % 2 ? t[mid] : 0.5 * (t[mid - 1] + t[mid]);
    for (double v : t)
        if (v < kCollapsedThicknessMm) ++s.collapsed;
    return s;
}

long findRepresentative(const std::vector<NodeProfile>& profiles) {
    const bool wallOnly = thicknessStats(profiles, true).count > 0;
    const ThicknessStats s = thicknessStats(profiles, wallOnly);
    long best = -1;
    double bestGap = 0.0;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const NodeProfile& p = profiles[i];
        if (!p.crossed || (wallOnly && !p.wall)) continue;
        const double gap = std::fabs(p.thickness - s.median);
        if (best < 0 || gap < bestGap ||
            (gap == bestGap && p.fileNode < profiles[static_cast<std::size_t>(best)].fileNode)) {
            best = static_cast<long>(i);
            bestGap = gap;
        }
    }
    return best;
}

long findProfileNear(const std::vector<NodeProfile>& profiles, double x, double y, double z) {
    long best = -1;
    double bestD2 = 0.0;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const NodeProfile& p = profiles[i];
        if (!p.crossed) continue;
        const double d2 = (p.x - x) * (p.x - x) + (p.y - y) * (p.y - y) + (p.z - z) * (p.z - z);
        if (best < 0 || d2 < bestD2 ||
            (d2 == bestD2 && p.fileNode < profiles[static_cast<std::size_t>(best)].fileNode)) {
            best = static_cast<long>(i);
            bestD2 = d2;
        }
    }
    return best;
}

long findProfileOfNode(const std::vector<NodeProfile>& profiles, long long fileNode) {
    for (std::size_t i = 0; i < profiles.size(); ++i)
        if (profiles[i].fileNode == fileNode) return static_cast<long>(i);
    return -1;
}

MeanProfile meanProfile(const std::vector<NodeProfile>& profiles, int layers, bool wallOnly) {
    MeanProfile m;
    m.wallOnly = wallOnly;
    const std::size_t n = layers > 0 ? static_cast<std::size_t>(layers) : 0;
    m.fraction.resize(n);
    m.mean.assign(n, {});
    for (std::size_t j = 0; j < n; ++j)
        m.fraction[j] = n > 1 ? static_cast<double>(j) / static_cast<double>(n - 1) : 0.0;
    // Points without a value (kNoValue) are left out of their point's mean.
    std::vector<long long> valued(n, 0);
    for (const NodeProfile& p : profiles) {
        if (!p.crossed || p.value.size() != n || (wallOnly && !p.wall)) continue;
        ++m.nodes;
        for (std::size_t j = 0; j < n; ++j) {
            if (std::isnan(p.value[j][0])) continue;
            ++valued[j];
            for (std::size_t k = 0; k < kComponentCount; ++k) m.mean[j][k] += p.value[j][k];
        }
    }
    if (m.nodes > 0)
        for (std::size_t j = 0; j < n; ++j)
            for (double& v : m.mean[j])
                v = valued[j] > 0 ? v / static_cast<double>(valued[j]) : kNoValue;
    return m;
}

namespace {

// Page layout in SVG user units (pixels).
constexpr double kPanelWidth = 380, kPanelHeight = 300;
constexpr double kMarginLeft = 70, kMarginTop = 70, kGap = 90, kMarginBottom = 60;
constexpr double kLegendWidth = 120;
constexpr int kTickTarget = 5;
const char* const kColours[kComponentCount] = {"#1f77b4", "#ff7f0e", "#2ca02c",
                                               "#d62728", "#9467bd", "#8c564b"};

std::string escapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string tickLabel(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    if (std::string(text).find_first_not_of("-0.") == std::string::npos) return "0";
    return text;
}

}  // namespace

AxisTicks niceTicks(double lo, double hi, int target) {
    if (!(hi > lo)) {
        const double pad = std::fabs(lo) > 0 ? 0.5 * std::fabs(lo) : 0.5;
        lo -= pad;
        hi += pad;
    }
    const double raw = (hi - lo) / std::max(1, target);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10.0 * power;
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) {
            step = m * power;
            break;
        }
    AxisTicks t;
    t.step = step;
    const double firstIndex = std::floor(lo / step + 1e-9);
    const double lastIndex = std::ceil(hi / step - 1e-9);
    t.first = firstIndex * step;
    t.count = static_cast<int>(lastIndex - firstIndex) + 1;
    t.decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    return t;
}

void writeProfileSvg(const std::string& path, const std::string& title,
                     const std::vector<PlotSeries>& panels) {
    double lo = 0.0, hi = 0.0;
    bool any = false;
    for (const PlotSeries& s : panels)
        for (const auto& row : s.value)
            for (double v : row) {
                if (!std::isfinite(v)) continue;
                lo = any ? std::min(lo, v) : v;
                hi = any ? std::max(hi, v) : v;
                any = true;
            }
    const AxisTicks yt = niceTicks(lo, hi, kTickTarget);
    const AxisTicks xt = niceTicks(0.0, 1.0, kTickTarget);
    const double yMin = yt.first, yMax = yt.first + yt.step * (yt.count - 1);
    const std::size_t nPanels = std::max<std::size_t>(panels.size(), 1);
    const double width =
        kMarginLeft + nPanels * kPanelWidth + (nPanels - 1) * kGap + kLegendWidth + 30;
    const double height = kMarginTop + kPanelHeight + kMarginBottom;

    OutputFile out(path);
    out.printf(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
        "viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" font-size=\"12\">\n",
        width, height, width, height);
    out.printf("  <rect x=\"0\" y=\"0\" width=\"%.0f\" height=\"%.0f\" fill=\"white\"/>\n", width,
               height);
    out.printf("  <text x=\"%.1f\" y=\"28\" font-size=\"16\" text-anchor=\"middle\">%s</text>\n",
               width / 2, escapeXml(title).c_str());

    for (std::size_t p = 0; p < panels.size(); ++p) {
        const PlotSeries& s = panels[p];
        const double left = kMarginLeft + p * (kPanelWidth + kGap);
        const double top = kMarginTop, bottom = top + kPanelHeight;
        const auto px = [&](double f) { return left + f * kPanelWidth; };
        const auto py = [&](double v) {
            return bottom - (v - yMin) / (yMax - yMin) * kPanelHeight;
        };
        out.printf(
            "  <g>\n    <text x=\"%.1f\" y=\"%.1f\" font-size=\"13\" "
            "text-anchor=\"middle\">%s</text>\n",
            left + kPanelWidth / 2, top - 12, escapeXml(s.title).c_str());
        // Grid lines and ticks.
        for (int i = 0; i < yt.count; ++i) {
            const double v = yt.first + i * yt.step;
            out.printf(
                "    <line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#e0e0e0\"/>\n",
                left, py(v), left + kPanelWidth, py(v));
            out.printf("    <text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n", left - 6,
                       py(v) + 4, tickLabel(v, yt.decimals).c_str());
        }
        for (int i = 0; i < xt.count; ++i) {
            const double f = xt.first + i * xt.step;
            out.printf(
                "    <line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#e0e0e0\"/>\n",
                px(f), top, px(f), bottom);
            out.printf("    <text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n", px(f),
                       bottom + 18, tickLabel(f, xt.decimals).c_str());
        }
        out.printf(
            "    <rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" "
            "stroke=\"black\"/>\n",
            left, top, kPanelWidth, kPanelHeight);
        out.printf(
            "    <text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">depth / thickness</text>\n",
            left + kPanelWidth / 2, bottom + 40);
        out.printf(
            "    <text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" "
            "transform=\"rotate(-90 %.1f %.1f)\">component value</text>\n",
            left - 48, top + kPanelHeight / 2, left - 48, top + kPanelHeight / 2);
        if (s.value.empty())
            out.printf("    <text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">no profile</text>\n",
                       left + kPanelWidth / 2, top + kPanelHeight / 2);
        for (int k = 0; k < kComponentCount; ++k) {
            std::string points;
            char pair[64];
            for (std::size_t j = 0; j < s.value.size() && j < s.fraction.size(); ++j) {
                const double v = s.value[j][static_cast<std::size_t>(k)];
                if (!std::isfinite(v)) continue;
                std::snprintf(pair, sizeof pair, "%s%.2f,%.2f", points.empty() ? "" : " ",
                              px(s.fraction[j]), py(v));
                points += pair;
            }
            if (points.empty()) continue;
            out.printf(
                "    <polyline fill=\"none\" stroke=\"%s\" stroke-width=\"2\" points=\"%s\"/>\n",
                kColours[k], points.c_str());
            for (std::size_t j = 0; j < s.value.size() && j < s.fraction.size(); ++j) {
                const double v = s.value[j][static_cast<std::size_t>(k)];
                if (std::isfinite(v))
                    out.printf("    <circle cx=\"%.2f\" cy=\"%.2f\" r=\"2.5\" fill=\"%s\"/>\n",
                               px(s.fraction[j]), py(v), kColours[k]);
            }
        }
        out.write("  </g>\n");
    }
    const double legendLeft = kMarginLeft + nPanels * kPanelWidth + (nPanels - 1) * kGap + 30;
    out.write("  <g>\n");
    for (int k = 0; k < kComponentCount; ++k) {
        const double y = kMarginTop + 10 + 22 * k;
        out.printf(
            "    <line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
            "stroke-width=\"2\"/>\n",
            legendLeft, y, legendLeft + 24, y, kColours[k]);
        out.printf("    <text x=\"%.1f\" y=\"%.1f\">%s</text>\n", legendLeft + 32, y + 4,
                   kComponentNames[k]);
    }
    out.write("  </g>\n</svg>\n");
    out.close();
}

namespace {
constexpr const char* kCsvName = "/profiles.csv";
constexpr const char* kGzipSuffix = ".gz";
}  // namespace

std::vector<std::string> extractionOutputPaths(const std::string& folder) {
    return {folder + kCsvName, folder + kCsvName + kGzipSuffix, folder + "/profiles.vtu",
            folder + "/profiles-rays.vtu", folder + "/profile.svg"};
}

std::vector<std::string> writeExtractionOutputs(const ExtractionRun& run, const std::string& folder,
                                                long long plotNode, const OutputOptions& options) {
    long plotted = -1;
    if (plotNode != 0) {
        plotted = findProfileOfNode(run.profiles, plotNode);
        if (plotted < 0)
            failUsage("--plot-node " + std::to_string(plotNode) +
                      ": no profile was extracted at that node");
        if (!run.profiles[static_cast<std::size_t>(plotted)].crossed)
            failUsage("--plot-node " + std::to_string(plotNode) +
                      ": the ray at that node found no opposite skin");
    } else {
        plotted = findRepresentative(run.profiles);
    }
    makeOutputFolder(folder);
    const std::string plainCsv = folder + kCsvName;
    const std::string gzipCsv = plainCsv + kGzipSuffix;
    OutputOptions chosen = options;
    const long long rows = csvRows(run, options.wideCsv);
    chosen.csv = resolveCsvForm(options.csv, rows);
    if (options.csv == CsvForm::Auto && chosen.csv == CsvForm::Gzip) {
        std::fprintf(stderr,
                     "qvr: note: profiles.csv has %lld rows, more than a spreadsheet shows "
                     "(%lld): written gzip-compressed as profiles.csv.gz, which pandas and numpy "
                     "read directly (--csv plain for text)\n",
                     rows, kSpreadsheetRows);
        std::fflush(stderr);
    }

    std::vector<std::string> files;
    common::OutputSet set;
    const OutputSetScope deferRenames(set);
    ProgressBar bar("writing", chosen.csv == CsvForm::None ? 3 : 4);
    if (chosen.csv != CsvForm::None) {
        files.push_back(chosen.csv == CsvForm::Gzip ? gzipCsv : plainCsv);
        writeProfilesCsv(files.back(), run, chosen);
        bar.update(1);
    }
    if (chosen.csv != CsvForm::Plain) set.retire(plainCsv);
    if (chosen.csv != CsvForm::Gzip) set.retire(gzipCsv);
    const RayPointEigens eigens = rayPointEigens(run);
    files.push_back(folder + "/profiles.vtu");
    writeProfilesVtu(files.back(), run, chosen, eigens);
    bar.update(static_cast<long long>(files.size()));
    files.push_back(folder + "/profiles-rays.vtu");
    writeRaysVtu(files.back(), run, chosen, eigens);
    bar.update(static_cast<long long>(files.size()));

    std::vector<PlotSeries> panels(2);
    const bool wallOnly = thicknessStats(run.profiles, true).count > 0;
    const MeanProfile mean = meanProfile(run.profiles, run.layers, wallOnly);
    if (plotted >= 0) {
        const NodeProfile& p = run.profiles[static_cast<std::size_t>(plotted)];
        char title[128];
        std::snprintf(title, sizeof title, "node %d (thickness %.3g mm%s)", p.fileNode, p.thickness,
                      p.wall ? "" : ", along the wall");
        panels[0].title = title;
        panels[0].fraction = mean.fraction;
        panels[0].value = p.value;
    } else {
        panels[0].title = "no ray found the opposite skin";
    }
    panels[1].title =
        "mean over " + std::to_string(mean.nodes) + (wallOnly ? " wall rays" : " nodes");
    if (mean.nodes > 0) {
        panels[1].fraction = mean.fraction;
        panels[1].value = mean.mean;
    }
    files.push_back(folder + "/profile.svg");
    writeProfileSvg(files.back(), "Fibre orientation through the thickness", panels);
    std::string reason;
    if (!set.publish(reason)) failFile(reason);
    bar.finish();
    return files;
}

std::string utcTimestamp() {
    std::time_t now = std::time(nullptr);
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH"); fixed != nullptr && *fixed != '\0') {
        char* end = nullptr;
        const long long seconds = std::strtoll(fixed, &end, 10);
        if (*end == '\0' && seconds >= 0) now = static_cast<std::time_t>(seconds);
    }
    const std::tm* utc = std::gmtime(&now);  // the host calls it from one thread only
    if (utc == nullptr) return "";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", utc);
    return text;
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
    const ThicknessStats w = thicknessStats(run.profiles, true);
    std::fprintf(out, "wall rays   %lld through the wall", w.count);
    if (w.count > 0)
        std::fprintf(out, ": min %.4g, median %.4g, max %.4g mm", w.min, w.median, w.max);
    std::fprintf(out, "; %lld along the wall (side faces, rims, edges)\n", t.count - w.count);
    std::fprintf(out, "time       ");
    double total = 0.0;
    for (const StageTime& s : run.stages) {
        std::fprintf(out, " %s %s,", s.name.c_str(), formatSeconds(s.seconds).c_str());
        total += s.seconds;
    }
    std::fprintf(out, " total %s\n", formatSeconds(total).c_str());
}

void printProfileTable(std::FILE* out, const NodeProfile& p) {
    std::fprintf(out,
                 "node %d at (%.4g, %.4g, %.4g) mm, ray (%.3f, %.3f, %.3f), thickness %.4g mm\n",
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
