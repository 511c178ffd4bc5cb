// Every file of the damaged-input corpus through the public interface: a refused mesh gives
// 3301 with one diagnostic line naming the file and the place, a refused result file gives -1,
// neither changes the kernel or the tool, and a valid file loaded afterwards still works.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "HardeningSupport.h"
#include "NQBIO_Manipulator.h"
#include "QVR3DExtractTool.h"
#include "QVROptKer.h"
#include "TempDir.h"

namespace {

using hardening::ManifestEntry;

std::vector<ManifestEntry> entriesOf(bool mesh) {
    std::vector<ManifestEntry> out;
    for (const ManifestEntry& e : hardening::loadManifest()) {
        if (e.isMesh() == mesh) out.push_back(e);
    }
    return out;
}

std::string nameOf(const testing::TestParamInfo<ManifestEntry>& info) {
    std::string name = info.param.file;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

// True when `diagnostic` is one line "<path>:<place>: <text>" with one of the allowed places.
bool namesPlace(const std::string& diagnostic, const std::string& path, const std::string& place) {
    if (std::count(diagnostic.begin(), diagnostic.end(), '\n') != 1) return false;
    if (diagnostic.rfind(path + ":", 0) != 0) return false;
    const std::string rest = diagnostic.substr(path.size() + 1);
    const std::size_t colon = rest.find(": ");
    if (colon == std::string::npos || colon == 0) return false;
    const std::string at = rest.substr(0, colon);
    if (at.find_first_not_of("0123456789") != std::string::npos) return false;
    if (place == "*") return true;
    for (const std::string& p : hardening::alternatives(place)) {
        if (p == at) return true;
    }
    return false;
}

// The cube of the corpus written in centimetres: loaded first, so that "unchanged" is told
// apart from "holds the cube" (its coordinates are ten times the cube's).
class ScratchMeshes {
public:
    ScratchMeshes() {
        nqbio::MeshData cube;
        EXPECT_TRUE(nqbio::readMesh(hardening::damagedFile("text_valid.nqb"), cube));
        cube.unit = "cm";
        prior = dir.file("prior_cm.nqb");
        EXPECT_TRUE(nqbio::writeBinary(prior, cube));
        later = dir.file("later_block.nqb");
        EXPECT_TRUE(nqbio::writeText(later, hardening::blockMesh(2, 1, 1)));
    }
    TempDir dir;
    std::string prior, later;
};

void expectCube(const CQVROptKer& k) {
    ASSERT_EQ(k.m_nNode, 8);
    ASSERT_EQ(k.m_nInnerCell, 1);
    ASSERT_EQ(k.m_nSurface, 6);
    EXPECT_EQ(k.p_Cell[1].nNode, 8);
    // Node k of the cube has the corner bits of the usual hexahedron order.
    const int corner[9][3] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                              {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(k.m_pNode[i].x, corner[i][0]) << "node " << i;
        EXPECT_EQ(k.m_pNode[i].y, corner[i][1]) << "node " << i;
        EXPECT_EQ(k.m_pNode[i].z, corner[i][2]) << "node " << i;
    }
}

class DamagedMesh : public testing::TestWithParam<ManifestEntry> {};

TEST_P(DamagedMesh, ReaderResultAndDiagnostic) {
    const ManifestEntry& e = GetParam();
    const std::string path = hardening::damagedFile(e.file);
    NQBIO_Manipulator reader;
    testing::internal::CaptureStderr();
    const int result = reader.beginReading(path.c_str(), nullptr, 0);
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, e.readerResult) << e.what;
    if (e.readerResult == 0) {
        EXPECT_TRUE(namesPlace(diagnostic, path, e.place))
            << e.what << ": expected place " << e.place << ", got: " << diagnostic;
        EXPECT_EQ(diagnostic, std::string(reader.getLastError()) + "\n");
        EXPECT_EQ(reader.nMaxNodes, 0);
        float x = 0, y = 0, z = 0;
        EXPECT_EQ(reader.readNodeBlockEntry(x, y, z), -1);
    } else {
        EXPECT_EQ(diagnostic, "");
        EXPECT_EQ(reader.nMaxNodes, 8);
        EXPECT_EQ(reader.nMaxElemPlastic, 1);
        EXPECT_EQ(reader.nMaxElemSurface, 6);
    }
}

TEST_P(DamagedMesh, KernelLoad) {
    const ManifestEntry& e = GetParam();
    const std::string path = hardening::damagedFile(e.file);
    ScratchMeshes meshes;
    CQVROptKer kernel;
    ASSERT_EQ(kernel.ReadMeshData(meshes.prior.data(), 1), 1);
    ASSERT_EQ(kernel.InitialzeSearch(2), 1);
    const hardening::KernelSnapshot before(kernel);

    std::string name = path;
    testing::internal::CaptureStderr();
    const int result = kernel.ReadMeshData(name.data(), 1);
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, e.publicResult) << e.what;
    if (e.publicResult == 3301) {
        EXPECT_TRUE(namesPlace(diagnostic, path, e.place)) << e.what << ": " << diagnostic;
        EXPECT_TRUE(hardening::KernelSnapshot(kernel) == before) << e.what << ": kernel changed";
        EXPECT_EQ(kernel.m_pNode[2].x, 10.0) << "the centimetre cube must still be loaded";
    } else {
        expectCube(kernel);
    }

