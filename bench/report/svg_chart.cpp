#include "svg_chart.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace qvr::report {
namespace {

constexpr double kWidth = 1060, kHeight = 600;
constexpr double kLeft = 90, kRight = 400, kTop = 50, kBottom = 70;  // margins
constexpr double kLegendRow = 20;

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c != '`')
            out += c;
    }
    return out;
}

// A point of a line is filled; a point that stands alone is a ring, so that it stays apart from
// the lines' points where they meet.
std::string pointStyle(const std::string& colour, bool alone) {
    if (alone) return "fill=\"white\" stroke=\"" + colour + "\" stroke-width=\"1.5\"";
    return "fill=\"" + colour + "\"";
}

struct Decades {
    int low = 0, high = 1;
};

Decades span(const std::vector<double>& values) {
    double lo = 0, hi = 0;
    bool any = false;
    for (double v : values) {
        if (!(v > 0) || !std::isfinite(v)) continue;
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        any = true;
    }
    if (!any) return {};
    Decades d{static_cast<int>(std::floor(std::log10(lo))),
              static_cast<int>(std::ceil(std::log10(hi)))};
    if (d.high <= d.low) d.high = d.low + 1;
    return d;
}

}  // namespace

std::string renderSvg(const LogLogChart& chart) {
    // Only points that can be drawn decide the axes.
    const auto drawable = [](double x, double y) {
        return x > 0 && y > 0 && std::isfinite(x) && std::isfinite(y);
    };
    std::vector<double> xs, ys;
    for (const Series& s : chart.series)
        for (const auto& [x, y] : s.points) {
            if (!drawable(x, y)) continue;
            xs.push_back(x);
            ys.push_back(y);
        }
    const Decades dx = span(xs), dy = span(ys);
    const double plotW = kWidth - kLeft - kRight, plotH = kHeight - kTop - kBottom;
    const auto px = [&](double x) {
        return kLeft + plotW * (std::log10(x) - dx.low) / (dx.high - dx.low);
    };
    const auto py = [&](double y) {
        return kTop + plotH * (1.0 - (std::log10(y) - dy.low) / (dy.high - dy.low));
    };

    std::ostringstream o;
    o.precision(6);
    o << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\"" << kHeight
      << "\" viewBox=\"0 0 " << kWidth << ' ' << kHeight
      << "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    o << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    o << "<text x=\"" << kLeft + plotW / 2 << "\" y=\"24\" text-anchor=\"middle\" "
      << "font-size=\"15\">" << escape(chart.title) << "</text>\n";

    // Grid, ticks and labels at every decade, light lines at 2..9 within a decade.
    for (int e = dx.low; e <= dx.high; ++e) {
        const double x = px(std::pow(10.0, e));
        o << "<line x1=\"" << x << "\" y1=\"" << kTop << "\" x2=\"" << x << "\" y2=\""
          << kTop + plotH << "\" stroke=\"#ccc\"/>\n";
        o << "<text x=\"" << x << "\" y=\"" << kTop + plotH + 18 << "\" text-anchor=\"middle\">"
          << escape(chart.xLabel(std::pow(10.0, e))) << "</text>\n";
        for (int k = 2; k <= 9 && e < dx.high; ++k) {
            const double xm = px(k * std::pow(10.0, e));
            o << "<line x1=\"" << xm << "\" y1=\"" << kTop << "\" x2=\"" << xm << "\" y2=\""
              << kTop + plotH << "\" stroke=\"#eee\"/>\n";
        }
    }
    for (int e = dy.low; e <= dy.high; ++e) {
        const double y = py(std::pow(10.0, e));
        o << "<line x1=\"" << kLeft << "\" y1=\"" << y << "\" x2=\"" << kLeft + plotW << "\" y2=\""
          << y << "\" stroke=\"#ccc\"/>\n";
        o << "<text x=\"" << kLeft - 8 << "\" y=\"" << y + 4 << "\" text-anchor=\"end\">"
          << escape(chart.yLabel(std::pow(10.0, e))) << "</text>\n";
    }
    o << "<rect x=\"" << kLeft << "\" y=\"" << kTop << "\" width=\"" << plotW << "\" height=\""
      << plotH << "\" fill=\"none\" stroke=\"#333\"/>\n";
    o << "<text x=\"" << kLeft + plotW / 2 << "\" y=\"" << kHeight - 24
      << "\" text-anchor=\"middle\">" << escape(chart.xTitle) << "</text>\n";
    o << "<text transform=\"translate(22 " << kTop + plotH / 2
      << ") rotate(-90)\" text-anchor=\"middle\">" << escape(chart.yTitle) << "</text>\n";

    for (const Series& s : chart.series) {
        std::ostringstream path;
        path.precision(6);
        int n = 0;
        for (const auto& [x, y] : s.points) {
            if (!drawable(x, y)) continue;
            path << (n++ == 0 ? "M" : " L") << px(x) << ' ' << py(y);
            o << "<circle cx=\"" << px(x) << "\" cy=\"" << py(y) << "\" r=\"3\" "
              << pointStyle(s.colour, !s.joined) << "/>\n";
        }
        if (n < 2 || !s.joined) continue;
        o << "<path d=\"" << path.str() << "\" fill=\"none\" stroke=\"" << s.colour
          << "\" stroke-width=\"2\"";
        if (!s.dash.empty()) o << " stroke-dasharray=\"" << s.dash << "\"";
        o << "/>\n";
    }

    const double lx = kLeft + plotW + 20;
    double ly = kTop + 8;
    for (const LegendEntry& e : chart.legend) {
        if (e.point) {
            o << "<circle cx=\"" << lx + 14 << "\" cy=\"" << ly << "\" r=\"3\" "
              << pointStyle(e.colour, true) << "/>\n<text x=\"" << lx + 36 << "\" y=\"" << ly + 4
              << "\">" << escape(e.text) << "</text>\n";
            ly += kLegendRow;
            continue;
        }
        o << "<line x1=\"" << lx << "\" y1=\"" << ly << "\" x2=\"" << lx + 28 << "\" y2=\"" << ly
          << "\" stroke=\"" << e.colour << "\" stroke-width=\"2\"";
        if (!e.dash.empty()) o << " stroke-dasharray=\"" << e.dash << "\"";
        o << "/>\n<text x=\"" << lx + 36 << "\" y=\"" << ly + 4 << "\">" << escape(e.text)
          << "</text>\n";
        ly += kLegendRow;
    }
    o << "</svg>\n";
    return o.str();
}

}  // namespace qvr::report
