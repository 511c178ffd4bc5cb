// The exported tool's order of calls and its answers to misuse, through the public interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ExtractTestSupport.h"
#include "PartGenerator.h"
#include "QVR3DExtractTool.h"

using namespace extract_test;

namespace {

constexpr int kLayers = 4;

nqbio::MeshData smallPlate() {
    qvr::gen::PlateSpec params;
    params.lx = 4.0;
    params.ly = 4.0;
    params.thickness = 2.0;
    params.nx = 2;
    params.ny = 2;
    params.nz = 2;
    return qvr::gen::makePlate(params);
}

// Rays square into the plate from every skin node of its bottom face.
HostRays bottomRays(const nqbio::MeshData& mesh) {
    HostRays rays;
    for (int n : skinNodes(mesh)) {
        const auto p = nodeOf(mesh, n);
        if (p[2] == 0.0) rays.add(p, {0.0, 0.0, 1.0}, n);
    }
    return rays;
}

double itemValue(int item, int cell) { return 0.01 * item + 0.001 * cell; }

struct LoadedTool {
    TempDir dir;
    nqbio::MeshData mesh = smallPlate();
    std::string meshPath, resultPath;
    QVR3DExtractTool tool;
    HostRays rays;

    LoadedTool() {
        meshPath = writeMesh(dir, mesh);
        resultPath = writeResult(dir, fiberResult(static_cast<int>(mesh.parts.size()), itemValue));
        rays = bottomRays(mesh);
    }
    int setRays() {
        return tool.SetSurfaceNode(rays.count(), kLayers, rays.x.data(), rays.y.data(),
                                   rays.z.data(), rays.ax.data(), rays.ay.data(), rays.az.data());
    }
    int loadAll() {
        if (tool.SetMeshFileName(meshPath.data()) != 1) return -1;
        if (tool.SetK7TFileName(resultPath.data()) != 1) return -1;
        return setRays();
    }
    int fiber(int inode, FiberOutput& out) {
        return tool.GetFiber(inode, out.dist.data(), out.f(0), out.f(1), out.f(2), out.f(3),
                             out.f(4), out.f(5));
    }
};

bool untouched(const FiberOutput& out) {
    for (double d : out.dist) {
        if (d != FiberOutput::kUnwritten) return false;
    }
    for (const auto& f : out.fiber) {
        for (double v : f) {
            if (v != FiberOutput::kUnwritten) return false;
        }
    }
    return true;
}

bool sameOutput(const FiberOutput& a, const FiberOutput& b) {
    return a.dist == b.dist && a.fiber == b.fiber;
}

}  // namespace

TEST(ExtractToolLifecycle, EveryCallBeforeAMeshFailsAndWritesNothing) {
    LoadedTool t;
    ASSERT_FALSE(t.resultPath.empty());
    EXPECT_EQ(t.tool.SetK7TFileName(t.resultPath.data()), -1);
    EXPECT_EQ(t.setRays(), -1);
    FiberOutput out(kLayers);
    EXPECT_EQ(t.fiber(1, out), -1);
    EXPECT_EQ(t.fiber(0, out), -1);
    EXPECT_TRUE(untouched(out));
}

TEST(ExtractToolLifecycle, UnreadableMeshReturnsTheKernelCodeAndKeepsTheState) {
    LoadedTool t;
    ASSERT_EQ(t.loadAll(), 1);
    FiberOutput before(kLayers);
    ASSERT_EQ(t.fiber(1, before), 1);

    std::string missing = t.dir.file("missing.nqb");
    EXPECT_EQ(t.tool.SetMeshFileName(missing.data()), 3301);
    EXPECT_EQ(t.tool.SetMeshFileName(nullptr), 3301);

    FiberOutput after(kLayers);
    ASSERT_EQ(t.fiber(1, after), 1);
    EXPECT_TRUE(sameOutput(before, after));
}

TEST(ExtractToolLifecycle, ANewMeshDropsTheRaysOfTheOldOne) {
    LoadedTool t;
    ASSERT_EQ(t.loadAll(), 1);
    ASSERT_EQ(t.tool.SetMeshFileName(t.meshPath.data()), 1);
    FiberOutput out(kLayers);
    EXPECT_EQ(t.fiber(1, out), -1);
    EXPECT_TRUE(untouched(out));
    ASSERT_EQ(t.setRays(), 1);
    EXPECT_EQ(t.fiber(1, out), 1);
}

TEST(ExtractToolLifecycle, GetFiberBeforeSetSurfaceNodeFails) {
    LoadedTool t;
    ASSERT_EQ(t.tool.SetMeshFileName(t.meshPath.data()), 1);
    ASSERT_EQ(t.tool.SetK7TFileName(t.resultPath.data()), 1);
    FiberOutput out(kLayers);
    EXPECT_EQ(t.fiber(1, out), -1);
    EXPECT_TRUE(untouched(out));
}

