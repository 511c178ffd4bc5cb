// The exported tool's order of calls and its answers to misuse: a refused call returns its
// failure code and leaves every earlier result as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ExtractTestSupport.h"

using namespace extract_test;

namespace {

constexpr int kLayers = 4;
constexpr double kPlateThickness = 2.0;

// A 4 x 4 x 2 mm plate of eight hexahedra, its results, rays square into it from every node of
// its bottom face, and a last ray pointing out of the part (it crosses nothing).
struct Loaded : Tool {
    nqbio::MeshData mesh = plate(4.0, 4.0, kPlateThickness, 2, 2, 2);
    HostRays rays;
    Loaded() {
        for (int n : skinNodes(mesh)) {
            if (nodeOf(mesh, n)[2] == 0.0) rays.add(nodeOf(mesh, n), {0.0, 0.0, 1.0});
        }
        rays.add({2.0, 2.0, 0.0}, {0.0, 0.0, -1.0});
    }
    bool loadAll() {
        const auto values = [](int item, int e) { return 0.01f * item + 0.1f * e; };
        return loadMesh(mesh) == 1 && loadResult(fiberResult(8, values)) == 1 &&
               set(rays, kLayers) == 1;
    }
    std::vector<FiberOutput> outputs() {  // every ray's, into buffers one entry too long
        std::vector<FiberOutput> all(rays.from.size(), FiberOutput(kLayers + 1));
        for (int i = 1; i <= rays.count(); ++i) get(i, all[static_cast<std::size_t>(i)]);
        return all;
    }
};

}  // namespace

TEST(CallOrder, BeforeAMeshOnlyTheSettingsAreAccepted) {
    Loaded t;
    FiberOutput out(kLayers);
    EXPECT_STREQ(t.tool.GetLastErrorText(), "");
    EXPECT_EQ(t.loadResult(fiberResult(8, [](int, int) { return 1.0f; })), -1);
    EXPECT_NE(std::string(t.tool.GetLastErrorText()).find("SetMeshFileName"), std::string::npos);
    EXPECT_EQ(t.set(t.rays, kLayers), -1);
    EXPECT_EQ(t.get(1, out), -1);
    EXPECT_EQ(t.get(0, out), -1);
    EXPECT_TRUE(out.untouched());
    EXPECT_EQ(t.tool.GetNoCrossingCount(), 0);

    for (int bad : {-1, 2}) EXPECT_EQ(t.tool.SetThicknessMode(bad), -1) << bad;
    EXPECT_EQ(t.tool.GetThicknessMode(), QVR_THICKNESS_CENTROID_PLANE);  // the default, kept
    EXPECT_EQ(t.tool.SetThicknessMode(QVR_THICKNESS_EXACT), 1);
    EXPECT_EQ(t.tool.GetThicknessMode(), QVR_THICKNESS_EXACT);
    EXPECT_EQ(t.tool.SetProgressCallback(nullptr, nullptr), 1);

    // With a mesh but no rays yet, GetFiber is still refused.
    ASSERT_EQ(t.loadMesh(t.mesh), 1);
    EXPECT_EQ(t.get(1, out), -1);
    EXPECT_TRUE(out.untouched());
}

