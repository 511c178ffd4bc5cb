#include "format.h"

#include <cmath>
#include <cstdio>

namespace qvr::report {
namespace {

// Three significant digits.
std::string sig3(double v) {
    char buf[32];
    const double a = std::fabs(v);
    const char* fmt = a >= 100 ? "%.0f" : a >= 10 ? "%.1f" : "%.2f";
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

}  // namespace

std::string formatSeconds(double s) {
    if (!(s > 0) || !std::isfinite(s)) return "–";
    if (s < 1e-6) return sig3(s * 1e9) + " ns";
    if (s < 1e-3) return sig3(s * 1e6) + " µs";
    if (s < 1.0) return sig3(s * 1e3) + " ms";
    return sig3(s) + " s";
}

std::string formatRate(double r) {
    if (!(r > 0) || !std::isfinite(r)) return "–";
    if (r >= 1e9) return sig3(r / 1e9) + " G/s";
    if (r >= 1e6) return sig3(r / 1e6) + " M/s";
    if (r >= 1e3) return sig3(r / 1e3) + " k/s";
    return sig3(r) + " /s";
}

std::string formatRatio(double r) {
    if (!(r > 0) || !std::isfinite(r)) return "–";
    if (r >= 1000) return formatCount(std::round(r)) + "×";
    if (r < 0.1) {  // two decimals would print the index against a full scan as 0.00
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.2g", r);
        return std::string(buf) + "×";
    }
    return sig3(r) + "×";
}

std::string formatKiB(double kib) {
    if (kib < 0) return "–";
    if (kib == 0) return "0";
    if (kib < 1024) return sig3(kib) + " KiB";
    if (kib < 1024.0 * 1024) return sig3(kib / 1024) + " MiB";
    return sig3(kib / (1024.0 * 1024)) + " GiB";
}

std::string formatCount(double n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", n);
    std::string digits = buf, out;
    const std::size_t lead = digits[0] == '-' ? 1 : 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > lead && (digits.size() - i) % 3 == 0) out += "\u2009";
        out += digits[i];
    }
    return out;
}

}  // namespace qvr::report
