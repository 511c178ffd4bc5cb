// Number tokens of the text encoding at the edges of their ranges, and the encoding probe.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"
#include "number_tokens.h"

namespace {

using nqbio::RealStatus;

TEST(NumberTokens, IntegerRanges) {
    std::int32_t i = 0;
    std::uint32_t u = 0;
    EXPECT_TRUE(nqbio::parseInt32("2147483647", i) && i == 2147483647);
    EXPECT_TRUE(nqbio::parseInt32("-2147483648", i) && i == std::numeric_limits<int>::min());
    EXPECT_TRUE(nqbio::parseInt32("+0042", i) && i == 42);
    for (const char* bad : {"2147483648", "-2147483649", "", "+", "+-1", "1 ", "0x10", "1e3"}) {
        EXPECT_FALSE(nqbio::parseInt32(bad, i)) << bad;
    }
    EXPECT_TRUE(nqbio::parseUnsigned32("4294967295", u) && u == 0xFFFFFFFFu);
    EXPECT_TRUE(nqbio::parseUnsigned32("0XfF000000", u) && u == 0xFF000000u);
    EXPECT_TRUE(nqbio::parseUnsigned32("0x00000000001", u) && u == 1u);
    EXPECT_TRUE(nqbio::parseUnsigned32("+7", u) && u == 7u);
    for (const char* bad : {"4294967296", "-1", "0x", "0x+1", "0x1G", "0x100000000"}) {
        EXPECT_FALSE(nqbio::parseUnsigned32(bad, u)) << bad;
    }
}

TEST(NumberTokens, RealsAreRoundedThroughDouble) {
    const struct {
        const char* token;
        float value;
    } exact[] = {
        {"0.1", 0.1f},
        // Just above the halfway point between 1 and the next float: the double nearest to it
        // is the halfway point itself, which then rounds to even, 1.
        {"1.0000000596046447753906250001", 1.0f},
        {"1.00000006", std::nextafter(1.0f, 2.0f)},
        {"-1e-46", -0.0f},  // below half the least float: a signed zero
        {"1e-45", std::numeric_limits<float>::denorm_min()},
        {"3.4028235677973362e38", std::numeric_limits<float>::max()},
        {"0.000001e-999999999999999999999", 0.0f},
        {"-1e-400", -0.0f},  // below the least double: the sign still survives
    };
    for (const auto& c : exact) {
        float f = 12345.0f;
        ASSERT_EQ(nqbio::parseFloat(c.token, f), RealStatus::Ok) << c.token;
        EXPECT_EQ(f, c.value) << c.token;
        EXPECT_EQ(std::signbit(f), std::signbit(c.value)) << c.token;
    }
    float f = 0;
    // Exactly halfway between the largest float and 2^128 rounds to infinity.
    for (const char* big : {"3.4028235677973366e38", "-1e309", "1e999999999999999999999"}) {
        EXPECT_EQ(nqbio::parseFloat(big, f), RealStatus::FloatOverflow) << big;
    }
    EXPECT_EQ(nqbio::parseFloat("nan", f), RealStatus::NotFinite);
    EXPECT_EQ(nqbio::parseFloat("-Infinity", f), RealStatus::NotFinite);
    for (const char* bad : {"+inf", "0x1p3", "1e", "1.5.2", "--1", "1,5", ".", "+", "e5"}) {
        EXPECT_EQ(nqbio::parseFloat(bad, f), RealStatus::NotANumber) << bad;
    }
}

// (That every float reads back to its own bits is the writer tests' round trip.)
TEST(NumberTokens, FormattedFloatsAreTheShortestText) {
    char text[32];
    for (const auto& [value, shortest] :
         {std::pair{0.1f, "0.1"}, {1.0f, "1"}, {-0.0f, "-0"}, {2.5e-10f, "2.5e-10"}}) {
        EXPECT_EQ(std::string(text, static_cast<std::size_t>(nqbio::formatFloat(value, text))),
                  shortest);
    }
}

TEST(FileFormat, FirstBytesDecide) {
    TempDir dir;
    const std::string path = dir.file("probe");
    const auto formatOf = [](const char* name) {
        NQBIO_FileFormat format = NQBIO_FORMAT_TEXT;
        const int result = NQBIO_Manipulator::getFileFormat(name, format);
        EXPECT_EQ(result, static_cast<int>(format));
        return result;
    };
    // The version is beginReading's concern, not the probe's.
    for (const auto& [bytes, format] : {std::pair<std::string, int>{"NQBTEXT 1\n", 0},
                                        {"NQBTEXT\t1", 0},
                                        {"NQBTEXT", 0},
                                        {"NQBTEXT#\n", 0},
                                        {"NQBTEXT 7\n", 0},
                                        {"NQBTEXTX 1\n", -1},
                                        {"nqbtext 1\n", -1},
                                        {" NQBTEXT 1\n", -1},
                                        {"NQBB", 1},
                                        {"NQB", -1},
                                        {"", -1}}) {
        nqbtest::writeBytes(path, bytes);
        EXPECT_EQ(formatOf(path.c_str()), format) << bytes;
    }
    EXPECT_EQ(formatOf(dir.file("absent").c_str()), -1);
    EXPECT_EQ(formatOf(dir.path().string().c_str()), -1);
    EXPECT_EQ(formatOf(nullptr), -1);
}

}  // namespace
