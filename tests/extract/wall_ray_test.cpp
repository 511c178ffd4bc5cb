// GetWallRay, the through-wall or along-wall classification of thickness rays, on ribbed plates
// whose walls are known by construction: every ray square through a plate or rib wall is a
// wall ray, rays from narrow side faces, rims and blended edge normals are not.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ExtractTestSupport.h"
#include "QVROptKer.h"

using namespace extract_test;
using qvr::gen::CellType;

namespace {

constexpr double kEps = 1e-6;

// A 40 x 20 x 2 mm plate with two ribs of the given width and height along x (centred at
// y = 20/3 and 40/3), one block per mm in x and y, two block layers through the plate.
nqbio::MeshData ribbedPlate(CellType type, double ribWidth, double ribHeight) {
    qvr::gen::PlateSpec plate;
    plate.lx = 40.0;
    plate.ly = 20.0;
    plate.thickness = 2.0;
    plate.nx = 40;
    plate.ny = 20;
    plate.nz = 2;
    plate.type = type;
    plate.ribs = true;
    plate.ribWidth = ribWidth;
    plate.ribHeight = ribHeight;
    return qvr::gen::makePlate(plate);
}

struct Group {
    std::string name;
    Point inward;                             // the face's inward normal
    std::function<bool(const Point&)> holds;  // the group's skin nodes
    int expected;                             // 1 through the wall, 0 along it
};

// Traces a ray from every skin node of every group along the group's direction and checks
// each node's classification; every group must hold nodes.
void expectGroups(const nqbio::MeshData& mesh, const std::vector<Group>& groups) {
    Tool t;
    ASSERT_EQ(t.loadMesh(mesh), 1);
    HostRays rays;
    std::vector<std::size_t> groupOf(1, 0);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        int found = 0;
        for (int node : skinNodes(mesh)) {
            const Point p = nodeOf(mesh, node);
            if (!groups[g].holds(p)) continue;
            rays.add(p, groups[g].inward);
            groupOf.push_back(g);
            ++found;
        }
        ASSERT_GT(found, 0) << groups[g].name;
    }
    ASSERT_EQ(t.set(rays, 3), 1);
    std::map<std::string, int> wrong;
    for (int i = 1; i <= rays.count(); ++i) {
        const Group& g = groups[groupOf[static_cast<std::size_t>(i)]];
        if (t.tool.GetWallRay(i) != g.expected) ++wrong[g.name];
    }
    EXPECT_TRUE(wrong.empty()) << "misclassified in group " << wrong.begin()->first << ": "
                               << wrong.begin()->second;
}

bool near(double a, double b) { return std::fabs(a - b) < kEps; }
bool inside(double v, double lo, double hi) { return v > lo + kEps && v < hi - kEps; }

// Rib r's y range on the 1 mm block grid: width w centred on the block column at ly (r+1)/3.
std::array<double, 2> ribRange(int r, double width) {
    const double centreColumn = std::floor(20.0 * (r + 1) / 3.0);
    const double first = centreColumn - std::floor((width - 1.0) / 2.0);
    return {first, first + width};
}
bool underOrOnRib(double y, double width) {
    for (int r = 0; r < 2; ++r) {
        const auto [lo, hi] = ribRange(r, width);
        if (y > lo - 1.0 - kEps && y < hi + 1.0 + kEps) return true;  // one block clear
    }
    return false;
}

class ThinRibs : public testing::TestWithParam<CellType> {};

// The classification of every skin node's ray, traced as the qvr host traces it (along the
// negated area-weighted node normal), in ascending node order: '1' through the wall, '0' along
// it or without a crossing. On more than one thread, thread k asks for the rays k, k + threads,
// ..., and all of them start at once with the first ray, so that the first calls, which build
// what the classification searches, come at the same time.
std::string classifyEverySkinNode(const nqbio::MeshData& mesh, int thicknessMode, int threads = 1) {
    Tool t;
    if (t.loadMesh(mesh) != 1 || t.tool.SetThicknessMode(thicknessMode) != 1) return "no mesh";
    CQVROptKer kernel;
    std::string path = t.dir.file("part.nqb");
    if (kernel.ReadMeshData(path.data(), 0) != 1) return "no kernel";
    std::vector<double> nx(static_cast<std::size_t>(kernel.m_nNode) + 1, 0.0), ny(nx), nz(nx);
    kernel.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data());
    std::vector<char> onSkin(nx.size(), 0);
    for (int f = 1; f <= kernel.m_nSurface; ++f)
        for (int k = 1; k <= kernel.m_pSurface[f].nNode; ++k)
            onSkin[static_cast<std::size_t>(kernel.m_pSurface[f].pNode[k])] = 1;
    HostRays rays;
    for (int i = 1; i <= kernel.m_nNode; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const Cnode& n = kernel.m_pNode[i];
        if (onSkin[k]) rays.add({n.x, n.y, n.z}, {-nx[k], -ny[k], -nz[k]});
    }
    if (t.set(rays, 3) != 1) return "no rays";
    std::string bits(static_cast<std::size_t>(rays.count()), '?');
    std::atomic<int> waiting{threads};
    auto classify = [&](int k) {
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
        for (int i = k + 1; i <= rays.count(); i += threads) {
            const int rc = t.tool.GetWallRay(i);
            bits[static_cast<std::size_t>(i) - 1] = rc == 1 ? '1' : rc == 0 ? '0' : '!';
        }
    };
    std::vector<std::thread> others;
    for (int k = 1; k < threads; ++k) others.emplace_back(classify, k);
    classify(0);
    for (std::thread& th : others) th.join();
    return bits;
}

}  // namespace

