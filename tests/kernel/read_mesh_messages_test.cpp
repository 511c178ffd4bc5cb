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

// Each piece appears in `out`, in the order given.
void expectInOrder(const std::string& out, std::initializer_list<std::string> pieces) {
    std::size_t at = 0;
    for (const std::string& piece : pieces) {
        const std::size_t found = out.find(piece, at);
        ASSERT_NE(found, std::string::npos) << piece << " after " << at << " in:\n" << out;
        at = found + piece.size();
    }
}

TEST(LoadMessages, LevelOneReportsTheFileTheFactorAndTheCountsAndZeroIsSilent) {
    TempDir dir;
    const std::string path = cubeWithExtras(dir);
    CQVROptKer kernel;
    kernel.setParameter(1);
    const kerneltest::LoadOutcome o = load(kernel, path);
    ASSERT_EQ(o.result, 1);
    expectInOrder(o.out, {path, "dUnitFactor = 10.000000\n", "Mesh file read end",
                          "Number of Sufurace Elems      : 6 \n"
                          "Number of Part Elems          : 1 \n"
                          "Number of Nodes               : 8 \n"});
    EXPECT_EQ(o.out.find("illegal"), std::string::npos);
    EXPECT_EQ(o.err, "");
    for (int level : {0, -1}) {
        CQVROptKer quiet;
        quiet.setParameter(level);
        const kerneltest::LoadOutcome q = load(quiet, path);
        EXPECT_EQ(q.result, 1);
        EXPECT_EQ(q.out + q.err, "") << level;
    }
}

TEST(LoadMessages, AnUnknownUnitIsReportedAtEveryLevel) {
    TempDir dir;
    const std::string path = cubeWithExtras(dir, "Millimetre");
    CQVROptKer quiet;
    kerneltest::LoadOutcome o = load(quiet, path);
    ASSERT_EQ(o.result, 1);
    EXPECT_EQ(o.out, "The unit of NQB is illegal. \n");  // nothing else at level 0

    CQVROptKer verbose;
    verbose.setParameter(2);
    o = load(verbose, path);
    ASSERT_EQ(o.result, 1);
    expectInOrder(o.out, {"The unit of NQB is illegal. ", "dUnitFactor = 1.000000\n"});
    EXPECT_DOUBLE_EQ(verbose.m_pNode[7].z, 1.0);
}

}  // namespace
