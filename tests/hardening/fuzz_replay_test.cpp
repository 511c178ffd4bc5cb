// Replays the fuzz corpora in an ordinary build: the seeds, and every input that once made a
// fuzz target fail (tests/fuzz/regressions/<target>/), through the same harness the fuzzers run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzHarness.h"

namespace {

using Harness = std::string (*)(const std::uint8_t*, std::size_t);

std::vector<std::filesystem::path> inputsOf(const std::string& target) {
    std::vector<std::filesystem::path> files;
    // The kernel target has no seeds of its own: it starts from the mesh seeds.
    const std::vector<std::string> seeds = target == "kernel"
        ? std::vector<std::string>{"corpus/mesh_text", "corpus/mesh_binary", "regressions/kernel"}
        : std::vector<std::string>{"corpus/" + target, "regressions/" + target};
    for (const std::string& set : seeds) {
        const std::filesystem::path dir = std::filesystem::path(QVR_FUZZ_DIR) / set;
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& f : std::filesystem::directory_iterator(dir)) {
            if (f.is_regular_file()) files.push_back(f.path());
        }
    }
    return files;
}

void replay(const std::string& target, Harness harness, std::size_t atLeast) {
    const std::vector<std::filesystem::path> files = inputsOf(target);
    EXPECT_GE(files.size(), atLeast) << "corpus of " << target << " missing";
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        const std::string fault =
            harness(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        EXPECT_EQ(fault, "") << path;
    }
}

TEST(FuzzReplay, MeshText) { replay("mesh_text", qvr::fuzz::meshText, 5); }
TEST(FuzzReplay, MeshBinary) { replay("mesh_binary", qvr::fuzz::meshBinary, 5); }
TEST(FuzzReplay, ResultFile) { replay("result", qvr::fuzz::resultFile, 5); }
TEST(FuzzReplay, Kernel) { replay("kernel", qvr::fuzz::kernelMesh, 10); }
#ifdef QVR_REPLAY_GMSH
TEST(FuzzReplay, GmshImport) { replay("gmsh", qvr::fuzz::gmshImport, 5); }
#endif

// Inputs of one target given to the others: the readers must refuse foreign files cleanly.
TEST(FuzzReplay, CrossedInputs) {
    for (const std::string target : {"mesh_text", "mesh_binary", "result", "gmsh"}) {
        for (const auto& path : inputsOf(target)) {
            std::ifstream in(path, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
            const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
            EXPECT_EQ(qvr::fuzz::meshText(data, bytes.size()), "") << path;
            EXPECT_EQ(qvr::fuzz::meshBinary(data, bytes.size()), "") << path;
            EXPECT_EQ(qvr::fuzz::resultFile(data, bytes.size()), "") << path;
        }
    }
}

}  // namespace
