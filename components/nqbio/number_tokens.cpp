#include "number_tokens.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace nqbio {

namespace {

// The smallest double magnitude that rounds to infinity as a float: halfway between FLT_MAX
// and 2^128 (a tie goes to the even neighbour, which is infinity).
constexpr double kFloatOverflowThreshold = 0x1.ffffffp+127;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Drops a leading '+' that the C form allows and the library parser does not.
bool stripPlus(std::string_view& token, bool realNumber) {
    if (token.empty() || token.front() != '+') return true;
    token.remove_prefix(1);
    if (token.empty()) return false;
    return isDigit(token.front()) || (realNumber && token.front() == '.');
}

template <typename T>
bool parseWhole(std::string_view token, T& value, int base) {
    if (token.empty()) return false;
    const char* end = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(token.data(), end, value, base);
    return ec == std::errc() && ptr == end;
}

// For a token the double parser found out of range: true when its magnitude is huge (it
// would overflow), false when it is tiny. The decimal exponent of the leading digit decides;
// out-of-range values sit hundreds of decades away from 1, so an estimate is exact enough.
bool magnitudeIsHuge(std::string_view t) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    long long leading = 0;  // decimal exponent of the first non-zero digit, plus one
    bool seenNonZero = false;
    bool afterPoint = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (c == '.') {
            afterPoint = true;
            continue;
        }
        if (!isDigit(c)) break;
        if (!seenNonZero && c == '0') {
            if (afterPoint) --leading;
            continue;
        }
        if (!seenNonZero) seenNonZero = true;
        if (!afterPoint) ++leading;
    }
    long long exponent = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
        constexpr long long kSaturation = 1'000'000'000'000LL;
        for (; i < t.size() && isDigit(t[i]); ++i) {
            if (exponent < kSaturation) exponent = exponent * 10 + (t[i] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return leading + exponent > 0;
}

}  // namespace

bool parseInt32(std::string_view token, std::int32_t& value) {
    if (!stripPlus(token, false)) return false;
    return parseWhole(token, value, 10);
}

bool parseUnsigned32(std::string_view token, std::uint32_t& value) {
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        token.remove_prefix(2);
        // from_chars would take a sign here; the hex form has none.
        if (token.front() == '-' || token.front() == '+') return false;
        return parseWhole(token, value, 16);
    }
    if (!stripPlus(token, false)) return false;
    return parseWhole(token, value, 10);
}

RealStatus parseFloat(std::string_view token, float& value) {
    const std::string_view original = token;
    if (!stripPlus(token, true) || token.empty()) return RealStatus::NotANumber;
    // Only the decimal C form: from_chars also reads inf/nan words, refused below as
    // non-finite, and never reads hex floats in the general format.
    double d = 0.0;
    const char* end = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(token.data(), end, d, std::chars_format::general);
    if (ptr != end) return RealStatus::NotANumber;
    if (ec == std::errc::result_out_of_range) {
        if (magnitudeIsHuge(original)) return RealStatus::FloatOverflow;
        value = (token.front() == '-') ? -0.0f : 0.0f;
        return RealStatus::Ok;
    }
    if (ec != std::errc()) return RealStatus::NotANumber;
    if (!std::isfinite(d)) return RealStatus::NotFinite;
    if (std::fabs(d) >= kFloatOverflowThreshold) return RealStatus::FloatOverflow;
    if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) {
        constexpr float kMax = std::numeric_limits<float>::max();
        value = d > 0.0 ? kMax : -kMax;  // within half a step of the largest float
        return RealStatus::Ok;
    }
    value = static_cast<float>(d);
    return RealStatus::Ok;
}

int formatFloat(float value, char* out) {
    constexpr int kRoom = 32;
    // Nine significant digits always identify a float; the double-then-float reading of that
    // text is safe because nine digits sit far from the halfway points between floats.
    constexpr int kExactDigits = 9;
    auto shortest = std::to_chars(out, out + kRoom, value);
    float back = 0.0f;
    if (shortest.ec == std::errc() &&
        parseFloat(std::string_view(out, static_cast<std::size_t>(shortest.ptr - out)), back) ==
            RealStatus::Ok &&
        std::bit_cast<std::uint32_t>(back) == std::bit_cast<std::uint32_t>(value)) {
        return static_cast<int>(shortest.ptr - out);
    }
    auto exact = std::to_chars(out, out + kRoom, value, std::chars_format::general, kExactDigits);
    return static_cast<int>(exact.ptr - out);
}

}  // namespace nqbio
