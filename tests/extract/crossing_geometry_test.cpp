// The geometric pieces of the centroid-plane thickness, one at a time, on the tool's state
// object: the line/triangle test, the quadrilateral split, the crossing distance and the
// nearest-cell choice.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ExtractTestSupport.h"
#include "PartGenerator.h"
#include "extract/CExtractToolData.h"

using namespace extract_test;

namespace {

// One hexahedron per entry: lower and upper corner of an axis-parallel box, cells numbered in
// that order. Nodes are not shared, which is fine for the questions asked here.
nqbio::MeshData boxes(const std::vector<std::array<double, 6>>& corners,
                      const std::string& unit = "mm") {
    nqbio::MeshData mesh;
    mesh.unit = unit;
    for (const auto& c : corners) {
        const int first = mesh.nodeCount() + 1;
        const double pts[8][3] = {{c[0], c[1], c[2]}, {c[3], c[1], c[2]}, {c[3], c[4], c[2]},
                                  {c[0], c[4], c[2]}, {c[0], c[1], c[5]}, {c[3], c[1], c[5]},
                                  {c[3], c[4], c[5]}, {c[0], c[4], c[5]}};
        for (const auto& p : pts) {
            for (double v : p) mesh.xyz.push_back(static_cast<float>(v));
        }
        nqbio::PartElement e;
        e.nNode = 8;
        for (int k = 0; k < 8; ++k) e.node[k] = first + k;
        mesh.parts.push_back(e);
    }
    qvr::gen::deriveSkin(mesh);
    qvr::gen::computeVolumes(mesh);
    return mesh;
}

struct Loaded {
    TempDir dir;
    CExtractToolData data;
    bool ok = false;
    explicit Loaded(const nqbio::MeshData& mesh) {
        std::string path = writeMesh(dir, mesh);
        ok = !path.empty() && data.LoadMesh(path.data()) == 1;
    }
    // The skin face whose centroid satisfies `where`; 0 when none.
    int face(const std::function<bool(double, double, double)>& where) const {
        for (int f = 1; f <= data.m_nSurface; ++f) {
            const CFaceElem& e = data.m_pSurface[f];
            if (where(e.xc, e.yc, e.zc)) return f;
        }
        return 0;
    }
    double crossing(std::vector<int> ids, std::array<double, 3> p, std::array<double, 3> d) {
        ids.insert(ids.begin(), 0);
        double t = -1.0;
        data.FindSurfaceCrossing(ids.data(), static_cast<int>(ids.size()) - 1, p[0], p[1], p[2],
                                 d[0], d[1], d[2], t);
        return t;
    }
};

bool crosses(std::array<double, 3> p, std::array<double, 3> d, std::array<double, 9> v) {
    return LineCrossesTriangle(p[0], p[1], p[2], d[0], d[1], d[2], v[0], v[1], v[2], v[3], v[4],
                               v[5], v[6], v[7], v[8]);
}

}  // namespace

TEST(LineCrossesTriangle, CountsEdgesAndCornersAndTheWholeLine) {
    const std::array<double, 9> tri = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    for (double dz : {1.0, -1.0}) {
        EXPECT_TRUE(crosses({0.25, 0.25, 3.0}, {0, 0, dz}, tri));   // inside, either way
        EXPECT_TRUE(crosses({0.25, 0.25, -3.0}, {0, 0, dz}, tri));  // the line, not the ray
        EXPECT_TRUE(crosses({0.0, 0.0, 1.0}, {0, 0, dz}, tri));     // corner
        EXPECT_TRUE(crosses({0.5, 0.0, 1.0}, {0, 0, dz}, tri));     // edge
        EXPECT_TRUE(crosses({0.5, 0.5, 1.0}, {0, 0, dz}, tri));     // hypotenuse
        EXPECT_FALSE(crosses({0.5, 0.5000001, 1.0}, {0, 0, dz}, tri));
        EXPECT_FALSE(crosses({-1e-9, 0.5, 1.0}, {0, 0, dz}, tri));
    }
    EXPECT_TRUE(crosses({0.1, 0.1, 1.0}, {0.2, 0.3, -1.0}, tri));  // oblique
}

