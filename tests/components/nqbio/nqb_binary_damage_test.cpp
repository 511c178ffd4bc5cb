// Damaged binary mesh files: each is refused with one diagnostic naming the byte offset.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"

namespace {

using nqbtest::expectRefusedAt;

// Layout of the cube file, derived by hand from the record sizes: 8 nodes, 1 part element,
// 6 surface elements.
constexpr std::size_t kNodes = 64;
constexpr std::size_t kParts = kNodes + 8 * 12;
constexpr std::size_t kSurfaces = kParts + 1 * 48;
constexpr std::size_t kFileSize = kSurfaces + 6 * 36;

void put32(std::string& bytes, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putFloat(std::string& bytes, std::size_t offset, float f) {
    std::uint32_t v = 0;
    std::memcpy(&v, &f, 4);
    put32(bytes, offset, v);
}

class BinaryDamage : public testing::Test {
protected:
    void SetUp() override {
        const std::string path = dir_.file("cube.nqbb");
        ASSERT_TRUE(nqbio::writeBinary(path, nqbtest::unitCube()));
        cube_ = nqbtest::readBytes(path);
        ASSERT_EQ(cube_.size(), kFileSize);
    }
    void expectRefused(const std::string& bytes, std::uint64_t offset, const std::string& what) {
        const std::string path = dir_.file("damaged.nqbb");
        nqbtest::writeBytes(path, bytes);
        expectRefusedAt(path, offset, what);
    }
    std::string with32(std::size_t offset, std::uint32_t v) const {
        std::string b = cube_;
        put32(b, offset, v);
        return b;
    }

    TempDir dir_;
    std::string cube_;
};

TEST_F(BinaryDamage, TruncationsAreNamedAtTheEndOfTheFile) {
    expectRefused(cube_.substr(0, 0), 0, "empty file");
    expectRefused(cube_.substr(0, 3), 0, "not a mesh file");
    for (std::size_t length : {std::size_t{4}, std::size_t{20}, std::size_t{63}}) {
        expectRefused(cube_.substr(0, length), length, "inside the 64-byte header");
    }
    for (std::size_t length : {kNodes, kNodes + 5, kParts, kSurfaces + 35, kFileSize - 1}) {
        expectRefused(cube_.substr(0, length), length,
                      "the counts (8 nodes, 1 part elements, 6 surface elements) need 424 bytes");
    }
    expectRefused(cube_ + std::string(1, '\0'), kFileSize,
                  "1 bytes follow the last surface element");
}

TEST_F(BinaryDamage, HeaderFields) {
    expectRefused(with32(4, 2), 4, "layout version 2 is not supported");
    expectRefused(with32(4, 0), 4, "layout version 0");
    expectRefused(with32(8, 0xFFFFFFFFu), 8, "node count -1 is negative");
    expectRefused(with32(12, 0x80000000u), 12, "part element count -2147483648 is negative");
    expectRefused(with32(16, 0xFFFFFFFEu), 16, "surface element count -2 is negative");
    // Counts that claim more than the file holds, up to 2^31 - 1, fail on the size alone.
    expectRefused(with32(8, 9), kFileSize, "need 436 bytes");
    expectRefused(with32(8, 0x7FFFFFFFu), kFileSize, "2147483647 nodes");
    expectRefused(with32(12, 0x7FFFFFFFu), kFileSize, "2147483647 part elements");
    expectRefused(with32(16, 0x7FFFFFFFu), kFileSize, "2147483647 surface elements");
    // Fewer than held: the file is longer than the counts say.
    expectRefused(with32(16, 5), kFileSize - 36, "36 bytes follow");
}

TEST_F(BinaryDamage, UnitField) {
    std::string noNul = cube_;
    std::memset(&noNul[20], 'm', 44);
    expectRefused(noNul, 20, "not NUL-terminated");
    std::string padded = cube_;
    padded[20 + 10] = 'x';  // "mm", NULs, then a stray byte
    expectRefused(padded, 30, "padding");
    std::string longest = cube_;
    std::memset(&longest[20], 'm', 43);
    const std::string path = dir_.file("unit43.nqbb");
    nqbtest::writeBytes(path, longest);
    NQBIO_Manipulator reader;
    ASSERT_EQ(reader.beginReading(path.c_str(), nullptr, 0), 1);
    EXPECT_EQ(std::string(reader.getHeaderUnitString()), std::string(43, 'm'));
}

TEST_F(BinaryDamage, NonFiniteReals) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::string b = cube_;
    putFloat(b, kNodes + 6 * 12 + 8, nan);  // node 7, z
    expectRefused(b, kNodes + 6 * 12 + 8, "node 7: coordinate 3 is not finite");
    b = cube_;
    putFloat(b, kNodes + 4, -inf);  // node 1, y
    expectRefused(b, kNodes + 4, "node 1: coordinate 2 is not finite");
    b = cube_;
    putFloat(b, kParts + 44, inf);
    expectRefused(b, kParts + 44, "part element 1: volume is not finite");
}

TEST_F(BinaryDamage, PartElementRecords) {
    expectRefused(with32(kParts, 9), kParts, "part element 1: node count 9 is outside 1..8");
    expectRefused(with32(kParts, 0), kParts, "node count 0");
    expectRefused(with32(kParts + 4 + 4 * 3, 0), kParts + 16, "node number 0 is outside 1..8");
    expectRefused(with32(kParts + 4 + 4 * 7, 9), kParts + 32, "node number 9 is outside 1..8");
    // A tetrahedron whose unused slots still hold node numbers is a damaged record.
    std::string tet = with32(kParts, 4);
    expectRefused(tet, kParts + 4 + 4 * 4, "unused node slot 5 holds 5 (0 expected)");
    for (int j = 4; j < 8; ++j) put32(tet, kParts + 4 + 4 * static_cast<std::size_t>(j), 0);
    const std::string path = dir_.file("tet.nqbb");
    nqbtest::writeBytes(path, tet);
    NQBIO_Manipulator reader;
    ASSERT_EQ(reader.beginReading(path.c_str(), nullptr, 0), 1);
    int n = 0, nodes[8] = {}, word = 0, code = 0;
    float volume = 0;
    EXPECT_EQ(reader.readElementPlasticBlockEntry(n, nodes, word, code, volume), 0);
    EXPECT_EQ(n, 4);
}

TEST_F(BinaryDamage, SurfaceElementRecords) {
    const std::size_t third = kSurfaces + 2 * 36;
    expectRefused(with32(third + 8, 0), third + 8, "surface element 3: node number 0");
    expectRefused(with32(third + 12, 9), third + 12, "surface element 3: node number 9");
    expectRefused(with32(third + 12, 0x80000000u), third + 12, "node number -2147483648");
}

TEST_F(BinaryDamage, MagicAndALaterGoodRead) {
    std::string b = cube_;
    b[3] = 'C';
    expectRefused(b, 0, "not a mesh file");
    const std::string path = dir_.file("good.nqbb");
    nqbtest::writeBytes(path, cube_);
    NQBIO_Manipulator reader;
    EXPECT_EQ(reader.beginReading(path.c_str(), nullptr, 0), 1);
    EXPECT_EQ(reader.nMaxNodes, 8);
}

}  // namespace
