// Number tokens of the text encoding, at the edges of their ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "number_tokens.h"

namespace {

using nqbio::RealStatus;

TEST(NumberTokens, Int32Range) {
    std::int32_t v = 0;
    EXPECT_TRUE(nqbio::parseInt32("2147483647", v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(nqbio::parseInt32("-2147483648", v));
    EXPECT_EQ(v, std::numeric_limits<std::int32_t>::min());
    EXPECT_TRUE(nqbio::parseInt32("+0042", v));
    EXPECT_EQ(v, 42);
    for (const char* bad :
         {"2147483648", "-2147483649", "", "+", "-", "+-1", "1 ", "0x10", "1e3"}) {
        EXPECT_FALSE(nqbio::parseInt32(bad, v)) << bad;
    }
}

TEST(NumberTokens, AttributeWordRange) {
    std::uint32_t v = 0;
    EXPECT_TRUE(nqbio::parseUnsigned32("4294967295", v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_TRUE(nqbio::parseUnsigned32("0XfF000000", v));
    EXPECT_EQ(v, 0xFF000000u);
    EXPECT_TRUE(nqbio::parseUnsigned32("0x00000000001", v));
    EXPECT_EQ(v, 1u);
    EXPECT_TRUE(nqbio::parseUnsigned32("+7", v));
    EXPECT_EQ(v, 7u);
    for (const char* bad :
         {"4294967296", "-1", "0x", "0x-1", "0x+1", "0x1G", "0x100000000", "x1"}) {
        EXPECT_FALSE(nqbio::parseUnsigned32(bad, v)) << bad;
    }
}

TEST(NumberTokens, RealsAreRoundedThroughDouble) {
    float f = 0;
    ASSERT_EQ(nqbio::parseFloat("0.1", f), RealStatus::Ok);
    EXPECT_EQ(f, 0.1f);
    // Just above the halfway point between 1 and the next float: the double nearest to it is
    // the halfway point itself, which then rounds to even, 1.
    ASSERT_EQ(nqbio::parseFloat("1.0000000596046447753906250001", f), RealStatus::Ok);
    EXPECT_EQ(f, 1.0f);
    ASSERT_EQ(nqbio::parseFloat("1.00000006", f), RealStatus::Ok);
    EXPECT_EQ(f, std::nextafter(1.0f, 2.0f));
    ASSERT_EQ(nqbio::parseFloat("-1e-46", f), RealStatus::Ok);  // below half the least float
    EXPECT_EQ(f, 0.0f);
    EXPECT_TRUE(std::signbit(f));
    ASSERT_EQ(nqbio::parseFloat("1e-45", f), RealStatus::Ok);
    EXPECT_EQ(f, std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(nqbio::parseFloat("3.4028235677973366e38", f), RealStatus::FloatOverflow);
    ASSERT_EQ(nqbio::parseFloat("3.4028235677973362e38", f), RealStatus::Ok);
    EXPECT_EQ(f, std::numeric_limits<float>::max());
    EXPECT_EQ(nqbio::parseFloat("-1e309", f), RealStatus::FloatOverflow);
    EXPECT_EQ(nqbio::parseFloat("0.000001e-999999999999999999999", f), RealStatus::Ok);
    EXPECT_EQ(nqbio::parseFloat("1e999999999999999999999", f), RealStatus::FloatOverflow);
    EXPECT_EQ(nqbio::parseFloat("nan", f), RealStatus::NotFinite);
    EXPECT_EQ(nqbio::parseFloat("-Infinity", f), RealStatus::NotFinite);
    EXPECT_EQ(nqbio::parseFloat("+inf", f), RealStatus::NotANumber);
    EXPECT_EQ(nqbio::parseFloat("0x1p3", f), RealStatus::NotANumber);
}

TEST(NumberTokens, FormattedFloatsReadBackAndStayShort) {
    char text[32];
    const struct {
        float value;
        const char* expected;
    } cases[] = {{0.1f, "0.1"}, {1.0f, "1"}, {-0.0f, "-0"}, {2.5e-10f, "2.5e-10"}};
    for (const auto& c : cases) {
        const int n = nqbio::formatFloat(c.value, text);
        EXPECT_EQ(std::string(text, static_cast<std::size_t>(n)), c.expected);
    }
    // Every float of a sweep across the exponents reads back to its own bits.
    for (std::uint32_t bits = 0; bits < 0x7F800000u; bits += 0x00012345u) {
        float value = 0, back = 0;
        std::memcpy(&value, &bits, 4);
        const int n = nqbio::formatFloat(value, text);
        ASSERT_EQ(nqbio::parseFloat(std::string_view(text, static_cast<std::size_t>(n)), back),
                  RealStatus::Ok);
        std::uint32_t backBits = 0;
        std::memcpy(&backBits, &back, 4);
        ASSERT_EQ(backBits, bits) << std::string(text, static_cast<std::size_t>(n));
    }
}

}  // namespace
