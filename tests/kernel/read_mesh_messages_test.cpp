// What a load prints at each print level.
#include <gtest/gtest.h>

#include <string>

#include "KernelMeshFiles.h"

namespace {

using kerneltest::load;
using kerneltest::MeshBuilder;
using kerneltest::unitCube;
using kerneltest::writeMesh;

// The cube in cm, with one face that is not a skin face and one node that no cell uses, so
// that the printed counts must be the retained ones (6 faces, 8 nodes), not the file's.
std::string cubeWithExtras(const TempDir& dir, const std::string& unit = "cm") {
    MeshBuilder b = unitCube(unit);
    b.node(7, 7, 7);
    b.face(1, 2, 3, 4, 2, 0);
    return writeMesh(dir, "cube.nqb", b.mesh());
}

TEST(LoadMessages, LevelOneReportsTheFileTheFactorAndTheCounts) {
    TempDir dir;
    const std::string path = cubeWithExtras(dir);
    CQVROptKer kernel;
    kernel.setParameter(1);
    const kerneltest::LoadOutcome o = load(kernel, path);
    ASSERT_EQ(o.result, 1);
    const std::size_t name = o.out.find(path);
    const std::size_t factor = o.out.find("dUnitFactor = 10.000000\n");
    const std::size_t end = o.out.find("Mesh file read end");
    const std::size_t counts = o.out.find(
        "Number of Sufurace Elems      : 6 \n"
        "Number of Part Elems          : 1 \n"
        "Number of Nodes               : 8 \n");
    ASSERT_NE(name, std::string::npos) << o.out;
    ASSERT_NE(factor, std::string::npos) << o.out;
    ASSERT_NE(end, std::string::npos) << o.out;
    ASSERT_NE(counts, std::string::npos) << o.out;
    EXPECT_LT(name, factor);
    EXPECT_LT(factor, end);
    EXPECT_LT(end, counts);
    EXPECT_EQ(o.out.find("illegal"), std::string::npos);
    EXPECT_EQ(o.err, "");
}

TEST(LoadMessages, LevelZeroAndBelowAreSilent) {
    TempDir dir;
    const std::string path = cubeWithExtras(dir);
    for (int level : {0, -1}) {
        CQVROptKer kernel;
        kernel.setParameter(level);
        const kerneltest::LoadOutcome o = load(kernel, path);
        EXPECT_EQ(o.result, 1);
        EXPECT_EQ(o.out, "") << level;
        EXPECT_EQ(o.err, "") << level;
    }
}

TEST(LoadMessages, AnUnknownUnitIsReportedAtEveryLevel) {
    TempDir dir;
    const std::string path = cubeWithExtras(dir, "Millimetre");
    CQVROptKer quiet;
    kerneltest::LoadOutcome o = load(quiet, path);
    ASSERT_EQ(o.result, 1);
    EXPECT_NE(o.out.find("The unit of NQB is illegal. "), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("Mesh file read end"), std::string::npos);
    EXPECT_EQ(o.out.find("dUnitFactor"), std::string::npos);

    CQVROptKer verbose;
    verbose.setParameter(2);
    o = load(verbose, path);
    ASSERT_EQ(o.result, 1);
    const std::size_t illegal = o.out.find("The unit of NQB is illegal. ");
    const std::size_t factor = o.out.find("dUnitFactor = 1.000000\n");
    ASSERT_NE(illegal, std::string::npos);
    ASSERT_NE(factor, std::string::npos);
    EXPECT_LT(illegal, factor);
    EXPECT_DOUBLE_EQ(verbose.m_pNode[7].z, 1.0);
}

TEST(LoadMessages, AFailedLoadReportsAtEveryLevel) {
    TempDir dir;
    CQVROptKer kernel;
    const kerneltest::LoadOutcome o = load(kernel, dir.file("absent.nqb"));
    EXPECT_EQ(o.result, 3301);
    EXPECT_NE(o.out.find("Can't open mesh file !"), std::string::npos);
    EXPECT_EQ(o.err, dir.file("absent.nqb") + ":0: cannot open: No such file or directory\n");
}

}  // namespace
