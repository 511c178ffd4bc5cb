// Writing mesh files: content written in either encoding reads back bit for bit, the binary
// form byte for byte as the corpus script encodes it, and content that would not read back as
// it is gets refused with nothing written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"

namespace {

using Mesh = nqbio::MeshData;

bool write(const Mesh& mesh, bool text, const std::string& path, std::string* error = nullptr) {
    return text ? nqbio::writeText(path, mesh, error) : nqbio::writeBinary(path, mesh, error);
}

void expectReadsBack(const Mesh& mesh, bool text) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(write(mesh, text, dir.file("ok"), &error)) << error;
    Mesh back;
    ASSERT_TRUE(nqbio::readMesh(dir.file("ok"), back, &error)) << error;
    nqbtest::expectSameContent(mesh, back);
}

// Every element shape, extreme integers and floats that are awkward to print.
Mesh awkwardMesh() {
    using L = std::numeric_limits<float>;
    Mesh m;
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
    for (int n = 1; n <= 8; ++n) {
        nqbio::PartElement& e = m.parts.emplace_back();
        e.nNode = n;
        for (int j = 0; j < n; ++j) e.node[j] = (j * 37 + n) % m.nodeCount() + 1;
        e.attrWord = (n % 2) ? 0xFFFFFFFFu : 0x01000000u * static_cast<std::uint32_t>(n);
        e.attrCode = (n == 1) ? std::numeric_limits<std::int32_t>::min() : 100 * n + 1;
        e.volume = m.xyz[static_cast<std::size_t>(n) * 7];
    }
    m.surfaces = {{{1, m.nodeCount(), 5, 5},
                   2,
                   std::numeric_limits<int>::max(),
                   -1,
                   13,
                   std::numeric_limits<int>::min()},
                  {{5, 6, 7, 8}}};
    return m;
}

TEST(MeshWriter, BothEncodingsReadBackBitExactAndBinaryMatchesAHandEncoding) {
    for (bool text : {true, false}) {
        expectReadsBack(awkwardMesh(), text);
        expectReadsBack(Mesh{}, text);
        Mesh m = nqbtest::cube().mesh;
        m.unit = std::string(43, 'c');  // the longest unit either encoding holds
        expectReadsBack(m, text);
        m.unit = "";
        expectReadsBack(m, text);
    }
    TempDir dir;
    ASSERT_TRUE(nqbio::writeBinary(dir.file("cube.nqbb"), nqbtest::cube().mesh));
    EXPECT_EQ(nqbtest::readBytes(dir.file("cube.nqbb")),
              nqbtest::readBytes(nqbtest::corpusFile("bin_valid.nqb")));
    ASSERT_TRUE(nqbio::writeBinary(dir.file("empty.nqbb"), Mesh{}));
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty.nqbb")), 64u);  // the header alone
}

TEST(MeshWriter, ContentThatCannotBeStoredIsRefusedAndNothingWritten) {
    const struct {
        std::function<void(Mesh&)> damage;
        std::string what;
        bool binaryHoldsIt;
    } cases[] = {
        {[](Mesh& m) { m.unit = std::string(44, 'c'); }, "44 characters", false},
        {[](Mesh& m) { m.unit = std::string("m\0m", 3); }, "NUL", false},
        {[](Mesh& m) { m.xyz[5] = std::nanf(""); }, "node 2 has a non-finite", false},
        {[](Mesh& m) { m.xyz.pop_back(); }, "three values per node", false},
        {[](Mesh& m) { m.parts[0].volume = std::numeric_limits<float>::infinity(); },
         "volume is not finite", false},
        {[](Mesh& m) { m.parts[0].nNode = 9; }, "node count 9 is outside 1..8", false},
        {[](Mesh& m) { m.parts[0].nNode = 0; }, "node count 0", false},
        {[](Mesh& m) { m.parts[0].node[3] = 9; }, "element 1: node number 9 is", false},
        {[](Mesh& m) { m.surfaces[5].node[0] = 0; }, "surface element 6: node number 0", false},
        {[](Mesh& m) { m.surfaces[5].node[3] = 9; }, "surface element 6: node number 9", false},
        // What only the line-oriented encoding cannot hold.
        {[](Mesh& m) { m.unit = "mm # note"; }, "unit text", true},
        {[](Mesh& m) { m.unit = "m\nm"; }, "unit text", true},
        {[](Mesh& m) { m.unit = "m\rm"; }, "unit text", true},
        {[](Mesh& m) { m.unit = " mm"; }, "unit text", true},
        {[](Mesh& m) { m.unit = "mm\t"; }, "unit text", true},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Mesh m = nqbtest::cube().mesh;
        c.damage(m);
        for (bool text : {true, false}) {
            if (!text && c.binaryHoldsIt) {
                expectReadsBack(m, text);
                continue;
            }
            std::string error;
            EXPECT_FALSE(write(m, text, dir.file("out"), &error)) << text;
            EXPECT_NE(error.find(c.what), std::string::npos) << error;
            EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
        }
    }
}

TEST(MeshWriter, SlotsPastTheNodeCountAreWrittenAsZeroAndFailuresLeaveNoChange) {
    TempDir dir;
    Mesh m = nqbtest::cube().mesh;
    m.parts[0].nNode = 4;  // slots 5..8 still hold 5..8
    for (bool text : {true, false}) {
        Mesh back;
        ASSERT_TRUE(write(m, text, dir.file("tet")) && nqbio::readMesh(dir.file("tet"), back));
        EXPECT_EQ(back.parts[0].nNode, 4);
        for (int j = 0; j < 8; ++j) EXPECT_EQ(back.parts[0].node[j], j < 4 ? j + 1 : 0);
    }
    std::string error;
    EXPECT_FALSE(nqbio::writeText(dir.file("no/such/dir.nqb"), m, &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_FALSE(nqbio::writeBinary(dir.path().string(), m, &error));

    Mesh target = nqbtest::cube().mesh;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(nqbio::readMesh(dir.file("absent.nqb"), target, &error));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), error + "\n");
    nqbtest::expectSameContent(nqbtest::cube().mesh, target);
}

}  // namespace
