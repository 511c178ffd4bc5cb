// Every way a command can fail: the exit code, and exactly one line on standard error that
// names what went wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"

#include "QvrRunner.h"
#include "TempDir.h"

namespace {

class ErrorPaths : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(runQvr({"generate", "plate", dir.file("p.nqb"), dir.file("p.k7t"), "--nx", "4", "--ny", "2",
                          "--nz", "2"}, scratch()).exitCode, 0);
    }
    std::string scratch() const { return dir.path().string(); }
    // Runs and checks the exit code and the single stderr line; returns that line.
    std::string failure(const std::vector<std::string>& args, int code) {
        const QvrResult r = runQvr(args, scratch());
        EXPECT_EQ(r.exitCode, code) << r.err;
        const auto lines = r.errLines();
        EXPECT_EQ(lines.size(), 1u) << r.err;
        if (lines.empty()) return "";
        EXPECT_EQ(lines[0].substr(0, 5), "qvr: ") << lines[0];
        return lines[0];
    }
    void write(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
    }
    TempDir dir;
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(ErrorPaths, MissingFilesAreNamed) {
    EXPECT_TRUE(has(failure({"extract", dir.file("none.nqb"), dir.file("p.k7t")}, 1), "none.nqb"));
    EXPECT_TRUE(has(failure({"extract", dir.file("p.nqb"), dir.file("none.k7t")}, 1), "none.k7t"));
    EXPECT_TRUE(has(failure({"import", dir.file("none.msh"), dir.file("o.nqb")}, 1), "none.msh"));
    EXPECT_TRUE(has(failure({"info", dir.file("none.nqb")}, 1), "none.nqb"));
    EXPECT_TRUE(has(failure({"convert", dir.file("none.nqb"), dir.file("o.nqb"), "--text"}, 1), "none.nqb"));
    EXPECT_TRUE(has(failure({"extract", dir.file("p.nqb"), dir.file("p.k7t"), "--nodes", dir.file("none.txt")}, 1),
                    "none.txt"));
}

TEST_F(ErrorPaths, DamagedFilesAreRefusedWithTheReadersReason) {
    const std::string mesh = readText(dir.file("p.nqb"));
    write("cut.nqb", mesh.substr(0, mesh.size() / 2));
    const std::string m = failure({"extract", dir.file("cut.nqb"), dir.file("p.k7t")}, 1);
    EXPECT_TRUE(has(m, "cut.nqb")) << m;
    EXPECT_TRUE(has(failure({"info", dir.file("cut.nqb")}, 1), "cut.nqb"));

    const std::string result = readText(dir.file("p.k7t"));
    write("cut.k7t", result.substr(0, result.size() - 5));
    EXPECT_TRUE(has(failure({"extract", dir.file("p.nqb"), dir.file("cut.k7t")}, 1), "is damaged"));
    write("text.k7t", "a11 a22 a33\n0.5 0.3 0.2\n");
    EXPECT_TRUE(has(failure({"extract", dir.file("p.nqb"), dir.file("text.k7t")}, 1), "text result file"));
    write("garbage.bin", std::string("\x01\x02\x03garbage", 10));
    EXPECT_TRUE(has(failure({"info", dir.file("garbage.bin")}, 1), "neither a mesh file"));
    write("bad.msh", "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$Nodes\n2\n1 0 0\n");
    EXPECT_TRUE(has(failure({"import", dir.file("bad.msh"), dir.file("o.nqb")}, 1), "bad.msh"));
}

TEST_F(ErrorPaths, AResultOfAnotherMeshIsRefused) {
    ASSERT_EQ(runQvr({"generate", "plate", dir.file("q.nqb"), dir.file("q.k7t"), "--nx", "5", "--ny", "2",
                      "--nz", "2"}, scratch()).exitCode, 0);
    const std::string m = failure({"extract", dir.file("p.nqb"), dir.file("q.k7t")}, 1);
    EXPECT_TRUE(has(m, "another mesh")) << m;
    // A result of the right size without the fibre items.
    nqbio::MeshData mesh;
    ASSERT_TRUE(nqbio::readMesh(dir.file("p.nqb"), mesh));
    k7t::ResultFile other;
    other.elemCount = static_cast<long long>(mesh.parts.size());
    k7t::ResultItem pressure;
    pressure.id = 1;
    pressure.values.assign(mesh.parts.size(), 1.0f);
    other.items = {pressure};
    ASSERT_TRUE(k7t::write(dir.file("other.k7t"), other));
    const std::string items = failure({"extract", dir.file("p.nqb"), dir.file("other.k7t")}, 1);
    EXPECT_TRUE(has(items, "4 5 6 9 10 11")) << items;
}

