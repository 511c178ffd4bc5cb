// Replays the fuzz corpora in an ordinary build: the seeds, and every input that once made a
// fuzz target fail (tests/fuzz/regressions/<target>/), through the same harness the fuzzers run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "FuzzHarness.h"

namespace {

using Harness = std::string (*)(const std::uint8_t*, std::size_t);
namespace fs = std::filesystem;

// The inputs of the given sets as byte strings, each with its file name.
std::vector<std::pair<fs::path, std::string>> inputsOf(std::vector<std::string> sets) {
    std::vector<std::pair<fs::path, std::string>> inputs;
    for (const std::string& set : sets) {
        const fs::path dir = fs::path(QVR_FUZZ_DIR) / set;
        if (!fs::is_directory(dir)) continue;
        for (const auto& f : fs::directory_iterator(dir)) {
            if (!f.is_regular_file()) continue;
            std::ifstream in(f.path(), std::ios::binary);
            inputs.emplace_back(f.path(), std::string(std::istreambuf_iterator<char>(in), {}));
        }
    }
    return inputs;
}

void replay(const std::string& target, Harness harness, std::size_t atLeast) {
    // The kernel target has no seeds of its own: it starts from the mesh seeds.
    const auto inputs =
        target == "kernel"
            ? inputsOf({"corpus/mesh_text", "corpus/mesh_binary", "regressions/kernel"})
            : inputsOf({"corpus/" + target, "regressions/" + target});
    EXPECT_GE(inputs.size(), atLeast) << "corpus of " << target << " missing";
    for (const auto& [path, bytes] : inputs)
        EXPECT_EQ(harness(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
            << path;
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
        for (const auto& [path, bytes] : inputsOf({"corpus/" + target, "regressions/" + target})) {
            const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
            for (Harness h : {qvr::fuzz::meshText, qvr::fuzz::meshBinary, qvr::fuzz::resultFile})
                EXPECT_EQ(h(data, bytes.size()), "") << path;
        }
    }
}

}  // namespace
