// Reading mesh files. Damaged files are refused with one diagnostic naming the line (text) or
// the byte offset (binary), and the reader keeps nothing of them. The damaged-input corpus of
// the hardening tests already sends one file per check through the kernel and pins its place;
// the tables here hold the checks it does not reach or pins only loosely, with their wording.
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

void expectEach(std::initializer_list<Damage> cases) {
    TempDir dir;
    const std::string path = dir.file("damaged.nqb");
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.what);
        nqbtest::writeBytes(path, c.bytes);
        nqbio::MeshData read;
        if (c.what.empty()) {
            EXPECT_TRUE(nqbio::readMesh(path, read));
        } else {
            nqbtest::expectRefusedAt(path, c.place, c.what);
        }
    }
}

TEST(TextDamage, EveryTruncationBeforeEndIsRefused) {
    // Only the file that still holds the whole END line may read; every shorter prefix misses
    // an entry, a keyword or END itself.
    TempDir dir;
    const std::string path = dir.file("cut.nqb");
    for (std::size_t length = 0; length < kCubeText.size(); ++length) {
        SCOPED_TRACE(length);
        nqbtest::writeBytes(path, kCubeText.substr(0, length));
        nqbio::MeshData read;
        if (length >= kCubeText.rfind("END") + 3) {
            EXPECT_TRUE(nqbio::readMesh(path, read));
        } else {
            nqbtest::expectRefusedAt(path, nqbtest::kAnyPlace, "");
        }
    }
}

TEST(TextDamage, EachFaultIsNamedAtItsLine) {
    const auto with = [](const std::string& from, const std::string& to) {
        return nqbtest::replaced(kCubeText, from, to);
    };
    const auto counts = [&with](const std::string& to) { return with("COUNTS 8 1 6", to); };
    const auto part = [&with](const std::string& to) {
        return with("8 1 2 3 4 5 6 7 8 0 1 1.0", to);
    };
    const std::string unit43(43, 'u');
    const std::string swapped = nqbtest::replaced(
        nqbtest::replaced(with("PART_ELEMENTS\n", "@\n"), "SURFACE_ELEMENTS\n", "PART_ELEMENTS\n"),
        "@\n", "SURFACE_ELEMENTS\n");
    expectEach({
        // A CR that does not end the line is part of a token, here of the magic's.
        {with("NQBTEXT 1", "NQBTEXT\r1"), 1, "not a mesh file"},
        {with("NQBTEXT 1", "NQBTEXT 1 1"), 1, "the first line must be 'NQBTEXT 1'"},
        {with("UNIT mm", "UNIT " + unit43 + "v"), 2, "unit text is 44 characters long"},
        {with("UNIT mm", std::string("UNIT m\0m", 8)), 2, "unit text contains a NUL byte"},
        // Blanks around the unit and a comment do not count towards its limit.
        {with("UNIT mm", "UNIT \t " + unit43 + " \t# a long comment"), 0, ""},
        {with("NODES\n", "NODES 8\n"), 4, "NODES must stand alone"},
        {kCubeText.substr(0, kCubeText.find("PART_ELEMENTS")), 13,
         "the file ends where PART_ELEMENTS is expected"},
        {counts("COUNTS 7 1 6"), 12, "more node lines than COUNTS gives (7)"},
        {counts("COUNTS 8 1 5"), 21, "more surface element lines than COUNTS gives (5)"},
        // A misplaced keyword is named as such, not as one entry line too many.
        {swapped, 13, "PART_ELEMENTS expected, found 'SURFACE_ELEMENTS'"},
        // Counts near 2^31 must fail on the missing lines, not on a table sized from the count
        // (under the sanitizer build such an allocation would abort the test).
        {counts("COUNTS 2147483647 1 6"), 13, "after 8 of 2147483647 nodes"},
        {counts("COUNTS 8 1 2147483647"), 22, "after 6 of 2147483647 surface elements"},
        {with("1 1 1\n", "1 1\r1 1\n"), 11, "node 7: '1?1' is not a number"},
        {part("x 1 2 3 4 5 6 7 8 0 1 1.0"), 14, "node count 'x' is not an integer"},
        {part("4 1 2 3 4 5 0 1 1.0"), 14, "part element 1: 8 values expected, found 9"},
        {part("8 1 2 3 4 5 6 7 8 -1 1 1.0"), 14, "attrWord '-1' is not an unsigned"},
        {part("8 1 2 3 4 5 6 7 8 0 0x1 1.0"), 14, "attrCode '0x1' is not a 32-bit"},
        {with("4 1 5 8 1 0 0 0 0", "4 1 5 8 1 0 0 0"), 21, "element 6: 9 values expected, found 8"},
    });
    TempDir dir;
    nqbtest::expectRefusedAt(dir.path().string(), 0, "directory");
    nqbtest::expectRefusedAt(dir.file("absent.nqb"), 0, "cannot open");
    NQBIO_Manipulator reader;
    testing::internal::CaptureStderr();
    EXPECT_EQ(reader.beginReading(nullptr, nullptr, 0), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no file name"), std::string::npos);
}

// Layout of the cube file, from the record sizes: a 64-byte header, 8 nodes of 12 bytes, one
// part element of 48, six surface elements of 36.
constexpr std::size_t kParts = 64 + 8 * 12;
constexpr std::size_t kSurfaces = kParts + 48;
constexpr std::size_t kFileSize = kSurfaces + 6 * 36;

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
    const std::string cube = nqbtest::readBytes(nqbtest::corpusFile("bin_valid.nqb"));
    ASSERT_EQ(cube.size(), kFileSize);
    std::string padded = cube;
    padded[20 + 10] = 'x';  // "mm", NULs, then a stray byte
    const std::size_t node7z = 64 + 6 * 12 + 8, third = kSurfaces + 2 * 36;
    expectEach({
        {cube.substr(0, 63), 63, "the file ends inside the 64-byte header"},
        {cube.substr(0, kFileSize - 1), kFileSize - 1,
         "the counts (8 nodes, 1 part elements, 6 surface elements) need 424 bytes"},
        {cube + std::string(1, '\0'), kFileSize, "1 bytes follow the last surface element"},
        // 12 bytes times 2^31 - 1 nodes is past 32 bits: the size is summed in 64.
        {put32(cube, 8, 0x7FFFFFFFu), kFileSize, "2147483647 nodes"},
        {padded, 30, "unit text padding holds a non-NUL byte"},
        {putFloat(cube, node7z, std::nanf("")), node7z, "node 7: coordinate 3 is not finite"},
        {put32(cube, kParts + 32, 9), kParts + 32, "part element 1: node number 9 is outside"},
        // A tetrahedron whose unused slots still hold node numbers is a damaged record.
        {put32(cube, kParts, 4), kParts + 20, "unused node slot 5 holds 5 (0 expected)"},
        {putFloat(cube, kParts + 44, std::numeric_limits<float>::infinity()), kParts + 44,
         "part element 1: volume is not finite"},
        {put32(cube, third + 12, 9), third + 12, "surface element 3: node number 9 is outside"},
    });
}

