// Misuse of the kernel's public interface: calls before their prerequisites, twice, with slots
// out of range, with NaN or infinite coordinates, directions and step lengths, with zero or
// negative counts and null pointers. Each must give its documented result, leave the kernel
// as it was where the interface says so, and end (calls that could loop run under a watchdog).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "HardeningSupport.h"
#include "QVROptKer.h"
#include "TempDir.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using hardening::KernelSnapshot;
using hardening::Outcome;

// A list handed out by a search: never null, and with the ray search ascending ids, each once,
// all naming an element of the kernel.
bool validList(const CQVROptKer& k, const int* ids, int count, bool ascending) {
    if (ids == nullptr || count < 0) return false;
    const int last = k.m_nSurface + k.m_nInnerCell;
    std::set<int> seen;
    for (int i = 0; i < count; ++i) {
        if (ids[i] < 1 || ids[i] > last) return false;
        if (ascending && i > 0 && ids[i] <= ids[i - 1]) return false;
        seen.insert(ids[i]);
    }
    return !ascending || seen.size() == static_cast<std::size_t>(count);
}

std::vector<int> listOf(const int* ids, int count) { return std::vector<int>(ids, ids + count); }

// The list of a ray search as a vector (the count is only known after the call).
std::vector<int> passList(CQVROptKer& k, double x, double y, double z, double dx, double dy,
                          double dz, int slot) {
    int count = -1;
    const int* ids = k.FindPassElemByAnyRay(count, x, y, z, dx, dy, dz, slot);
    return listOf(ids, count);
}

class LoadedKernel : public testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("block.nqb");
        ASSERT_TRUE(nqbio::writeText(path_, hardening::blockMesh(3, 2, 2)));
        ASSERT_EQ(kernel.ReadMeshData(path_.data(), 1), 1);
        ASSERT_EQ(kernel.InitialzeSearch(2), 1);
    }
    TempDir dir_;
    std::string path_;
    CQVROptKer kernel;
};

TEST(KernelMisuse, EverySearchBeforeItsSetUp) {
    CQVROptKer k;
    const KernelSnapshot fresh(k);
    int count = -1;
    for (int slot : {0, 1, -1, INT_MAX, INT_MIN}) {
        const int* near = k.SearchNearBlockID(-1, -1, -1, 1, 1, 1, count, slot);
        EXPECT_NE(near, nullptr);
        EXPECT_EQ(count, 0);
        count = -1;
        const int* pass = k.FindPassElemByAnyRay(count, 0, 0, 0, 0, 0, 1, slot);
        EXPECT_NE(pass, nullptr);
        EXPECT_EQ(count, 0);
    }
    // Without a mesh the geometric queries do nothing; nothing is read from the arrays.
    double v[1] = {5};
    EXPECT_EQ(k.ComputeNodeSurfaceNormal(v, v, v), 1);
    EXPECT_EQ(k.SmoothSurfaceNodeValue(v, 3), 1);
    EXPECT_EQ(v[0], 5);
    // No host tree yet: adding a box does nothing.
    EXPECT_EQ(k.AddSurfaceToADTree(1, 1, 1, 1, 0, 0, 0), 1);
    EXPECT_TRUE(KernelSnapshot(k) == fresh);
}

