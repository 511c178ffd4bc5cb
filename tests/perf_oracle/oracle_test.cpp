// The faster search, extraction and loading code against the straightforward code, bit for bit,
// on generated parts of every cell kind loaded through a mesh file as a host loads them: the
// near block search against the tree's own search on boxes of every size; the ray pass search
// against the step-by-step walk (the returned list, and the slot's near-block list and the
// tree's found list as the last step leaves them) with rays of every sort and unusual step
// lengths; the set-up's tree against one filled element by element; the extraction tool's
// centroid-plane ray records, its GetFiber output and its exact mode's choice of cells; the
// loaded tables' node lists, pooled in one block per table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "KernelMeshBuilder.h"
#include "NQBIO_Manipulator.h"
#include "PartGenerator.h"
#include "QVROptKer.h"
#include "StraightforwardOracle.h"
#include "TempDir.h"
#include "TestParts.h"
#include "extract/CExtractToolData.h"
#include "kernel/mesh_tables.h"
#include "search/CQvrADT.h"

namespace {

struct NamedPart {
    std::string name;
    nqbio::MeshData mesh;
};

// Plates with a rib and a hole in each cell kind, a rotated and a small tilted mixed plate, and
// tubes.
std::vector<NamedPart> testParts() {
    using qvr::gen::CellType;
    std::vector<NamedPart> parts;
    for (CellType kind :
         {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex, CellType::Mixed}) {
        parts.push_back({std::string("plate-") + qvr::gen::cellTypeName(kind),
                         makePlate(qvrtest::ribbedTestPlate(kind))});
    }
    const qvr::gen::PlateSpec plain{
        .lx = 5.0, .ly = 3.0, .thickness = 1.0, .nx = 5, .ny = 3, .nz = 2, .type = CellType::Mixed};
    parts.push_back({"rotated-mixed-plate", makePlate(plain)});
    qvr::gen::rotate(parts.back().mesh, {1.0, 2.0, 3.0}, 0.7);
    parts.push_back({"tilted-small-plate", makePlate(plain)});
    qvr::gen::rotate(parts.back().mesh, {0.0, 1.0, 0.0}, 0.3);
    qvr::gen::scale(parts.back().mesh, 0.037);
    for (CellType kind : {CellType::Hex, CellType::Tet, CellType::Mixed}) {
        parts.push_back({std::string("tube-") + qvr::gen::cellTypeName(kind),
                         makeTube(qvrtest::smallTestTube(kind))});
    }
    return parts;
}

// Writes the mesh as a text mesh file and returns its path (empty when writing fails).
std::string writeMesh(const TempDir& dir, const nqbio::MeshData& mesh) {
    const std::string path = dir.file("part.nqb");
    return nqbio::writeText(path, mesh) ? path : std::string();
}
bool loadPart(const nqbio::MeshData& mesh, CQVROptKer& k) {
    TempDir dir;
    std::string path = writeMesh(dir, mesh);
    return !path.empty() && k.ReadMeshData(path.data(), 0) == 1;
}

bool sameBits(const double* a, const double* b, std::size_t n) {
    return std::memcmp(a, b, n * sizeof(double)) == 0;
}

// Rays in one-based arrays (entry 0 unused), as the extraction tool takes them.
struct Rays {
    std::vector<double> x{0.0}, y{0.0}, z{0.0}, dx{0.0}, dy{0.0}, dz{0.0};
    void add(double px, double py, double pz, double ax, double ay, double az) {
        x.push_back(px), y.push_back(py), z.push_back(pz);
        dx.push_back(ax), dy.push_back(ay), dz.push_back(az);
    }
    int count() const { return static_cast<int>(x.size()) - 1; }
};

// About `skinRays` skin nodes spread over the numbering, along their inward area-weighted
// normals (every fourth along a random direction instead); `randomRays` rays from anywhere in
// and around the overall box, a fifth of them axis-parallel (flat step boxes) and a seventh
// from a cell centroid; then, with `oddCases`, the corner cases of the origin and direction.
Rays raysFor(CQVROptKer& k, unsigned seed, int skinRays, int randomRays, bool oddCases) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-0.2, 1.2), g(-1.0, 1.0);
    Rays rays;
    const auto n = static_cast<std::size_t>(k.m_nNode) + 1;
    std::vector<double> nx(n, 0.0), ny(n, 0.0), nz(n, 0.0);
    k.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data());
    std::vector<int> skin;
    for (int i = 1; i <= k.m_nNode; ++i)
        if (nx[i] != 0.0 || ny[i] != 0.0 || nz[i] != 0.0) skin.push_back(i);
    const std::size_t stride =
        skinRays > 0 ? std::max<std::size_t>(1, skin.size() / static_cast<unsigned>(skinRays)) : 0;
    for (std::size_t s = 0; stride > 0 && s < skin.size(); s += stride) {
        const Cnode& p = k.m_pNode[skin[s]];
        const auto i = static_cast<std::size_t>(skin[s]);
        if (s % (4 * stride) == 3 * stride)
            rays.add(p.x, p.y, p.z, g(rng), g(rng), g(rng));
        else
            rays.add(p.x, p.y, p.z, -nx[i], -ny[i], -nz[i]);
    }
    const double ex = k.Box_xMax - k.Box_xMin, ey = k.Box_yMax - k.Box_yMin,
                 ez = k.Box_zMax - k.Box_zMin;
    for (int r = 0; r < randomRays; ++r) {
        double p[3] = {k.Box_xMin + u(rng) * ex, k.Box_yMin + u(rng) * ey,
                       k.Box_zMin + u(rng) * ez};
        double d[3] = {g(rng), g(rng), g(rng)};
        if (r % 5 == 0)
            for (int a = 0; a < 3; ++a) d[a] = a == r % 3 ? (r % 2 ? 1.0 : -1.0) : 0.0;
        if (r % 7 == 0 && k.m_nInnerCell > 0) {
            const CInnerCell& c = k.p_Cell[1 + rng() % static_cast<unsigned>(k.m_nInnerCell)];
            p[0] = c.xc, p[1] = c.yc, p[2] = c.zc;
        }
        rays.add(p[0], p[1], p[2], d[0], d[1], d[2]);
    }
    if (!oddCases) return rays;
    const double cx = 0.5 * (k.Box_xMin + k.Box_xMax), cy = 0.5 * (k.Box_yMin + k.Box_yMax),
                 cz = 0.5 * (k.Box_zMin + k.Box_zMax);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double odd[][6] = {{cx, cy, k.Box_zMin, 0.0, 0.0, 0.0},  // a zero direction walks +z
                             {cx, cy, cz, 0.0, 0.0, -1e-30},       // below the length guard
                             {cx, cy, cz, 1e300, 1e300, 1e300},    // overflowing length
                             {nan, cy, cz, 1.0, 0.0, 0.0},
                             {cx, cy, cz, nan, 1.0, 0.0},
                             {cx, cy, cz, inf, 0.0, 0.0},
                             {k.Box_xMax + 10.0 * ex, cy, cz, -1.0, 0.0, 0.0},   // far away
                             {k.Box_xMin, k.Box_yMin, k.Box_zMin, ex, ey, ez}};  // diagonal
    for (const auto& r : odd) rays.add(r[0], r[1], r[2], r[3], r[4], r[5]);
    return rays;
}

