// The element library. Properties every element type must have, checked on randomly distorted,
// sheared and mirrored elements: the shape functions interpolate, sum to one and reproduce the
// element's own map (and with these two every affine field, which for the tetrahedron already
// fixes them), and the inverse mapping finds reference points and tells inside from outside,
// or reports Unknown for an element it cannot map. Where those properties leave the values
// free, values worked out by hand on simple cells in the mesh file's node order.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "CFEM_Elem3D.h"

namespace {

using Vec3 = std::array<double, 3>;

// One face of a reference element as the half-space normal . r <= offset.
struct HalfSpace {
    Vec3 normal;
    double offset;
};

// A reference element written out from its textbook definition.
struct ElementType {
    std::string name;
    std::vector<Vec3> nodes;
    std::vector<HalfSpace> faces;
    int n() const { return static_cast<int>(nodes.size()); }
};

const std::vector<ElementType>& AllTypes() {
    static const std::vector<ElementType> types = {
        {"Tetra4",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
         {{{-1, 0, 0}, 0}, {{0, -1, 0}, 0}, {{0, 0, -1}, 0}, {{1, 1, 1}, 1}}},
        {"Pyramid5",
         {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}, {0, 0, 1}},
         {{{0, 0, -1}, 0}, {{1, 0, 1}, 1}, {{-1, 0, 1}, 1}, {{0, 1, 1}, 1}, {{0, -1, 1}, 1}}},
        {"Prism6",
         {{0, 0, -1}, {1, 0, -1}, {0, 1, -1}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}},
         {{{-1, 0, 0}, 0}, {{0, -1, 0}, 0}, {{1, 1, 0}, 1}, {{0, 0, -1}, 1}, {{0, 0, 1}, 1}}},
        {"Hexa8",
         {{-1, -1, -1},
          {1, -1, -1},
          {1, 1, -1},
          {-1, 1, -1},
          {-1, -1, 1},
          {1, -1, 1},
          {1, 1, 1},
          {-1, 1, 1}},
         {{{1, 0, 0}, 1},
          {{-1, 0, 0}, 1},
          {{0, 1, 0}, 1},
          {{0, -1, 0}, 1},
          {{0, 0, 1}, 1},
          {{0, 0, -1}, 1}}},
    };
    return types;
}

std::unique_ptr<CFEM_Elem3D> Make(int nodeCount) {
    return std::unique_ptr<CFEM_Elem3D>(CFEM_Elem3D_Factory().MakeForNodeCount(nodeCount));
}

double Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

double Distance(const Vec3& a, const Vec3& b) {
    const Vec3 d = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    return std::sqrt(Dot(d, d));
}

// Smallest distance inside all faces but `skipped` (negative outside), in reference units.
double Depth(const ElementType& type, const Vec3& r, const HalfSpace* skipped = nullptr) {
    double depth = 1e300;
    for (const HalfSpace& f : type.faces) {
        if (&f == skipped) continue;
        const double d = (f.offset - Dot(f.normal, r)) / std::sqrt(Dot(f.normal, f.normal));
        depth = std::fmin(depth, d);
    }
    return depth;
}

// A physical element: node coordinates as the element library takes them.
struct Element {
    double X[8] = {}, Y[8] = {}, Z[8] = {};
    int n = 0;
    Vec3 Node(int k) const { return {X[k], Y[k], Z[k]}; }
    void Add(const Vec3& p) {
        X[n] = p[0], Y[n] = p[1], Z[n] = p[2];
        ++n;
    }
    double Size() const {  // the largest distance between two nodes
        double d = 0.0;
        for (int k = 0; k < n; ++k)
            for (int l = 0; l < k; ++l) d = std::fmax(d, Distance(Node(k), Node(l)));
        return d;
    }
    // x = sum N_k X_k.
    Vec3 Combine(const double* N) const {
        Vec3 x = {0.0, 0.0, 0.0};
        for (int k = 0; k < n; ++k)
            for (int j = 0; j < 3; ++j) x[j] += N[k] * Node(k)[j];
        return x;
    }
};

