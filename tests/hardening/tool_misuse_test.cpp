// Misuse of the extraction tool's public interface: every call before its prerequisite and
// twice, nodes and layers out of range, null arrays, NaN and infinite coordinates and
// directions. Refused calls return -1 and leave what GetFiber reports as it was.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "HardeningSupport.h"
#include "QVR3DExtractTool.h"
#include "TempDir.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kGuard = -777.0;  // marks entries a call must leave alone
constexpr int kLayers = 5;

std::string corpusFile(const char* name) { return hardening::damagedFile(name); }

// Seven one-based output columns (distance and six fibre values) with guards around 1..nLayer.
struct Columns {
    std::array<std::vector<double>, 7> c;
    explicit Columns(int layers = kLayers) {
        for (auto& v : c) v.assign(static_cast<std::size_t>(layers) + 2, kGuard);
    }
    int get(QVR3DExtractTool& t, int inode) {
        return t.GetFiber(inode, c[0].data(), c[1].data(), c[2].data(), c[3].data(), c[4].data(),
                          c[5].data(), c[6].data());
    }
    bool untouched() const {
        for (const auto& v : c)
            for (double x : v)
                if (x != kGuard) return false;
        return true;
    }
    bool guardsKept() const {
        for (const auto& v : c)
            if (v.front() != kGuard || v.back() != kGuard) return false;
        return true;
    }
    bool operator==(const Columns& o) const { return c == o.c; }
};

// Host arrays for n nodes, one-based.
struct Nodes {
    std::vector<double> x, y, z, ax, ay, az;
    explicit Nodes(int n) : x(n + 1), y(n + 1), z(n + 1), ax(n + 1), ay(n + 1), az(n + 1) {}
    void set(int i, double px, double py, double pz, double dx, double dy, double dz) {
        x[i] = px, y[i] = py, z[i] = pz, ax[i] = dx, ay[i] = dy, az[i] = dz;
    }
    int hand(QVR3DExtractTool& t, int n, int layers) {
        return t.SetSurfaceNode(n, layers, x.data(), y.data(), z.data(), ax.data(), ay.data(),
                                az.data());
    }
};

class ToolMisuse : public testing::Test {
protected:
    void SetUp() override {
        mesh_ = dir_.file("block.nqb");
        ASSERT_TRUE(nqbio::writeText(mesh_, hardening::blockMesh(2, 2, 1)));
    }
    // Loads the 2 x 2 x 1 block, no results.
    void load(QVR3DExtractTool& t) { ASSERT_EQ(t.SetMeshFileName(mesh_.data()), 1); }
    TempDir dir_;
    std::string mesh_;
};

TEST_F(ToolMisuse, EveryCallBeforeAMesh) {
    QVR3DExtractTool tool;
    Nodes nodes(1);
    nodes.set(1, 0.5, 0.5, 0, 0, 0, 1);
    EXPECT_EQ(nodes.hand(tool, 1, kLayers), -1);
    std::string results = corpusFile("result_valid_a.k7t");
    EXPECT_EQ(tool.SetK7TFileName(results.data()), -1);
    EXPECT_EQ(tool.SetK7TFileName(nullptr), -1);
    Columns out;
    EXPECT_EQ(out.get(tool, 1), -1);
    EXPECT_TRUE(out.untouched());
    testing::internal::CaptureStderr();
    EXPECT_EQ(tool.SetMeshFileName(nullptr), 3301);
    testing::internal::GetCapturedStderr();
    // Still usable afterwards.
    load(tool);
    EXPECT_EQ(nodes.hand(tool, 1, kLayers), 1);
    EXPECT_EQ(out.get(tool, 1), 1);
}

TEST_F(ToolMisuse, GetFiberBeforeSetSurfaceNodeAndAfterANewMesh) {
    QVR3DExtractTool tool;
    load(tool);
    Columns out;
    EXPECT_EQ(out.get(tool, 1), -1);
    EXPECT_TRUE(out.untouched());
    Nodes nodes(1);
    nodes.set(1, 0.5, 0.5, 0, 0, 0, 1);
    ASSERT_EQ(nodes.hand(tool, 1, kLayers), 1);
    ASSERT_EQ(out.get(tool, 1), 1);
    // A new mesh drops the rays of the old one.
    load(tool);
    Columns after;
    EXPECT_EQ(after.get(tool, 1), -1);
    EXPECT_TRUE(after.untouched());
}

TEST_F(ToolMisuse, RefusedSurfaceNodesChangeNothing) {
    QVR3DExtractTool tool;
    load(tool);
    Nodes nodes(3);
    nodes.set(1, 0.5, 0.5, 0, 0, 0, 1);
    nodes.set(2, 1.5, 1.5, 1, 0, 0, -1);
    nodes.set(3, 0, 1, 0.5, 1, 0, 0);
    ASSERT_EQ(nodes.hand(tool, 3, kLayers), 1);
    Columns before;
    ASSERT_EQ(before.get(tool, 2), 1);

    double* x = nodes.x.data();
    EXPECT_EQ(nodes.hand(tool, 0, kLayers), -1);
    EXPECT_EQ(nodes.hand(tool, -1, kLayers), -1);
    EXPECT_EQ(nodes.hand(tool, INT_MIN, kLayers), -1);
    EXPECT_EQ(nodes.hand(tool, 1, 1), -1);
    EXPECT_EQ(nodes.hand(tool, 1, 0), -1);
    EXPECT_EQ(nodes.hand(tool, 1, INT_MIN), -1);
    EXPECT_EQ(tool.SetSurfaceNode(1, kLayers, nullptr, x, x, x, x, x), -1);
    EXPECT_EQ(tool.SetSurfaceNode(1, kLayers, x, nullptr, x, x, x, x), -1);
    EXPECT_EQ(tool.SetSurfaceNode(1, kLayers, x, x, nullptr, x, x, x), -1);
    EXPECT_EQ(tool.SetSurfaceNode(1, kLayers, x, x, x, nullptr, x, x), -1);
    EXPECT_EQ(tool.SetSurfaceNode(1, kLayers, x, x, x, x, nullptr, x), -1);
    EXPECT_EQ(tool.SetSurfaceNode(1, kLayers, x, x, x, x, x, nullptr), -1);

    Columns after;
    ASSERT_EQ(after.get(tool, 2), 1);
    EXPECT_TRUE(after == before);
    Columns third;
    EXPECT_EQ(third.get(tool, 3), 1) << "the three nodes of the earlier call are still there";
}