// det is the doubled triangle area times the cosine between its normal and the direction:
// a right triangle with legs a and 1 seen square has det = +-a.
TEST(LineCrossesTriangle, TheEdgeOnBoundIsInclusiveBelowAndExclusiveAbove) {
    const std::array<double, 3> p = {0.001, 0.1, 5.0};
    auto legs = [](double a) { return std::array<double, 9>{0, 0, 0, a, 0, 0, 0, 1, 0}; };
    EXPECT_TRUE(crosses(p, {0, 0, 1}, legs(0.006)));     // det = +0.006: goes on
    EXPECT_FALSE(crosses(p, {0, 0, 1}, legs(0.0059)));   // det just below
    EXPECT_FALSE(crosses(p, {0, 0, -1}, legs(0.006)));   // det = -0.006: fails
    EXPECT_TRUE(crosses(p, {0, 0, -1}, legs(0.0061)));   // det below -0.006
    // Seen edge-on, a triangle of any size is never crossed.
    EXPECT_FALSE(crosses({0.2, 0.0, 0.2}, {1, 0, 0}, {0, 0, 0, 10, 0, 0, 0, 0, 10}));
    // A zero direction makes det zero.
    EXPECT_FALSE(crosses({0.2, 0.2, 1.0}, {0, 0, 0}, {0, 0, 0, 10, 0, 0, 0, 10, 0}));
}

TEST(OrderQuadNodes, PutsTheLongestPairFirstAndKeepsTheRestInOrder) {
    // Eight nodes of one box are enough to form any list of four.
    Loaded m(boxes({{0, 0, 0, 2, 1, 1}}));
    ASSERT_TRUE(m.ok);
    const int quad = m.face([](double, double, double) { return true; });
    ASSERT_GT(quad, 0);
    ASSERT_EQ(m.data.m_pSurface[quad].nNode, 4);
    // Box nodes: 1 (0,0,0) 2 (2,0,0) 3 (2,1,0) 4 (0,1,0) 5 (0,0,1) 6 (2,0,1) 7 (2,1,1) 8 (0,1,1).
    {
        int l[5] = {0, 1, 2, 3, 4};  // both diagonals equally long: the first pair (1,3) wins
        m.data.OrderQuadNodes(quad, l);
        EXPECT_EQ(std::vector<int>(l + 1, l + 5), (std::vector<int>{1, 3, 2, 4}));
    }
    {
        int l[5] = {0, 1, 2, 5, 7};  // 1-7 is the space diagonal, longer than anything else
        m.data.OrderQuadNodes(quad, l);
        EXPECT_EQ(std::vector<int>(l + 1, l + 5), (std::vector<int>{1, 7, 2, 5}));
    }
    {
        int l[5] = {0, 5, 3, 1, 7};  // 5-3 and 1-7 both sqrt 6: a later equal pair never wins
        m.data.OrderQuadNodes(quad, l);
        EXPECT_EQ(std::vector<int>(l + 1, l + 5), (std::vector<int>{5, 3, 1, 7}));
    }
    {
        int l[5] = {0, 3, 3, 3, 3};  // no pair apart: unchanged
        m.data.OrderQuadNodes(quad, l);
        EXPECT_EQ(std::vector<int>(l + 1, l + 5), (std::vector<int>{3, 3, 3, 3}));
    }
}

// The two triangles over the longest segment must cover a convex face: lines anywhere through
// its inside, the shared diagonal included, meet it; lines just outside do not.
TEST(FindSurfaceCrossing, AQuadrilateralIsCrossedAnywhereInsideIt) {
    Loaded m(boxes({{0, 0, 0, 2, 1, 1}}));
    ASSERT_TRUE(m.ok);
    const int bottom = m.face([](double, double, double z) { return z == 0.0; });
    ASSERT_GT(bottom, 0);
    for (double x = 0.05; x < 2.0; x += 0.1) {
        for (double y = 0.05; y < 1.0; y += 0.1) {
            EXPECT_EQ(m.crossing({bottom}, {x, y, 0.5}, {0, 0, 1}), 0.5) << x << " " << y;
        }
    }
    for (double s : {0.1, 0.5, 0.9}) {  // on both diagonals
        EXPECT_EQ(m.crossing({bottom}, {2 * s, s, 0.5}, {0, 0, 1}), 0.5);
        EXPECT_EQ(m.crossing({bottom}, {2 * s, 1 - s, 0.5}, {0, 0, 1}), 0.5);
    }
    EXPECT_EQ(m.crossing({bottom}, {2.01, 0.5, 0.5}, {0, 0, 1}), 1e30);
    EXPECT_EQ(m.crossing({bottom}, {1.0, -0.01, 0.5}, {0, 0, 1}), 1e30);
}