std::vector<int> foundList(CQvrADT& tree, int slot) {
    const int found = tree.GetFoundCount(slot);
    const int* list = tree.GetFoundList(slot);
    return found > 0 ? std::vector<int>(list + 1, list + 1 + found) : std::vector<int>{};
}

// Boxes from a fraction of a step to the whole part, some inverted, one NaN, some holding most
// of the part (the tree answers those), each through SearchNearBlockID and the tree's own search.
void compareBoxes(CQVROptKer& k, unsigned seed, const std::string& name) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-0.1, 1.1), unit(0.0, 1.0);
    const double ex = k.Box_xMax - k.Box_xMin, ey = k.Box_yMax - k.Box_yMin,
                 ez = k.Box_zMax - k.Box_zMin;
    int large = 0, small = 0;
    for (int q = 0; q < 600; ++q) {
        const double size = k.MinMesh * std::pow(10.0, 3.5 * unit(rng));
        double b[6] = {k.Box_xMin + u(rng) * ex,
                       k.Box_yMin + u(rng) * ey,
                       k.Box_zMin + u(rng) * ez,
                       0.0,
                       0.0,
                       0.0};
        for (int a = 0; a < 3; ++a) b[a + 3] = b[a] + size * unit(rng);
        if (q % 40 == 0) std::swap(b[1], b[4]);
        if (q == 1) b[2] = std::nan("");
        if (q % 50 == 3) {
            const double all[6] = {k.Box_xMin, k.Box_yMin, k.Box_zMin,
                                   k.Box_xMax, k.Box_yMax, k.Box_zMax - 0.1 * q / 600.0 * ez};
            std::copy(all, all + 6, b);
        }
        const int slot = q % 2;
        k.m_pADTree->SearchBlock(b[0], b[1], b[2], b[3], b[4], b[5], slot);
        const std::vector<int> want = foundList(*k.m_pADTree, slot);
        int count = -1;
        const int* got = k.SearchNearBlockID(b[0], b[1], b[2], b[3], b[4], b[5], count, slot);
        ASSERT_EQ(std::vector<int>(got, got + count), want) << name << " box " << q;
        ASSERT_EQ(foundList(*k.m_pADTree, slot), want) << name << " box " << q;
        const auto share = static_cast<std::size_t>(k.m_nSurface + k.m_nInnerCell) / 16;
        (want.size() > share ? large : small) += 1;
    }
    EXPECT_GT(small, 100) << name;
    EXPECT_GT(large, 10) << name;
}