    // A valid mesh still loads, and the search runs on it.
    ASSERT_EQ(kernel.ReadMeshData(meshes.later.data(), 1), 1);
    EXPECT_EQ(kernel.m_nNode, 12);
    EXPECT_EQ(kernel.m_nInnerCell, 2);
    EXPECT_EQ(kernel.m_nSurface, 10);
    ASSERT_EQ(kernel.InitialzeSearch(1), 1);
    int count = -1;
    const int* ids = kernel.FindPassElemByAnyRay(count, 0.5, 0.5, 0.5, 1, 0, 0, 0);
    ASSERT_NE(ids, nullptr);
    EXPECT_GT(count, 0);
}

TEST_P(DamagedMesh, ToolMeshLoad) {
    const ManifestEntry& e = GetParam();
    std::string path = hardening::damagedFile(e.file);
    QVR3DExtractTool tool;
    testing::internal::CaptureStderr();
    const int result = tool.SetMeshFileName(path.data());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, e.publicResult) << e.what;
    // Without a mesh nothing else may be done; with one, the results of the cube load.
    std::string results = hardening::damagedFile("result_valid_a.k7t");
    EXPECT_EQ(tool.SetK7TFileName(results.data()), result == 1 ? 1 : -1);
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedMesh, testing::ValuesIn(entriesOf(true)), nameOf);

// The fibre values (a11, a22, a33, a12, a23, a13) the corpus's valid result files give to the
// cube's one cell; node means of a single cell are its values, and interpolation inside the
// cell reproduces them.
using Fibre = std::array<double, 6>;
const Fibre kValuesA = {0.5, 0.3f, 0.2f, 0.125, 0.03125, -0.0625};
const Fibre kValuesB = {0.25, 0.625, 0.125, -0.25, -0.5, 0.375};
const Fibre kZeros = {0, 0, 0, 0, 0, 0};
constexpr int kLayers = 4;

struct Profile {
    int result = 0;
    std::array<std::array<double, kLayers + 1>, 7> column{};  // dist, fiber1..6
    bool operator==(const Profile& o) const { return result == o.result && column == o.column; }
};

Profile profileOf(QVR3DExtractTool& tool) {
    Profile p;
    auto& c = p.column;
    p.result = tool.GetFiber(1, c[0].data(), c[1].data(), c[2].data(), c[3].data(), c[4].data(),
                             c[5].data(), c[6].data());
    return p;
}

// Every sample point lies in the cube's cell, so each gets the cell's values.
void expectValues(const Profile& p, const Fibre& values) {
    ASSERT_EQ(p.result, 1);
    for (int j = 1; j <= kLayers; ++j) {
        for (int c = 0; c < 6; ++c) {
            EXPECT_NEAR(p.column[c + 1][j], values[c], 1e-12) << "point " << j << " value " << c + 1;
        }
    }
}

class ToolWithCube {
public:
    ToolWithCube() {
        std::string mesh = hardening::damagedFile("text_valid.nqb");
        EXPECT_EQ(tool.SetMeshFileName(mesh.data()), 1);
        std::string results = hardening::damagedFile("result_valid_a.k7t");
        EXPECT_EQ(tool.SetK7TFileName(results.data()), 1);
        // A ray from the middle of the bottom face straight up through the cell.
        double x[2] = {0, 0.5}, y[2] = {0, 0.5}, z[2] = {0, 0}, ax[2] = {0, 0}, ay[2] = {0, 0},
               az[2] = {0, 1};
        EXPECT_EQ(tool.SetSurfaceNode(1, kLayers, x, y, z, ax, ay, az), 1);
    }
    QVR3DExtractTool tool;
};

