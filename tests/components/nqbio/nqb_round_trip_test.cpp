// Content written in either encoding reads back bit for bit, through both read paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"

namespace {

float floatFromBits(std::uint32_t bits) {
    float f = 0;
    std::memcpy(&f, &bits, 4);
    return f;
}

// Every element shape, extreme integers and floats that are awkward to print.
nqbio::MeshData awkwardMesh() {
    nqbio::MeshData m;
    m.unit = "inch\t(µ-scale) [x]";  // a tab and UTF-8 inside survive both encodings
    const float awkward[] = {0.1f,
                             -0.0f,
                             std::numeric_limits<float>::denorm_min(),
                             -std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<float>::min(),
                             std::numeric_limits<float>::max(),
                             -std::numeric_limits<float>::max(),
                             16777216.0f,
                             16777218.0f,
                             1.0f / 3.0f,
                             1e-38f,
                             123456789.0f,
                             7.0e-45f,
                             3.4028234e38f,
                             2.5f};
    for (float f : awkward) m.xyz.push_back(f);
    // Random bit patterns cover every exponent; non-finite ones are skipped.
    std::mt19937 rng(20240611u);
    while (m.xyz.size() < 3 * 2000) {
        const float f = floatFromBits(static_cast<std::uint32_t>(rng()));
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
    nqbio::SurfaceElement tri;
    tri.node[0] = 1;
    tri.node[1] = nodeCount;
    tri.node[2] = 5;
    tri.node[3] = 5;
    tri.kind = 2;
    tri.aux1 = std::numeric_limits<std::int32_t>::max();
    tri.aux2 = -1;
    tri.code = 13;
    tri.aux3 = std::numeric_limits<std::int32_t>::min();
    m.surfaces.push_back(tri);
    m.surfaces.push_back(nqbtest::unitCube().surfaces[1]);
    return m;
}

class RoundTrip : public testing::Test {
protected:
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

    // Converting in either direction is lossless: the files come out byte for byte the same.
    const std::string text2 = dir_.file("b.nqb");
    const std::string binary2 = dir_.file("b.nqbb");
    ASSERT_TRUE(nqbio::writeText(text2, fromBinary, &error)) << error;
    ASSERT_TRUE(nqbio::writeBinary(binary2, fromText, &error)) << error;
    EXPECT_EQ(nqbtest::readBytes(text), nqbtest::readBytes(text2));
    EXPECT_EQ(nqbtest::readBytes(binary), nqbtest::readBytes(binary2));
}

TEST_F(RoundTrip, BinaryLayoutMatchesAHandEncodedFile) {
    // The cube encoded field by field from the layout table.
    std::string expected;
    auto u32 = [&expected](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) expected += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto f32 = [&u32](float f) {
        std::uint32_t v = 0;
        std::memcpy(&v, &f, 4);
        u32(v);
    };
    expected += "NQBB";
    u32(1);
    u32(8);
    u32(1);
    u32(6);
    expected += "mm";
    expected += std::string(42, '\0');
    const nqbio::MeshData cube = nqbtest::unitCube();
    for (float c : cube.xyz) f32(c);
    u32(8);
    for (int j = 1; j <= 8; ++j) u32(static_cast<std::uint32_t>(j));
    u32(0);
    u32(1);
    f32(1.0f);
    for (const auto& s : cube.surfaces) {
        for (int n : s.node) u32(static_cast<std::uint32_t>(n));
        for (int v : {1, 0, 0, 0, 0}) u32(static_cast<std::uint32_t>(v));
    }
    ASSERT_EQ(expected.size(), 64u + 12 * 8 + 48 + 36 * 6);

    const std::string path = dir_.file("cube.nqbb");
    ASSERT_TRUE(nqbio::writeBinary(path, cube));
    EXPECT_EQ(nqbtest::readBytes(path), expected);
}

TEST_F(RoundTrip, TheDocumentedExampleReadsAsTheCube) {
    const std::string path = dir_.file("cube.nqb");
    nqbtest::writeBytes(path, nqbtest::kCubeText);
    nqbio::MeshData read;
    std::string error;
    ASSERT_TRUE(nqbio::readMesh(path, read, &error)) << error;
    nqbtest::expectSameContent(nqbtest::unitCube(), read);
}

TEST_F(RoundTrip, EntriesAreDeliveredInOrderThenTheBlockEnds) {
    const std::string path = dir_.file("cube.nqb");
    nqbtest::writeBytes(path, nqbtest::kCubeText);
    NQBIO_Manipulator reader;
    float x = -1, y = -1, z = -1;
    EXPECT_EQ(reader.readNodeBlockEntry(x, y, z), -1);  // nothing open yet
    EXPECT_EQ(x, -1.0f);
    ASSERT_EQ(reader.beginReading(path.c_str(), nullptr, 0), 1);
    EXPECT_EQ(reader.nMaxNodes, 8);
    EXPECT_EQ(reader.nMaxElemPlastic, 1);
    EXPECT_EQ(reader.nMaxElemSurface, 6);
    EXPECT_STREQ(reader.getHeaderUnitString(), "mm");
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(reader.readNodeBlockEntry(x, y, z), k);
    }
    EXPECT_EQ(x, 0.0f);  // node 8 is (0, 1, 1)
    EXPECT_EQ(y, 1.0f);
    EXPECT_EQ(z, 1.0f);
    EXPECT_EQ(reader.readNodeBlockEntry(x, y, z), -1);

    int n = 0, nodes[8] = {}, word = -1, code = -1;
    float volume = 0;
    EXPECT_EQ(reader.readElementPlasticBlockEntry(n, nodes, word, code, volume), 0);
    EXPECT_EQ(n, 8);
    EXPECT_EQ(nodes[7], 8);
    EXPECT_EQ(word, 0);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(volume, 1.0f);
    EXPECT_EQ(reader.readElementPlasticBlockEntry(n, nodes, word, code, volume), -1);
    EXPECT_EQ(reader.readElementPlasticBlockEntry(n, nullptr, word, code, volume), -1);

    int kind = 0, a1 = 0, a2 = 0, a3 = 0, surfCode = 0;
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(reader.readElementSurfaceBlockEntry(nodes, kind, a1, a2, surfCode, a3), k);
    }
    EXPECT_EQ(nodes[0], 4);  // last face: 4 1 5 8
    EXPECT_EQ(nodes[3], 8);
    EXPECT_EQ(reader.readElementSurfaceBlockEntry(nodes, kind, a1, a2, surfCode, a3), -1);

