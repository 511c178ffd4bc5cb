// The memory probe and the suite's own command-line flags.
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "memory_probe.h"
#include "part_list.h"
#include "scratch_folder.h"

namespace {

using namespace qvr::bench;

constexpr std::size_t kBlock = 64u << 20;  // 64 MiB
constexpr double kBlockKiB = kBlock / 1024.0;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kFreedMemoryReturns = false;  // the sanitizer holds freed blocks in quarantine
#else
constexpr bool kFreedMemoryReturns = true;
#endif

TEST(MemoryProbe, SeesATouchedBlockAtItsPeakAndWhetherItIsStillHeld) {
    MemoryProbe probe;
    probe.begin();
    {
        std::vector<char> block(kBlock);
        std::memset(block.data(), 1, block.size());
        volatile char sink = block[block.size() / 2];
        (void)sink;
    }
    const StageMemory freed = probe.end();
    EXPECT_GE(freed.peakKiB, 0.95 * kBlockKiB);
    if (kFreedMemoryReturns) {
        EXPECT_LT(freed.retainedKiB, 0.25 * kBlockKiB);
    }

    const std::unique_ptr<char[]> kept(new char[kBlock]);  // not touched yet
    probe.begin();
    std::memset(kept.get(), 2, kBlock);
    volatile char sink = kept[kBlock / 2];
    (void)sink;
    const StageMemory held = probe.end();
    EXPECT_GE(held.retainedKiB, 0.95 * kBlockKiB);
    EXPECT_GE(held.peakKiB, held.retainedKiB);
}

struct Args {
    std::vector<std::string> text;
    std::vector<char*> argv;
    int argc = 0;
    explicit Args(std::vector<std::string> t) : text(std::move(t)) {
        for (std::string& s : text) argv.push_back(s.data());
        argc = static_cast<int>(argv.size());
    }
    std::vector<std::string> left() const {
        return std::vector<std::string>(argv.begin(), argv.begin() + argc);
    }
};

TEST(PartList, TakesItsFlagsOutOfArgvAndListsPartsSizeBySize) {
    Args a({"qvr_bench", "--qvr_sizes=2000,300", "--benchmark_filter=load", "--qvr_types=tet,hex"});
    std::vector<PartKey> parts;
    std::string error;
    ASSERT_TRUE(takePartList(a.argc, a.argv.data(), parts, error)) << error;
    EXPECT_EQ(a.left(), (std::vector<std::string>{"qvr_bench", "--benchmark_filter=load"}));
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(partLabel(parts[0]), "tet/2000");
    EXPECT_EQ(partLabel(parts[1]), "hex/2000");
    EXPECT_EQ(partLabel(parts[2]), "tet/300");
    EXPECT_EQ(partLabel(parts[3]), "hex/300");
}

TEST(PartList, DefaultsToHexahedraAndTetrahedraOfTenThousandToAMillionCells) {
    Args a({"qvr_bench"});
    std::vector<PartKey> parts;
    std::string error;
    ASSERT_TRUE(takePartList(a.argc, a.argv.data(), parts, error));
    std::vector<std::string> labels;
    for (const PartKey& k : parts) labels.push_back(partLabel(k));
    EXPECT_EQ(labels, (std::vector<std::string>{"hex/1e4", "tet/1e4", "hex/1e5", "tet/1e5",
                                                "hex/1e6", "tet/1e6"}));
}

TEST(PartList, RefusesSizesAndCellKindsItCannotMake) {
    for (const char* bad : {"--qvr_sizes=1e5", "--qvr_sizes=0", "--qvr_sizes=-10",
                            "--qvr_sizes=12x", "--qvr_types=hexa", "--qvr_types=tet,cube"}) {
        Args a({"qvr_bench", bad});
        std::vector<PartKey> parts;
        std::string error;
        EXPECT_FALSE(takePartList(a.argc, a.argv.data(), parts, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

const std::string kGmshData = QVR_TEST_DATA_DIR "/gmsh/";

// Mesh parts follow the generated ones in the order given, a folder's meshes in name order; an
// empty size list leaves the generated parts out.
TEST(PartList, TakesMeshFilesAndFoldersAfterTheGeneratedParts) {
    ScratchFolder folder;
    for (const char* name : {"wedge_prism_41.msh", "box_hex_22.msh"})
        std::filesystem::copy_file(kGmshData + name, folder.file(name));
    std::filesystem::copy_file(kGmshData + "box_tet.geo", folder.file("box_tet.geo"));
    const std::string dir = folder.path().string();

    Args a({"qvr_bench", "--qvr_sizes=300", "--qvr_types=tet",
            "--qvr_meshes=" + kGmshData + "box_tet_41.msh," + dir});
    std::vector<PartKey> parts;
    std::string error;
    ASSERT_TRUE(takePartList(a.argc, a.argv.data(), parts, error)) << error;
    EXPECT_EQ(a.left(), std::vector<std::string>{"qvr_bench"});
    std::vector<std::string> labels;
    for (const PartKey& k : parts) labels.push_back(partLabel(k));
    EXPECT_EQ(labels, (std::vector<std::string>{"tet/300", "cad/box_tet_41", "cad/box_hex_22",
                                                "cad/wedge_prism_41"}));
    EXPECT_FALSE(parts[0].fromMesh());
    ASSERT_TRUE(parts[1].fromMesh());
    EXPECT_GT(parts[1].cells, 0);
    EXPECT_NE(parts[1].cells, parts[2].cells);

    Args onlyMeshes({"qvr_bench", "--qvr_sizes=", "--qvr_meshes=" + kGmshData + "box_hex_22.msh"});
    ASSERT_TRUE(takePartList(onlyMeshes.argc, onlyMeshes.argv.data(), parts, error)) << error;
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(partLabel(parts[0]), "cad/box_hex_22");
}

TEST(PartList, RefusesMeshesItCannotMakePartsOf) {
    ScratchFolder empty;
    const std::string emptyDir = empty.path().string();
    const std::string box = kGmshData + "box_tet_41.msh";
    for (const std::string& bad : {
             kGmshData + "no_such_part.msh",  // missing
             kGmshData + "box_tet.geo",       // a script, not a mesh
             kGmshData + "box_tet10_41.msh",  // second-order cells, which the importer refuses
             emptyDir,                        // a folder without meshes
             box + "," + box,                 // two parts of one name
         }) {
        Args a({"qvr_bench", "--qvr_meshes=" + bad});
        std::vector<PartKey> parts;
        std::string error;
        EXPECT_FALSE(takePartList(a.argc, a.argv.data(), parts, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

}  // namespace