TEST_F(ToolMisuse, GetFiberOutOfRangeAndNullArrays) {
    QVR3DExtractTool tool;
    load(tool);
    Nodes nodes(2);
    nodes.set(1, 0.5, 0.5, 0, 0, 0, 1);
    nodes.set(2, 1.5, 0.5, 1, 0, 0, -1);
    ASSERT_EQ(nodes.hand(tool, 2, kLayers), 1);
    for (int inode : {-1, 3, INT_MAX, INT_MIN}) {
        Columns out;
        EXPECT_EQ(out.get(tool, inode), -1) << inode;
        EXPECT_TRUE(out.untouched()) << inode;
    }
    Columns zero;
    EXPECT_EQ(zero.get(tool, 0), 1);
    EXPECT_TRUE(zero.untouched());
    Columns out;
    auto& c = out.c;
    std::array<double*, 7> p{};
    for (int k = 0; k < 7; ++k) p[k] = c[k].data();
    for (int missing = 0; missing < 7; ++missing) {
        std::array<double*, 7> q = p;
        q[missing] = nullptr;
        EXPECT_EQ(tool.GetFiber(1, q[0], q[1], q[2], q[3], q[4], q[5], q[6]), -1);
        EXPECT_TRUE(out.untouched()) << "array " << missing << " null";
    }
}

// Calls made twice give what one call gives.
TEST_F(ToolMisuse, CallsTwice) {
    QVR3DExtractTool once, twice;
    load(once);
    load(twice);
    load(twice);
    Nodes nodes(1);
    nodes.set(1, 1, 1, 0, 0, 0, 1);
    ASSERT_EQ(nodes.hand(once, 1, kLayers), 1);
    ASSERT_EQ(nodes.hand(twice, 1, kLayers), 1);
    ASSERT_EQ(nodes.hand(twice, 1, kLayers), 1);
    Columns a, b, c;
    ASSERT_EQ(a.get(once, 1), 1);
    ASSERT_EQ(b.get(twice, 1), 1);
    ASSERT_EQ(c.get(twice, 1), 1);
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(b == c);
    EXPECT_TRUE(a.guardsKept());
}

// NaN and infinite nodes and directions: the call ends, and GetFiber writes only 1..nLayer.
TEST_F(ToolMisuse, NonFiniteNodesAndDirections) {
    const double bad[] = {kNaN, kInf, -kInf, 1e308, -1e308};
    const hardening::Outcome outcome = hardening::inChild([&] {
        QVR3DExtractTool tool;
        if (tool.SetMeshFileName(mesh_.data()) != 1) return false;
        const int n = 4 * static_cast<int>(std::size(bad)) + 1;
        Nodes nodes(n);
        int i = 1;
        for (double b : bad) {
            nodes.set(i++, b, 0.5, 0.5, 0, 0, 1);
            nodes.set(i++, b, b, b, b, b, b);
            nodes.set(i++, 0.5, 0.5, 0, b, 0, 1);
            nodes.set(i++, 0.5, 0.5, 0, 0, 0, b);
        }
        nodes.set(i, 0.5, 0.5, 0, 0, 0, 0);  // a zero direction
        if (nodes.hand(tool, n, kLayers) != 1) return false;
        for (int k = 0; k <= n; ++k) {
            Columns out;
            if (out.get(tool, k) != 1 || !out.guardsKept()) return false;
        }
        return true;
    });
    EXPECT_EQ(outcome, hardening::Outcome::Passed) << hardening::describe(outcome);
}

}  // namespace

namespace {

// A mesh without cells and a result file without elements: the tool loads both, and rays find
// no cell, so every sample point reads 0.
TEST(ToolZeroCounts, EmptyMeshAndEmptyResults) {
    TempDir dir;
    std::string mesh = dir.file("empty.nqb");
    std::string results = dir.file("empty.k7t");
    nqbio::MeshData nodesOnly = hardening::blockMesh(1, 1, 1);
    nodesOnly.parts.clear();
    nodesOnly.surfaces.clear();
    ASSERT_TRUE(nqbio::writeText(mesh, nodesOnly));
    k7t::ResultFile file;  // no items, no nodes, no elements
    ASSERT_TRUE(k7t::write(results, file));
    const hardening::Outcome outcome = hardening::inChild([&] {
        QVR3DExtractTool tool;
        if (tool.SetMeshFileName(mesh.data()) != 1) return false;
        if (tool.SetK7TFileName(results.data()) != 1) return false;
        Nodes nodes(1);
        nodes.set(1, 0.5, 0.5, 0, 0, 0, 1);
        if (nodes.hand(tool, 1, kLayers) != 1) return false;
        Columns out;
        if (out.get(tool, 1) != 1 || !out.guardsKept()) return false;
        for (const auto& column : out.c)
            for (int j = 1; j <= kLayers; ++j)
                if (column[static_cast<std::size_t>(j)] != 0.0) return false;
        return true;
    });
    EXPECT_EQ(outcome, hardening::Outcome::Passed) << hardening::describe(outcome);
}

}  // namespace