    EXPECT_EQ(reader.endReading(), 1);
    EXPECT_EQ(reader.nMaxNodes, 0);
    EXPECT_STREQ(reader.getHeaderUnitString(), "");
}

TEST_F(RoundTrip, TextVariantsReadAsTheSameContent) {
    const std::string cube = nqbtest::kCubeText;
    // CRLF line ends, comments everywhere, tabs and extra blanks, a final line without a line
    // end, every C form of a real, signed integers and a hex attribute word.
    std::string variant;
    for (char c : cube) variant += (c == '\n') ? std::string("\r\n") : std::string(1, c);
    variant =
        nqbtest::replaced(variant, "UNIT mm\r\n", "# comment\r\n\r\nUNIT \t mm  # unit\r\n\t\r\n");
    variant = nqbtest::replaced(variant, "1 0 0\r\n", "+1.0 -0 0.\r\n");
    variant = nqbtest::replaced(variant, "1 1 0\r\n", "\t1E0  1e-0\t+.0e5 # corner\r\n");
    variant =
        nqbtest::replaced(variant, "8 1 2 3 4 5 6 7 8 0 1 1.0", "+8 1 2 3 4 5 6 7 8 0x0 +1 10e-1");
    variant = nqbtest::replaced(variant, "END\r\n", "END # done\r\n# trailing\r\n\r\n");
    nqbio::MeshData expected = nqbtest::unitCube();
    expected.xyz[4] = -0.0f;  // node 2, y: "-0"
    const std::string path = dir_.file("variant.nqb");
    nqbtest::writeBytes(path, variant);
    nqbio::MeshData read;
    std::string error;
    ASSERT_TRUE(nqbio::readMesh(path, read, &error)) << error;
    nqbtest::expectSameContent(expected, read);

    // The last line may end in a bare CR (a CRLF file cut before its final LF).
    nqbtest::writeBytes(path, cube.substr(0, cube.size() - 1) + "\r");
    ASSERT_TRUE(nqbio::readMesh(path, read, &error)) << error;
    nqbtest::expectSameContent(nqbtest::unitCube(), read);

    const std::string unterminated = cube.substr(0, cube.size() - 1);
    nqbtest::writeBytes(path, unterminated);
    ASSERT_TRUE(nqbio::readMesh(path, read, &error)) << error;
    nqbtest::expectSameContent(nqbtest::unitCube(), read);
}

TEST_F(RoundTrip, AttributeWordFormsAndRealRounding) {
    std::string text = nqbtest::kCubeText;
    text = nqbtest::replaced(text, "8 1 2 3 4 5 6 7 8 0 1 1.0",
                             "8 1 2 3 4 5 6 7 8 0xFF000001 -7 3.4028235e38");
    // Above the largest float but closer to it than to the overflow point: it rounds down.
    text = nqbtest::replaced(text, "1 1 1\n", "1e-50 -1e-400 0.1\n");
    const std::string path = dir_.file("forms.nqb");
    nqbtest::writeBytes(path, text);
    nqbio::MeshData read;
    std::string error;
    ASSERT_TRUE(nqbio::readMesh(path, read, &error)) << error;
    EXPECT_EQ(read.parts[0].attrWord, 0xFF000001u);
    EXPECT_EQ(read.parts[0].attrCode, -7);
    EXPECT_EQ(read.parts[0].volume, std::numeric_limits<float>::max());
    EXPECT_EQ(read.xyz[18], 0.0f);
    EXPECT_FALSE(std::signbit(read.xyz[18]));
    EXPECT_EQ(read.xyz[19], 0.0f);
    EXPECT_TRUE(std::signbit(read.xyz[19]));  // underflow keeps the sign
    EXPECT_EQ(read.xyz[20], 0.1f);
}

}  // namespace
