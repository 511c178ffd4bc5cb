// Shared material of the mesh reader tests: a small valid mesh in both encodings, file
// helpers, and a way to run a read that is expected to fail and catch its diagnostic.
#ifndef QVR_TESTS_NQB_TEST_FILES_H
#define QVR_TESTS_NQB_TEST_FILES_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "NQBIO_Manipulator.h"
#include "TempDir.h"

namespace nqbtest {

// The unit cube of the format description, text encoding, LF line ends.
inline const char* const kCubeText =
    "NQBTEXT 1\nUNIT mm\nCOUNTS 8 1 6\nNODES\n"
    "0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n"
    "PART_ELEMENTS\n8 1 2 3 4 5 6 7 8 0 1 1.0\n"
    "SURFACE_ELEMENTS\n"
    "1 4 3 2 1 0 0 0 0\n5 6 7 8 1 0 0 0 0\n1 2 6 5 1 0 0 0 0\n"
    "2 3 7 6 1 0 0 0 0\n3 4 8 7 1 0 0 0 0\n4 1 5 8 1 0 0 0 0\n"
    "END\n";

// The same cube as content.
inline nqbio::MeshData unitCube() {
    nqbio::MeshData m;
    m.xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
    nqbio::PartElement hex;
    hex.nNode = 8;
    for (int j = 0; j < 8; ++j) hex.node[j] = j + 1;
    hex.attrCode = 1;
    hex.volume = 1.0f;
    m.parts.push_back(hex);
    const int faces[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5},
                             {2, 3, 7, 6}, {3, 4, 8, 7}, {4, 1, 5, 8}};
    for (const auto& f : faces) {
        m.surfaces.emplace_back();
        std::memcpy(m.surfaces.back().node, f, sizeof f);
    }
    return m;
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the first occurrence of `from` (which must exist) by `to`.
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Any place: for faults whose line or offset a test does not pin.
constexpr std::uint64_t kAnyPlace = ~std::uint64_t{0};

// Reading `path` must give result 0 with exactly one diagnostic line "path:place: ..."
// holding `what`, kept as the last error; the reader, which held the cube before, must then
// hold nothing, and read the cube again cleanly afterwards.
inline void expectRefusedAt(const std::string& path, std::uint64_t place, const std::string& what) {
    const TempDir scratch;
    const std::string good = scratch.file("good.nqb");
    writeBytes(good, kCubeText);
    NQBIO_Manipulator reader;
    ASSERT_EQ(reader.beginReading(good.c_str(), nullptr, 0), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(reader.beginReading(path.c_str(), nullptr, 0), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    if (place != kAnyPlace) {
        EXPECT_EQ(err.rfind(path + ":" + std::to_string(place) + ": ", 0), 0u) << err;
    }
    EXPECT_NE(err.find(what), std::string::npos) << err;
    EXPECT_EQ(err, std::string(reader.getLastError()) + "\n");
    EXPECT_EQ(err.find('\n'), err.size() - 1);
    float x = 0, y = 0, z = 0;
    EXPECT_EQ(reader.nMaxNodes + reader.nMaxElemPlastic + reader.nMaxElemSurface, 0);
    EXPECT_STREQ(reader.getHeaderUnitString(), "");
    EXPECT_EQ(reader.readNodeBlockEntry(x, y, z), -1);
    ASSERT_EQ(reader.beginReading(good.c_str(), nullptr, 0), 1);
    EXPECT_STREQ(reader.getLastError(), "");
}

// Every field of a content as bits, node slots past the node count left out.
inline std::vector<std::uint32_t> fieldBits(const nqbio::MeshData& m) {
    std::vector<std::uint32_t> bits;
    const auto add = [&bits](const auto& v) {
        std::uint32_t b = 0;
        std::memcpy(&b, &v, 4);
        bits.push_back(b);
    };
    for (float f : m.xyz) add(f);
    for (const auto& p : m.parts) {
        add(p.nNode);
        for (int j = 0; j < p.nNode && j < 8; ++j) add(p.node[j]);
        add(p.attrWord);
        add(p.attrCode);
        add(p.volume);
    }
    for (const auto& s : m.surfaces) {
        for (int n : s.node) add(n);
        for (int v : {s.kind, s.aux1, s.aux2, s.code, s.aux3}) add(v);
    }
    return bits;
}

// Bit-exact comparison of two contents, naming the first field that differs.
inline void expectSameContent(const nqbio::MeshData& a, const nqbio::MeshData& b) {
    EXPECT_EQ(a.unit, b.unit);
    EXPECT_EQ(a.xyz.size(), b.xyz.size());
    EXPECT_EQ(a.parts.size(), b.parts.size());
    EXPECT_EQ(a.surfaces.size(), b.surfaces.size());
    const std::vector<std::uint32_t> x = fieldBits(a), y = fieldBits(b);
    ASSERT_EQ(x.size(), y.size());
    for (std::size_t i = 0; i < x.size(); ++i) ASSERT_EQ(x[i], y[i]) << "field " << i;
}

}  // namespace nqbtest

#endif
