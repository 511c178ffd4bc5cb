// Numbers of the text encoding: one token in, one value out, nothing allocated.
#ifndef NQBIO_NUMBER_TOKENS_H
#define NQBIO_NUMBER_TOKENS_H

#include <cstdint>
#include <string_view>

namespace nqbio {

enum class RealStatus { Ok, NotANumber, NotFinite, FloatOverflow };

// Decimal with an optional sign, within 32-bit signed range. The whole token must match.
bool parseInt32(std::string_view token, std::int32_t& value);

// Decimal (optional '+') or "0x"/"0X" followed by hex digits, within 0..4294967295.
bool parseUnsigned32(std::string_view token, std::uint32_t& value);

// A real in the C decimal form (sign, digits, optional point, optional exponent), read as the
// correctly rounded double and then rounded to the nearest float. Values too small for a float
// become a signed zero; values whose float rounding overflows are refused.
RealStatus parseFloat(std::string_view token, float& value);

// Writes `value` so that parseFloat gives back the same bits (the shortest such text when the
// shortest one survives the double-then-float reading). `out` must have room for 32 chars.
// Returns the number of chars written. `value` must be finite.
int formatFloat(float value, char* out);

}  // namespace nqbio

#endif