class TextReading : public testing::Test {
protected:
    nqbio::MeshData readBack(const std::string& text) {
        const std::string path = dir_.file("in.nqb");
        nqbtest::writeBytes(path, text);
        nqbio::MeshData read;
        std::string error;
        EXPECT_TRUE(nqbio::readMesh(path, read, &error)) << error;
        return read;
    }
    TempDir dir_;
};

TEST_F(TextReading, TheDocumentedExampleIsDeliveredEntryByEntry) {
    nqbtest::expectSameContent(nqbtest::cube().mesh, readBack(kCubeText));
    // Each entry call gives its index, then -1 at the end of its block.
    NQBIO_Manipulator reader;
    ASSERT_EQ(reader.beginReading(dir_.file("in.nqb").c_str(), nullptr, 0), 1);
    float x = 0, y = 0, z = 0, volume = 0;
    int n = 0, nodes[8] = {}, word = 0, code = 0, kind = 0, a1 = 0, a2 = 0, a3 = 0;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(reader.readNodeBlockEntry(x, y, z), k);
    EXPECT_EQ(reader.readNodeBlockEntry(x, y, z), -1);
    EXPECT_EQ(reader.readElementPlasticBlockEntry(n, nullptr, word, code, volume), -1);
    EXPECT_EQ(reader.readElementPlasticBlockEntry(n, nodes, word, code, volume), 0);
    EXPECT_EQ(reader.readElementPlasticBlockEntry(n, nodes, word, code, volume), -1);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(reader.readElementSurfaceBlockEntry(nodes, kind, a1, a2, code, a3), k);
    }
    EXPECT_EQ(reader.readElementSurfaceBlockEntry(nodes, kind, a1, a2, code, a3), -1);
    EXPECT_EQ(reader.endReading(), 1);
    EXPECT_EQ(reader.nMaxNodes, 0);
}

TEST_F(TextReading, UnitIsTrimmedSignsKeptAndTheLastLineEndOptional) {
    // (Line ends, comments, tabs and a hex attribute word are files of the corpus.)
    std::string variant =
        nqbtest::replaced(kCubeText, "UNIT mm\n", "# comment\n\t\nUNIT \t mm  # unit\n");
    variant = nqbtest::replaced(variant, "1 0 0\n", "+1.0 -0 0.\n");
    nqbio::MeshData expected = nqbtest::cube().mesh;
    expected.xyz[4] = -0.0f;  // node 2, y
    nqbtest::expectSameContent(expected, readBack(variant));
    // The last line may end in a bare CR (a CRLF file cut before its final LF), or in nothing.
    const std::string unended = kCubeText.substr(0, kCubeText.size() - 1);
    nqbtest::expectSameContent(nqbtest::cube().mesh, readBack(unended + "\r"));
    nqbtest::expectSameContent(nqbtest::cube().mesh, readBack(unended));
}

}  // namespace
