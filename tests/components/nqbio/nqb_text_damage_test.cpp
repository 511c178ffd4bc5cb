// Damaged text mesh files: each is refused with one diagnostic naming the line.
#include <gtest/gtest.h>

#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"

namespace {

using nqbtest::expectRefusedAt;
using nqbtest::kCubeText;
using nqbtest::lineOf;
using nqbtest::replaced;

class TextDamage : public testing::Test {
protected:
    // Writes `text` and expects the read to fail at `line` with `what` in the diagnostic.
    void expectRefused(const std::string& text, std::uint64_t line, const std::string& what) {
        const std::string path = dir_.file("damaged.nqb");
        nqbtest::writeBytes(path, text);
        expectRefusedAt(path, line, what);
    }
    bool reads(const std::string& text) {
        const std::string path = dir_.file("variant.nqb");
        nqbtest::writeBytes(path, text);
        NQBIO_Manipulator reader;
        testing::internal::CaptureStderr();
        const int result = reader.beginReading(path.c_str(), nullptr, 0);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result == 1, err.empty()) << err;
        return result == 1;
    }

    TempDir dir_;
    const std::string cube_ = kCubeText;
};

TEST_F(TextDamage, EveryTruncationBeforeEndIsRefused) {
    // Only the file that still holds the whole END line may read; every shorter prefix misses
    // an entry, a keyword or END itself.
    const std::size_t endLine = cube_.rfind("END");
    for (std::size_t length = 0; length < cube_.size(); ++length) {
        SCOPED_TRACE(length);
        const std::string prefix = cube_.substr(0, length);
        nqbtest::writeBytes(dir_.file("cut.nqb"), prefix);
        const nqbtest::Refusal r = nqbtest::readRefused(dir_.file("cut.nqb"));
        if (length >= endLine + 3) {
            EXPECT_EQ(r.result, 1);
            continue;
        }
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.stderrText, r.lastError + "\n");
        EXPECT_TRUE(r.emptyAfterwards);
    }
}

TEST_F(TextDamage, TruncationIsNamedWhereTheFileEnds) {
    // Cut after the fifth node line: the file has 9 lines, the fault is on line 10.
    const std::size_t cut = cube_.find("1 0 1\n");
    expectRefused(cube_.substr(0, cut), 10, "the file ends after 5 of 8 nodes");
    const std::size_t beforePart = cube_.find("PART_ELEMENTS");
    expectRefused(cube_.substr(0, beforePart), lineOf(cube_, "PART_ELEMENTS"),
                  "PART_ELEMENTS is expected");
    expectRefused("", 0, "empty file");
}

TEST_F(TextDamage, CountsThatDisagreeWithTheBlocks) {
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 9 1 6"), lineOf(cube_, "PART_ELEMENTS"),
                  "NODES block ends after 8 of 9 nodes");
    // One node fewer than the lines: the eighth node line is one too many.
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 7 1 6"), lineOf(cube_, "0 1 1"),
                  "more node lines than COUNTS gives (7)");
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 8 2 6"),
                  lineOf(cube_, "SURFACE_ELEMENTS"), "after 1 of 2 part elements");
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 8 1 5"),
                  lineOf(cube_, "4 1 5 8 1 0 0 0 0"),
                  "more surface element lines than COUNTS gives (5)");
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 8 1 7"), lineOf(cube_, "END"),
                  "SURFACE_ELEMENTS block ends after 6 of 7");
}

TEST_F(TextDamage, HugeAndNegativeCountsAllocateNothing) {
    // Counts near 2^31 must fail on the missing lines, not on a table sized from the count
    // (under the sanitizer build such an allocation would abort the test).
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 2147483647 1 6"),
                  lineOf(cube_, "PART_ELEMENTS"), "after 8 of 2147483647 nodes");
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 8 2147483647 6"),
                  lineOf(cube_, "SURFACE_ELEMENTS"), "after 1 of 2147483647 part elements");
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 8 1 2147483647"), lineOf(cube_, "END"),
                  "after 6 of 2147483647 surface elements");
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 2147483648 1 6"), 3,
                  "'2147483648' is not a 32-bit integer");
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 8 -1 6"), 3,
                  "part element count -1 is negative");
    expectRefused(replaced(cube_, "COUNTS 8 1 6", "COUNTS 8 1"), 3, "three values");
}

