#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace qvr::cli {

namespace {

// Significant digits in a to_chars text: the digits of its mantissa without leading zeros,
// and without trailing zeros when it has no decimal point (1200 has two).
int significantDigits(const char* first, const char* last) {
    const char* const mantissaEnd = std::find(first, last, 'e');
    const bool hasPoint = std::find(first, mantissaEnd, '.') != mantissaEnd;
    int count = 0, trailingZeros = 0;
    bool leading = true;
    for (const char* c = first; c != mantissaEnd; ++c) {
        if (*c < '0' || *c > '9') continue;
        if (leading && *c == '0') continue;
        leading = false;
        ++count;
        trailingZeros = *c == '0' ? trailingZeros + 1 : 0;
    }
    if (!hasPoint) count -= trailingZeros;
    return std::max(count, 1);
}

}  // namespace

std::size_t formatSignificant(char* out, double value, int digits) {
    digits = std::clamp(digits, 1, kMaxCsvDigits);
    char* const last = out + kNumberTextSize;
    if (std::isnan(value)) {
        std::copy_n("nan", 3, out);
        return 3;
    }
    if (digits <= kDefaultCsvDigits && std::isfinite(value) &&
        std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max())) {
        const auto shortest = std::to_chars(out, last, static_cast<float>(value));
        if (significantDigits(out, shortest.ptr) <= digits)
            return static_cast<std::size_t>(shortest.ptr - out);
    }
    const auto done = std::to_chars(out, last, value, std::chars_format::general, digits);
    return static_cast<std::size_t>(done.ptr - out);
}

std::string significantText(double value, int digits) {
    char text[kNumberTextSize];
    return std::string(text, formatSignificant(text, value, digits));
}

}  // namespace qvr::cli
