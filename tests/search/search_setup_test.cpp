// Search set-up: element and overall boxes, the tree's ids, MinMesh, AverageThickness, messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "KernelMeshBuilder.h"
#include "QVROptKer.h"
#include "kernel/mesh_tables.h"
#include "search/CQvrADT.h"

namespace {

using qvrtest::BlockSpec;
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

std::string format(const char* fmt, double a, double b, double c) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

TEST(SearchSetup, ElementAndOverallBoxes) {
    KernelMeshBuilder b;
    b.addBlock({CellKind::Prism, 2, 1, 1, -1.0, 2.0, 3.0, 0.5, 2.0, 4.0});
    CQVROptKer k;
    b.install(k);
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    EXPECT_EQ(k.Box_xMin, -1.0);
    EXPECT_EQ(k.Box_xMax, 0.0);
    EXPECT_EQ(k.Box_yMin, 2.0);
    EXPECT_EQ(k.Box_yMax, 4.0);
    EXPECT_EQ(k.Box_zMin, 3.0);
    EXPECT_EQ(k.Box_zMax, 7.0);
    auto check = [&](const auto& rec, const std::vector<int>& nodes) {
        double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
        for (int n : nodes) {
            const double c[3] = {b.node(n).x, b.node(n).y, b.node(n).z};
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], c[a]);
                hi[a] = std::max(hi[a], c[a]);
            }
        }
        EXPECT_EQ(rec.xMin, lo[0]);
        EXPECT_EQ(rec.yMin, lo[1]);
        EXPECT_EQ(rec.zMin, lo[2]);
        EXPECT_EQ(rec.xMax, hi[0]);
        EXPECT_EQ(rec.yMax, hi[1]);
        EXPECT_EQ(rec.zMax, hi[2]);
        EXPECT_EQ(rec.zMid, (hi[2] + lo[2]) * 0.5);
    };
    for (int c = 1; c <= k.m_nInnerCell; ++c) check(k.p_Cell[c], b.cells()[static_cast<std::size_t>(c - 1)].nodes);
    for (int f = 1; f <= k.m_nSurface; ++f) check(k.m_pSurface[f], b.faces()[static_cast<std::size_t>(f - 1)].nodes);
}

TEST(SearchSetup, ElementWithoutNodesKeepsTheEmptyBox) {
    KernelMeshBuilder b = oneHex(1, 1, 1);
    b.addFace({});
    CQVROptKer k;
    b.install(k);
    k.InitialzeSearch(1);
    const CFaceElem& f = k.m_pSurface[k.m_nSurface];
    EXPECT_EQ(f.xMax, -1e30);
    EXPECT_EQ(f.xMin, 1e30);
    EXPECT_EQ(f.zMid, 0.0);
}

TEST(SearchSetup, TreeIdsAreFacesThenCells) {
    KernelMeshBuilder b;
    b.addBlock({CellKind::Tet, 2, 2, 1, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0});
    CQVROptKer k;
    b.install(k);
    ASSERT_EQ(k.InitialzeSearch(2), 1);
    const int nf = k.m_nSurface;
    for (int f = 1; f <= nf; ++f) {
        const auto& r = k.m_pSurface[f];
        EXPECT_EQ(nearIds(k, r.xc, r.yc, r.zc, r.xc, r.yc, r.zc).count(f), 1u) << f;
    }
    for (int c = 1; c <= k.m_nInnerCell; ++c) {
        const auto& r = k.p_Cell[c];
        EXPECT_EQ(nearIds(k, r.xc, r.yc, r.zc, r.xc, r.yc, r.zc, 1).count(nf + c), 1u) << c;
    }
    // The whole model: every id once.
    const std::set<int> all = nearIds(k, 0, 0, 0, 2, 2, 1);
    EXPECT_EQ(all.size(), static_cast<std::size_t>(nf + k.m_nInnerCell));
    EXPECT_EQ(*all.begin(), 1);
    EXPECT_EQ(*all.rbegin(), nf + k.m_nInnerCell);
}

