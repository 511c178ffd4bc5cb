// Damaged mesh files: each is refused with one diagnostic naming the line (text) or the byte
// offset (binary), and the reader keeps nothing of it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"

namespace {

using nqbtest::kCubeText;

struct Damage {
    std::string bytes;
    std::uint64_t place;
    std::string what;  // empty: the file reads
};

void expectEach(const Damage* begin, const Damage* end) {
    TempDir dir;
    const std::string path = dir.file("damaged.nqb");
    for (const Damage* c = begin; c != end; ++c) {
        SCOPED_TRACE(c->what);
        nqbtest::writeBytes(path, c->bytes);
        nqbio::MeshData read;
        if (c->what.empty()) {
            EXPECT_TRUE(nqbio::readMesh(path, read)) << c - begin;
        } else {
            nqbtest::expectRefusedAt(path, c->place, c->what);
        }
    }
}

TEST(TextDamage, EveryTruncationBeforeEndIsRefused) {
    // Only the file that still holds the whole END line may read; every shorter prefix misses
    // an entry, a keyword or END itself.
    TempDir dir;
    const std::string cube = kCubeText, path = dir.file("cut.nqb");
    for (std::size_t length = 0; length < cube.size(); ++length) {
        SCOPED_TRACE(length);
        nqbtest::writeBytes(path, cube.substr(0, length));
        nqbio::MeshData read;
        if (length >= cube.rfind("END") + 3) {
            EXPECT_TRUE(nqbio::readMesh(path, read));
        } else {
            nqbtest::expectRefusedAt(path, nqbtest::kAnyPlace, "");
        }
    }
}

TEST(TextDamage, EachFaultIsNamedAtItsLine) {
    const std::string cube = kCubeText;
    const std::string part = "8 1 2 3 4 5 6 7 8 0 1 1.0", lastSurface = "4 1 5 8 1 0 0 0 0";
    const auto with = [&cube](const std::string& from, const std::string& to) {
        return nqbtest::replaced(cube, from, to);
    };
    const auto counts = [&with](const std::string& to) { return with("COUNTS 8 1 6", to); };
    const auto node7 = [&with](const std::string& to) { return with("1 1 1\n", to + "\n"); };
    const auto partAs = [&with, &part](const std::string& to) { return with(part, to); };
    const auto surface6 = [&](const std::string& to) { return with(lastSurface, to); };
    // The cube's lines: 1 NQBTEXT, 2 UNIT, 3 COUNTS, 4 NODES, 5-12 nodes, 13 PART_ELEMENTS,
    // 14 its entry, 15 SURFACE_ELEMENTS, 16-21 surface elements, 22 END.
    const std::string unit43(43, 'u');
    const std::string swapped = nqbtest::replaced(
        nqbtest::replaced(with("PART_ELEMENTS\n", "@\n"), "SURFACE_ELEMENTS\n",
                          "PART_ELEMENTS\n"),
        "@\n", "SURFACE_ELEMENTS\n");
    const Damage cases[] = {
        {"", 0, "empty file"},
        {"\n" + cube, 0, "not a mesh file"},
        {with("NQBTEXT 1", "NQBTEXT 2"), 1, "layout version 2 is not supported"},
        {with("NQBTEXT 1", "NQBTEXT 1 1"), 1, "'NQBTEXT 1'"},
        {with("NQBTEXT 1", "NQBTEXT one"), 1, "'NQBTEXT 1'"},
        {with("UNIT mm\n", ""), 2, "UNIT expected, found 'COUNTS'"},
        {with("UNIT mm", "UNIT " + unit43 + "v"), 2, "unit text is 44 characters long"},
        // Blanks around the unit and a comment do not count towards its limit.
        {with("UNIT mm", "UNIT \t " + unit43 + " \t# a long comment"), 0, ""},
        {with("UNIT mm\n", "UNIT mm\nUNIT cm\n"), 3, "COUNTS expected, found 'UNIT'"},
        {counts("COUNTS 8 1"), 3, "three values"},
        {counts("COUNTS 2147483648 1 6"), 3, "'2147483648' is not a 32-bit integer"},
        {counts("COUNTS 8 -1 6"), 3, "part element count -1 is negative"},
        {with("NODES\n", ""), 4, "NODES expected, found '0'"},
        {with("NODES\n", "NODES 8\n"), 4, "NODES must stand alone"},
        {with("NODES\n", "NODES\nNODES\n"), 5, "NODES block ends after 0 of 8 nodes"},
        {cube.substr(0, cube.find("1 0 1\n")), 10, "the file ends after 5 of 8 nodes"},
        {cube.substr(0, cube.find("PART_ELEMENTS")), 13, "PART_ELEMENTS is expected"},
        {counts("COUNTS 7 1 6"), 12, "more node lines than COUNTS gives (7)"},
        {counts("COUNTS 8 1 5"), 21, "more surface element lines than COUNTS gives (5)"},
        // Counts near 2^31 must fail on the missing lines, not on a table sized from the count
        // (under the sanitizer build such an allocation would abort the test).
        {counts("COUNTS 2147483647 1 6"), 13, "after 8 of 2147483647 nodes"},
        {counts("COUNTS 8 2147483647 6"), 15, "after 1 of 2147483647 part elements"},
        {counts("COUNTS 8 1 2147483647"), 22, "after 6 of 2147483647 surface elements"},
        {swapped, 13, "PART_ELEMENTS expected, found 'SURFACE_ELEMENTS'"},
        {node7("1 1 1 1"), 11, "3 values expected, found 4"},
        {node7("1 1x 1"), 11, "node 7: '1x' is not a number"},
        {node7("1 inf 1"), 11, "node 7: 'inf' is not finite"},
        {node7("1 1 1e39"), 11, "overflows a 32-bit float"},
        // A CR that does not end the line is part of a token, not a separator.
        {node7("1 1\r1 1"), 11, "'1?1' is not a number"},
        {partAs("4 1 2 3 4 5 0 1 1.0"), 14, "8 values expected, found 9"},
        {partAs("9 1 2 3 4 5 6 7 8 1 0 1 1.0"), 14, "node count 9 is outside 1..8"},
        {partAs("0 0 1 1.0"), 14, "node count 0 is outside 1..8"},
        {partAs("x 1 2 3 4 5 6 7 8 0 1 1.0"), 14, "node count 'x' is not an integer"},
        {partAs("8 1 2 3 4 5 6 7 0 0 1 1.0"), 14, "node number 0 is outside 1..8"},
        {partAs("8 1 2 3 4 5 6 7 9 0 1 1.0"), 14, "part element 1: node number 9"},
        {partAs("8 1 2 3 4 5 6 7 8 -1 1 1.0"), 14, "attrWord '-1' is not an unsigned"},
        {partAs("8 1 2 3 4 5 6 7 8 0 0x1 1.0"), 14, "attrCode '0x1' is not a 32-bit"},
        {partAs("8 1 2 3 4 5 6 7 8 0 1 1.0x"), 14, "volume '1.0x' is not a number"},
        {partAs("8 1 2 3 4 5 6 7 8 0 1 1e39"), 14, "part element 1: volume '1e39'"},
        {surface6("4 1 5 9 1 0 0 0 0"), 21, "surface element 6: node number 9"},
        {surface6("4 1.0 5 8 1 0 0 0 0"), 21, "'1.0' is not an integer"},
        {surface6("4 1 5 8 1 0 0 1.5 0"), 21, "element 6: code '1.5'"},
        {surface6("4 1 5 8 1 0 0 0"), 21, "9 values expected, found 8"},
        {with("END\n", "END 1\n"), 22, "END must stand alone"},
        {with("END\n", "END\nEND\n"), 23, "text after END"},
    };
    expectEach(std::begin(cases), std::end(cases));
    TempDir dir;
    nqbtest::expectRefusedAt(dir.path().string(), 0, "directory");
    nqbtest::expectRefusedAt(dir.file("absent.nqb"), 0, "cannot open");
    NQBIO_Manipulator reader;
    testing::internal::CaptureStderr();
    EXPECT_EQ(reader.beginReading(nullptr, nullptr, 0), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no file name"), std::string::npos);
}

// Layout of the cube file, derived by hand from the record sizes: 8 nodes, 1 part element,
// 6 surface elements.
constexpr std::size_t kNodes = 64;
constexpr std::size_t kParts = kNodes + 8 * 12;
constexpr std::size_t kSurfaces = kParts + 1 * 48;
constexpr std::size_t kFileSize = kSurfaces + 6 * 36;
constexpr std::size_t kThirdSurface = kSurfaces + 2 * 36;

std::string put32(std::string bytes, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return bytes;
}

std::string putFloat(const std::string& bytes, std::size_t offset, float f) {
    std::uint32_t v = 0;
    std::memcpy(&v, &f, 4);
    return put32(bytes, offset, v);
}

TEST(BinaryDamage, EachFaultIsNamedAtItsOffset) {
    TempDir dir;
    ASSERT_TRUE(nqbio::writeBinary(dir.file("cube.nqbb"), nqbtest::unitCube()));
    const std::string cube = nqbtest::readBytes(dir.file("cube.nqbb"));
    ASSERT_EQ(cube.size(), kFileSize);
    const float inf = std::numeric_limits<float>::infinity();
    const std::string needAll =
        "the counts (8 nodes, 1 part elements, 6 surface elements) need 424 bytes";
    std::string noNul = cube, padded = cube, magic = cube;
    std::memset(&noNul[20], 'm', 44);
    padded[20 + 10] = 'x';  // "mm", NULs, then a stray byte
    magic[3] = 'C';
    const Damage cases[] = {
        {magic, 0, "not a mesh file"},
        {cube.substr(0, 63), 63, "inside the 64-byte header"},
        {cube.substr(0, kFileSize - 1), kFileSize - 1, needAll},
        {cube + std::string(1, '\0'), kFileSize, "1 bytes follow the last surface element"},
        {put32(cube, 4, 2), 4, "layout version 2 is not supported"},
        {put32(cube, 4, 0), 4, "layout version 0"},
        {put32(cube, 8, 0xFFFFFFFFu), 8, "node count -1 is negative"},
        {put32(cube, 12, 0x80000000u), 12, "part element count -2147483648 is negative"},
        // Counts that claim more than the file holds, up to 2^31 - 1, fail on the size alone.
        {put32(cube, 8, 9), kFileSize, "need 436 bytes"},
        {put32(cube, 8, 0x7FFFFFFFu), kFileSize, "2147483647 nodes"},
        {put32(cube, 12, 0x7FFFFFFFu), kFileSize, "2147483647 part elements"},
        {put32(cube, 16, 0x7FFFFFFFu), kFileSize, "2147483647 surface elements"},
        {put32(cube, 16, 5), kFileSize - 36, "36 bytes follow"},
        {noNul, 20, "not NUL-terminated"},
        {padded, 30, "padding"},
        {putFloat(cube, kNodes + 6 * 12 + 8, std::nanf("")), kNodes + 6 * 12 + 8,
         "node 7: coordinate 3 is not finite"},
        {putFloat(cube, kParts + 44, inf), kParts + 44, "part element 1: volume is not finite"},
        {put32(cube, kParts, 9), kParts, "part element 1: node count 9 is outside 1..8"},
        {put32(cube, kParts, 0), kParts, "node count 0"},
        {put32(cube, kParts + 16, 0), kParts + 16, "node number 0 is outside 1..8"},
        {put32(cube, kParts + 32, 9), kParts + 32, "node number 9 is outside 1..8"},
        // A tetrahedron whose unused slots still hold node numbers is a damaged record.
        {put32(cube, kParts, 4), kParts + 20, "unused node slot 5 holds 5 (0 expected)"},
        {put32(cube, kThirdSurface + 8, 0), kThirdSurface + 8, "surface element 3: node number 0"},
        {put32(cube, kThirdSurface + 12, 9), kThirdSurface + 12, "element 3: node number 9"},
    };
    expectEach(std::begin(cases), std::end(cases));
}

}  // namespace