TEST_F(TextDamage, NodeNumbersOutsideTheNodeBlock) {
    const std::uint64_t partLine = lineOf(cube_, "8 1 2 3 4 5 6 7 8 0 1 1.0");
    expectRefused(replaced(cube_, "8 1 2 3 4 5 6 7 8 0 1 1.0", "8 1 2 3 4 5 6 7 0 0 1 1.0"),
                  partLine, "part element 1: node number 0 is outside 1..8");
    expectRefused(replaced(cube_, "8 1 2 3 4 5 6 7 8 0 1 1.0", "8 1 2 3 4 5 6 7 9 0 1 1.0"),
                  partLine, "part element 1: node number 9 is outside 1..8");
    expectRefused(replaced(cube_, "5 6 7 8 1 0 0 0 0", "5 6 7 9 1 0 0 0 0"),
                  lineOf(cube_, "5 6 7 8 1 0 0 0 0"), "surface element 2: node number 9");
    expectRefused(replaced(cube_, "4 1 5 8 1 0 0 0 0", "4 0 5 8 1 0 0 0 0"),
                  lineOf(cube_, "4 1 5 8 1 0 0 0 0"), "surface element 6: node number 0");
    expectRefused(replaced(cube_, "4 1 5 8 1 0 0 0 0", "4 1.0 5 8 1 0 0 0 0"),
                  lineOf(cube_, "4 1 5 8 1 0 0 0 0"), "'1.0' is not an integer");
}

TEST_F(TextDamage, PartElementNodeCountOutsideOneToEight) {
    const std::uint64_t partLine = lineOf(cube_, "8 1 2 3 4 5 6 7 8 0 1 1.0");
    expectRefused(replaced(cube_, "8 1 2 3 4 5 6 7 8 0 1 1.0", "9 1 2 3 4 5 6 7 8 1 0 1 1.0"),
                  partLine, "node count 9 is outside 1..8");
    expectRefused(replaced(cube_, "8 1 2 3 4 5 6 7 8 0 1 1.0", "0 0 1 1.0"), partLine,
                  "node count 0 is outside 1..8");
    // The count and the values on the line must agree.
    expectRefused(replaced(cube_, "8 1 2 3 4 5 6 7 8 0 1 1.0", "4 1 2 3 4 5 0 1 1.0"), partLine,
                  "8 values expected, found 9");
}

TEST_F(TextDamage, RealsThatAreNotFiniteFloats) {
    const std::uint64_t nodeLine = lineOf(cube_, "1 1 1");
    for (const char* bad : {"nan", "inf", "-inf", "infinity", "NAN"}) {
        expectRefused(replaced(cube_, "1 1 1\n", std::string("1 ") + bad + " 1\n"), nodeLine,
                      "node 7: '" + std::string(bad) + "' is not finite");
    }
    expectRefused(replaced(cube_, "1 1 1\n", "1 1 1e39\n"), nodeLine, "overflows a 32-bit float");
    expectRefused(replaced(cube_, "1 1 1\n", "1 1 -3.5e38\n"), nodeLine, "overflows");
    expectRefused(replaced(cube_, "1 1 1\n", "1 1 1e400\n"), nodeLine, "overflows");
    // Exactly halfway between the largest float and 2^128 rounds to infinity.
    expectRefused(replaced(cube_, "1 1 1\n", "1 1 3.4028235677973366e38\n"), nodeLine, "overflows");
    expectRefused(replaced(cube_, " 0 1 1.0\n", " 0 1 1e39\n"),
                  lineOf(cube_, "8 1 2 3 4 5 6 7 8 0 1 1.0"), "part element 1: volume '1e39'");
}

