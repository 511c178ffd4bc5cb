// Loading fibre results: which item lands in which output, node means, and refused files.
// Node values are observed at sample point 1 of a ray, which lies on the node itself, where
// interpolating shape functions give the node value.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "ExtractTestSupport.h"
#include "PartGenerator.h"
#include "QVR3DExtractTool.h"

using namespace extract_test;

namespace {

constexpr int kLayers = 2;
constexpr double kNodeValueTolerance = 1e-12;

// Two unit hexahedra side by side along x: cell 1 on [0,1], cell 2 on [1,2]. Nodes 1..12.
nqbio::MeshData twoCubes() {
    nqbio::MeshData mesh;
    for (int z = 0; z <= 1; ++z) {
        for (int y = 0; y <= 1; ++y) {
            for (int x = 0; x <= 2; ++x) {
                mesh.xyz.push_back(static_cast<float>(x));
                mesh.xyz.push_back(static_cast<float>(y));
                mesh.xyz.push_back(static_cast<float>(z));
            }
        }
    }
    auto id = [](int x, int y, int z) { return 1 + x + 3 * y + 6 * z; };
    for (int c = 0; c < 2; ++c) {
        nqbio::PartElement e;
        e.nNode = 8;
        const int base[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
        for (int k = 0; k < 8; ++k) e.node[k] = id(base[k][0] + c, base[k][1], base[k][2]);
        mesh.parts.push_back(e);
    }
    qvr::gen::deriveSkin(mesh);
    qvr::gen::computeVolumes(mesh);
    return mesh;
}

// Rays into the cubes from (0,0,0) (cell 1 only), (1,0,0) (both) and (2,0,0) (cell 2 only).
HostRays cornerRays() {
    HostRays rays;
    rays.add({0.0, 0.0, 0.0}, {0.0, 0.0, 1.0});
    rays.add({1.0, 0.0, 0.0}, {0.0, 0.0, 1.0});
    rays.add({2.0, 0.0, 0.0}, {0.0, 0.0, 1.0});
    return rays;
}

struct Fixture {
    TempDir dir;
    nqbio::MeshData mesh = twoCubes();
    std::string meshPath = writeMesh(dir, mesh);
    QVR3DExtractTool tool;
    HostRays rays = cornerRays();

    bool ready() {
        return tool.SetMeshFileName(meshPath.data()) == 1 &&
               tool.SetSurfaceNode(rays.count(), kLayers, rays.x.data(), rays.y.data(),
                                   rays.z.data(), rays.ax.data(), rays.ay.data(),
                                   rays.az.data()) == 1;
    }
    // The six node values at ray `inode`'s node.
    std::array<double, 6> nodeValues(int inode) {
        FiberOutput out(kLayers);
        std::array<double, 6> v{};
        if (tool.GetFiber(inode, out.dist.data(), out.f(0), out.f(1), out.f(2), out.f(3),
                          out.f(4), out.f(5)) != 1) {
            v.fill(-999.0);
            return v;
        }
        for (int k = 0; k < 6; ++k) v[static_cast<std::size_t>(k)] = out.fiber[static_cast<std::size_t>(k)][1];
        return v;
    }
    int load(const k7t::ResultFile& file, const std::string& name) {
        std::string path = writeResult(dir, file, name);
        return tool.SetK7TFileName(path.data());
    }
};

}  // namespace

TEST(ResultLoading, ItemsLandInTheirOutputsWithA13AndA23Crossed) {
    Fixture f;
    ASSERT_TRUE(f.ready());
    // Same value in both cells, so every node holds exactly the item's value.
    ASSERT_EQ(f.load(fiberResult(2, [](int item, int) { return 0.5f + item; }), "r.k7t"), 1);
    const auto v = f.nodeValues(2);
    const int expectedItem[6] = {4, 5, 6, 9, 11, 10};  // fiber5 is a23, fiber6 is a13
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(v[static_cast<std::size_t>(k)], 0.5 + expectedItem[k], kNodeValueTolerance) << "fiber" << k + 1;
    }
}