// What a call left in the kernel and the tree for its slot.
struct SlotState {
    const int* passPointer = nullptr;
    const int* nearPointer = nullptr;
    std::vector<int> passed, nearList, treeFound;
    bool operator==(const SlotState&) const = default;
};

SlotState snapshot(CQVROptKer& k, int slot, std::size_t count) {
    SlotState s{k.m_ppPassElemList[slot], k.m_ppNearBlockList[slot], {}, {}, {}};
    s.passed.assign(s.passPointer, s.passPointer + count);
    s.treeFound = foundList(*k.m_pADTree, slot);
    s.nearList.assign(s.nearPointer, s.nearPointer + s.treeFound.size());
    return s;
}

// Every ray on alternating slots against the straightforward walk; the other slot keeps its
// lists, pointers and contents alike.
void compareWalks(CQVROptKer& k, const Rays& rays, const std::string& what) {
    SlotState previous[2];
    for (int r = 1; r <= rays.count(); ++r) {
        const int slot = r % 2, other = 1 - slot;
        const auto i = static_cast<std::size_t>(r);
        int count = -7;
        const int* list = k.FindPassElemByAnyRay(count, rays.x[i], rays.y[i], rays.z[i], rays.dx[i],
                                                 rays.dy[i], rays.dz[i], slot);
        ASSERT_EQ(list, k.m_ppPassElemList[slot]);
        ASSERT_GE(count, 0);
        ASSERT_TRUE(r == 1 || snapshot(k, other, previous[other].passed.size()) == previous[other])
            << what << " ray " << r;
        const SlotState got = snapshot(k, slot, static_cast<std::size_t>(count));
        const oracle::PassResult want = oracle::findPassElem(
            k, rays.x[i], rays.y[i], rays.z[i], rays.dx[i], rays.dy[i], rays.dz[i], slot);
        ASSERT_EQ(got.passed, want.passed) << what << " ray " << r;
        ASSERT_EQ(got.treeFound, want.lastNear) << what << " ray " << r;
        ASSERT_EQ(got.nearList, want.lastNear) << what << " ray " << r;
        previous[slot] = got;
    }
}

bool sameRecord(const CRayData& r, const oracle::TracedRay& want) {
    const auto n = want.dist.size() - 1;
    return r.nPoint == static_cast<int>(n) && sameBits(&r.dx, &want.dx, 1) &&
           sameBits(&r.dy, &want.dy, 1) && sameBits(&r.dz, &want.dz, 1) &&
           sameBits(r.pX + 1, &want.x[1], n) && sameBits(r.pY + 1, &want.y[1], n) &&
           sameBits(r.pZ + 1, &want.z[1], n) && sameBits(r.pDist + 1, &want.dist[1], n) &&
           std::equal(r.pCellID + 1, r.pCellID + 1 + n, want.cell.begin() + 1);
}

// The exact mode's cell choice written the plain way: every passed cell, stably sorted by
// centroid distance, tested in turn; the nearest when none contains the point.
int containingCell(const CExtractToolData& tool, const std::vector<int>& passed, double x, double y,
                   double z) {
    std::vector<std::pair<double, int>> order;
    for (int id : passed) {
        if (id <= tool.m_nSurface) continue;
        const CInnerCell& c = tool.p_Cell[id - tool.m_nSurface];
        const double dx = c.xc - x, dy = c.yc - y, dz = c.zc - z;
        order.push_back({dx * dx + dy * dy + dz * dz, id - tool.m_nSurface});
    }
    if (order.empty()) return 0;
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [squared, cell] : order)
        if (tool.PointInCell(cell, x, y, z)) return cell;
    return order.front().second;
}