TEST(SearchSetup, MinMeshTakesTheSmallestCellExtent) {
    CQVROptKer k;
    oneHex(1, 1, 1).install(k);
    k.resetMinMesh(0.5);
    k.InitialzeSearch(1);
    // Thickness 1 / (6 / 2) and a diagonal of sqrt(3) stay below the cell extent of 1.
    EXPECT_DOUBLE_EQ(k.AverageThickness, 1.0 / 3.0);
    EXPECT_EQ(k.MinMesh, 1.0 * 0.1);
    // A value set afterwards is kept.
    k.resetMinMesh(0.25);
    EXPECT_EQ(k.MinMesh, 0.25);
}

TEST(SearchSetup, MinMeshStartsFromFiveHundred) {
    CQVROptKer k;
    oneHex(600, 700, 800).install(k);
    k.InitialzeSearch(1);
    const double area = 2.0 * (600.0 * 700.0 + 600.0 * 800.0 + 700.0 * 800.0);
    const double thickness = 600.0 * 700.0 * 800.0 / (area * 0.5);
    EXPECT_NEAR(k.AverageThickness, thickness, 1e-9 * thickness);
    ASSERT_LT(0.1 * thickness, 500.0);
    EXPECT_EQ(k.MinMesh, 500.0 * 0.1);
}

TEST(SearchSetup, MinMeshFloorsDiagonalAndThickness) {
    {
        // A very thin cell: the diagonal floor wins.
        CQVROptKer k;
        oneHex(100, 100, 0.001).install(k);
        k.InitialzeSearch(1);
        const double diagonal = std::sqrt(100.0 * 100.0 + 100.0 * 100.0 + 0.001 * 0.001);
        EXPECT_DOUBLE_EQ(k.MinMesh, 0.001 * diagonal * 0.1);
    }
    {
        // A unit cell said to hold 300 mm^3: the thickness floor wins.
        CQVROptKer k;
        oneHex(1, 1, 1).install(k);
        k.TotalVolume = 300.0;
        k.InitialzeSearch(1);
        EXPECT_DOUBLE_EQ(k.AverageThickness, 100.0);
        EXPECT_DOUBLE_EQ(k.MinMesh, 0.1 * 100.0 * 0.1);
    }
    {
        // Skin only, no cells: 500 before the floors.
        KernelMeshBuilder b;
        b.addNode(0, 0, 0);
        b.addNode(1, 0, 0);
        b.addNode(0, 1, 0);
        b.addFace({1, 2, 3});
        CQVROptKer k;
        b.install(k);
        k.InitialzeSearch(1);
        EXPECT_EQ(k.AverageThickness, 0.0);
        EXPECT_EQ(k.MinMesh, 50.0);
    }
}

TEST(SearchSetup, AverageThicknessIsVolumeOverHalfTheSkin) {
    // A closed 10 x 10 x 45 box skin has area 2000.
    CQVROptKer k;
    oneHex(10, 10, 45).install(k);
    k.TotalVolume = 1000.0;
    k.InitialzeSearch(1);
    EXPECT_DOUBLE_EQ(k.AverageThickness, 1.0);
}