TEST_F(TextDamage, TokensThatAreNotNumbersOfTheRequiredKind) {
    const std::uint64_t nodeLine = lineOf(cube_, "1 1 1");
    for (const char* bad : {"1x", "1e", "1.5.2", "+-1", "--1", "0x1p3", "1,5", ".", "+", "e5"}) {
        expectRefused(replaced(cube_, "1 1 1\n", std::string("1 ") + bad + " 1\n"), nodeLine,
                      "is not a number");
    }
    const std::string part = "8 1 2 3 4 5 6 7 8 0 1 1.0";
    const std::uint64_t partLine = lineOf(cube_, part);
    expectRefused(replaced(cube_, part, "8 1 2 3 4 5 6 7 8 -1 1 1.0"), partLine,
                  "attrWord '-1' is not an unsigned 32-bit integer");
    expectRefused(replaced(cube_, part, "8 1 2 3 4 5 6 7 8 0x100000000 1 1.0"), partLine,
                  "attrWord");
    expectRefused(replaced(cube_, part, "8 1 2 3 4 5 6 7 8 0xZ 1 1.0"), partLine, "attrWord");
    expectRefused(replaced(cube_, part, "8 1 2 3 4 5 6 7 8 0 0x1 1.0"), partLine,
                  "attrCode '0x1' is not a 32-bit integer");
    expectRefused(replaced(cube_, part, "8 1 2 3 4 5 6 7 8 0 2147483648 1.0"), partLine,
                  "attrCode");
    expectRefused(replaced(cube_, part, "8 1 2 3 4 5 6 7 8 0 1 1.0x"), partLine,
                  "volume '1.0x' is not a number");
    expectRefused(replaced(cube_, "3 4 8 7 1 0 0 0 0", "3 4 8 7 1 0 0 1.5 0"),
                  lineOf(cube_, "3 4 8 7 1 0 0 0 0"), "surface element 5: code '1.5'");
    // A CR that does not end the line is part of a token, not a separator.
    expectRefused(replaced(cube_, "1 1 1\n", "1 1\r1 1\n"), nodeLine, "'1?1' is not a number");
    expectRefused(replaced(cube_, "1 1 1\n", "1 1\r 1\n"), nodeLine, "'1?' is not a number");
    expectRefused(replaced(cube_, "1 1 1\n", "1 1\n"), nodeLine, "3 values expected, found 2");
    expectRefused(replaced(cube_, "1 1 1\n", "1 1 1 1\n"), nodeLine, "3 values expected, found 4");
    expectRefused(replaced(cube_, "3 4 8 7 1 0 0 0 0", "3 4 8 7 1 0 0 0"),
                  lineOf(cube_, "3 4 8 7 1 0 0 0 0"), "9 values expected, found 8");
}

TEST_F(TextDamage, KeywordsMissingMisplacedOrRepeated) {
    expectRefused(replaced(cube_, "UNIT mm\n", ""), 2, "UNIT expected, found 'COUNTS'");
    expectRefused(replaced(cube_, "UNIT mm\n", "UNIT mm\nUNIT cm\n"), 3,
                  "COUNTS expected, found 'UNIT'");
    expectRefused(replaced(cube_, "NODES\n", ""), lineOf(cube_, "NODES"),
                  "NODES expected, found '0'");
    expectRefused(replaced(cube_, "NODES\n", "NODES\nNODES\n"), lineOf(cube_, "NODES") + 1,
                  "NODES block ends after 0 of 8 nodes");
    expectRefused(replaced(cube_, "PART_ELEMENTS\n", ""), lineOf(cube_, "PART_ELEMENTS"),
                  "more node lines than COUNTS gives (8); PART_ELEMENTS expected");
    expectRefused(replaced(cube_, "END\n", ""), lineOf(cube_, "END"), "END is expected");
    expectRefused(replaced(cube_, "END\n", "end\n"), lineOf(cube_, "END"),
                  "more surface element lines than COUNTS gives (6); END expected");
    expectRefused(replaced(cube_, "END\n", "END\nEND\n"), lineOf(cube_, "END") + 1,
                  "text after END");
    expectRefused(replaced(cube_, "END\n", "END 1\n"), lineOf(cube_, "END"),
                  "END must stand alone");
    expectRefused(replaced(cube_, "NODES\n", "NODES 8\n"), lineOf(cube_, "NODES"),
                  "NODES must stand alone");
    // The blocks in the wrong order.
    const std::string swapped = replaced(replaced(cube_, "PART_ELEMENTS\n", "@\n"),
                                         "SURFACE_ELEMENTS\n", "PART_ELEMENTS\n");
    expectRefused(replaced(swapped, "@\n", "SURFACE_ELEMENTS\n"), lineOf(cube_, "PART_ELEMENTS"),
                  "PART_ELEMENTS expected, found 'SURFACE_ELEMENTS'");
}