TEST(FindSurfaceCrossing, MeasuresToTheNearestCentroidPlaneOnEitherSide) {
    Loaded m(boxes({{0, 0, 0, 1, 1, 1}}));
    ASSERT_TRUE(m.ok);
    const int bottom = m.face([](double, double, double z) { return z == 0.0; });
    const int top = m.face([](double, double, double z) { return z == 1.0; });
    const int side = m.face([](double x, double, double) { return x == 0.0; });
    ASSERT_TRUE(bottom && top && side);
    // Behind the point counts like ahead of it.
    EXPECT_EQ(m.crossing({bottom, top}, {0.5, 0.5, 0.25}, {0, 0, 1}), 0.25);
    EXPECT_EQ(m.crossing({top, bottom}, {0.5, 0.5, 0.75}, {0, 0, 1}), 0.25);
    EXPECT_EQ(m.crossing({bottom}, {0.5, 0.5, 0.75}, {0, 0, 1}), 0.75);
    // Oblique: the distance along the line, not to the plane.
    EXPECT_DOUBLE_EQ(m.crossing({top}, {0.5, 0.5, 0.5}, {0.6, 0.0, 0.8}), 0.5 / 0.8);
    // The node's own face lies at distance 0 and is passed over.
    EXPECT_EQ(m.crossing({bottom, top}, {0.25, 0.5, 0.0}, {0, 0, 1}), 1.0);
    EXPECT_EQ(m.crossing({bottom}, {0.25, 0.5, 0.0}, {0, 0, 1}), 1e30);
    // A face parallel to the line is never crossed; neither is anything in an empty list.
    EXPECT_EQ(m.crossing({side}, {0.0, 0.5, 0.5}, {0, 0, 1}), 1e30);
    EXPECT_EQ(m.crossing({}, {0.5, 0.5, 0.5}, {0, 0, 1}), 1e30);
}

// A triangle in the plane z = 0.1 mm: its centroid, the mean of three corners at 0.1, comes
// out at 0.10000000000000002, and that residue is the distance from a corner node.
TEST(FindSurfaceCrossing, ARoundingResidueOfTheCentroidBecomesTheThickness) {
    ASSERT_EQ(100.0 * 0.001, 0.1);  // the loader's micrometre scaling lands on 0.1 exactly
    nqbio::MeshData mesh;
    mesh.unit = "um";
    const float pts[4][3] = {{0, 0, 100}, {10000, 0, 100}, {0, 10000, 100}, {0, 0, 2100}};
    for (const auto& p : pts) mesh.xyz.insert(mesh.xyz.end(), p, p + 3);
    nqbio::PartElement tet;
    tet.nNode = 4;
    for (int k = 0; k < 4; ++k) tet.node[k] = k + 1;
    mesh.parts.push_back(tet);
    qvr::gen::deriveSkin(mesh);
    qvr::gen::computeVolumes(mesh);

    Loaded m(mesh);
    ASSERT_TRUE(m.ok);
    ASSERT_EQ(m.data.m_pNode[1].z, 0.1);
    std::vector<int> all;
    for (int f = 1; f <= m.data.m_nSurface; ++f) all.push_back(f);
    EXPECT_EQ(m.crossing(all, {0.0, 0.0, 0.1}, {0, 0, 1}), 0.10000000000000002 - 0.1);
}

TEST(AssignNearestCells, TakesTheFirstListedOfEquallyNearCellsAndNothingTooFar) {
    Loaded m(boxes({{0, 0, 0, 1, 1, 1}, {1, 0, 0, 2, 1, 1}}));
    ASSERT_TRUE(m.ok);
    double x[2] = {0, 0.5}, y[2] = {0, 0.5}, z[2] = {0, 0.0}, a[2] = {0, 0}, b[2] = {0, 0},
           c[2] = {0, 1};
    ASSERT_EQ(m.data.BuildRayData(1, 3, x, y, z, a, b, c), 1);
    CRayData& r = m.data.m_pRayData[1];
    r.pX[1] = 1.0;  // halfway between the centroids (0.5, 0.5, 0.5) and (1.5, 0.5, 0.5)
    r.pY[1] = 0.5;
    r.pZ[1] = 0.5;
    r.pX[2] = 1.2;  // nearer to cell 2
    r.pY[2] = 0.5;
    r.pZ[2] = 0.5;
    r.pX[3] = 2e15;  // squared distance above 1e30
    r.pY[3] = 0.5;
    r.pZ[3] = 0.5;

    const int ascending[3] = {0, 1, 2};
    m.data.AssignNearestCells(ascending, 2, 1);
    EXPECT_EQ(r.pCellID[1], 1);
    EXPECT_EQ(r.pCellID[2], 2);
    EXPECT_EQ(r.pCellID[3], 0);

    const int descending[3] = {0, 2, 1};
    m.data.AssignNearestCells(descending, 2, 1);
    EXPECT_EQ(r.pCellID[1], 2);  // list order decides a tie
    EXPECT_EQ(r.pCellID[2], 2);

    m.data.AssignNearestCells(ascending, 0, 1);  // no cell passed
    EXPECT_EQ(r.pCellID[1], 0);
    EXPECT_EQ(r.pCellID[2], 0);
}