// A part loaded into the extraction tool with a fibre result, as a host loads it; the tool's
// kernel serves the search comparisons too.
class PartOracle : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        TempDir dir;
        std::string mesh = writeMesh(dir, part.mesh), result = dir.file("part.k7t");
        ASSERT_TRUE(k7t::write(result, qvr::gen::makeFiberResult(part.mesh, {.zTop = 1.5})));
        ASSERT_EQ(tool.LoadMesh(mesh.data()), 1) << part.name;
        ASSERT_EQ(tool.ReadFiberResults(result.data()), 1);
    }
    const NamedPart part = testParts()[static_cast<std::size_t>(GetParam())];
    const unsigned seed = static_cast<unsigned>(GetParam());
    CExtractToolData tool;
    CQVROptKer& k = *tool.m_pOptKer;
};

TEST_P(PartOracle, BoxesAndRaysMatchTheStraightforwardSearch) {
    ASSERT_EQ(k.InitialzeSearch(2), 1);
    ASSERT_NE(k.m_pADTree->WalkIndex(), nullptr);
    compareBoxes(k, 70u + seed, part.name);
    compareWalks(k, raysFor(k, 17u + seed, 150, 150, true), part.name);
    // Longer and shorter steps than the set-up's, and those only resetMinMesh can give (no
    // progress, backwards, NaN).
    const double setUp = k.MinMesh;
    for (double step : {setUp * 2.7, setUp * 0.37, 0.0, -setUp, std::nan("")}) {
        k.resetMinMesh(step);
        compareWalks(k, raysFor(k, 5u, 12, 12, true), part.name + " other steps");
    }
}

TEST_P(PartOracle, RayRecordsFibreProfilesAndCellChoiceMatchTheStraightforwardTool) {
    Rays rays = raysFor(k, 30u + seed, 60, 30, true);
    const auto build = [&](int nLayer) {
        return tool.BuildRayData(rays.count(), nLayer, rays.x.data(), rays.y.data(), rays.z.data(),
                                 rays.dx.data(), rays.dy.data(), rays.dz.data());
    };

    for (int nLayer : {2, 7}) {
        ASSERT_EQ(build(nLayer), 1);
        const auto n = static_cast<std::size_t>(nLayer) + 1;
        std::vector<double> fiber[7];  // the distance, then the six components
        for (auto& f : fiber) f.assign(n, 0.0);
        int withCells = 0;
        for (int i = 1; i <= rays.count(); ++i) {
            const auto j = static_cast<std::size_t>(i);
            const oracle::TracedRay want = oracle::traceRay(
                k, rays.x[j], rays.y[j], rays.z[j], rays.dx[j], rays.dy[j], rays.dz[j], nLayer);
            ASSERT_TRUE(sameRecord(tool.m_pRayData[i], want)) << part.name << " ray " << i;
            withCells += want.cell[1] != 0 ? 1 : 0;
            ASSERT_EQ(tool.ExtractNodeFiber(i, fiber[0].data(), fiber[1].data(), fiber[2].data(),
                                            fiber[3].data(), fiber[4].data(), fiber[5].data(),
                                            fiber[6].data()),
                      1);
            const oracle::FiberProfile profile = oracle::fiberProfile(k, want, tool.m_pNodeFiber);
            ASSERT_TRUE(sameBits(&fiber[0][1], &profile.dist[1], n - 1)) << part.name;
            for (std::size_t c = 0; c < 6; ++c)
                ASSERT_TRUE(sameBits(&fiber[c + 1][1], &profile.fiber[c][1], n - 1))
                    << part.name << " ray " << i << " component " << c;
        }
        EXPECT_GT(withCells, rays.count() / 2) << part.name;
    }

    // The exact mode's cell choice, on the sample points of its own rays: wherever a cell the
    // ray passes contains the point, the chosen cell is the one the plain choice takes, also
    // where several contain it (a point on a face or corner they share).
    ASSERT_EQ(tool.SelectThicknessMode(QVR_THICKNESS_EXACT), 1);
    ASSERT_EQ(build(7), 1);
    int contained = 0;
    for (int i = 1; i <= rays.count(); ++i) {
        const CRayData& r = tool.m_pRayData[i];
        const std::vector<int> passed =
            oracle::findPassElem(k, r.pX[1], r.pY[1], r.pZ[1], r.dx, r.dy, r.dz, 0).passed;
        for (int j = 1; j <= 7; ++j) {
            const int want = containingCell(tool, passed, r.pX[j], r.pY[j], r.pZ[j]);
            const int c = r.pCellID[j];
            const bool inside = c != 0 && tool.PointInCell(c, r.pX[j], r.pY[j], r.pZ[j]);
            if (want != 0 && tool.PointInCell(want, r.pX[j], r.pY[j], r.pZ[j])) {
                ASSERT_EQ(c, want) << part.name << " exact ray " << i << " point " << j;
            }
            contained += inside ? 1 : 0;
        }
    }
    EXPECT_GT(contained, rays.count()) << part.name;
}