Element FromNodes(std::initializer_list<Vec3> nodes) {
    Element e;
    for (const Vec3& p : nodes) e.Add(p);
    return e;
}

// A random well-conditioned affine map: identity plus a shear of up to 0.25 per entry, and a
// reflection of x when `mirrored`.
struct AffineMap {
    std::array<Vec3, 3> A;
    Vec3 offset;
    Vec3 operator()(const Vec3& r) const {
        return {offset[0] + Dot(A[0], r), offset[1] + Dot(A[1], r), offset[2] + Dot(A[2], r)};
    }
};

AffineMap RandomAffine(std::mt19937_64& rng, bool mirrored) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    AffineMap m;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m.A[i][j] = (i == j ? 1.0 : 0.0) + 0.25 * u(rng);
        m.offset[i] = 5.0 * u(rng);
    }
    if (mirrored)
        for (double& a : m.A[0]) a = -a;
    return m;
}

// (index into AllTypes(), mirrored)
class ElementProperties : public testing::TestWithParam<std::tuple<int, bool>> {
protected:
    const ElementType& type_ = AllTypes()[static_cast<std::size_t>(std::get<0>(GetParam()))];
    std::unique_ptr<CFEM_Elem3D> element_ = Make(type_.n());
    std::mt19937_64 rng_{20240611};

    // The reference nodes moved by up to `distortion` reference units per coordinate, then
    // mapped.
    Element Build(const AffineMap& map, double distortion) {
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        Element e;
        for (Vec3 r : type_.nodes) {
            for (double& c : r) c += distortion * u(rng_);
            e.Add(map(r));
        }
        return e;
    }
    Element Distorted(double distortion) {
        return Build(RandomAffine(rng_, std::get<1>(GetParam())), distortion);
    }
    // A reference point uniformly in the reference element's box grown by `widths` times its
    // own width on every side.
    Vec3 PointAround(double widths) {
        std::uniform_real_distribution<double> u(0.0, 1.0);
        Vec3 r;
        for (int j = 0; j < 3; ++j) {
            double lo = 1e300, hi = -1e300;
            for (const Vec3& p : type_.nodes) lo = std::fmin(lo, p[j]), hi = std::fmax(hi, p[j]);
            r[j] = lo - widths * (hi - lo) + (1.0 + 2.0 * widths) * (hi - lo) * u(rng_);
        }
        return r;
    }
    Vec3 InteriorPoint() {
        for (;;) {
            const Vec3 r = PointAround(0.0);
            if (Depth(type_, r) >= 0.0) return r;
        }
    }
};

TEST_P(ElementProperties, EachFunctionIsOneAtItsOwnNodeAndZeroAtTheOthers) {
    for (int trial = 0; trial < 20; ++trial) {
        Element e = Distorted(0.15);
        for (int j = 0; j < e.n; ++j) {
            double N[8];
            ASSERT_EQ(element_->GetShapeFunction(e.X[j], e.Y[j], e.Z[j], e.X, e.Y, e.Z, N), 1);
            for (int k = 0; k < e.n; ++k) EXPECT_NEAR(N[k], j == k ? 1.0 : 0.0, 1e-10);
            // Nodes lie on the element's boundary, which counts as inside.
            EXPECT_EQ(element_->LocatePoint(e.X[j], e.Y[j], e.Z[j], e.X, e.Y, e.Z).side,
                      CFEM_PointSide::Inside);
        }
    }
}

TEST_P(ElementProperties, SumToOneAndMapEveryPointBackOntoItselfUpToThreeSizesAway) {
    double worst = 0.0;
    for (int trial = 0; trial < 40; ++trial) {
        const AffineMap map = RandomAffine(rng_, std::get<1>(GetParam()));
        // Strongly distorted (nodes moved by up to an eighth of the element's width), where the
        // residual has local minima that a single Newton run from the centre can get caught in.
        Element e = Build(map, 0.25);
        for (int s = 0; s < 100; ++s) {
            // In the element's own proportions: an undistorted reference position mapped.
            const Vec3 p = map(PointAround(3.0));
            double N[8];
            ASSERT_EQ(element_->GetShapeFunction(p[0], p[1], p[2], e.X, e.Y, e.Z, N), 1)
                << "point " << p[0] << " " << p[1] << " " << p[2];
            double sum = 0.0;
            for (int k = 0; k < e.n; ++k) sum += N[k];
            EXPECT_NEAR(sum, 1.0, 1e-12);
            worst = std::fmax(worst, Distance(e.Combine(N), p) / e.Size());
        }
    }
    EXPECT_LT(worst, 1e-11);
}

