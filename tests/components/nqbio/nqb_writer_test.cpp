// Writers refuse content that would not read back as it is, and write nothing then.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"

namespace {

using Mesh = nqbio::MeshData;

bool write(const Mesh& mesh, bool text, const std::string& path, std::string* error = nullptr) {
    return text ? nqbio::writeText(path, mesh, error) : nqbio::writeBinary(path, mesh, error);
}

void expectRefused(const Mesh& mesh, bool text, const std::string& what) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(write(mesh, text, dir.file("out"), &error)) << (text ? "text" : "binary");
    EXPECT_NE(error.find(what), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
}

void expectReadsBack(const Mesh& mesh, bool text) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(write(mesh, text, dir.file("ok"), &error)) << error;
    Mesh back;
    ASSERT_TRUE(nqbio::readMesh(dir.file("ok"), back, &error)) << error;
    nqbtest::expectSameContent(mesh, back);
}

TEST(Writer, ContentThatCannotBeStoredIsRefused) {
    const struct {
        std::function<void(Mesh&)> damage;
        std::string what;
    } cases[] = {
        {[](Mesh& m) { m.unit = std::string(44, 'c'); }, "44 characters"},
        {[](Mesh& m) { m.unit = std::string("m\0m", 3); }, "NUL"},
        {[](Mesh& m) { m.xyz[5] = std::nanf(""); }, "node 2 has a non-finite"},
        {[](Mesh& m) { m.xyz.pop_back(); }, "three values per node"},
        {[](Mesh& m) { m.parts[0].volume = std::numeric_limits<float>::infinity(); },
         "volume is not finite"},
        {[](Mesh& m) { m.parts[0].nNode = 9; }, "node count 9 is outside 1..8"},
        {[](Mesh& m) { m.parts[0].nNode = 0; }, "node count 0"},
        {[](Mesh& m) { m.parts[0].node[3] = 9; }, "element 1: node number 9 is"},
        {[](Mesh& m) { m.surfaces[5].node[0] = 0; }, "surface element 6: node"},
        {[](Mesh& m) { m.surfaces[5].node[3] = 9; }, "surface element 6: node number 9"},
    };
    for (const auto& c : cases) {
        Mesh m = nqbtest::unitCube();
        c.damage(m);
        expectRefused(m, true, c.what);
        expectRefused(m, false, c.what);
    }
    // What only the line-oriented encoding cannot hold.
    for (const char* unit : {"mm # note", "m\nm", "m\rm", " mm", "mm\t"}) {
        Mesh m = nqbtest::unitCube();
        m.unit = unit;
        expectRefused(m, true, "unit text");
        expectReadsBack(m, false);
    }
    for (bool text : {true, false}) {
        Mesh m = nqbtest::unitCube();
        m.unit = std::string(43, 'c');
        expectReadsBack(m, text);
        m.unit = "";
        expectReadsBack(m, text);
        expectReadsBack(Mesh{}, text);
    }
}

TEST(Writer, SlotsPastTheNodeCountAreWrittenAsZeroAndFailuresLeaveNoChange) {
    TempDir dir;
    Mesh m = nqbtest::unitCube();
    m.parts[0].nNode = 4;  // slots 5..8 still hold 5..8
    for (bool text : {true, false}) {
        Mesh back;
        ASSERT_TRUE(write(m, text, dir.file("tet")) && nqbio::readMesh(dir.file("tet"), back));
        EXPECT_EQ(back.parts[0].nNode, 4);
        for (int j = 0; j < 8; ++j) EXPECT_EQ(back.parts[0].node[j], j < 4 ? j + 1 : 0);
    }
    ASSERT_TRUE(write(Mesh{}, false, dir.file("empty")));
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty")), 64u);

    std::string error;
    EXPECT_FALSE(nqbio::writeText(dir.file("no/such/dir.nqb"), nqbtest::unitCube(), &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_FALSE(nqbio::writeBinary(dir.path().string(), nqbtest::unitCube(), &error));

    Mesh target = nqbtest::unitCube();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(nqbio::readMesh(dir.file("absent.nqb"), target, &error));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), error + "\n");
    nqbtest::expectSameContent(nqbtest::unitCube(), target);
}

}  // namespace
