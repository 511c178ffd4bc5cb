// Numbers as the CSV writes them: a chosen count of significant digits, and by default the
// shortest text that gives back the single-precision value the number came from.
//
// The fibre results and mesh coordinates are stored in single precision, so a value such as
// a12 = 0.04 reaches the host as 0.039999999105930328 (the float nearest 0.04). Printed with
// 9 or 10 significant digits that is 0.0399999991(1); the shortest text that reads back as
// the same float is 0.04. Hence:
//   digits <= 9 (default 9): the shortest text that reads back as the same float, when it has
//            at most `digits` significant digits (it never has more than 9); else the
//            value rounded to `digits` significant digits;
//   digits > 9: the value (a double) rounded to `digits` significant digits.
// Infinite and NaN values print as inf, -inf and nan.
#ifndef QVR_CLI_NUMBER_TEXT_H
#define QVR_CLI_NUMBER_TEXT_H

#include <cstddef>
#include <string>

namespace qvr::cli {

// Significant digits of the CSV's values when not chosen; enough for every float (and more
// than single-precision results hold), so no information is lost at the default.
constexpr int kDefaultCsvDigits = 9;
// Most significant digits a double has to give (17 give back every double).
constexpr int kMaxCsvDigits = 17;
// Room for any text formatSignificant writes.
constexpr std::size_t kNumberTextSize = 32;

// Writes the text into `out` (at least kNumberTextSize chars, not terminated) and returns its
// length. `digits` is clamped to 1..kMaxCsvDigits.
std::size_t formatSignificant(char* out, double value, int digits);
std::string significantText(double value, int digits);

}  // namespace qvr::cli

#endif