TEST(ResultLoading, NodeValuesAreThePlainMeanOfTheirCells) {
    Fixture f;
    ASSERT_TRUE(f.ready());
    // Cell 1 holds 1, cell 2 holds 3 in every item.
    ASSERT_EQ(f.load(fiberResult(2, [](int, int e) { return e == 1 ? 1.0f : 3.0f; }), "r.k7t"), 1);
    for (int k = 0; k < 6; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        EXPECT_NEAR(f.nodeValues(1)[kk], 1.0, kNodeValueTolerance);
        EXPECT_NEAR(f.nodeValues(2)[kk], 2.0, kNodeValueTolerance);
        EXPECT_NEAR(f.nodeValues(3)[kk], 3.0, kNodeValueTolerance);
    }
}

TEST(ResultLoading, ASecondFileOnTheSameMeshGivesItsOwnMeans) {
    Fixture f;
    ASSERT_TRUE(f.ready());
    auto value = [](int item, int e) { return 0.1f * static_cast<float>(item) + 2.0f * static_cast<float>(e); };
    const auto file = fiberResult(2, value);
    ASSERT_EQ(f.load(file, "a.k7t"), 1);
    const auto first = f.nodeValues(2);
    ASSERT_EQ(f.load(file, "b.k7t"), 1);
    EXPECT_EQ(f.nodeValues(2), first);
    // Exact node mean of the float values, widened.
    EXPECT_NEAR(first[0], (static_cast<double>(value(4, 1)) + static_cast<double>(value(4, 2))) / 2.0,
                kNodeValueTolerance);
}

TEST(ResultLoading, RefusedFilesLeaveTheValuesAlone) {
    Fixture f;
    ASSERT_TRUE(f.ready());
    ASSERT_EQ(f.load(fiberResult(2, [](int item, int e) { return 1.0f * item + e; }), "a.k7t"), 1);
    const auto before = f.nodeValues(2);

    std::string missing = f.dir.file("missing.k7t");
    EXPECT_EQ(f.tool.SetK7TFileName(missing.data()), -1);
    EXPECT_EQ(f.tool.SetK7TFileName(nullptr), -1);

    std::string text = f.dir.file("text.k7t");
    std::ofstream(text) << "RESULTS 1\nitem 4 per element\n1.0\n2.0\n";
    EXPECT_EQ(f.tool.SetK7TFileName(text.data()), -1);

    // Three cavity elements for a mesh of two cells: the results of another part.
    testing::internal::CaptureStdout();
    EXPECT_EQ(f.load(fiberResult(3, [](int, int) { return 7.0f; }), "big.k7t"), -1);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(said.empty());
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;  // exactly one line

    EXPECT_EQ(f.nodeValues(2), before);
}

TEST(ResultLoading, FewerCavityElementsLeaveTheRemainingCellsAsTheyWere) {
    Fixture f;
    ASSERT_TRUE(f.ready());
    ASSERT_EQ(f.load(fiberResult(2, [](int, int) { return 4.0f; }), "a.k7t"), 1);
    ASSERT_EQ(f.load(fiberResult(1, [](int, int) { return 2.0f; }), "b.k7t"), 1);
    EXPECT_NEAR(f.nodeValues(1)[0], 2.0, kNodeValueTolerance);  // cell 1 new
    EXPECT_NEAR(f.nodeValues(2)[0], 3.0, kNodeValueTolerance);  // mean of new and kept
    EXPECT_NEAR(f.nodeValues(3)[0], 4.0, kNodeValueTolerance);  // cell 2 kept
}

TEST(ResultLoading, AFileWithoutItemsIsReadAndGivesZeros) {
    Fixture f;
    ASSERT_TRUE(f.ready());
    ASSERT_EQ(f.load(fiberResult(2, [](int, int) { return 5.0f; }), "a.k7t"), 1);
    k7t::ResultFile empty;
    empty.elemCount = 2;
    ASSERT_EQ(f.load(empty, "empty.k7t"), 1);
    for (double v : f.nodeValues(2)) EXPECT_EQ(v, 0.0);
}

TEST(ResultLoading, BeforeAnyResultTheValuesAreZero) {
    Fixture f;
    ASSERT_TRUE(f.ready());
    for (double v : f.nodeValues(2)) EXPECT_EQ(v, 0.0);
}
