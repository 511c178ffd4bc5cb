// Shared by the mesh reader and the mesh loading tests: mesh content built entry by entry, the
// unit cube of the format description, file helpers, and the check of a refused read.
#ifndef QVR_TESTS_NQB_TEST_FILES_H
#define QVR_TESTS_NQB_TEST_FILES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "NQBIO_Manipulator.h"
#include "TempDir.h"

namespace nqbtest {

struct MeshBuilder {
    nqbio::MeshData mesh;

    explicit MeshBuilder(std::string unit = "mm") { mesh.unit = std::move(unit); }
    // Returns the new node's file number.
    int node(float x, float y, float z) {
        mesh.xyz.insert(mesh.xyz.end(), {x, y, z});
        return mesh.nodeCount();
    }
    MeshBuilder& cell(std::initializer_list<int> nodes, float volume = 1.0f,
                      std::uint32_t attrWord = 0, std::int32_t attrCode = 1) {
        nqbio::PartElement& e = mesh.parts.emplace_back();
        e.nNode = static_cast<int>(nodes.size());
        std::copy(nodes.begin(), nodes.end(), e.node);
        e.attrWord = attrWord;
        e.attrCode = attrCode;
        e.volume = volume;
        return *this;
    }
    MeshBuilder& face(int a, int b, int c, int d, int kind = 1, int code = 0) {
        mesh.surfaces.push_back({{a, b, c, d}, kind, 0, 0, code, 0});
        return *this;
    }
};

// The unit cube: nodes 1..8 at the corners, one hexahedron, six outward skin faces in the
// order bottom, top, y = 0, x = 1, y = 1, x = 0.
inline MeshBuilder cube(const std::string& unit = "mm", float volume = 1.0f) {
    MeshBuilder b(unit);
    const float corners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                 {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (const auto& c : corners) b.node(c[0], c[1], c[2]);
    b.cell({1, 2, 3, 4, 5, 6, 7, 8}, volume);
    b.face(1, 4, 3, 2).face(5, 6, 7, 8).face(1, 2, 6, 5);
    b.face(2, 3, 7, 6).face(3, 4, 8, 7).face(4, 1, 5, 8);
    return b;
}

// The same cube as the format description writes it: lines 1 NQBTEXT, 2 UNIT, 3 COUNTS,
// 4 NODES, 5-12 nodes, 13 PART_ELEMENTS, 14 its entry, 15 SURFACE_ELEMENTS, 16-21 faces, 22 END.
inline const std::string kCubeText =
    "NQBTEXT 1\nUNIT mm\nCOUNTS 8 1 6\nNODES\n"
    "0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n"
    "PART_ELEMENTS\n8 1 2 3 4 5 6 7 8 0 1 1.0\nSURFACE_ELEMENTS\n"
    "1 4 3 2 1 0 0 0 0\n5 6 7 8 1 0 0 0 0\n1 2 6 5 1 0 0 0 0\n"
    "2 3 7 6 1 0 0 0 0\n3 4 8 7 1 0 0 0 0\n4 1 5 8 1 0 0 0 0\nEND\n";

// A file of the damaged-input corpus, written field by field by its own script.
inline std::string corpusFile(const std::string& name) {
    return std::string(QVR_TEST_DATA_DIR) + "/damaged/" + name;
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

// Reading `path` must give 0 with exactly one diagnostic line "path:place: ..." holding `what`
// on standard error, kept as the last error; the reader, which held the cube before, then
// holds nothing, and reads the cube again cleanly afterwards.
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

// Entries compared bit for bit (the records have no padding), naming the first that differs.
template <typename T>
void expectSameBits(const std::vector<T>& a, const std::vector<T>& b, const char* what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(std::memcmp(&a[i], &b[i], sizeof(T)), 0) << what << " " << i;
    }
}

inline void expectSameContent(const nqbio::MeshData& a, const nqbio::MeshData& b) {
    EXPECT_EQ(a.unit, b.unit);
    expectSameBits(a.xyz, b.xyz, "coordinate");
    expectSameBits(a.parts, b.parts, "part element");
    expectSameBits(a.surfaces, b.surfaces, "surface element");
}

}  // namespace nqbtest

#endif
