#include "svg_plot.h"

#include <algorithm>
#include <cmath>

#include "output_file.h"

namespace qvr::cli {

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
    const double width = kMarginLeft + nPanels * kPanelWidth + (nPanels - 1) * kGap + kLegendWidth + 30;
    const double height = kMarginTop + kPanelHeight + kMarginBottom;

    OutputFile out(path);
    out.printf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
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
        const auto py = [&](double v) { return bottom - (v - yMin) / (yMax - yMin) * kPanelHeight; };
        out.printf("  <g>\n    <text x=\"%.1f\" y=\"%.1f\" font-size=\"13\" text-anchor=\"middle\">%s</text>\n",
                   left + kPanelWidth / 2, top - 12, escapeXml(s.title).c_str());
        // Grid lines and ticks.
        for (int i = 0; i < yt.count; ++i) {
            const double v = yt.first + i * yt.step;
            out.printf("    <line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#e0e0e0\"/>\n",
                       left, py(v), left + kPanelWidth, py(v));
            out.printf("    <text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n", left - 6,
                       py(v) + 4, tickLabel(v, yt.decimals).c_str());
        }
        for (int i = 0; i < xt.count; ++i) {
            const double f = xt.first + i * xt.step;
            out.printf("    <line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#e0e0e0\"/>\n",
                       px(f), top, px(f), bottom);
            out.printf("    <text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n", px(f),
                       bottom + 18, tickLabel(f, xt.decimals).c_str());
        }
        out.printf("    <rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" "
                   "stroke=\"black\"/>\n", left, top, kPanelWidth, kPanelHeight);
        out.printf("    <text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">depth / thickness</text>\n",
                   left + kPanelWidth / 2, bottom + 40);
        out.printf("    <text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" "
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
            out.printf("    <polyline fill=\"none\" stroke=\"%s\" stroke-width=\"2\" points=\"%s\"/>\n",
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
        out.printf("    <line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
                   "stroke-width=\"2\"/>\n", legendLeft, y, legendLeft + 24, y, kColours[k]);
        out.printf("    <text x=\"%.1f\" y=\"%.1f\">%s</text>\n", legendLeft + 32, y + 4,
                   kComponentNames[k]);
    }
    out.write("  </g>\n</svg>\n");
    out.close();
}

}  // namespace qvr::cli
