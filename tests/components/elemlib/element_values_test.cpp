// Shape function values on simple cells written in the mesh file's node order, worked out by
// hand, and the element library's behaviour on input it cannot map.
#include "element_cases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace elemtest;

namespace {

Element FromNodes(std::initializer_list<Vec3> nodes) {
    Element e;
    for (const Vec3& p : nodes) {
        e.X[e.n] = p[0];
        e.Y[e.n] = p[1];
        e.Z[e.n] = p[2];
        ++e.n;
    }
    return e;
}

void ExpectValues(const Element& e, const Vec3& p, const std::vector<double>& expected) {
    auto element = Make(e.n);
    Element copy = e;
    double N[8];
    ASSERT_EQ(element->GetShapeFunction(p[0], p[1], p[2], copy.X, copy.Y, copy.Z, N), 1);
    for (int k = 0; k < e.n; ++k) EXPECT_NEAR(N[k], expected[k], 1e-13) << "node " << k + 1;
}

// The unit cube as the mesh file example lists it.
const Element kUnitCube = FromNodes({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                     {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});

TEST(ElementValues, UnitCubeIsTrilinearInFileOrder) {
    const double x = 0.25, y = 0.5, z = 0.75;
    ExpectValues(kUnitCube, {x, y, z},
                 {(1 - x) * (1 - y) * (1 - z), x * (1 - y) * (1 - z), x * y * (1 - z),
                  (1 - x) * y * (1 - z), (1 - x) * (1 - y) * z, x * (1 - y) * z, x * y * z,
                  (1 - x) * y * z});
    ExpectValues(kUnitCube, {0.5, 0.5, 0.5}, std::vector<double>(8, 0.125));
}

TEST(ElementValues, TetrahedronGivesBarycentricCoordinates) {
    const Element tet = FromNodes({{0, 0, 0}, {2, 0, 0}, {0, 4, 0}, {0, 0, 8}});
    const double x = 0.5, y = 1.0, z = 2.0;  // a = x/2, b = y/4, c = z/8
    ExpectValues(tet, {x, y, z}, {1 - 0.25 - 0.25 - 0.25, 0.25, 0.25, 0.25});
}

TEST(ElementValues, PrismIsTriangleTimesLineForEitherTurningSense) {
    const double x = 0.2, y = 0.3, z = 0.4;
    const Element counterClockwise =
        FromNodes({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}});
    ExpectValues(counterClockwise, {x, y, z},
                 {(1 - x - y) * (1 - z), x * (1 - z), y * (1 - z), (1 - x - y) * z, x * z, y * z});
    const Element clockwise =
        FromNodes({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 0, 1}});
    ExpectValues(clockwise, {x, y, z},
                 {(1 - x - y) * (1 - z), y * (1 - z), x * (1 - z), (1 - x - y) * z, y * z, x * z});
}

TEST(ElementValues, HexahedronCollapsedIntoAPrismInterpolatesLinearlyOnTheTriangle) {
    // Nodes 3 and 4, and 7 and 8, at the same place: the cube's face y = 1 shrinks to an edge and
    // the cell is the prism over the triangle (0,0), (1,0), (0,1). The trilinear functions then
    // split that prism's weights, so N3 + N4 and N7 + N8 are the weights of the shared nodes.
    Element e = FromNodes({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0},
                           {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0, 1, 1}});
    auto hexa = Make(8);
    for (const Vec3& p : {Vec3{0.2, 0.3, 0.4}, Vec3{0.6, 0.1, 0.9}, Vec3{0.05, 0.9, 0.5}}) {
        const double x = p[0], y = p[1], z = p[2];
        double N[8];
        ASSERT_EQ(hexa->GetShapeFunction(x, y, z, e.X, e.Y, e.Z, N), 1);
        EXPECT_NEAR(N[0], (1 - x - y) * (1 - z), 1e-12);
        EXPECT_NEAR(N[1], x * (1 - z), 1e-12);
        EXPECT_NEAR(N[2] + N[3], y * (1 - z), 1e-12);
        EXPECT_NEAR(N[4], (1 - x - y) * z, 1e-12);
        EXPECT_NEAR(N[5], x * z, 1e-12);
        EXPECT_NEAR(N[6] + N[7], y * z, 1e-12);
    }
}

