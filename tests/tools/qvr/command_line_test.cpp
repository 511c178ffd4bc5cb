// Command-line basics: the version, and warnings on standard error so that standard output
// holds only what a script may parse.
#include <gtest/gtest.h>

#include <regex>

#include "QvrTestSupport.h"
#include "TempDir.h"

namespace {

TEST(CommandLine, VersionAndWarningsOnStandardError) {
    TempDir dir;
    const QvrResult v = runQvr({"--version"}, dir.path());
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_TRUE(std::regex_match(v.out, std::regex("qvr [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << v.out;

    // A tetrahedron with all four nodes in one plane: imported, with a warning on stderr.
    std::ofstream(dir.file("flat.msh")) << "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$Nodes\n4\n"
                                           "1 0 0 0\n2 1 0 0\n3 0 1 0\n4 1 1 0\n$EndNodes\n"
                                           "$Elements\n1\n1 4 0 1 2 3 4\n$EndElements\n";
    const QvrResult r = runQvr({"import", dir.file("flat.msh"), dir.file("flat.nqb")}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("warning: 1 cells have no volume"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
}

}  // namespace