class DamagedResult : public testing::TestWithParam<ManifestEntry> {};

TEST_P(DamagedResult, ReaderResult) {
    const ManifestEntry& e = GetParam();
    const std::string path = hardening::damagedFile(e.file);
    CQVR3DResultReader_Manipulator reader;
    EXPECT_EQ(reader.BeginReading(path.c_str(), nullptr), e.readerResult) << e.what;
    if (e.readerResult != k7t::kOpened) {
        EXPECT_STRNE(reader.GetLastError(), "") << e.what;
        EXPECT_EQ(reader.GetMaxCavityElem(), 0);
        float v[2] = {7, 7};
        EXPECT_FALSE(reader.GetResultItem(4, v));
        EXPECT_EQ(v[1], 7);
    }
}

TEST_P(DamagedResult, ToolResultLoad) {
    const ManifestEntry& e = GetParam();
    ToolWithCube cube;
    QVR3DExtractTool& tool = cube.tool;
    const Profile before = profileOf(tool);
    expectValues(before, kValuesA);

    std::string path = hardening::damagedFile(e.file);
    testing::internal::CaptureStdout();
    const int result = tool.SetK7TFileName(path.data());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, e.publicResult) << e.what;
    if (result == -1) {
        EXPECT_TRUE(profileOf(tool) == before) << e.what << ": the tool's values changed";
    } else if (e.file == "result_no_fibre_items.k7t") {
        expectValues(profileOf(tool), kZeros);
    } else {
        expectValues(profileOf(tool), e.file == "result_valid_b.k7t" ? kValuesB : kValuesA);
    }

    // A valid file still loads afterwards.
    std::string valid = hardening::damagedFile("result_valid_b.k7t");
    ASSERT_EQ(tool.SetK7TFileName(valid.data()), 1);
    expectValues(profileOf(tool), kValuesB);
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedResult, testing::ValuesIn(entriesOf(false)), nameOf);

TEST(DamagedCorpus, ManifestCoversEveryFile) {
    const std::vector<ManifestEntry> entries = hardening::loadManifest();
    std::vector<std::string> listed;
    for (const ManifestEntry& e : entries) listed.push_back(e.file);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(std::adjacent_find(listed.begin(), listed.end()), listed.end()) << "listed twice";
    std::vector<std::string> present;
    for (const auto& f : std::filesystem::directory_iterator(hardening::damagedDir())) {
        const std::string name = f.path().filename().string();
        if (name != "MANIFEST.txt") present.push_back(name);
    }
    std::sort(present.begin(), present.end());
    EXPECT_EQ(listed, present);
    EXPECT_GE(listed.size(), 80u);
}

// A directory or a missing file given as the file name.
TEST(DamagedCorpus, DirectoryAndMissingFile) {
    TempDir dir;
    const std::string folder = dir.file("a_folder.nqb");
    std::filesystem::create_directory(folder);
    for (const std::string& path : {folder, dir.file("missing.nqb")}) {
        std::string name = path;
        ScratchMeshes meshes;
        CQVROptKer kernel;
        ASSERT_EQ(kernel.ReadMeshData(meshes.prior.data(), 1), 1);
        const hardening::KernelSnapshot before(kernel);
        testing::internal::CaptureStderr();
        EXPECT_EQ(kernel.ReadMeshData(name.data(), 1), 3301) << path;
        const std::string diagnostic = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(namesPlace(diagnostic, path, "0")) << diagnostic;
        EXPECT_TRUE(hardening::KernelSnapshot(kernel) == before);

        CQVR3DResultReader_Manipulator reader;
        EXPECT_EQ(reader.BeginReading(path.c_str(), nullptr), k7t::kCannotRead) << path;

        ToolWithCube cube;
        const Profile before2 = profileOf(cube.tool);
        testing::internal::CaptureStderr();
        EXPECT_EQ(cube.tool.SetMeshFileName(name.data()), 3301);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(cube.tool.SetK7TFileName(name.data()), -1);
        EXPECT_TRUE(profileOf(cube.tool) == before2);
    }
}

}  // namespace