// Each refusal is followed by a check of every ray's output, which also shows that GetFiber
// repeats itself.
TEST(CallOrder, RefusedCallsChangeNothing) {
    Loaded t;
    ASSERT_TRUE(t.loadAll());
    const auto before = t.outputs();
    for (int j = 0; j <= kLayers + 1; ++j) {  // entries 1..nLayer are written, no other
        const bool written = j >= 1 && j <= kLayers;
        constexpr double kNone = FiberOutput::kUnwritten;
        EXPECT_EQ(before[1].dist[static_cast<std::size_t>(j)] != kNone, written);
        for (int k = 0; k < 6; ++k) EXPECT_EQ(before[1].at(k, j) != kNone, written);
    }
    ASSERT_EQ(t.tool.GetNoCrossingCount(), 1);
    const int n = t.rays.count();
    FiberOutput out(kLayers);
    auto setRays = [&](int nNode, int nLayer, int nullAt) {
        auto a = t.rays.arrays();
        if (nullAt >= 0) a[static_cast<std::size_t>(nullAt)] = nullptr;
        return t.tool.SetSurfaceNode(nNode, nLayer, a[0], a[1], a[2], a[3], a[4], a[5]);
    };
    auto getFiber = [&](int inode, int nullAt) {
        auto a = out.arrays();
        if (nullAt >= 0) a[static_cast<std::size_t>(nullAt)] = nullptr;
        return t.tool.GetFiber(inode, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    };
    std::string missing = t.dir.file("missing.file");
    std::vector<std::pair<std::function<int()>, int>> refusals = {
        {[&] { return t.tool.SetMeshFileName(missing.data()); }, 3301},
        {[&] { return t.tool.SetMeshFileName(nullptr); }, 3301},
        {[&] { return t.tool.SetK7TFileName(missing.data()); }, -1},
        {[&] { return t.tool.SetK7TFileName(nullptr); }, -1},
        {[&] { return setRays(0, kLayers, -1); }, -1},
        {[&] { return setRays(n, 1, -1); }, -1},
        {[&] { return getFiber(n + 1, -1); }, -1},
        {[&] { return getFiber(-1, -1); }, -1},
    };
    for (int k = 0; k < 6; ++k) refusals.push_back({[&, k] { return setRays(n, kLayers, k); }, -1});
    for (int k = 0; k < 7; ++k) refusals.push_back({[&, k] { return getFiber(1, k); }, -1});
    for (std::size_t i = 0; i < refusals.size(); ++i) {
        SCOPED_TRACE("refusal " + std::to_string(i));
        EXPECT_EQ(refusals[i].first(), refusals[i].second);
        // The four file loads say why in one line and keep their code; the later refusals
        // name no file and leave the last reason as it was.
        const std::string why = t.tool.GetLastErrorText();
        EXPECT_EQ(t.tool.GetLastErrorCode(), i < 4 ? refusals[i].second : -1);
        EXPECT_EQ(why.find('\n'), std::string::npos) << why;
        EXPECT_FALSE(why.empty());
        if (i % 2 == 0 && i < 4) {
            EXPECT_EQ(why.rfind(missing + ":", 0), 0u) << why;
        }
        if (i >= 4) {
            EXPECT_EQ(why, "no result file name given");
        }
        EXPECT_TRUE(out.untouched());
        EXPECT_EQ(t.tool.GetNoCrossingCount(), 1);
        EXPECT_TRUE(t.outputs() == before);
    }
    EXPECT_EQ(t.get(0, out), 1);  // index 0 names no ray: accepted, nothing written
    EXPECT_TRUE(out.untouched());
}

TEST(CallOrder, NewRaysReplaceTheOldAndANewMeshDropsThem) {
    Loaded t;
    ASSERT_TRUE(t.loadAll());
    HostRays one;
    one.add({2.0, 2.0, kPlateThickness}, {0.0, 0.0, -1.0});
    ASSERT_EQ(t.set(one, kLayers), 1);
    EXPECT_EQ(t.tool.GetNoCrossingCount(), 0);
    FiberOutput out(kLayers);
    EXPECT_EQ(t.get(2, out), -1);
    ASSERT_EQ(t.get(1, out), 1);
    EXPECT_DOUBLE_EQ(out.dist[kLayers], kPlateThickness);

    ASSERT_EQ(t.set(t.rays, kLayers), 1);
    ASSERT_EQ(t.tool.GetNoCrossingCount(), 1);
    ASSERT_EQ(t.loadMesh(t.mesh, "again.nqb"), 1);
    EXPECT_EQ(t.tool.GetNoCrossingCount(), 0);
    FiberOutput dropped(kLayers);
    EXPECT_EQ(t.get(1, dropped), -1);
    EXPECT_TRUE(dropped.untouched());
}

TEST(CallOrder, TheNormalPathWritesNothingToStandardOutput) {
    testing::internal::CaptureStdout();
    {
        Loaded t;
        t.loadAll();
        std::string missing = t.dir.file("missing.k7t");
        t.tool.SetK7TFileName(missing.data());
        t.tool.SetThicknessMode(QVR_THICKNESS_EXACT);
        t.set(t.rays, kLayers);
        FiberOutput out(kLayers);
        t.get(1, out);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// The lent kernel is the tool's own: it shows the mesh the tool traces on, follows a new mesh,
// and its normals are those of a kernel that loaded the file itself. The reading setting
// reaches that kernel.
TEST(LentKernel, ShowsTheToolsMeshAndFollowsANewOne) {
    Loaded t;
    const CQVROptKer* kernel = t.tool.GetKernel();
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(kernel->m_nNode, 0);
    ASSERT_TRUE(t.loadAll());
    EXPECT_EQ(t.tool.GetKernel(), kernel);
    EXPECT_EQ(std::make_tuple(kernel->m_nInnerCell, kernel->m_nNode, kernel->m_nSurface),
              std::make_tuple(8, 27, 24));

    CQVROptKer own;
    std::string path = t.dir.file("part.nqb");
    ASSERT_EQ(own.ReadMeshData(path.data(), 0), 1);
    const auto normals = [](const CQVROptKer& k) {
        std::vector<double> n(3 * (static_cast<std::size_t>(k.m_nNode) + 1), 0.0);
        EXPECT_EQ(k.ComputeNodeSurfaceNormal(n.data(), n.data() + k.m_nNode + 1,
                                             n.data() + 2 * (k.m_nNode + 1)),
                  1);
        return n;
    };
    EXPECT_EQ(normals(*kernel), normals(own));

    ASSERT_EQ(t.loadMesh(plate(2.0, 2.0, 1.0, 1, 1, 1), "small.nqb"), 1);
    EXPECT_EQ(std::make_tuple(kernel->m_nInnerCell, kernel->m_nNode), std::make_tuple(1, 8));

    // A refused file leaves the lent kernel's mesh, and only standard output hears of it.
    ASSERT_EQ(t.tool.SetQuietReading(1), 1);
    EXPECT_EQ(t.tool.SetQuietReading(5), -1);
    std::string missing = t.dir.file("missing.nqb");
    testing::internal::CaptureStderr();
    EXPECT_EQ(t.tool.SetMeshFileName(missing.data()), 3301);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(std::string(t.tool.GetLastErrorText()).find("missing.nqb"), std::string::npos);
    EXPECT_EQ(kernel->m_nInnerCell, 1);
}