TEST_P(ElementProperties, RecoversReferenceCoordinatesAndTellsInsideFromOutside) {
    constexpr double kOffset = 1e-6;  // reference units, far above the inside tolerance
    for (int trial = 0; trial < 30; ++trial) {
        Element e = Distorted(0.12);
        // The reference point `r` mapped to its physical place and located again.
        const auto located = [&](const Vec3& r) {
            double N[8];
            element_->ShapeAtReference(r[0], r[1], r[2], N);
            const Vec3 p = e.Combine(N);
            const CFEM_PointLocation loc = element_->LocatePoint(p[0], p[1], p[2], e.X, e.Y, e.Z);
            EXPECT_TRUE(loc.converged);
            EXPECT_LT(Distance({loc.xi, loc.eta, loc.zeta}, r), 2e-9);
            return loc.side;
        };
        // Inside the element, and in a shell of half its width around it.
        for (int s = 0; s < 25; ++s) {
            located(InteriorPoint());
            located(PointAround(0.5));
        }
        // Either side of each face, at a point at least 0.05 inside every other face: an
        // interior point projected onto the face's plane.
        for (const HalfSpace& face : type_.faces) {
            const double len2 = Dot(face.normal, face.normal), len = std::sqrt(len2);
            for (int found = 0; found < 2;) {
                Vec3 r = InteriorPoint();
                const double gap = face.offset - Dot(face.normal, r);
                for (int j = 0; j < 3; ++j) r[j] += gap * face.normal[j] / len2;
                if (Depth(type_, r, &face) < 0.05) continue;
                ++found;
                for (int sign : {-1, 1}) {
                    Vec3 q = r;
                    for (int j = 0; j < 3; ++j) q[j] += sign * kOffset * face.normal[j] / len;
                    EXPECT_EQ(located(q),
                              sign < 0 ? CFEM_PointSide::Inside : CFEM_PointSide::Outside);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ElementProperties,
                         testing::Combine(testing::Range(0, 4), testing::Bool()),
                         [](const testing::TestParamInfo<std::tuple<int, bool>>& p) {
                             const auto& type = AllTypes()[std::size_t(std::get<0>(p.param))];
                             return type.name + (std::get<1>(p.param) ? "Mirrored" : "");
                         });

void ExpectValues(Element e, const Vec3& p, const std::vector<double>& expected) {
    double N[8];
    ASSERT_EQ(Make(e.n)->GetShapeFunction(p[0], p[1], p[2], e.X, e.Y, e.Z, N), 1);
    for (int k = 0; k < e.n; ++k) EXPECT_NEAR(N[k], expected[k], 1e-12) << "node " << k + 1;
}

TEST(ElementValues, HexahedronIsTrilinearAndPrismTriangleTimesLineInFileOrder) {
    const double x = 0.25, y = 0.5, z = 0.75, a = 1 - x - y;
    ExpectValues(
        FromNodes({{0, 0, 0},
                   {1, 0, 0},
                   {1, 1, 0},
                   {0, 1, 0},
                   {0, 0, 1},
                   {1, 0, 1},
                   {1, 1, 1},
                   {0, 1, 1}}),
        {x, y, z},
        {(1 - x) * (1 - y) * (1 - z), x * (1 - y) * (1 - z), x * y * (1 - z), (1 - x) * y * (1 - z),
         (1 - x) * (1 - y) * z, x * (1 - y) * z, x * y * z, (1 - x) * y * z});
    // Either turning sense of the prism's triangles.
    ExpectValues(FromNodes({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}}),
                 {x, y, z}, {a * (1 - z), x * (1 - z), y * (1 - z), a * z, x * z, y * z});
    ExpectValues(FromNodes({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 0, 1}}),
                 {x, y, z}, {a * (1 - z), y * (1 - z), x * (1 - z), a * z, y * z, x * z});
}

TEST(ElementValues, HexahedronCollapsedIntoAPrismInterpolatesLinearlyOnTheTriangle) {
    // Nodes 3 and 4, and 7 and 8, at the same place: the cube's face y = 1 shrinks to an edge and
    // the cell is the prism over the triangle (0,0), (1,0), (0,1). The trilinear functions then
    // split that prism's weights, so N3 + N4 and N7 + N8 are the weights of the shared nodes.
    Element e = FromNodes(
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0, 1, 1}});
    for (const Vec3& p : {Vec3{0.2, 0.3, 0.4}, Vec3{0.6, 0.1, 0.9}, Vec3{0.05, 0.9, 0.5}}) {
        const double x = p[0], y = p[1], z = p[2];
        double N[8];
        ASSERT_EQ(Make(8)->GetShapeFunction(x, y, z, e.X, e.Y, e.Z, N), 1);
        const double got[6] = {N[0], N[1], N[2] + N[3], N[4], N[5], N[6] + N[7]};
        const double want[6] = {(1 - x - y) * (1 - z), x * (1 - z), y * (1 - z),
                                (1 - x - y) * z,       x * z,       y * z};
        for (int k = 0; k < 6; ++k) EXPECT_NEAR(got[k], want[k], 1e-12) << k;
    }
}