TEST(ExtractToolLifecycle, BadCountsAndNullArraysChangeNothing) {
    LoadedTool t;
    ASSERT_EQ(t.loadAll(), 1);
    FiberOutput before(kLayers);
    ASSERT_EQ(t.fiber(t.rays.count(), before), 1);

    HostRays& r = t.rays;
    EXPECT_EQ(t.tool.SetSurfaceNode(0, kLayers, r.x.data(), r.y.data(), r.z.data(), r.ax.data(),
                                    r.ay.data(), r.az.data()),
              -1);
    EXPECT_EQ(t.tool.SetSurfaceNode(1, 1, r.x.data(), r.y.data(), r.z.data(), r.ax.data(),
                                    r.ay.data(), r.az.data()),
              -1);
    EXPECT_EQ(t.tool.SetSurfaceNode(1, kLayers, r.x.data(), r.y.data(), r.z.data(), r.ax.data(),
                                    nullptr, r.az.data()),
              -1);
    EXPECT_EQ(t.tool.SetSurfaceNode(1, kLayers, nullptr, r.y.data(), r.z.data(), r.ax.data(),
                                    r.ay.data(), r.az.data()),
              -1);

    // The earlier rays, all of them, are still there.
    FiberOutput after(kLayers);
    ASSERT_EQ(t.fiber(t.rays.count(), after), 1);
    EXPECT_TRUE(sameOutput(before, after));
}

TEST(ExtractToolLifecycle, GetFiberChecksItsIndexAndArrays) {
    LoadedTool t;
    ASSERT_EQ(t.loadAll(), 1);
    const int n = t.rays.count();
    FiberOutput out(kLayers);
    EXPECT_EQ(t.fiber(n + 1, out), -1);
    EXPECT_EQ(t.fiber(-1, out), -1);
    EXPECT_TRUE(untouched(out));
    // Index 0 names the record that is never built: success, nothing written.
    EXPECT_EQ(t.fiber(0, out), 1);
    EXPECT_TRUE(untouched(out));

    for (int nullAt = 0; nullAt < 7; ++nullAt) {
        double* a[7] = {out.dist.data(), out.f(0), out.f(1), out.f(2), out.f(3), out.f(4),
                        out.f(5)};
        a[nullAt] = nullptr;
        EXPECT_EQ(t.tool.GetFiber(1, a[0], a[1], a[2], a[3], a[4], a[5], a[6]), -1) << nullAt;
    }
    EXPECT_TRUE(untouched(out));
}

TEST(ExtractToolLifecycle, GetFiberWritesEntriesOneToNLayerOnlyAndRepeatsItself) {
    LoadedTool t;
    ASSERT_EQ(t.loadAll(), 1);
    FiberOutput first(kLayers + 1), second(kLayers + 1);  // one spare entry at the end
    ASSERT_EQ(t.fiber(1, first), 1);
    ASSERT_EQ(t.fiber(1, second), 1);
    EXPECT_TRUE(sameOutput(first, second));
    EXPECT_EQ(first.dist[0], FiberOutput::kUnwritten);
    EXPECT_EQ(first.dist[kLayers + 1], FiberOutput::kUnwritten);
    for (int j = 1; j <= kLayers; ++j) EXPECT_NE(first.dist[static_cast<std::size_t>(j)], FiberOutput::kUnwritten);
    for (const auto& f : first.fiber) {
        EXPECT_EQ(f[0], FiberOutput::kUnwritten);
        EXPECT_EQ(f[kLayers + 1], FiberOutput::kUnwritten);
    }
}

TEST(ExtractToolLifecycle, ASecondSetSurfaceNodeReplacesTheFirst) {
    LoadedTool t;
    ASSERT_EQ(t.loadAll(), 1);
    ASSERT_GE(t.rays.count(), 2);

    // One ray from the top face, pointing down: thickness 2 again, but from z = 2.
    HostRays one;
    one.add({2.0, 2.0, 2.0}, {0.0, 0.0, -1.0});
    ASSERT_EQ(t.tool.SetSurfaceNode(1, kLayers, one.x.data(), one.y.data(), one.z.data(),
                                    one.ax.data(), one.ay.data(), one.az.data()),
              1);
    FiberOutput out(kLayers);
    EXPECT_EQ(t.fiber(2, out), -1);
    ASSERT_EQ(t.fiber(1, out), 1);
    EXPECT_DOUBLE_EQ(out.dist[kLayers], 2.0);
}

TEST(ExtractToolLifecycle, NothingOfTheNormalPathWritesToStandardOutput) {
    testing::internal::CaptureStdout();
    {
        LoadedTool t;
        std::string missing = t.dir.file("missing.k7t");
        t.loadAll();
        t.tool.SetK7TFileName(missing.data());
        FiberOutput out(kLayers);
        t.fiber(1, out);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