TEST_F(ErrorPaths, UnsupportedElementsAreRefusedByType) {
    const std::string m = failure({"import", std::string(QVR_TEST_DATA_DIR) + "/gmsh/box_tet10_41.msh",
                                   dir.file("o.nqb")}, 1);
    EXPECT_TRUE(has(m, "element type 11")) << m;
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.nqb")));
}

TEST_F(ErrorPaths, WrongOptionsAndArgumentsAreUsageErrors) {
    const std::string p = dir.file("p.nqb"), k = dir.file("p.k7t");
    EXPECT_TRUE(has(failure({"extract", p, k, "--bogus"}, 2), "--bogus"));
    failure({"frobnicate"}, 2);
    failure({}, 2);
    failure({"extract", p}, 2);
    failure({"extract", p, k, "--layers", "1"}, 2);
    failure({"extract", p, k, "--layers", "many"}, 2);
    failure({"extract", p, k, "--thickness", "approximate"}, 2);
    failure({"generate", "sphere", dir.file("s.nqb")}, 2);
    failure({"generate", "plate", dir.file("s.nqb"), "--type", "octahedron"}, 2);
    EXPECT_TRUE(has(failure({"convert", p, dir.file("o.nqb")}, 2), "--binary or --text"));
    failure({"convert", p, dir.file("o.nqb"), "--binary", "--text"}, 2);
}

TEST_F(ErrorPaths, NodeListsAndThePlottedNodeMustNameSkinNodes) {
    const std::string p = dir.file("p.nqb"), k = dir.file("p.k7t");
    // A node inside the part: used by cells, on no surface element.
    nqbio::MeshData mesh;
    ASSERT_TRUE(nqbio::readMesh(p, mesh));
    std::set<int> onSkin;
    for (const nqbio::SurfaceElement& f : mesh.surfaces) onSkin.insert(f.node, f.node + 4);
    int inner = 0;
    for (int n = 1; n <= mesh.nodeCount() && inner == 0; ++n)
        if (!onSkin.count(n)) inner = n;
    ASSERT_GT(inner, 0);
    write("inner.txt", std::to_string(inner) + "\n");
    EXPECT_TRUE(has(failure({"extract", p, k, "--nodes", dir.file("inner.txt")}, 2),
                    "node " + std::to_string(inner) + " is not a skin node"));
    write("far.txt", "1 2 99999\n");
    EXPECT_TRUE(has(failure({"extract", p, k, "--nodes", dir.file("far.txt")}, 2), "node 99999 is not in the mesh"));
    write("words.txt", "1 two 3\n");
    EXPECT_TRUE(has(failure({"extract", p, k, "--nodes", dir.file("words.txt")}, 1), "words.txt:1"));
    write("empty.txt", "# nothing\n");
    EXPECT_TRUE(has(failure({"extract", p, k, "--nodes", dir.file("empty.txt")}, 2), "lists no node"));
    write("one.txt", "1\n");
    EXPECT_TRUE(has(failure({"extract", p, k, "--nodes", dir.file("one.txt"), "--plot-node", "2", "--out",
                             dir.file("x")}, 2), "--plot-node 2"));
}

TEST_F(ErrorPaths, AnOutputThatCannotBeWrittenIsAFileError) {
    write("plain", "a file, not a folder");
    EXPECT_TRUE(has(failure({"extract", dir.file("p.nqb"), dir.file("p.k7t"), "--out", dir.file("plain/sub")}, 1),
                    "plain/sub"));
    EXPECT_TRUE(has(failure({"generate", "plate", dir.file("plain/m.nqb")}, 1), "plain/m.nqb"));
    EXPECT_TRUE(has(failure({"demo", "--out", dir.file("plain")}, 1), "plain"));
}

}  // namespace