// Every skin node's classification on five parts in both thickness modes, pinned as the
// search over the skin once gave it, so that a faster search cannot move a single ray.
// QVR_UPDATE_PINNED=1 rewrites the file (after a deliberate change of the rule).
TEST(WallRay, EveryNodesClassificationStaysAsPinned) {
    // The generator's default ribbed plate (blocks 2 x 2 x 0.5 mm, rib layers 1.5 mm high):
    // its blended edge normals fall on both sides of the exit angle's limit.
    const auto defaultRibbed = [](CellType type, bool hole) {
        qvr::gen::PlateSpec plate;
        plate.ribs = true;
        plate.hole = hole;
        plate.type = type;
        return qvr::gen::makePlate(plate);
    };
    const std::vector<std::pair<std::string, nqbio::MeshData>> parts = {
        {"ribbed-hex", ribbedPlate(CellType::Hex, 2.0, 6.0)},
        {"default-ribbed-mixed", defaultRibbed(CellType::Mixed, false)},
        {"default-ribbed-tet", defaultRibbed(CellType::Tet, false)},
        {"default-holed-ribbed-hex", defaultRibbed(CellType::Hex, true)},
        {"tube", qvr::gen::makeTube(qvr::gen::TubeSpec())},
    };
    std::ostringstream now;
    for (const auto& [name, mesh] : parts)
        for (int mode : {QVR_THICKNESS_EXACT, QVR_THICKNESS_CENTROID_PLANE})
            now << name << (mode == QVR_THICKNESS_EXACT ? " exact " : " centroid ")
                << classifyEverySkinNode(mesh, mode) << "\n";
    const std::string file = std::string(QVR_TEST_DATA_DIR) + "/wall_rays_pinned.txt";
    if (const char* update = std::getenv("QVR_UPDATE_PINNED"); update && *update == '1')
        std::ofstream(file, std::ios::binary) << now.str();
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file;
    std::map<std::string, std::string> pinned;
    for (std::string title, mode, bits; in >> title >> mode >> bits;)
        pinned[title + " " + mode] = bits;
    std::istringstream lines(now.str());
    std::size_t compared = 0;
    for (std::string title, mode, bits; lines >> title >> mode >> bits; ++compared) {
        const std::string& want = pinned[title + " " + mode];
        ASSERT_EQ(bits.size(), want.size()) << title << " " << mode;
        std::size_t moved = 0, first = bits.size();
        for (std::size_t k = bits.size(); k-- > 0;)
            if (bits[k] != want[k]) {
                ++moved;
                first = k;
            }
        EXPECT_EQ(moved, 0u) << title << " " << mode << ": the first at skin node " << first + 1
                             << " of " << bits.size();
    }
    EXPECT_EQ(compared, pinned.size());
}

TEST_P(ThinRibs, BigFacesAreWallRaysNarrowFacesAreNot) {
    const double w = 2.0, h = 6.0;
    const nqbio::MeshData mesh = ribbedPlate(GetParam(), w, h);
    const auto ribSide = [w, h](const Point& p) {
        if (!inside(p[0], 0, 40) || !inside(p[2], 2, 2 + h)) return false;
        for (int r = 0; r < 2; ++r) {
            const auto [lo, hi] = ribRange(r, w);
            if (near(p[1], lo)) return true;
        }
        return false;
    };
    const auto ribTop = [w, h](const Point& p) {
        if (!inside(p[0], 0, 40) || !near(p[2], 2 + h)) return false;
        const auto [lo, hi] = ribRange(0, w);
        return inside(p[1], lo, hi);
    };
    expectGroups(
        mesh,
        {
            {"plate bottom",
             {0, 0, 1},
             [w](const Point& p) {
                 return near(p[2], 0) && inside(p[0], 0, 40) && inside(p[1], 0, 20) &&
                        !underOrOnRib(p[1], w);
             },
             1},
            {"plate top",
             {0, 0, -1},
             [w](const Point& p) {
                 return near(p[2], 2) && inside(p[0], 0, 40) && inside(p[1], 0, 20) &&
                        !underOrOnRib(p[1], w);
             },
             1},
            // Up to the node next to the rib's top, where the clearance is the distance to the top.
            {"rib side", {0, 1, 0}, ribSide, 1},
            {"plate end",
             {1, 0, 0},
             [](const Point& p) {
                 return near(p[0], 0) && inside(p[2], 0, 2) && inside(p[1], 0, 20);
             },
             0},
            {"plate side",
             {0, 1, 0},
             [](const Point& p) {
                 return near(p[1], 0) && inside(p[2], 0, 2) && inside(p[0], 0, 40);
             },
             0},
            {"rib top", {0, 0, -1}, ribTop, 0},
            // The blended normal at the plate's bottom edge: 45 degrees to the faces it leaves by.
            {"bottom edge",
             {0, std::sqrt(0.5), std::sqrt(0.5)},
             [](const Point& p) { return near(p[1], 0) && near(p[2], 0) && inside(p[0], 0, 40); },
             0},
        });
}