// A pyramid over a non-parallelogram base with its apex off the axis.
const Element kPyramid =
    FromNodes({{0, 0, 0}, {1.2, 0, 0.1}, {1, 0.9, 0}, {-0.1, 1, 0}, {0.6, 0.3, 1.1}});

TEST(ElementValues, PyramidOnTheSegmentFromBaseCentreToApex) {
    // Along that segment xi = eta = 0 and zeta is the fraction of the way to the apex, so the
    // apex function is that fraction and the base functions share the rest equally.
    Vec3 centre = {0, 0, 0};
    for (int k = 0; k < 4; ++k) {
        centre[0] += 0.25 * kPyramid.X[k];
        centre[1] += 0.25 * kPyramid.Y[k];
        centre[2] += 0.25 * kPyramid.Z[k];
    }
    const Vec3 apex = kPyramid.Node(4);
    for (double rest : {0.5, 1e-2, 1e-5, 1e-9, 1e-13, 0.0}) {
        Vec3 p;
        for (int j = 0; j < 3; ++j) p[j] = apex[j] + rest * (centre[j] - apex[j]);
        const double q = rest / 4;
        ExpectValues(kPyramid, p, {q, q, q, q, 1 - rest});
    }
}

TEST(ElementValues, PyramidBesideAndAboveItsApex) {
    auto pyramid = Make(5);
    Element e = kPyramid;
    const Vec3 apex = e.Node(4);
    for (const Vec3& d : {Vec3{0, 0, 1e-6}, Vec3{0.5, 0, 0}, Vec3{0, -0.7, 0.01},
                          Vec3{0.3, 0.3, -1e-9}, Vec3{-2, 1, 0.5}}) {
        const Vec3 p = {apex[0] + d[0], apex[1] + d[1], apex[2] + d[2]};
        double N[8];
        ASSERT_EQ(pyramid->GetShapeFunction(p[0], p[1], p[2], e.X, e.Y, e.Z, N), 1);
        EXPECT_LT(Distance(Combine(e, N), p), 2e-12 * e.Size());
        for (int k = 0; k < 5; ++k) EXPECT_LT(std::fabs(N[k]), 10.0);
        EXPECT_EQ(pyramid->LocatePoint(p[0], p[1], p[2], e.X, e.Y, e.Z).side,
                  CFEM_PointSide::Outside);
    }
}

class UnmappableInput : public testing::TestWithParam<ElementType> {
protected:
    std::unique_ptr<CFEM_Elem3D> element_ = Make(GetParam().nodeCount);
    Element Regular() const {
        Element e;
        e.n = GetParam().nodeCount;
        for (int k = 0; k < e.n; ++k) {
            const Vec3& r = GetParam().referenceNodes[k];
            e.X[k] = r[0] + 0.1 * r[1];
            e.Y[k] = r[1];
            e.Z[k] = r[2] - 0.05 * r[0];
        }
        return e;
    }
    // Expects the failure code and finite weights that sum to one (all 1/n when `uniform`).
    void ExpectUnconverged(double x, double y, double z, Element e, bool uniform) {
        double N[8];
        EXPECT_EQ(element_->GetShapeFunction(x, y, z, e.X, e.Y, e.Z, N), 0);
        double sum = 0.0;
        for (int k = 0; k < e.n; ++k) {
            ASSERT_TRUE(std::isfinite(N[k]));
            if (uniform) {
                EXPECT_DOUBLE_EQ(N[k], 1.0 / e.n);
            }
            sum += N[k];
        }
        EXPECT_NEAR(sum, 1.0, 1e-12);
        const CFEM_PointLocation loc = element_->LocatePoint(x, y, z, e.X, e.Y, e.Z);
        EXPECT_FALSE(loc.converged);
        EXPECT_EQ(loc.side, CFEM_PointSide::Unknown);
    }
};

