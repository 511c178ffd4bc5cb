// What the host and the file writers do around the files: a failed or interrupted write keeps
// the previous file, outputs never name an input or each other, inputs that are not regular
// files are read once or refused, and a result is only read against the mesh it belongs to.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "CQVR3DResultReader_Manipulator.h"
#include "MemoryCheckers.h"
#include "NQBIO_Manipulator.h"
#include "QvrTestSupport.h"
#include "TempDir.h"
#include "common/output_file.h"
#include "generator/PartGenerator.h"

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `write` in a child process whose files may not grow beyond `limitBytes` (the write then
// fails as on a full disk); returns what `write` returned.
bool writeWithFileSizeLimit(rlim_t limitBytes, const std::function<bool()>& write) {
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limitBytes, limitBytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(write() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs a shell command line with the qvr program as $QVR; returns its exit code.
int shell(const std::string& script) {
    const std::string command = "QVR='" + std::string(QVR_EXE) + "'; " + script;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(OutputFiles, AFailedWriteKeepsThePreviousFileAndLeavesNoTemporary) {
    TempDir dir;
    const std::string mesh = dir.file("m.nqb"), result = dir.file("r.k7t");
    const nqbio::MeshData small = qvr::gen::makePlate(qvr::gen::PlateSpec());
    ASSERT_TRUE(nqbio::writeText(mesh, small));
    ASSERT_TRUE(k7t::write(result, fiberResult(small.nodeCount(), 1)));
    const std::string meshBefore = readText(mesh), resultBefore = readText(result);

    qvr::gen::PlateSpec big;
    big.nx = big.ny = 30;
    const nqbio::MeshData large = qvr::gen::makePlate(big);
    const rlim_t limit = meshBefore.size() + 100;  // room for the old file, not for the new one
    EXPECT_FALSE(writeWithFileSizeLimit(limit, [&] { return nqbio::writeBinary(mesh, large); }));
    EXPECT_FALSE(writeWithFileSizeLimit(limit, [&] { return nqbio::writeText(mesh, large); }));
    EXPECT_FALSE(writeWithFileSizeLimit(limit, [&] {
        return k7t::write(
            result, fiberResult(large.nodeCount(), static_cast<long long>(large.parts.size())));
    }));
    EXPECT_EQ(readText(mesh), meshBefore);
    EXPECT_EQ(readText(result), resultBefore);

    {  // abandoned before close: nothing replaces the target
        qvr::common::OutputFile out;
        std::string reason;
        ASSERT_TRUE(out.open(mesh, reason)) << reason;
        out.append("half a mesh");
    }
    EXPECT_EQ(readText(mesh), meshBefore);
    EXPECT_EQ(filesIn(dir.path().string()), (std::vector<std::string>{"m.nqb", "r.k7t"}));

    // The host: the same on a full disk, and the file under its final name is complete.
    const std::string big_nqb = dir.file("big.nqb");
    ASSERT_TRUE(nqbio::writeText(big_nqb, large));
    EXPECT_EQ(shell("(ulimit -f " + std::to_string(limit / 512 + 1) +
                    "; trap '' XFSZ; exec \"$QVR\" convert '" + big_nqb + "' '" + mesh +
                    "' --binary) >/dev/null 2>&1"),
              1);
    EXPECT_EQ(readText(mesh), meshBefore);
    EXPECT_EQ(filesIn(dir.path().string()),
              (std::vector<std::string>{"big.nqb", "m.nqb", "r.k7t"}));
}

TEST(CommandFiles, NoOutputNamesAnInputOrAnotherOutput) {
    TempDir dir;
    const std::string s = dir.path().string(), p = dir.file("p.nqb"), k = dir.file("p.k7t");
    ASSERT_EQ(
        runQvr({"generate", "plate", p, k, "--nx", "3", "--ny", "2", "--nz", "1"}, s).exitCode, 0);
    const std::string msh = std::string(QVR_TEST_DATA_DIR) + "/gmsh/box_tet_22.msh";
    std::filesystem::copy_file(msh, dir.file("t.msh"));
    ASSERT_EQ(link(p.c_str(), dir.file("hard.nqb").c_str()), 0);
    std::filesystem::create_directory(dir.file("out"));
    const std::string mesh = readText(p), result = readText(k), gmsh = readText(dir.file("t.msh"));

    const std::vector<std::vector<std::string>> cases = {
        {"convert", p, p, "--binary"},
        {"convert", p, s + "/./p.nqb", "--text"},
        {"convert", p, dir.file("hard.nqb"), "--binary"},
        {"generate", "plate", dir.file("same.nqb"), dir.file("same.nqb")},
        {"import", dir.file("t.msh"), dir.file("o.nqb"), "--fiber", dir.file("t.msh")},
        {"import", dir.file("t.msh"), dir.file("o.nqb"), "--fiber", dir.file("o.nqb")},
        {"extract", p, k, "--nodes", dir.file("out/profiles.csv"), "--out", dir.file("out")},
        {"extract", dir.file("out/profile.svg"), k, "--out", dir.file("out")},
    };
    std::ofstream(dir.file("out/profiles.csv")) << "1\n";
    std::ofstream(dir.file("out/profile.svg")) << "<svg/>";
    for (const auto& args : cases) {
        std::string command;
        for (const std::string& a : args) command += " " + a;
        SCOPED_TRACE("qvr" + command);
        const QvrResult r = runQvr(args, s);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_TRUE(has(r.err, "name")) << r.err;
    }
    EXPECT_EQ(readText(p), mesh);
    EXPECT_EQ(readText(k), result);
    EXPECT_EQ(readText(dir.file("t.msh")), gmsh);
    EXPECT_FALSE(std::filesystem::exists(dir.file("same.nqb")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.nqb")));
    EXPECT_EQ(readText(dir.file("out/profiles.csv")), "1\n");
}

TEST(CommandInputs, PipesAreReadOnceAndDevicesRefused) {
    TempDir dir;
    const std::string s = dir.path().string(), p = dir.file("p.nqb"), k = dir.file("p.k7t");
    ASSERT_EQ(
        runQvr({"generate", "plate", p, k, "--nx", "3", "--ny", "2", "--nz", "1"}, s).exitCode, 0);

    const QvrResult info = runQvr({"info", "/dev/stdin"}, s, p);
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_TRUE(has(info.out, "24 in the file")) << info.out;
    const QvrResult extract = runQvr({"extract", "/dev/stdin", k, "--out", dir.file("x")}, s, p);
    EXPECT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(readCsv(dir.file("x/profiles.csv")).size(), 1u + 24u * 11u);

    // A named pipe is opened once: without that the second open waits for a writer for ever.
    const std::string fifo = dir.file("mesh.fifo"), out = dir.file("fifo.out");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(shell("(cat '" + p + "' > '" + fifo + "' &); timeout 60 \"$QVR\" info '" + fifo +
                    "' > '" + out + "' 2>&1"),
              0)
        << readText(out);
    EXPECT_TRUE(has(readText(out), "24 in the file")) << readText(out);

    // Devices never end: refused before anything is read, as the mesh and as the node list.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", "/dev/zero"},
          {"extract", "/dev/zero", k},
          {"extract", p, k, "--nodes", "/dev/zero", "--out", dir.file("y")},
          {"convert", "/dev/zero", dir.file("c.nqb"), "--binary"}}) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const QvrResult r = runQvr(args, s);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_TRUE(has(r.err, "device")) << r.err;
    }
}

// AddressSanitizer reserves terabytes of shadow address space at start-up, which an address-space
// cap refuses; there the sanitizer's own allocation limit stands in for the cap.
constexpr const char* kAddressSpaceCap =
    qvrtest::kUnderAddressSanitizer ? "" : "ulimit -v 2000000; ";

TEST(ResultMatch, AResultIsReadOnlyAgainstTheMeshItBelongsTo) {
    TempDir dir;
    const std::string s = dir.path().string(), p = dir.file("p.nqb");
    // 16 hexahedra on 45 nodes, and 16 on 54: the same cell count, other nodes.
    ASSERT_EQ(
        runQvr({"generate", "plate", p, dir.file("p.k7t"), "--nx", "4", "--ny", "2", "--nz", "2"},
               s)
            .exitCode,
        0);
    ASSERT_EQ(runQvr({"generate", "plate", dir.file("q.nqb"), dir.file("q.k7t"), "--nx", "8",
                      "--ny", "1", "--nz", "2"},
                     s)
                  .exitCode,
              0);
    ASSERT_TRUE(
        k7t::write(dir.file("huge.k7t"), fiberResult(2147483646, 16)));  // 2^31-2 nodes claimed
    ASSERT_TRUE(k7t::write(dir.file("fewer.k7t"), fiberResult(45, 15)));

    const struct {
        std::string result, cause;
    } cases[] = {{"q.k7t", "54 cavity nodes"},
                 {"huge.k7t", "2147483646 cavity nodes"},
                 {"fewer.k7t", "15 cavity elements"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        // Bounded memory: a result trusted before the check asks for gigabytes.
        const std::string out = dir.file("run.txt");
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "literal" + string.
        std::string command = "(";
        command += kAddressSpaceCap;
        command += "exec \"$QVR\" extract '" + p + "' '" + dir.file(c.result) + "' --out '" +
                   dir.file("o") + "') > '" + out + "' 2>&1";
        const int code = shell(command);
        EXPECT_EQ(code, 1) << readText(out);
        EXPECT_TRUE(has(readText(out), "belong to another mesh: " + c.cause)) << readText(out);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("o")));
}

}  // namespace