TEST(SearchSetup, QuadAreaIsTheFanFromItsFirstCorner) {
    // A warped quadrilateral: the fan 1-2-3, 1-3-4 gives sqrt(2); the other diagonal would give
    // (sqrt(3) + 1) / 2.
    KernelMeshBuilder b;
    b.addNode(0, 0, 0);
    b.addNode(1, 0, 0);
    b.addNode(1, 1, 1);
    b.addNode(0, 1, 0);
    b.addFace({1, 2, 3, 4});
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
    KernelMeshBuilder b = oneHex(2, 3, 4);
    CQVROptKer k;
    b.install(k);
    testing::internal::CaptureStdout();
    k.InitialzeSearch(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    k.setParameter(1);
    testing::internal::CaptureStdout();
    k.InitialzeSearch(1);
    const std::string out = testing::internal::GetCapturedStdout();

    const double area = 2.0 * (2.0 * 3.0 + 2.0 * 4.0 + 3.0 * 4.0);
    const double thickness = 24.0 / (area * 0.5);
    const double minMesh = 2.0 * 0.1;  // the smallest cell extent wins
    std::string want;
    want += "FindOverAllBondingBox end\n";
    want += "Box_xMax = 2.000000, Box_yMax = 3.000000, Box_zMax = 4.000000\n ";
    want += "Box_xMin = 0.000000, Box_yMin = 0.000000, Box_zMin = 0.000000\n ";
    want += "FindSurfaceBondingBox end\n";
    want += "FindInnerCellBondingBox end\n";
    want += "AddSurfaceToADTree end\n";
    want += "AddInnerCellToADTree  end\n";
    want += "TotalVolume=24.000000\n";
    want += "TotalSurfaceArea/2=26.000000\n";
    want += "AverageThickness end\n";
    want += format("AverageThickness=%lf \n", thickness, 0, 0);
    want += "Adjust MinMesh end\n";
    want += format("After adjust MinMesh = %g \n", minMesh, 0, 0);
    EXPECT_EQ(out, want);
    EXPECT_NE(out.find("AverageThickness=0.923077 \n"), std::string::npos);
    EXPECT_NE(out.find("After adjust MinMesh = 0.2 \n"), std::string::npos);

    k.setParameter(-1);
    testing::internal::CaptureStdout();
    k.InitialzeSearch(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(SearchSetup, BeforeAnyMeshTheBoxStaysAtItsSentinels) {
    CQVROptKer k;
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    EXPECT_EQ(k.Box_xMax, -1e30);
    EXPECT_EQ(k.Box_zMin, 1e30);
    EXPECT_EQ(k.AverageThickness, 1.0);
    const double d = -1e30 - 1e30;
    EXPECT_EQ(k.MinMesh, 0.001 * std::sqrt(d * d + d * d + d * d) * 0.1);
    int count = -1;
    const int* ids = k.SearchNearBlockID(-1, -1, -1, 1, 1, 1, count, 0);
    EXPECT_NE(ids, nullptr);
    EXPECT_EQ(count, 0);
}

TEST(SearchSetup, SlotCountRulesAndRepeatedSetUp) {
    CQVROptKer k;
    oneHex(1, 1, 1).install(k);
    EXPECT_EQ(k.InitialzeSearch(0), -1);
    EXPECT_EQ(k.InitialzeSearch(-2), -1);
    EXPECT_EQ(k.m_nSlotCount, 0);
    EXPECT_EQ(k.m_pADTree, nullptr);
    EXPECT_EQ(k.m_ppNearBlockList, nullptr);

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
    int count = -1;
    EXPECT_EQ(k.SearchNearBlockID(0, 0, 0, 9, 9, 9, count, 1), qvr::emptySearchList());
    EXPECT_EQ(count, 0);
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
    EXPECT_EQ(k.m_pADTree->slotCount, 1);
    EXPECT_EQ(k.m_pADTree->capacity, 10);
    EXPECT_EQ(k.m_pADTree->growStep, 10000);
    EXPECT_EQ(k.Box_xMax, 1.0);
    EXPECT_EQ(k.Box_zMin, 0.0);

    EXPECT_EQ(nearIds(k, 0, 0, 0, 1, 1, 1, 0), std::set<int>{1});
    int count = -1;
    const int* ids = k.SearchNearBlockID(0, 0, 0, 1, 1, 1, count, 1);
    EXPECT_NE(ids, nullptr);
    EXPECT_EQ(count, 0);
    // Box given maximum corner first: this one lies outside the item.
    EXPECT_TRUE(nearIds(k, 0.6, 0.6, 0.6, 1, 1, 1, 0).empty());
}

}  // namespace