TEST(KernelMisuse, RefusedArgumentsChangeNothing) {
    CQVROptKer k;
    const KernelSnapshot fresh(k);
    EXPECT_EQ(k.getMsgPtr(nullptr), -1);
    for (int slots : {0, -1, INT_MIN}) EXPECT_EQ(k.InitialzeSearch(slots), -1);
    EXPECT_EQ(k.SetADTreeRange(1, 1, 1, 0, 0, 0, 0, 10, 10), -1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(k.ReadMeshData(nullptr, 1), 3301);
    EXPECT_EQ(k.ReadMeshData(nullptr, 0), 3301);
    testing::internal::GetCapturedStderr();
    double key[1] = {1};
    int id[1] = {1};
    k.shellSorting(0, key, id);  // an empty range: index 0 is never touched
    EXPECT_EQ(key[0], 1);
    EXPECT_EQ(id[0], 1);
    k.shellSorting(0, nullptr, nullptr);
    EXPECT_TRUE(KernelSnapshot(k) == fresh);
}

TEST(KernelMisuse, ArgumentSplittingWithoutInput) {
    CQVROptKer k;
    char out[6][32];
    for (auto& o : out) std::snprintf(o, sizeof o, "untouched");
    char a0[] = "a*b*", a1[] = "c*";
    char* argv[] = {a0, a1};
    EXPECT_EQ(k.argumentHandle(0, argv, out[0], out[1], out[2], out[3], out[4], out[5]), 1);
    EXPECT_EQ(k.argumentHandle(-3, argv, out[0], out[1], out[2], out[3], out[4], out[5]), 1);
    EXPECT_EQ(k.argumentHandle(2, nullptr, out[0], out[1], out[2], out[3], out[4], out[5]), 1);
    for (auto& o : out) EXPECT_STREQ(o, "untouched");
    // Null buffers simply receive nothing; the others still get their fields.
    EXPECT_EQ(k.argumentHandle(2, argv, nullptr, out[1], nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_STREQ(out[1], "b");
    EXPECT_STREQ(out[0], "untouched");
}

TEST_F(LoadedKernel, SlotsOutOfRangeLeaveTheOtherSlotsAlone) {
    int count0 = 0;
    const int* near = kernel.SearchNearBlockID(0, 0, 0, 1, 1, 1, count0, 0);
    const std::vector<int> slot0 = listOf(near, count0);
    const std::vector<int> slot1 = passList(kernel, 0.5, 0.5, 0.5, 1, 0, 0, 1);
    const int count1 = static_cast<int>(slot1.size());
    ASSERT_GT(count0, 0);
    ASSERT_GT(count1, 0);
    const KernelSnapshot before(kernel);
    for (int slot : {2, 3, -1, INT_MAX, INT_MIN}) {
        int count = -1;
        EXPECT_NE(kernel.SearchNearBlockID(0, 0, 0, 9, 9, 9, count, slot), nullptr);
        EXPECT_EQ(count, 0) << "slot " << slot;
        count = -1;
        EXPECT_NE(kernel.FindPassElemByAnyRay(count, 0, 0, 0, 1, 1, 1, slot), nullptr);
        EXPECT_EQ(count, 0) << "slot " << slot;
    }
    EXPECT_TRUE(KernelSnapshot(kernel) == before);
    EXPECT_EQ(listOf(kernel.m_ppNearBlockList[0], count0), slot0);
    EXPECT_EQ(listOf(kernel.m_ppPassElemList[1], count1), slot1);
}

TEST_F(LoadedKernel, RepeatedSetUpAndLoading) {
    const std::vector<int> first = passList(kernel, 0.5, 0.5, 0.5, 1, 0, 0, 0);
    const int count = static_cast<int>(first.size());
    ASSERT_GT(count, 0);
    // A new slot count keeps the lists of the slots that remain.
    ASSERT_EQ(kernel.InitialzeSearch(5), 1);
    EXPECT_EQ(kernel.m_nSlotCount, 5);
    EXPECT_EQ(listOf(kernel.m_ppPassElemList[0], count), first);
    ASSERT_EQ(kernel.InitialzeSearch(1), 1);
    EXPECT_EQ(listOf(kernel.m_ppPassElemList[0], count), first);
    EXPECT_EQ(passList(kernel, 0.5, 0.5, 0.5, 1, 0, 0, 0), first);

    // The same file twice: the second load gives the same tables.
    ASSERT_EQ(kernel.ReadMeshData(path_.data(), 1), 1);
    EXPECT_EQ(kernel.m_nNode, 36);
    EXPECT_EQ(kernel.m_nInnerCell, 12);
    EXPECT_EQ(kernel.m_nSurface, 32);
}

// A zero direction walks +z, and the length of the direction does not matter.
TEST_F(LoadedKernel, DirectionLengthAndZeroDirection) {
    const auto up = passList(kernel, 1.5, 0.5, 0.25, 0, 0, 1, 0);
    const auto zero = passList(kernel, 1.5, 0.5, 0.25, 0, 0, 0, 0);
    const auto longer = passList(kernel, 1.5, 0.5, 0.25, 0, 0, 1e6, 0);
    ASSERT_FALSE(up.empty());
    EXPECT_EQ(zero, up);
    EXPECT_EQ(longer, up);
    // The ray up through block (1, 0, *) passes both its cells: ids m_nSurface + 2 and + 8.
    const std::set<int> passed(up.begin(), up.end());
    EXPECT_TRUE(passed.count(kernel.m_nSurface + 2) && passed.count(kernel.m_nSurface + 8));
}

// Rays and boxes with NaN or infinite numbers end and hand out lists of real element ids.
TEST_F(LoadedKernel, NonFiniteRaysAndBoxesEnd) {
    const double bad[] = {kNaN, kInf, -kInf};
    const Outcome outcome = hardening::inChild([&] {
        bool ok = true;
        for (double b : bad) {
            const double origins[][3] = {{b, 0.5, 0.5}, {0.5, b, 0.5}, {b, b, b}};
            const double directions[][3] = {{b, 0, 0}, {0, b, 1}, {b, b, b}, {1e-300, 0, 0}};
            for (const auto& o : origins) {
                int count = -1;
                const int* ids = kernel.FindPassElemByAnyRay(count, o[0], o[1], o[2], 1, 0, 0, 0);
                ok = ok && validList(kernel, ids, count, true);
            }
            for (const auto& d : directions) {
                int count = -1;
                const int* ids = kernel.FindPassElemByAnyRay(count, 0.5, 0.5, 0.5, d[0], d[1], d[2], 1);
                ok = ok && validList(kernel, ids, count, true);
            }
            int count = -1;
            const int* ids = kernel.SearchNearBlockID(b, 0, 0, 1, 1, b, count, 0);
            ok = ok && validList(kernel, ids, count, false);
            ids = kernel.SearchNearBlockID(-kInf, -kInf, -kInf, kInf, kInf, kInf, count, 1);
            ok = ok && validList(kernel, ids, count, false);
        }
        // An inverted box is no error either.
        int count = -1;
        const int* ids = kernel.SearchNearBlockID(2, 2, 2, 0, 0, 0, count, 0);
        return ok && validList(kernel, ids, count, false);
    });
    EXPECT_EQ(outcome, Outcome::Passed) << hardening::describe(outcome);
}

// resetMinMesh is unchecked: a step of zero, a negative, NaN or an infinite one must not make
// the ray walk endless.
TEST_F(LoadedKernel, RayWalkEndsWhateverTheStep) {
    const double steps[] = {0.0, -1.0, kNaN, kInf, -kInf, -1e-300};
    for (double step : steps) {
        const Outcome outcome = hardening::inChild([&] {
            kernel.resetMinMesh(step);
            bool ok = true;
            // From a corner, from inside and from outside the part, along and across axes.
            const double rays[][6] = {{0, 0, 0, 1, 0, 0},       {0.5, 0.5, 0.5, 1, 1, 1},
                                      {-1, 0.5, 0.5, 1, 0, 0},  {3, 2, 2, -1, -1, -1},
                                      {1.5, 1, 1, 0, 0, 0}};
            for (const auto& r : rays) {
                int count = -1;
                const int* ids = kernel.FindPassElemByAnyRay(count, r[0], r[1], r[2], r[3], r[4], r[5], 0);
                ok = ok && validList(kernel, ids, count, true);
            }
            return ok;
        });
        EXPECT_EQ(outcome, Outcome::Passed) << "step " << step << ": " << hardening::describe(outcome);
    }
}

TEST_F(LoadedKernel, GeometricQueriesWithBadArrays) {
    const KernelSnapshot before(kernel);
    std::vector<double> nx(kernel.m_nNode + 1), ny(nx), nz(nx);
    EXPECT_EQ(kernel.ComputeNodeSurfaceNormal(nullptr, ny.data(), nz.data()), -1);
    EXPECT_EQ(kernel.ComputeNodeSurfaceNormal(nx.data(), nullptr, nz.data()), -1);
    EXPECT_EQ(kernel.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nullptr), -1);
    for (std::size_t i = 0; i < nx.size(); ++i) EXPECT_EQ(nx[i] + ny[i] + nz[i], 0.0);
    EXPECT_EQ(kernel.SmoothSurfaceNodeValue(nullptr, 2), -1);

    // No pass, or a negative number of passes, leaves the values as they are.
    std::vector<double> value(kernel.m_nNode + 1);
    for (std::size_t i = 0; i < value.size(); ++i) value[i] = static_cast<double>(i);
    const std::vector<double> original = value;
    EXPECT_EQ(kernel.SmoothSurfaceNodeValue(value.data(), 0), 1);
    EXPECT_EQ(kernel.SmoothSurfaceNodeValue(value.data(), -4), 1);
    EXPECT_EQ(value, original);
    // NaN values spread over the skin but nothing goes wrong.
    value[1] = kNaN;
    EXPECT_EQ(kernel.SmoothSurfaceNodeValue(value.data(), 3), 1);
    EXPECT_TRUE(KernelSnapshot(kernel) == before);
}

// The host's own tree with degenerate sizes and non-finite boxes.
TEST(KernelMisuse, HostTreeWithDegenerateArguments) {
    const Outcome outcome = hardening::inChild([] {
        bool ok = true;
        const int sizes[][2] = {{0, 0}, {-5, -5}, {1, 0}, {0, 1}, {1, 1}};
        for (const auto& s : sizes) {
            CQVROptKer k;
            ok = ok && k.SetADTreeRange(10, 10, 10, 0, 0, 0, 1, s[0], s[1]) == 1;
            for (int id = 1; id <= 50; ++id) {
                const double c = id * 0.1;
                k.AddSurfaceToADTree(id, c + 1, c + 1, c + 1, c, c, c);
            }
            k.AddSurfaceToADTree(51, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN);
            k.AddSurfaceToADTree(52, kInf, kInf, kInf, -kInf, -kInf, -kInf);
            int count = -1;
            const int* ids = k.SearchNearBlockID(0, 0, 0, 10, 10, 10, count, 0);
            ok = ok && ids != nullptr && count >= 50 && count <= 52;
        }
        // A tree whose range is NaN or inverted.
        CQVROptKer k;
        ok = ok && k.SetADTreeRange(kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, 1, 10, 10) == 1;
        k.AddSurfaceToADTree(1, 1, 1, 1, 0, 0, 0);
        int count = -1;
        ok = ok && k.SearchNearBlockID(0, 0, 0, 1, 1, 1, count, 0) != nullptr && count >= 0;
        ok = ok && k.SetADTreeRange(0, 0, 0, 10, 10, 10, 1, 10, 10) == 1;
        k.AddSurfaceToADTree(1, 1, 1, 1, 0, 0, 0);
        return ok && k.SearchNearBlockID(0, 0, 0, 1, 1, 1, count, 0) != nullptr && count >= 0;
    });
    EXPECT_EQ(outcome, Outcome::Passed) << hardening::describe(outcome);
}

}  // namespace

namespace {

// Meshes with zero counts: nothing at all, nodes without cells, cells without skin. Loading,
// set-up and every query work on them and find nothing where there is nothing.
TEST(KernelMisuse, ZeroCounts) {
    TempDir dir;
    nqbio::MeshData empty;
    nqbio::MeshData nodesOnly = hardening::blockMesh(1, 1, 1);
    nodesOnly.parts.clear();
    nodesOnly.surfaces.clear();
    nqbio::MeshData noSkin = hardening::blockMesh(2, 1, 1);
    noSkin.surfaces.clear();
    const nqbio::MeshData* meshes[] = {&empty, &nodesOnly, &noSkin};
    for (const nqbio::MeshData* mesh : meshes) {
        std::string path = dir.file("zero.nqb");
        ASSERT_TRUE(nqbio::writeBinary(path, *mesh));
        for (int allNodes : {0, 1}) {
            const Outcome outcome = hardening::inChild([&] {
                CQVROptKer k;
                if (k.ReadMeshData(path.data(), allNodes) != 1) return false;
                if (k.m_nInnerCell != static_cast<int>(mesh->parts.size())) return false;
                if (k.InitialzeSearch(1) != 1) return false;
                int count = -1;
                const int* ids = k.SearchNearBlockID(-1e9, -1e9, -1e9, 1e9, 1e9, 1e9, count, 0);
                bool ok = validList(k, ids, count, false) &&
                          count == k.m_nSurface + k.m_nInnerCell;
                ids = k.FindPassElemByAnyRay(count, 0.5, 0.5, 0.5, 1, 0, 0, 0);
                ok = ok && validList(k, ids, count, true);
                std::vector<double> n(static_cast<std::size_t>(k.m_nNode) + 1, 0.0);
                ok = ok && k.ComputeNodeSurfaceNormal(n.data(), n.data(), n.data()) == 1;
                ok = ok && k.SmoothSurfaceNodeValue(n.data(), 2) == 1;
                for (double v : n) ok = ok && v == 0.0;  // no face, no contribution
                return ok;
            });
            EXPECT_EQ(outcome, Outcome::Passed)
                << mesh->parts.size() << " cells, " << mesh->surfaces.size() << " faces, allNodeFlag "
                << allNodes << ": " << hardening::describe(outcome);
        }
    }
}

}  // namespace