// A pyramid over a non-parallelogram base with its apex off the axis.
const Element kPyramid =
    FromNodes({{0, 0, 0}, {1.2, 0, 0.1}, {1, 0.9, 0}, {-0.1, 1, 0}, {0.6, 0.3, 1.1}});

TEST(ElementValues, PyramidOnTheSegmentFromBaseCentreToApex) {
    // Along that segment xi = eta = 0 and zeta is the fraction of the way to the apex, so the
    // apex function is that fraction and the base functions share the rest equally.
    const double quarter[5] = {0.25, 0.25, 0.25, 0.25, 0.0};
    const Vec3 centre = kPyramid.Combine(quarter), apex = kPyramid.Node(4);
    for (double rest : {0.5, 1e-2, 1e-5, 1e-9, 1e-13, 0.0}) {
        Vec3 p;
        for (int j = 0; j < 3; ++j) p[j] = apex[j] + rest * (centre[j] - apex[j]);
        const double q = rest / 4;
        ExpectValues(kPyramid, p, {q, q, q, q, 1 - rest});
    }
}

TEST(ElementValues, PyramidBesideAndAboveItsApexIsOutsideAndBounded) {
    auto pyramid = Make(5);
    Element e = kPyramid;
    const Vec3 apex = e.Node(4);
    for (const Vec3& d : {Vec3{0, 0, 1e-6}, Vec3{0.5, 0, 0}, Vec3{0, -0.7, 0.01},
                          Vec3{0.3, 0.3, -1e-9}, Vec3{-2, 1, 0.5}}) {
        const Vec3 p = {apex[0] + d[0], apex[1] + d[1], apex[2] + d[2]};
        double N[8];
        ASSERT_EQ(pyramid->GetShapeFunction(p[0], p[1], p[2], e.X, e.Y, e.Z, N), 1);
        EXPECT_LT(Distance(e.Combine(N), p), 2e-12 * e.Size());
        for (int k = 0; k < 5; ++k) EXPECT_LT(std::fabs(N[k]), 10.0);
        EXPECT_EQ(pyramid->LocatePoint(p[0], p[1], p[2], e.X, e.Y, e.Z).side,
                  CFEM_PointSide::Outside);
    }
}