TEST_F(TextDamage, FirstLineAndUnit) {
    expectRefused(replaced(cube_, "NQBTEXT 1", "NQBTEXT 2"), 1,
                  "layout version 2 is not supported");
    expectRefused(replaced(cube_, "NQBTEXT 1", "NQBTEXT"), 1, "'NQBTEXT 1'");
    expectRefused(replaced(cube_, "NQBTEXT 1", "NQBTEXT 1 1"), 1, "'NQBTEXT 1'");
    expectRefused(replaced(cube_, "NQBTEXT 1", "NQBTEXT one"), 1, "'NQBTEXT 1'");
    expectRefused(replaced(cube_, "NQBTEXT 1", "MESH 1"), 0, "not a mesh file");
    expectRefused("\n" + cube_, 0, "not a mesh file");
    const std::string unit43(43, 'u');
    EXPECT_TRUE(reads(replaced(cube_, "UNIT mm", "UNIT " + unit43)));
    expectRefused(replaced(cube_, "UNIT mm", "UNIT " + unit43 + "v"), 2,
                  "unit text is 44 characters long; at most 43");
    // Blanks around the text and a comment do not count towards the limit.
    EXPECT_TRUE(reads(replaced(cube_, "UNIT mm", "UNIT \t " + unit43 + " \t# a long comment")));
}

TEST_F(TextDamage, DirectoryAndMissingFile) {
    expectRefusedAt(dir_.path().string(), 0, "directory");
    expectRefusedAt(dir_.file("absent.nqb"), 0, "cannot open");
    NQBIO_Manipulator reader;
    testing::internal::CaptureStderr();
    EXPECT_EQ(reader.beginReading(nullptr, nullptr, 0), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no file name"), std::string::npos);
}

TEST_F(TextDamage, AFailureLeavesNoTraceOnTheNextRead) {
    const std::string good = dir_.file("good.nqb");
    const std::string bad = dir_.file("bad.nqb");
    nqbtest::writeBytes(good, cube_);
    nqbtest::writeBytes(bad, replaced(cube_, "1 1 1\n", "1 1 nan\n"));

    NQBIO_Manipulator reader;
    ASSERT_EQ(reader.beginReading(good.c_str(), nullptr, 0), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(reader.beginReading(bad.c_str(), nullptr, 0), 0);
    testing::internal::GetCapturedStderr();
    // The earlier content is gone, not half kept.
    float x = 0, y = 0, z = 0;
    EXPECT_EQ(reader.nMaxNodes, 0);
    EXPECT_EQ(reader.readNodeBlockEntry(x, y, z), -1);
    EXPECT_NE(std::string(reader.getLastError()), "");

    ASSERT_EQ(reader.beginReading(good.c_str(), nullptr, 0), 1);
    EXPECT_STREQ(reader.getLastError(), "");
    EXPECT_EQ(reader.nMaxNodes, 8);

    NQBIO_Manipulator fresh;
    EXPECT_EQ(fresh.beginReading(good.c_str(), nullptr, 0), 1);
    EXPECT_EQ(fresh.nMaxElemSurface, 6);
}

}  // namespace