INSTANTIATE_TEST_SUITE_P(CellTypes, ThinRibs,
                         testing::Values(CellType::Hex, CellType::Mixed, CellType::Tet),
                         [](const auto& param) {
                             return std::string(qvr::gen::cellTypeName(param.param));
                         });

// 4 mm wide, 8 mm high ribs on the 2 mm plate: rays through them, twice the plate's wall, are
// wall rays by their midpoint clearance alone (they are 1.56 times the part's average
// thickness, beyond the bound for rays near a rim).
TEST(ThickRib, RaysThroughAWallThickerThanTheAverageAreWallRays) {
    const nqbio::MeshData mesh = ribbedPlate(CellType::Hex, 4.0, 8.0);
    const auto [lo, hi] = ribRange(0, 4.0);
    expectGroups(mesh, {
                           {"rib side, mid-height",
                            {0, 1, 0},
                            [lo = lo](const Point& p) {
                                return near(p[1], lo) && inside(p[0], 4, 36) &&
                                       inside(p[2], 4.5, 7.5);
                            },
                            1},
                           {"plate bottom",
                            {0, 0, 1},
                            [](const Point& p) {
                                return near(p[2], 0) && inside(p[0], 0, 40) && inside(p[1], 0, 1.5);
                            },
                            1},
                           {"plate side",
                            {0, 1, 0},
                            [](const Point& p) {
                                return near(p[1], 0) && inside(p[2], 0, 2) && inside(p[0], 0, 40);
                            },
                            0},
                       });
}

// GetWallRay is documented as safe on several threads at once: the same bits as one thread,
// also when the calls race to build the skin hierarchy (the centroid-plane mode has none).
TEST(ThreadCount, WallRaysOnSeveralThreadsAreThoseOfOneThread) {
    qvr::gen::PlateSpec plate;
    plate.ribs = true;
    plate.type = CellType::Mixed;
    const nqbio::MeshData mesh = qvr::gen::makePlate(plate);
    for (int mode : {QVR_THICKNESS_CENTROID_PLANE, QVR_THICKNESS_EXACT}) {
        SCOPED_TRACE(mode);
        const std::string one = classifyEverySkinNode(mesh, mode);
        ASSERT_NE(one.find('1'), std::string::npos);
        ASSERT_NE(one.find('0'), std::string::npos);
        EXPECT_EQ(classifyEverySkinNode(mesh, mode, 4), one);
    }
}

TEST(WallRay, RefusesOutOfOrderAndOutOfRangeAndChangesNoResult) {
    Tool t;
    EXPECT_EQ(t.tool.GetWallRay(1), -1);  // no mesh
    const nqbio::MeshData mesh = plate(10, 10, 2, 5, 5, 2);
    ASSERT_EQ(t.loadMesh(mesh), 1);
    EXPECT_EQ(t.tool.GetWallRay(1), -1);  // no rays
    HostRays rays;
    rays.add({5, 5, 0}, {0, 0, 1});   // through the plate
    rays.add({5, 5, 0}, {0, 0, -1});  // out of the part: no crossing, not a wall ray
    ASSERT_EQ(t.set(rays, 4), 1);
    FiberOutput before(4), after(4);
    ASSERT_EQ(t.get(1, before), 1);
    EXPECT_EQ(t.tool.GetWallRay(1), 1);
    EXPECT_EQ(t.tool.GetWallRay(2), 0);
    for (int bad : {0, -1, 3}) EXPECT_EQ(t.tool.GetWallRay(bad), -1) << bad;
    ASSERT_EQ(t.get(1, after), 1);
    EXPECT_TRUE(before == after);
    ASSERT_EQ(t.loadMesh(mesh, "again.nqb"), 1);
    EXPECT_EQ(t.tool.GetWallRay(1), -1);  // a new mesh drops the rays
}