TEST_P(ElementProperties, FlatCoincidentNonFiniteAndNullInputIsNotConverged) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Element regular = Distorted(0.0);
    Element flat = regular, same = regular, nanNode = regular, infNode = regular, huge = regular;
    for (int k = 0; k < flat.n; ++k) {
        flat.Z[k] = 0.5 * flat.X[k] - flat.Y[k];  // all in a plane
        same.X[k] = same.Y[k] = same.Z[k] = 1.5;
    }
    nanNode.Y[nanNode.n - 1] = nan;
    infNode.Z[0] = inf;
    huge.X[0] = -1e308;  // finite, but the element's size overflows
    huge.X[1] = 1e308;
    const struct {
        Element e;
        Vec3 p;
        bool uniform;  // every weight 1/n; otherwise finite weights that sum to one
    } cases[] = {
        {flat, {0.2, 0.1, 0.0}, false},   {flat, {0.2, 0.1, 3.0}, false},
        {same, {1.5, 1.5, 1.5}, true},    {same, {0.0, 2.0, 1.0}, true},
        {regular, {nan, 0.1, 0.1}, true}, {regular, {0.1, -inf, 0.1}, true},
        {nanNode, {0.1, 0.1, 0.1}, true}, {infNode, {0.1, 0.1, 0.1}, true},
        {huge, {0.1, 0.1, 0.1}, true},
    };
    for (auto [e, p, uniform] : cases) {
        SCOPED_TRACE(testing::Message() << p[0] << " " << p[1] << " " << p[2]);
        double N[8], sum = 0.0;
        EXPECT_EQ(element_->GetShapeFunction(p[0], p[1], p[2], e.X, e.Y, e.Z, N), 0);
        for (int k = 0; k < e.n; ++k) {
            ASSERT_TRUE(std::isfinite(N[k]));
            if (uniform) {
                EXPECT_DOUBLE_EQ(N[k], 1.0 / e.n);
            }
            sum += N[k];
        }
        EXPECT_NEAR(sum, 1.0, 1e-12);
        const CFEM_PointLocation loc = element_->LocatePoint(p[0], p[1], p[2], e.X, e.Y, e.Z);
        EXPECT_FALSE(loc.converged);
        EXPECT_EQ(loc.side, CFEM_PointSide::Unknown);
    }

    Element e = regular;
    double N[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    for (int missing = 0; missing < 3; ++missing) {  // each corner array null in turn
        double* c[3] = {e.X, e.Y, e.Z};
        c[missing] = nullptr;
        EXPECT_EQ(element_->GetShapeFunction(0, 0, 0, c[0], c[1], c[2], N), -1) << missing;
        EXPECT_FALSE(element_->LocatePoint(0, 0, 0, c[0], c[1], c[2]).converged) << missing;
    }
    for (double v : N) EXPECT_EQ(v, 7.0);
    EXPECT_EQ(element_->GetShapeFunction(0, 0, 0, e.X, e.Y, e.Z, nullptr), -1);
    element_->ShapeAtReference(0, 0, 0, nullptr);
    // Reference points beyond any element still give finite weights.
    for (const Vec3& r :
         {Vec3{1e300, -1e300, 1e300}, Vec3{0, 0, 1}, Vec3{1e-300, 1e-300, 1}, Vec3{nan, 0, 0}}) {
        element_->ShapeAtReference(r[0], r[1], r[2], N);
        for (int k = 0; k < e.n; ++k) EXPECT_TRUE(std::isfinite(N[k]));
    }
}

TEST(ElementFactory, MakesOnlyTheFourLinearSolids) {
    CFEM_Elem3D_Factory f;
    for (auto [made, nodes] : {std::pair{f.Make_TETRA4(), 4},
                               {f.Make_PYRAMID5(), 5},
                               {f.Make_PRISM6(), 6},
                               {f.Make_HEXA8(), 8}}) {
        EXPECT_EQ(std::unique_ptr<CFEM_Elem3D>(made)->GetNodeCount(), nodes);
    }
    for (int n : {-1, 0, 1, 3, 7, 9, 10, 20}) EXPECT_EQ(f.MakeForNodeCount(n), nullptr);
}

}  // namespace
