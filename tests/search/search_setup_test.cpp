// Search set-up: element and overall boxes, the tree's ids, MinMesh, AverageThickness, messages.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "KernelMeshBuilder.h"
#include "QVROptKer.h"
#include "ReferenceBoxes.h"
#include "search/CQvrADT.h"
#include "search/search_slots.h"

namespace {

using qvrtest::CellKind;
using qvrtest::KernelMeshBuilder;

std::set<int> nearIds(CQVROptKer& k, double x0, double y0, double z0, double x1, double y1,
                      double z1, int slot = 0) {
    int count = -1;
    const int* ids = k.SearchNearBlockID(x0, y0, z0, x1, y1, z1, count, slot);
    EXPECT_NE(ids, nullptr);
    std::multiset<int> all(ids, ids + count);
    std::set<int> unique(all.begin(), all.end());
    EXPECT_EQ(unique.size(), all.size()) << "an id reported twice";
    return unique;
}

// One hexahedral cell with its six faces.
KernelMeshBuilder oneHex(double lx, double ly, double lz) {
    KernelMeshBuilder b;
    b.addBlock({CellKind::Hex, 1, 1, 1, 0.0, 0.0, 0.0, lx, ly, lz});
    return b;
}

TEST(SearchSetup, ElementAndOverallBoxes) {
    KernelMeshBuilder b;
    b.addBlock({CellKind::Prism, 2, 1, 1, -1.0, 2.0, 3.0, 0.5, 2.0, 4.0});
    CQVROptKer k;
    b.install(k);
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    EXPECT_EQ(
        std::make_tuple(k.Box_xMin, k.Box_yMin, k.Box_zMin, k.Box_xMax, k.Box_yMax, k.Box_zMax),
        std::make_tuple(-1.0, 2.0, 3.0, 0.0, 4.0, 7.0));
    auto check = [&](const auto& rec, const std::vector<int>& nodes) {
        const qvrtest::Box6 box = qvrtest::boxOf(b, nodes);
        EXPECT_EQ(std::make_tuple(rec.xMin, rec.yMin, rec.zMin, rec.xMax, rec.yMax, rec.zMax),
                  std::make_tuple(box[0], box[1], box[2], box[3], box[4], box[5]));
        EXPECT_EQ(rec.zMid, (box[5] + box[2]) * 0.5);
    };
    for (int c = 1; c <= k.m_nInnerCell; ++c)
        check(k.p_Cell[c], b.cells()[static_cast<std::size_t>(c - 1)].nodes);
    for (int f = 1; f <= k.m_nSurface; ++f)
        check(k.m_pSurface[f], b.faces()[static_cast<std::size_t>(f - 1)].nodes);

    // An element without nodes keeps the empty box.
    b.addFace({});
    b.install(k);
    k.InitialzeSearch(1);
    const CFaceElem& f = k.m_pSurface[k.m_nSurface];
    EXPECT_EQ(std::make_tuple(f.xMin, f.xMax, f.zMid), std::make_tuple(1e30, -1e30, 0.0));
}

// A box of one hexahedron, its TotalVolume (the box's own when 0), and the average thickness
// and minimum mesh size worked out by hand.
TEST(SearchSetup, MinMeshAndAverageThickness) {
    const double diagonal = std::sqrt(100.0 * 100.0 + 100.0 * 100.0 + 0.001 * 0.001);
    const double bigArea = 2.0 * (600.0 * 700.0 + 600.0 * 800.0 + 700.0 * 800.0);
    const double bigThickness = 600.0 * 700.0 * 800.0 / (bigArea * 0.5);
    const struct {
        const char* what;
        double lx, ly, lz, volume, thickness, minMesh;
    } cases[] = {
        // Thickness 1 / (6 / 2) and a diagonal of sqrt(3) stay below the cell extent of 1.
        {"smallest cell extent", 1, 1, 1, 0, 1.0 / 3.0, 1.0 * 0.1},
        {"at most 500", 600, 700, 800, 0, bigThickness, 500.0 * 0.1},
        {"diagonal floor", 100, 100, 0.001, 0, 10.0 / 10000.2, 0.001 * diagonal * 0.1},
        {"thickness floor", 1, 1, 1, 300, 100, 0.1 * 100.0 * 0.1},
        // A closed 10 x 10 x 45 box skin has area 2000.
        {"volume over half the skin", 10, 10, 45, 1000, 1, 10 * 0.1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CQVROptKer k;
        oneHex(c.lx, c.ly, c.lz).install(k);
        if (c.volume > 0) k.TotalVolume = c.volume;
        k.resetMinMesh(0.5);  // the set-up starts afresh
        k.InitialzeSearch(1);
        EXPECT_NEAR(k.AverageThickness, c.thickness, 1e-12 * c.thickness);
        EXPECT_DOUBLE_EQ(k.MinMesh, c.minMesh);
    }
    // Skin only, no cells: 500 before the floors.
    KernelMeshBuilder b;
    b.addFace({b.addNode(0, 0, 0), b.addNode(1, 0, 0), b.addNode(0, 1, 0)});
    CQVROptKer k;
    b.install(k);
    k.InitialzeSearch(1);
    EXPECT_EQ(std::make_pair(k.AverageThickness, k.MinMesh), std::make_pair(0.0, 50.0));
    // A value set afterwards is kept.
    k.resetMinMesh(0.25);
    EXPECT_EQ(k.MinMesh, 0.25);
}

TEST(SearchSetup, QuadAreaIsTheFanFromItsFirstCorner) {
    // A warped quadrilateral: the fan 1-2-3, 1-3-4 gives sqrt(2); the other diagonal would give
    // (sqrt(3) + 1) / 2.
    KernelMeshBuilder b;
    b.addFace({b.addNode(0, 0, 0), b.addNode(1, 0, 0), b.addNode(1, 1, 1), b.addNode(0, 1, 0)});
    CQVROptKer k;
    b.install(k);
    k.TotalVolume = 1.0;
    k.InitialzeSearch(1);
    EXPECT_DOUBLE_EQ(k.AverageThickness, 1.0 / (std::sqrt(2.0) * 0.5));
}

TEST(SearchSetup, NoSkinGivesThicknessOneAndNoThicknessMessages) {
    KernelMeshBuilder b;
    const int n1 = b.addNode(0, 0, 0), n2 = b.addNode(1, 0, 0), n3 = b.addNode(0, 1, 0),
              n4 = b.addNode(0, 0, 1);
    b.addCell({n1, n2, n3, n4}, 1.0 / 6.0);
    CQVROptKer k;
    b.install(k);
    k.setParameter(1);
    testing::internal::CaptureStdout();
    k.InitialzeSearch(1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(k.AverageThickness, 1.0);
    EXPECT_EQ(out.find("TotalVolume"), std::string::npos);
    EXPECT_EQ(out.find("AverageThickness"), std::string::npos);
    EXPECT_NE(out.find("Adjust MinMesh end"), std::string::npos);
}

TEST(SearchSetup, MessagesAtLevelOneInOrderAndNoneAtZero) {
    CQVROptKer k;
    oneHex(2, 3, 4).install(k);
    for (int level : {0, -1}) {
        k.setParameter(level);
        testing::internal::CaptureStdout();
        k.InitialzeSearch(1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << level;
    }
    k.setParameter(1);
    testing::internal::CaptureStdout();
    k.InitialzeSearch(1);
    const std::string out = testing::internal::GetCapturedStdout();

    // Thickness 24 / 26 and the smallest cell extent 2 times 0.1.
    const std::string want =
        "FindOverAllBondingBox end\n"
        "Box_xMax = 2.000000, Box_yMax = 3.000000, Box_zMax = 4.000000\n "
        "Box_xMin = 0.000000, Box_yMin = 0.000000, Box_zMin = 0.000000\n "
        "FindSurfaceBondingBox end\nFindInnerCellBondingBox end\n"
        "AddSurfaceToADTree end\nAddInnerCellToADTree  end\n"
        "TotalVolume=24.000000\nTotalSurfaceArea/2=26.000000\n"
        "AverageThickness end\nAverageThickness=0.923077 \n"
        "Adjust MinMesh end\nAfter adjust MinMesh = 0.2 \n";
    EXPECT_EQ(out, want);
}

TEST(SearchSetup, BeforeAnyMeshTheBoxStaysAtItsSentinels) {
    CQVROptKer k;
    int count = -1;
    EXPECT_EQ(k.SearchNearBlockID(0, 0, 0, 1, 1, 1, count, 0), qvr::emptySearchList());  // no tree
    EXPECT_EQ(count, 0);
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    EXPECT_EQ(std::make_pair(k.Box_xMax, k.Box_zMin), std::make_pair(-1e30, 1e30));
    EXPECT_EQ(k.AverageThickness, 1.0);
    const double d = -1e30 - 1e30;
    EXPECT_EQ(k.MinMesh, 0.001 * std::sqrt(d * d + d * d + d * d) * 0.1);
    count = -1;
    EXPECT_NE(k.SearchNearBlockID(-1, -1, -1, 1, 1, 1, count, 0), nullptr);
    EXPECT_EQ(count, 0);
}

TEST(SearchSetup, SlotCountRulesAndRepeatedSetUp) {
    CQVROptKer k;
    oneHex(1, 1, 1).install(k);
    EXPECT_EQ(k.InitialzeSearch(0), -1);
    EXPECT_EQ(k.InitialzeSearch(-2), -1);
    EXPECT_EQ(std::make_tuple(k.m_nSlotCount, k.m_pADTree, k.m_ppNearBlockList),
              std::make_tuple(0, nullptr, nullptr));

    ASSERT_EQ(k.InitialzeSearch(3), 1);
    EXPECT_EQ(k.m_nSlotCount, 3);
    EXPECT_EQ(nearIds(k, 0, 0, 0, 1, 1, 1, 2).size(), 7u);
    EXPECT_EQ(k.InitialzeSearch(0), -1);
    EXPECT_EQ(k.m_nSlotCount, 3);

    // A second mesh, fewer slots: the new tree holds the new mesh only.
    KernelMeshBuilder b;
    b.addBlock({CellKind::Hex, 2, 1, 1, 5.0, 5.0, 5.0, 1.0, 1.0, 1.0});
    b.install(k);
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    EXPECT_EQ(k.m_nSlotCount, 1);
    EXPECT_TRUE(nearIds(k, 0, 0, 0, 1, 1, 1).empty());
    EXPECT_EQ(nearIds(k, 5, 5, 5, 7, 6, 6).size(), static_cast<std::size_t>(k.m_nSurface + 2));
    for (int slot : {-1, 1, 1000}) {  // slots the set-up did not make find nothing
        int count = -1;
        EXPECT_EQ(k.SearchNearBlockID(0, 0, 0, 9, 9, 9, count, slot), qvr::emptySearchList());
        EXPECT_EQ(count, 0);
    }
}

TEST(SearchSetup, HostTreeThroughThePublicPair) {
    CQVROptKer k;
    ASSERT_EQ(k.SetADTreeRange(1, 1, 1, 0, 0, 0, 0, 0, 0), -1);
    EXPECT_EQ(k.m_pADTree, nullptr);
    EXPECT_EQ(k.AddSurfaceToADTree(1, 0.5, 0.5, 0.5, 0.2, 0.2, 0.2), 1);  // no tree: nothing

    k.setParameter(1);
    testing::internal::CaptureStdout();
    ASSERT_EQ(k.SetADTreeRange(1, 1, 1, 0, 0, 0, 4, 0, 0), 1);
    ASSERT_EQ(k.AddSurfaceToADTree(1, 0.5, 0.5, 0.5, 0.2, 0.2, 0.2), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "AddSurfaceToADTree end\n");
    EXPECT_EQ(k.m_nSlotCount, 4);
    ASSERT_NE(k.m_pADTree, nullptr);
    EXPECT_EQ(std::make_tuple(k.m_pADTree->slotCount, k.m_pADTree->capacity, k.m_pADTree->growStep),
              std::make_tuple(1, 10, 10000));
    EXPECT_EQ(std::make_pair(k.Box_xMax, k.Box_zMin), std::make_pair(1.0, 0.0));

    EXPECT_EQ(nearIds(k, 0, 0, 0, 1, 1, 1, 0), std::set<int>{1});
    EXPECT_TRUE(nearIds(k, 0, 0, 0, 1, 1, 1, 1).empty());  // one tree slot for four
    // Box given maximum corner first: this one lies outside the item.
    EXPECT_TRUE(nearIds(k, 0.6, 0.6, 0.6, 1, 1, 1, 0).empty());
}

// The set-up's tree has the capacity its elements would grow a tree of 10000 ids to (growth
// step 200000), and a host adding its own ids afterwards meets exactly that rule, though the
// arrays were made for the elements alone: one small part, capacity 10000, reach 210000.
TEST(SearchSetup, HostIdsAfterTheSetUpFollowTheTreesCapacity) {
    CQVROptKer k;
    oneHex(1, 1, 1).install(k);
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    const int elements = k.m_nSurface + k.m_nInnerCell;  // 6 faces and the cell
    ASSERT_EQ(elements, 7);
    EXPECT_EQ(k.m_pADTree->capacity, 10000);
    // A small box in the middle of the cell, away from every face.
    const auto add = [&](int id) {
        ASSERT_EQ(k.AddSurfaceToADTree(id, 0.55, 0.55, 0.55, 0.45, 0.45, 0.45), 1);
    };
    for (int id : {8, 10000, 410001, 210001, 210000, 9, 410000, 7}) add(id);
    EXPECT_EQ(k.m_pADTree->capacity, 410000);
    // 7 is the cell's own id: the host's box under it is refused, the cell stays.
    EXPECT_EQ(nearIds(k, 0.45, 0.45, 0.45, 0.55, 0.55, 0.55),
              (std::set<int>{7, 8, 9, 10000, 210000, 410000}));
    std::set<int> everything{8, 9, 10000, 210000, 410000};
    for (int id = 1; id <= elements; ++id) everything.insert(id);
    EXPECT_EQ(nearIds(k, -1, -1, -1, 2, 2, 2), everything);
}

// A host tree with room for fifty million ids and a hundred of them: the arrays stay near the
// ids given, the capacity and its growth are the host's.
TEST(SearchSetup, HostTreeWithALargeCapacityHoldsOnlyItsIds) {
    CQVROptKer k;
    ASSERT_EQ(k.SetADTreeRange(10, 10, 10, 0, 0, 0, 1, 50000000, 1000), 1);
    std::set<int> want;
    for (int id = 1; id <= 100; ++id) {
        const double x = id * 0.05;
        k.AddSurfaceToADTree(id, x + 0.01, 1.01, 1.01, x, 1, 1);
        want.insert(id);
    }
    k.AddSurfaceToADTree(50001001, 5.01, 5.01, 5.01, 5, 5, 5);  // beyond capacity + step
    k.AddSurfaceToADTree(0, 5.01, 5.01, 5.01, 5, 5, 5);
    EXPECT_EQ(nearIds(k, 0, 0, 0, 10, 10, 10), want);
    EXPECT_EQ(k.m_pADTree->capacity, 50000000);
    EXPECT_LT(k.m_pADTree->stored, 100000);
}

}  // namespace