// Named after the part: plate_hex, tube_mixed, rotated_mixed_plate ...
std::string partName(const ::testing::TestParamInfo<int>& info) {
    static const std::vector<NamedPart> parts = testParts();
    std::string name = parts[static_cast<std::size_t>(info.param)].name;
    for (char& c : name) c = c == '-' ? '_' : c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(Parts, PartOracle, ::testing::Range(0, 10), partName);

TEST(SearchOracle, TreeChangedAfterTheSetUpAndHostTrees) {
    CQVROptKer k;
    ASSERT_TRUE(loadPart(testParts()[3].mesh, k));
    ASSERT_EQ(k.InitialzeSearch(2), 1);
    // A box added after the set-up: the walk must see it as the tree does.
    k.AddSurfaceToADTree(k.m_nSurface + k.m_nInnerCell + 1, k.Box_xMax, k.Box_yMax, k.Box_zMax,
                         0.5 * (k.Box_xMin + k.Box_xMax), k.Box_yMin, k.Box_zMin);
    compareWalks(k, raysFor(k, 9u, 40, 40, false), "after AddSurfaceToADTree");
    // A second set-up indexes the tree again.
    ASSERT_EQ(k.InitialzeSearch(2), 1);
    ASSERT_NE(k.m_pADTree->WalkIndex(), nullptr);
    compareWalks(k, raysFor(k, 10u, 40, 40, false), "after a second set-up");

    // A host's own tree: one tree slot for two kernel slots.
    CQVROptKer host;
    ASSERT_EQ(host.SetADTreeRange(4.0, 4.0, 4.0, 0.0, 0.0, 0.0, 2, 0, 0), 1);
    std::mt19937 rng(4u);
    std::uniform_real_distribution<double> c(0.0, 3.5), e(0.0, 0.5);
    for (int id = 1; id <= 60; ++id) {
        const double x = c(rng), y = c(rng), z = c(rng);
        host.AddSurfaceToADTree(id, x + e(rng), y + e(rng), z + e(rng), x, y, z);
    }
    host.resetMinMesh(0.05);
    compareWalks(host, raysFor(host, 11u, 0, 60, false), "host tree");
}

// The set-up's tree against one filled the plain way: a tree of 10000 ids that grows by 200000
// as the elements go in one by one. Both must have the same capacity and hold the same arrays,
// entry for entry over every element's id; the first part has more elements than that, so the
// plain fill grows its capacity, the second not. The set-up's arrays hold the elements' ids
// and no more, however far the capacity reaches.
TEST(SearchOracle, SetUpTreeEqualsOneFilledElementByElement) {
    const qvr::gen::PlateSpec big{.nx = 40, .ny = 25, .nz = 5, .type = qvr::gen::CellType::Prism};
    const qvr::gen::PlateSpec small{.nx = 5, .ny = 4, .nz = 2};
    int grown = 0;
    for (const auto& params : {big, small}) {
        CQVROptKer k;
        ASSERT_TRUE(loadPart(qvr::gen::makePlate(params), k));
        ASSERT_EQ(k.InitialzeSearch(3), 1);
        CQvrADT plain(3);
        plain.SetRange(k.Box_xMin, k.Box_yMin, k.Box_zMin, k.Box_xMax, k.Box_yMax, k.Box_zMax,
                       10000, 200000);
        for (int i = 1; i <= k.m_nSurface; ++i) {
            const CFaceElem& f = k.m_pSurface[i];
            plain.AddBlock(i, f.xMin, f.yMin, f.zMin, f.xMax, f.yMax, f.zMax);
        }
        for (int j = 1; j <= k.m_nInnerCell; ++j) {
            const CInnerCell& c = k.p_Cell[j];
            plain.AddBlock(k.m_nSurface + j, c.xMin, c.yMin, c.zMin, c.xMax, c.yMax, c.zMax);
        }
        const CQvrADT& a = *k.m_pADTree;
        ASSERT_EQ(std::tie(a.slotCount, a.capacity, a.growStep, a.root),
                  std::tie(plain.slotCount, plain.capacity, plain.growStep, plain.root));
        const int lastId = k.m_nSurface + k.m_nInnerCell;
        ASSERT_EQ(a.stored, lastId);
        ASSERT_GE(plain.stored, lastId);
        const auto n = static_cast<std::size_t>(lastId) + 1;
        const auto same = [](const auto* p, const auto* q, std::size_t count) {
            return std::memcmp(p, q, count * sizeof *p) == 0;
        };
        EXPECT_TRUE(same(a.low, plain.low, 6) && same(a.high, plain.high, 6) &&
                    same(a.quarter, plain.quarter, 6) && same(a.centre, plain.centre, 6));
        EXPECT_TRUE(same(a.point, plain.point, 6 * n) && same(a.splitValue, plain.splitValue, n));
        EXPECT_TRUE(same(a.splitDim, plain.splitDim, n) && same(a.lowChild, plain.lowChild, n) &&
                    same(a.highChild, plain.highChild, n) &&
                    same(a.foundCount, plain.foundCount, 3));
        grown += plain.capacity > 10000 ? 1 : 0;
    }
    EXPECT_EQ(grown, 1);
}

// Loaded face and cell tables keep all their node lists in one block held by record 0; the
// lists read as the file's, and every way a table is released handles the block (the sanitizer
// build checks the releases).
// Record 0 holds the block behind the mark; the lists follow one another in record order, each
// with entry 0 set to 0.
template <typename Record>
void expectPooled(const Record* table, int count) {
    ASSERT_NE(table[0].pNode, nullptr);
    EXPECT_EQ(table[0].pNode[0], qvr::kPooledNodeListsMark);
    EXPECT_EQ(table[0].nNode, 0);
    const int* expected = table[0].pNode + 1;
    for (int i = 1; i <= count; ++i) {
        ASSERT_EQ(table[i].pNode, expected) << i;
        EXPECT_EQ(table[i].pNode[0], 0);
        expected += table[i].nNode + 1;
    }
}

TEST(NodeListPool, LoadedTablesShareOneBlockReadAsTheFileAndEveryReleaseHandlesThem) {
    const std::vector<NamedPart> parts = testParts();
    CQVROptKer k;
    for (std::size_t p : {0u, 4u, 9u}) {  // each load releases the one before
        const nqbio::MeshData& mesh = parts[p].mesh;
        ASSERT_TRUE(loadPart(mesh, k));
        expectPooled(k.p_Cell, k.m_nInnerCell);
        expectPooled(k.m_pSurface, k.m_nSurface);
        // Every node of the file is used by a cell, so node numbers are kept.
        ASSERT_EQ(k.m_nInnerCell, static_cast<int>(mesh.parts.size()));
        for (int c = 1; c <= k.m_nInnerCell; ++c) {
            const auto& want = mesh.parts[static_cast<std::size_t>(c - 1)];
            ASSERT_EQ(k.p_Cell[c].nNode, want.nNode);
            for (int j = 1; j <= want.nNode; ++j)
                ASSERT_EQ(k.m_pNode[k.p_Cell[c].pNode[j]].orgID, want.node[j - 1u]);
        }
    }
    // A table whose records own their lists, put in place of a pooled one and back; the
    // destructor releases the pooled tables of the last load.
    qvrtest::KernelMeshBuilder b;
    b.addBlock({qvrtest::CellKind::Tet, 2, 2, 1, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0});
    b.install(k);
    EXPECT_EQ(k.p_Cell[0].pNode, nullptr);
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    ASSERT_TRUE(loadPart(parts[3].mesh, k));
    expectPooled(k.m_pSurface, k.m_nSurface);
}

}  // namespace
