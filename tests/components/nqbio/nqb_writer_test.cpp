// Writers refuse content that would not read back as it is, and write nothing then.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"

namespace {

class Writer : public testing::Test {
protected:
    // Both encodings refuse `mesh` with `what` in the reason and leave no file behind.
    void expectBothRefuse(const nqbio::MeshData& mesh, const std::string& what) {
        expectRefused(mesh, true, what);
        expectRefused(mesh, false, what);
    }
    void expectRefused(const nqbio::MeshData& mesh, bool text, const std::string& what) {
        const std::string path = dir_.file(text ? "out.nqb" : "out.nqbb");
        std::string error;
        const bool ok =
            text ? nqbio::writeText(path, mesh, &error) : nqbio::writeBinary(path, mesh, &error);
        EXPECT_FALSE(ok) << (text ? "text" : "binary");
        EXPECT_NE(error.find(what), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    bool writesAndReadsBack(const nqbio::MeshData& mesh, bool text) {
        const std::string path = dir_.file(text ? "ok.nqb" : "ok.nqbb");
        std::string error;
        const bool ok =
            text ? nqbio::writeText(path, mesh, &error) : nqbio::writeBinary(path, mesh, &error);
        if (!ok) return false;
        nqbio::MeshData back;
        EXPECT_TRUE(nqbio::readMesh(path, back, &error)) << error;
        nqbtest::expectSameContent(mesh, back);
        return true;
    }

    TempDir dir_;
};

TEST_F(Writer, UnitTextLimits) {
    nqbio::MeshData m = nqbtest::unitCube();
    m.unit = std::string(43, 'c');
    EXPECT_TRUE(writesAndReadsBack(m, true));
    EXPECT_TRUE(writesAndReadsBack(m, false));
    m.unit = std::string(44, 'c');
    expectBothRefuse(m, "44 characters");
    m.unit = std::string("m\0m", 3);
    expectBothRefuse(m, "NUL");
    m.unit = "";
    EXPECT_TRUE(writesAndReadsBack(m, true));
    EXPECT_TRUE(writesAndReadsBack(m, false));
    // What only the line-oriented encoding cannot hold.
    for (const char* unit : {"mm # note", "m\nm", "m\rm", " mm", "mm\t"}) {
        m.unit = unit;
        expectRefused(m, true, "unit text");
        EXPECT_TRUE(writesAndReadsBack(m, false)) << unit;
    }
}

TEST_F(Writer, ContentThatCannotBeStored) {
    nqbio::MeshData m = nqbtest::unitCube();
    m.xyz[5] = std::numeric_limits<float>::quiet_NaN();
    expectBothRefuse(m, "node 2 has a non-finite coordinate");
    m = nqbtest::unitCube();
    m.xyz.pop_back();
    expectBothRefuse(m, "three values per node");
    m = nqbtest::unitCube();
    m.parts[0].volume = std::numeric_limits<float>::infinity();
    expectBothRefuse(m, "volume is not finite");
    m = nqbtest::unitCube();
    m.parts[0].nNode = 9;
    expectBothRefuse(m, "node count 9 is outside 1..8");
    m.parts[0].nNode = 0;
    expectBothRefuse(m, "node count 0");
    m = nqbtest::unitCube();
    m.parts[0].node[3] = 9;
    expectBothRefuse(m, "part element 1: node number 9 is outside 1..8");
    m = nqbtest::unitCube();
    m.surfaces[5].node[0] = 0;
    expectBothRefuse(m, "surface element 6: node number 0");
}

TEST_F(Writer, SlotsPastTheNodeCountAreIgnored) {
    nqbio::MeshData m = nqbtest::unitCube();
    m.parts[0].nNode = 4;  // slots 5..8 still hold 5..8
    for (bool text : {true, false}) {
        const std::string path = dir_.file("tet");
        ASSERT_TRUE(text ? nqbio::writeText(path, m) : nqbio::writeBinary(path, m));
        nqbio::MeshData back;
        ASSERT_TRUE(nqbio::readMesh(path, back));
        EXPECT_EQ(back.parts[0].nNode, 4);
        for (int j = 4; j < 8; ++j) EXPECT_EQ(back.parts[0].node[j], 0);
    }
}

TEST_F(Writer, UnwritablePathAndEmptyMesh) {
    std::string error;
    EXPECT_FALSE(nqbio::writeText(dir_.file("no/such/dir.nqb"), nqbtest::unitCube(), &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_FALSE(nqbio::writeBinary(dir_.path().string(), nqbtest::unitCube(), &error));

    nqbio::MeshData empty;
    EXPECT_TRUE(writesAndReadsBack(empty, true));
    EXPECT_TRUE(writesAndReadsBack(empty, false));
    EXPECT_EQ(std::filesystem::file_size(dir_.file("ok.nqbb")), 64u);
}

TEST_F(Writer, ReadMeshLeavesTheTargetAloneOnFailure) {
    nqbio::MeshData target = nqbtest::unitCube();
    std::string error;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(nqbio::readMesh(dir_.file("absent.nqb"), target, &error));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, error + "\n");
    nqbtest::expectSameContent(nqbtest::unitCube(), target);
}

}  // namespace
