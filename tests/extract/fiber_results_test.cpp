// Loading fibre results: which item lands in which output, node means, and refused files.
// Node values are read at sample point 1 of a ray, which lies on the node itself, where every
// cell's shape functions give the node value; the expected means are summed over the mesh's
// cells independently of the tool.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "ExtractTestSupport.h"

using namespace extract_test;

namespace {

// fiber1..fiber6 are a11, a22, a33, a12, a23, a13: the last two items swap places.
constexpr int kItemOfOutput[6] = {4, 5, 6, 9, 11, 10};

float value(int item, int e) { return static_cast<float>(item) + 0.125f * static_cast<float>(e); }

// Four unit cubes (2 x 2 x 1): bottom nodes shared by one, two or four cells.
struct Part : Tool {
    nqbio::MeshData mesh = plate(2.0, 2.0, 1.0, 2, 2, 1);
    std::vector<int> nodes;
    HostRays rays;
    int cells() const { return static_cast<int>(mesh.parts.size()); }
    Part() {
        for (int n : skinNodes(mesh)) {
            if (nodeOf(mesh, n)[2] != 0.0) continue;
            rays.add(nodeOf(mesh, n), {0.0, 0.0, 1.0});
            nodes.push_back(n);
        }
    }
    bool ready() { return loadMesh(mesh) == 1 && set(rays, 2) == 1; }
    std::vector<double> nodeValues(int k) {  // output k at every bottom node
        std::vector<double> v;
        for (int i = 1; i <= rays.count(); ++i) {
            FiberOutput out(2);
            v.push_back(get(i, out) == 1 ? out.at(k, 1) : NAN);
        }
        return v;
    }
    // The mean of cellValue(e) over the cells that list each bottom node.
    template <typename CellValue>
    void expectMeans(int k, CellValue cellValue) {
        const std::vector<double> got = nodeValues(k);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            double sum = 0.0;
            int count = 0;
            for (int e = 1; e <= cells(); ++e) {
                const auto& part = mesh.parts[static_cast<std::size_t>(e - 1)];
                for (int c = 0; c < part.nNode; ++c) {
                    if (part.node[c] == nodes[i]) {
                        sum += cellValue(e);
                        ++count;
                    }
                }
            }
            EXPECT_NEAR(got[i], count ? sum / count : 0.0, 1e-12) << "fiber" << k + 1 << " " << i;
        }
    }
};

}  // namespace

TEST(ResultLoading, NodeValuesAreThePlainMeansOfTheirCellsItemByItem) {
    Part p;
    ASSERT_TRUE(p.ready());
    for (int k = 0; k < 6; ++k) p.expectMeans(k, [](int) { return 0.0; });  // before any file
    ASSERT_EQ(p.loadResult(fiberResult(p.cells(), value)), 1);
    for (int k = 0; k < 6; ++k) p.expectMeans(k, [k](int e) { return value(kItemOfOutput[k], e); });
}

// A later file replaces the values of the cells it holds (the sums start afresh), the cells
// beyond its element count keep theirs, and items missing from a file read as zero.
TEST(ResultLoading, ALaterFileOverwritesExactlyTheCellsItHolds) {
    Part p;
    ASSERT_TRUE(p.ready());
    ASSERT_EQ(p.loadResult(fiberResult(p.cells(), [](int, int e) { return e + 0.0f; })), 1);
    ASSERT_EQ(p.loadResult(fiberResult(1, [](int, int) { return 9.0f; }), "c.k7t"), 1);
    p.expectMeans(0, [](int e) { return e == 1 ? 9.0 : e; });

    k7t::ResultFile empty;
    empty.elemCount = p.cells();
    ASSERT_EQ(p.loadResult(empty, "empty.k7t"), 1);
    for (int k = 0; k < 6; ++k) p.expectMeans(k, [](int) { return 0.0; });
}

TEST(ResultLoading, RefusedFilesLeaveTheValuesAlone) {
    Part p;
    ASSERT_TRUE(p.ready());
    ASSERT_EQ(p.loadResult(fiberResult(p.cells(), value)), 1);
    const auto before = p.nodeValues(0);

    std::string text = p.dir.file("text.k7t");
    std::ofstream(text) << "RESULTS 1\nitem 4 per element\n1.0\n2.0\n";
    EXPECT_EQ(p.tool.SetK7TFileName(text.data()), -1);
    // The reader's reason after the file's name, in one line.
    const std::string why = p.tool.GetLastErrorText();
    EXPECT_EQ(why.rfind(text + ": ", 0), 0u) << why;
    EXPECT_GT(why.size(), text.size() + 2);
    EXPECT_EQ(why.find('\n'), std::string::npos) << why;
    EXPECT_EQ(p.tool.GetLastErrorCode(), -1);

    // One cavity element more than the mesh has cells: the results of another part.
    testing::internal::CaptureStdout();
    EXPECT_EQ(p.loadResult(fiberResult(p.cells() + 1, value), "big.k7t"), -1);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(said.empty());
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;  // exactly one line
    EXPECT_EQ(p.tool.GetLastErrorText() + std::string("\n"), said);

    EXPECT_EQ(p.nodeValues(0), before);
    // A file that is read clears the reason.
    ASSERT_EQ(p.loadResult(fiberResult(p.cells(), value)), 1);
    EXPECT_STREQ(p.tool.GetLastErrorText(), "");
    EXPECT_EQ(p.tool.GetLastErrorCode(), 0);
}