TEST_P(UnmappableInput, FlatCoincidentAndNonFiniteElements) {
    Element flat = Regular();
    for (int k = 0; k < flat.n; ++k) flat.Z[k] = 0.5 * flat.X[k] - flat.Y[k];  // all in a plane
    ExpectUnconverged(0.2, 0.1, 0.0, flat, false);
    ExpectUnconverged(0.2, 0.1, 3.0, flat, false);
    Element e = Regular();
    for (int k = 0; k < e.n; ++k) e.X[k] = e.Y[k] = e.Z[k] = 1.5;
    ExpectUnconverged(1.5, 1.5, 1.5, e, true);
    ExpectUnconverged(0.0, 2.0, 1.0, e, true);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    ExpectUnconverged(nan, 0.1, 0.1, Regular(), true);
    ExpectUnconverged(0.1, -inf, 0.1, Regular(), true);
    e = Regular();
    e.Y[e.n - 1] = nan;
    ExpectUnconverged(0.1, 0.1, 0.1, e, true);
    e = Regular();
    e.Z[0] = inf;
    ExpectUnconverged(0.1, 0.1, 0.1, e, true);
    // Finite but so far apart that the element's size overflows.
    e = Regular();
    e.X[0] = -1e308;
    e.X[1] = 1e308;
    ExpectUnconverged(0.1, 0.1, 0.1, e, true);
}

TEST_P(UnmappableInput, NullArraysAndReferencePointsBeyondAnyElement) {
    Element e = Regular();
    double N[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    EXPECT_EQ(element_->GetShapeFunction(0, 0, 0, nullptr, e.Y, e.Z, N), -1);
    EXPECT_EQ(element_->GetShapeFunction(0, 0, 0, e.X, e.Y, nullptr, N), -1);
    for (double v : N) EXPECT_EQ(v, 7.0);
    EXPECT_EQ(element_->GetShapeFunction(0, 0, 0, e.X, e.Y, e.Z, nullptr), -1);
    EXPECT_FALSE(element_->LocatePoint(0, 0, 0, e.X, nullptr, e.Z).converged);
    element_->ShapeAtReference(0, 0, 0, nullptr);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Vec3& r : {Vec3{1e300, -1e300, 1e300}, Vec3{0, 0, 1}, Vec3{1e-300, 1e-300, 1},
                          Vec3{nan, 0, 0}}) {
        element_->ShapeAtReference(r[0], r[1], r[2], N);
        for (int k = 0; k < GetParam().nodeCount; ++k) EXPECT_TRUE(std::isfinite(N[k]));
    }
}

std::string TypeName(const testing::TestParamInfo<ElementType>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(AllTypes, UnmappableInput, testing::ValuesIn(AllTypes()), TypeName);

TEST(ElementFactory, MakesOnlyTheFourLinearSolids) {
    CFEM_Elem3D_Factory factory;
    const std::pair<CFEM_Elem3D*, int> made[] = {{factory.Make_TETRA4(), 4},
                                                 {factory.Make_PYRAMID5(), 5},
                                                 {factory.Make_PRISM6(), 6},
                                                 {factory.Make_HEXA8(), 8}};
    for (const auto& [element, nodes] : made) {
        const std::unique_ptr<CFEM_Elem3D> owned(element), same(factory.MakeForNodeCount(nodes));
        ASSERT_TRUE(owned && same);
        EXPECT_EQ(owned->GetNodeCount(), nodes);
        EXPECT_EQ(same->GetNodeCount(), nodes);
    }
    for (int n : {-1, 0, 1, 3, 7, 9, 10, 20}) EXPECT_EQ(factory.MakeForNodeCount(n), nullptr);
}

}  // namespace
