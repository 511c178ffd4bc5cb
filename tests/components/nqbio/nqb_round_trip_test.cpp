// Content written in either encoding reads back bit for bit, through both read paths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"

namespace {

// Every element shape, extreme integers and floats that are awkward to print.
nqbio::MeshData awkwardMesh() {
    using L = std::numeric_limits<float>;
    nqbio::MeshData m;
    m.unit = "inch\t(µ-scale) [x]";  // a tab and UTF-8 inside survive both encodings
    m.xyz = {0.1f, -0.0f, L::denorm_min(), L::min(), -L::max(), 16777218.0f, 1.0f / 3.0f};
    // Random bit patterns cover every exponent; non-finite ones are skipped.
    std::mt19937 rng(20240611u);
    while (m.xyz.size() < 3 * 2000) {
        const std::uint32_t bits = static_cast<std::uint32_t>(rng());
        float f = 0;
        std::memcpy(&f, &bits, 4);
        if (std::isfinite(f)) m.xyz.push_back(f);
    }
    const int nodeCount = m.nodeCount();
    for (int n = 1; n <= 8; ++n) {
        nqbio::PartElement e;
        e.nNode = n;
        for (int j = 0; j < n; ++j) e.node[j] = (j * 37 + n) % nodeCount + 1;
        e.attrWord = (n % 2) ? 0xFFFFFFFFu : 0x01000000u * static_cast<std::uint32_t>(n);
        e.attrCode = (n == 1) ? std::numeric_limits<std::int32_t>::min() : 100 * n + 1;
        e.volume = m.xyz[static_cast<std::size_t>(n) * 7];
        m.parts.push_back(e);
    }
    const nqbio::SurfaceElement tri{{1, nodeCount, 5, 5}, 2, std::numeric_limits<int>::max(),
                                    -1, 13, std::numeric_limits<int>::min()};
    m.surfaces = {tri, nqbtest::unitCube().surfaces[1]};
    return m;
}

class RoundTrip : public testing::Test {
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

TEST_F(RoundTrip, TextAndBinaryReadBackBitExact) {
    const nqbio::MeshData original = awkwardMesh();
    const std::string text = dir_.file("a.nqb");
    const std::string binary = dir_.file("a.nqbb");
    std::string error;
    ASSERT_TRUE(nqbio::writeText(text, original, &error)) << error;
    ASSERT_TRUE(nqbio::writeBinary(binary, original, &error)) << error;

    nqbio::MeshData fromText, fromBinary;
    ASSERT_TRUE(nqbio::readMesh(text, fromText, &error)) << error;
    ASSERT_TRUE(nqbio::readMesh(binary, fromBinary, &error)) << error;
    nqbtest::expectSameContent(original, fromText);
    nqbtest::expectSameContent(original, fromBinary);
}

TEST_F(RoundTrip, BinaryLayoutMatchesAHandEncodedFile) {
    // The cube encoded field by field from the layout table.
    std::string expected = "NQBB";
    auto u32 = [&expected](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) expected += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    for (std::uint32_t v : {1, 8, 1, 6}) u32(v);
    expected += "mm" + std::string(42, '\0');
    const nqbio::MeshData cube = nqbtest::unitCube();
    for (float c : cube.xyz) u32(c == 0.0f ? 0u : 0x3F800000u);  // 0 and 1 as float bits
    for (std::uint32_t v : {8, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 0x3F800000}) u32(v);
    for (const auto& s : cube.surfaces) {
        for (int n : s.node) u32(static_cast<std::uint32_t>(n));
        for (std::uint32_t v : {1, 0, 0, 0, 0}) u32(v);
    }
    ASSERT_EQ(expected.size(), 64u + 12 * 8 + 48 + 36 * 6);
    ASSERT_TRUE(nqbio::writeBinary(dir_.file("cube.nqbb"), cube));
    EXPECT_EQ(nqbtest::readBytes(dir_.file("cube.nqbb")), expected);
}

TEST_F(RoundTrip, TheDocumentedExampleIsDeliveredEntryByEntry) {
    nqbtest::expectSameContent(nqbtest::unitCube(), readBack(nqbtest::kCubeText));
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

TEST_F(RoundTrip, TextVariantsReadAsTheSameContent) {
    const std::string cube = nqbtest::kCubeText;
    // CRLF line ends, comments everywhere, tabs and extra blanks, every C form of a real,
    // signed integers and a hex attribute word above the signed range.
    std::string variant;
    for (char c : cube) variant += (c == '\n') ? std::string("\r\n") : std::string(1, c);
    variant =
        nqbtest::replaced(variant, "UNIT mm\r\n", "# comment\r\n\r\nUNIT \t mm  # unit\r\n\t\r\n");
    variant = nqbtest::replaced(variant, "1 0 0\r\n", "+1.0 -0 0.\r\n");
    variant = nqbtest::replaced(variant, "1 1 0\r\n", "\t1E0  1e-0\t+.0e5 # corner\r\n");
    variant = nqbtest::replaced(variant, "8 1 2 3 4 5 6 7 8 0 1 1.0",
                                "+8 1 2 3 4 5 6 7 8 0xFF000001 -7 10e-1");
    variant = nqbtest::replaced(variant, "END\r\n", "END # done\r\n# trailing\r\n\r\n");
    nqbio::MeshData expected = nqbtest::unitCube();
    expected.xyz[4] = -0.0f;  // node 2, y: "-0"
    expected.parts[0].attrWord = 0xFF000001u;
    expected.parts[0].attrCode = -7;
    nqbtest::expectSameContent(expected, readBack(variant));

    // The last line may end in a bare CR (a CRLF file cut before its final LF), or in nothing.
    nqbtest::expectSameContent(nqbtest::unitCube(),
                               readBack(cube.substr(0, cube.size() - 1) + "\r"));
    nqbtest::expectSameContent(nqbtest::unitCube(), readBack(cube.substr(0, cube.size() - 1)));
}

}  // namespace
