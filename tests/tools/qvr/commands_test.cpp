// generate, convert, import and info as a user runs them.
#include <gtest/gtest.h>

#include <cmath>

#include "MeshChecks.h"
#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"
#include "QvrRunner.h"
#include "TempDir.h"

namespace {

nqbio::MeshData readOrFail(const std::string& path) {
    nqbio::MeshData mesh;
    std::string error;
    EXPECT_TRUE(nqbio::readMesh(path, mesh, &error)) << error;
    return mesh;
}

TEST(Generate, EveryKindWritesAClosedPartAndAFibreResultForIt) {
    TempDir dir;
    const std::string s = dir.path().string();
    for (const char* kind : {"plate", "ribbed-plate", "tube", "rotated-plate"}) {
        SCOPED_TRACE(kind);
        const QvrResult r = runQvr({"generate", kind, dir.file("m.nqb"), dir.file("m.k7t"), "--cells", "3000",
                                    "--type", "mixed"}, s);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const nqbio::MeshData mesh = readOrFail(dir.file("m.nqb"));
        EXPECT_GT(mesh.parts.size(), 1000u);
        EXPECT_LT(mesh.parts.size(), 9000u);
        const SkinGeometry g = skinGeometry(mesh);
        EXPECT_NEAR(g.enclosedVolume, cellVolumeSum(mesh), 1e-4 * cellVolumeSum(mesh));
        k7t::ResultFile result;
        std::string error;
        ASSERT_TRUE(k7t::read(dir.file("m.k7t"), result, &error)) << error;
        EXPECT_EQ(result.elemCount, static_cast<long long>(mesh.parts.size()));
        ASSERT_EQ(result.items.size(), 6u);
        // A tensor field: the trace a11 + a22 + a33 is 1 in every cell (also after a turn).
        for (std::size_t e = 0; e < mesh.parts.size(); e += 97) {
            double trace = 0.0;
            for (const k7t::ResultItem& item : result.items)
                if (item.id == 4 || item.id == 5 || item.id == 6) trace += item.values[e];
            EXPECT_NEAR(trace, 1.0, 1e-5);
        }
    }
}

TEST(Generate, SizesUnitsAndEncodingFollowTheOptions) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_EQ(runQvr({"generate", "plate", dir.file("a.nqb"), "--lx", "10", "--ly", "5", "--thickness", "3",
                      "--nx", "5", "--ny", "2", "--nz", "3", "--binary", "--unit", "cm", "--scale", "2"}, s)
                  .exitCode, 0);
    EXPECT_EQ(readText(dir.file("a.nqb")).substr(0, 4), "NQBB");
    const nqbio::MeshData mesh = readOrFail(dir.file("a.nqb"));
    EXPECT_EQ(mesh.unit, "cm");
    EXPECT_EQ(mesh.parts.size(), 5u * 2u * 3u);
    EXPECT_NEAR(cellVolumeSum(mesh), 10 * 5 * 3 * 8.0, 1e-3);  // scaled by 2 in each direction
    EXPECT_NE(runQvr({"generate", "plate", dir.file("b.nqb"), "--binary", "--text"}, s).exitCode, 0);
}

TEST(Convert, TextToBinaryAndBackGivesTheSameText) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_EQ(runQvr({"generate", "ribbed-plate", dir.file("t.nqb"), "--cells", "500", "--type", "prism"}, s).exitCode, 0);
    ASSERT_EQ(runQvr({"convert", dir.file("t.nqb"), dir.file("b.nqb"), "--binary"}, s).exitCode, 0);
    ASSERT_EQ(runQvr({"convert", dir.file("b.nqb"), dir.file("t2.nqb"), "--text"}, s).exitCode, 0);
    EXPECT_EQ(readText(dir.file("b.nqb")).substr(0, 4), "NQBB");
    EXPECT_EQ(readText(dir.file("t2.nqb")), readText(dir.file("t.nqb")));
}

TEST(Info, AMeshShowsItsCountsBoxVolumeAndSizes) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_EQ(runQvr({"generate", "plate", dir.file("p.nqb"), dir.file("p.k7t"), "--lx", "40", "--ly", "20",
                      "--thickness", "2", "--nx", "8", "--ny", "4", "--nz", "2", "--type", "tet"}, s).exitCode, 0);
    const QvrResult r = runQvr({"info", dir.file("p.nqb")}, s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("tetrahedra 384"), std::string::npos) << r.out;  // 64 blocks x 6
    EXPECT_NE(r.out.find("(0, 0, 0) .. (40, 20, 2) mm"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("total volume   1600 mm^3"), std::string::npos) << r.out;
    // Volume over half the skin area: 1600 / (40*20 + 40*2 + 20*2) = 1.739...
    EXPECT_NE(r.out.find("avg thickness  1.73913 mm"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("min mesh size"), std::string::npos);

    const QvrResult k = runQvr({"info", dir.file("p.k7t")}, s);
    ASSERT_EQ(k.exitCode, 0) << k.err;
    EXPECT_NE(k.out.find("384 elements"), std::string::npos) << k.out;
    for (const char* name : {"FiberOrientation_a11", "FiberOrientation_a22", "FiberOrientation_a33",
                             "FiberOrientation_a12", "FiberOrientation_a13", "FiberOrientation_a23"})
        EXPECT_NE(k.out.find(name), std::string::npos) << name;
}

TEST(Import, WritesTheMeshAndASampleResultThatExtractAccepts) {
    TempDir dir;
    const std::string s = dir.path().string();
    const QvrResult r = runQvr({"import", std::string(QVR_TEST_DATA_DIR) + "/gmsh/hybrid_41_bin.msh",
                                dir.file("h.nqb"), "--binary", "--unit", "cm", "--fiber", dir.file("h.k7t")}, s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nqbio::MeshData mesh = readOrFail(dir.file("h.nqb"));
    EXPECT_EQ(mesh.unit, "cm");
    EXPECT_NEAR(cellVolumeSum(mesh), 128.0, 1e-3);
    // The kernel scales cm to mm: the box is 80 x 40 x 40 mm.
    const QvrResult info = runQvr({"info", dir.file("h.nqb")}, s);
    EXPECT_NE(info.out.find("(0, 0, 0) .. (80, 40, 40) mm"), std::string::npos) << info.out;
    EXPECT_EQ(runQvr({"extract", dir.file("h.nqb"), dir.file("h.k7t"), "--out", dir.file("x")}, s).exitCode, 0);
}

TEST(Help, EveryCommandExplainsItselfAndSucceeds) {
    TempDir dir;
    for (const char* command : {"demo", "extract", "generate", "import", "info", "convert"}) {
        const QvrResult r = runQvr({command, "--help"}, dir.path().string());
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_NE(r.out.find(command), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(runQvr({"--help"}, dir.path().string()).exitCode, 0);
}

}  // namespace
