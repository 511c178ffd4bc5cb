// Shared material of the mesh reader tests: a small valid mesh in both encodings, file
// helpers, and a way to run a read that is expected to fail and catch its diagnostic.
#ifndef QVR_TESTS_NQB_TEST_FILES_H
#define QVR_TESTS_NQB_TEST_FILES_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "NQBIO_Manipulator.h"

namespace nqbtest {

// The unit cube of the format description, text encoding, LF line ends.
inline const char* const kCubeText =
    "NQBTEXT 1\n"
    "UNIT mm\n"
    "COUNTS 8 1 6\n"
    "NODES\n"
    "0 0 0\n"
    "1 0 0\n"
    "1 1 0\n"
    "0 1 0\n"
    "0 0 1\n"
    "1 0 1\n"
    "1 1 1\n"
    "0 1 1\n"
    "PART_ELEMENTS\n"
    "8 1 2 3 4 5 6 7 8 0 1 1.0\n"
    "SURFACE_ELEMENTS\n"
    "1 4 3 2 1 0 0 0 0\n"
    "5 6 7 8 1 0 0 0 0\n"
    "1 2 6 5 1 0 0 0 0\n"
    "2 3 7 6 1 0 0 0 0\n"
    "3 4 8 7 1 0 0 0 0\n"
    "4 1 5 8 1 0 0 0 0\n"
    "END\n";

// The same cube as content.
inline nqbio::MeshData unitCube() {
    nqbio::MeshData m;
    m.unit = "mm";
    m.xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
    nqbio::PartElement hex;
    hex.nNode = 8;
    for (int j = 0; j < 8; ++j) hex.node[j] = j + 1;
    hex.attrWord = 0;
    hex.attrCode = 1;
    hex.volume = 1.0f;
    m.parts.push_back(hex);
    const int faces[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5},
                             {2, 3, 7, 6}, {3, 4, 8, 7}, {4, 1, 5, 8}};
    for (const auto& f : faces) {
        nqbio::SurfaceElement s;
        std::memcpy(s.node, f, sizeof f);
        m.surfaces.push_back(s);
    }
    return m;
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// 1-based number of the first line of `text` that equals `line`; 0 when absent.
inline std::uint64_t lineOf(const std::string& text, const std::string& line) {
    std::istringstream in(text);
    std::string l;
    for (std::uint64_t n = 1; std::getline(in, l); ++n) {
        if (l == line) return n;
    }
    return 0;
}

// Replaces the first occurrence of `from` (which must exist) by `to`.
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

struct Refusal {
    int result = -99;
    std::string stderrText;
    std::string lastError;
    bool emptyAfterwards = false;  // no counts, no unit, every entry call -1
};

// Reads `path` on a fresh reader and records how it failed.
inline Refusal readRefused(const std::string& path) {
    Refusal r;
    NQBIO_Manipulator reader;
    testing::internal::CaptureStderr();
    r.result = reader.beginReading(path.c_str(), nullptr, 0);
    r.stderrText = testing::internal::GetCapturedStderr();
    r.lastError = reader.getLastError();
    float x = 0, y = 0, z = 0;
    int nodes[8] = {}, n = 0, w = 0, c = 0, k = 0, a1 = 0, a2 = 0, a3 = 0;
    float v = 0;
    r.emptyAfterwards = reader.nMaxNodes == 0 && reader.nMaxElemPlastic == 0 &&
                        reader.nMaxElemSurface == 0 &&
                        std::string(reader.getHeaderUnitString()).empty() &&
                        reader.readNodeBlockEntry(x, y, z) == -1 &&
                        reader.readElementPlasticBlockEntry(n, nodes, w, c, v) == -1 &&
                        reader.readElementSurfaceBlockEntry(nodes, k, a1, a2, c, a3) == -1;
    return r;
}

// The refusal must be result 0 with exactly one diagnostic line "path:place: ..." holding
// `what`, kept as the last error, and the reader must hold nothing.
inline void expectRefusedAt(const std::string& path, std::uint64_t place, const std::string& what) {
    const Refusal r = readRefused(path);
    EXPECT_EQ(r.result, 0);
    const std::string prefix = path + ":" + std::to_string(place) + ": ";
    EXPECT_EQ(r.stderrText.rfind(prefix, 0), 0u) << r.stderrText;
    EXPECT_NE(r.stderrText.find(what), std::string::npos) << r.stderrText;
    EXPECT_EQ(r.stderrText, r.lastError + "\n");
    EXPECT_EQ(r.lastError.find('\n'), std::string::npos);
    EXPECT_TRUE(r.emptyAfterwards);
}

// Bit-exact comparison of two contents.
inline void expectSameContent(const nqbio::MeshData& a, const nqbio::MeshData& b) {
    EXPECT_EQ(a.unit, b.unit);
    ASSERT_EQ(a.xyz.size(), b.xyz.size());
    for (std::size_t i = 0; i < a.xyz.size(); ++i) {
        std::uint32_t ba = 0, bb = 0;
        std::memcpy(&ba, &a.xyz[i], 4);
        std::memcpy(&bb, &b.xyz[i], 4);
        EXPECT_EQ(ba, bb) << "coordinate " << i << ": " << a.xyz[i] << " vs " << b.xyz[i];
    }
    ASSERT_EQ(a.parts.size(), b.parts.size());
    for (std::size_t k = 0; k < a.parts.size(); ++k) {
        const nqbio::PartElement& p = a.parts[k];
        const nqbio::PartElement& q = b.parts[k];
        EXPECT_EQ(p.nNode, q.nNode) << k;
        for (int j = 0; j < p.nNode && j < 8; ++j) EXPECT_EQ(p.node[j], q.node[j]) << k;
        EXPECT_EQ(p.attrWord, q.attrWord) << k;
        EXPECT_EQ(p.attrCode, q.attrCode) << k;
        std::uint32_t vp = 0, vq = 0;
        std::memcpy(&vp, &p.volume, 4);
        std::memcpy(&vq, &q.volume, 4);
        EXPECT_EQ(vp, vq) << k;
    }
    ASSERT_EQ(a.surfaces.size(), b.surfaces.size());
    for (std::size_t k = 0; k < a.surfaces.size(); ++k) {
        const nqbio::SurfaceElement& s = a.surfaces[k];
        const nqbio::SurfaceElement& t = b.surfaces[k];
        for (int j = 0; j < 4; ++j) EXPECT_EQ(s.node[j], t.node[j]) << k;
        EXPECT_EQ(s.kind, t.kind) << k;
        EXPECT_EQ(s.aux1, t.aux1) << k;
        EXPECT_EQ(s.aux2, t.aux2) << k;
        EXPECT_EQ(s.code, t.code) << k;
        EXPECT_EQ(s.aux3, t.aux3) << k;
    }
}

}  // namespace nqbtest

#endif
