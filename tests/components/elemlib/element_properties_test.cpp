// Properties every element type must have, checked on randomly distorted, sheared and mirrored
// elements: the shape functions interpolate, sum to one, reproduce the element's own map and
// affine fields, and the inverse mapping finds reference points inside and outside the element.
#include "element_cases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace elemtest;

namespace {

struct Case {
    ElementType type;
    bool mirrored;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.type.name << (c.mirrored ? " mirrored" : "");
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
    return info.param.type.name + (info.param.mirrored ? "Mirrored" : "");
}

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (const ElementType& t : AllTypes()) {
        cases.push_back({t, false});
        cases.push_back({t, true});
    }
    return cases;
}

class ElementProperties : public testing::TestWithParam<Case> {
protected:
    const ElementType& Type() const { return GetParam().type; }
    std::unique_ptr<CFEM_Elem3D> element_ = Make(GetParam().type.nodeCount);
    std::mt19937_64 rng_{20240611};

    Element Distorted(double distortion) {
        return Build(Type(), RandomAffine(rng_, 0.25, GetParam().mirrored), distortion, rng_);
    }
    // A physical point up to `sizes` element sizes outside the element, in the element's own
    // proportions (the point's undistorted reference position pushed through the affine part).
    Vec3 PointAround(const AffineMap& map, double sizes) {
        return map(RandomPointAround(Type(), sizes, rng_));
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

TEST_P(ElementProperties, MapsEveryPointBackOntoItselfUpToThreeSizesAway) {
    double worst = 0.0;
    for (int trial = 0; trial < 40; ++trial) {
        const AffineMap map = RandomAffine(rng_, 0.25, GetParam().mirrored);
        // Strongly distorted (nodes moved by up to an eighth of the element's width), where the
        // residual has local minima that a single Newton run from the centre can get caught in.
        Element e = Build(Type(), map, 0.25, rng_);
        for (int s = 0; s < 100; ++s) {
            const Vec3 p = PointAround(map, 3.0);
            double N[8];
            ASSERT_EQ(element_->GetShapeFunction(p[0], p[1], p[2], e.X, e.Y, e.Z, N), 1)
                << "point " << p[0] << " " << p[1] << " " << p[2];
            double sum = 0.0;
            for (int k = 0; k < e.n; ++k) sum += N[k];
            EXPECT_NEAR(sum, 1.0, 1e-12);
            worst = std::fmax(worst, Distance(Combine(e, N), p) / e.Size());
        }
    }
    EXPECT_LT(worst, 1e-11);
}

TEST_P(ElementProperties, ReproducesAffineFieldsOnAffineElements) {
    for (int trial = 0; trial < 40; ++trial) {
        const AffineMap map = RandomAffine(rng_, 0.4, GetParam().mirrored);
        Element e = Build(Type(), map, 0.0, rng_);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        const double g[3] = {u(rng_), u(rng_), u(rng_)};
        const double h = 10.0 * u(rng_);
        auto field = [&](const Vec3& x) { return h + g[0] * x[0] + g[1] * x[1] + g[2] * x[2]; };
        double scale = 0.0;
        double values[8];
        for (int k = 0; k < e.n; ++k) {
            values[k] = field(e.Node(k));
            scale = std::fmax(scale, std::fabs(values[k]));
        }
        for (int s = 0; s < 100; ++s) {
            const Vec3 p = PointAround(map, 3.0);
            double N[8];
            ASSERT_EQ(element_->GetShapeFunction(p[0], p[1], p[2], e.X, e.Y, e.Z, N), 1);
            double interpolated = 0.0;
            for (int k = 0; k < e.n; ++k) interpolated += N[k] * values[k];
            EXPECT_NEAR(interpolated, field(p), 1e-12 * (scale + std::fabs(field(p))));
        }
    }
}

TEST_P(ElementProperties, RecoversReferenceCoordinatesInsideAndNearby) {
    for (int trial = 0; trial < 30; ++trial) {
        Element e = Distorted(0.12);
        for (int s = 0; s < 50; ++s) {
            // Half inside the element, half in a shell of half its width around it.
            const Vec3 r = (s % 2 == 0) ? RandomInteriorPoint(Type(), 0.0, rng_)
                                        : RandomPointAround(Type(), 0.5, rng_);
            double N[8];
            element_->ShapeAtReference(r[0], r[1], r[2], N);
            const Vec3 p = Combine(e, N);
            const CFEM_PointLocation loc = element_->LocatePoint(p[0], p[1], p[2], e.X, e.Y, e.Z);
            ASSERT_TRUE(loc.converged);
            EXPECT_NEAR(loc.xi, r[0], 1e-9);
            EXPECT_NEAR(loc.eta, r[1], 1e-9);
            EXPECT_NEAR(loc.zeta, r[2], 1e-9);
        }
    }
}

TEST_P(ElementProperties, TellsPointsJustInsideFromPointsJustOutsideEachFace) {
    constexpr double kOffset = 1e-6;  // reference units, far above the inside tolerance
    for (int trial = 0; trial < 10; ++trial) {
        Element e = Distorted(0.12);
        for (const HalfSpace& face : Type().faces) {
            const double len = std::sqrt(face.normal[0] * face.normal[0] +
                                         face.normal[1] * face.normal[1] +
                                         face.normal[2] * face.normal[2]);
            // A point well inside the face: an interior point projected onto the face's plane,
            // kept when it is still at least 0.05 inside every other face.
            for (int found = 0; found < 5;) {
                Vec3 r = RandomInteriorPoint(Type(), 0.0, rng_);
                const double gap = face.offset - (face.normal[0] * r[0] + face.normal[1] * r[1] +
                                                  face.normal[2] * r[2]);
                for (int j = 0; j < 3; ++j) r[j] += gap * face.normal[j] / (len * len);
                ElementType others = Type();
                std::erase_if(others.faces, [&](const HalfSpace& f) {
                    return f.normal == face.normal && f.offset == face.offset;
                });
                if (Depth(others, r) < 0.05) continue;
                ++found;
                for (int sign : {-1, 1}) {
                    Vec3 q = r;
                    for (int j = 0; j < 3; ++j) q[j] += sign * kOffset * face.normal[j] / len;
                    double N[8];
                    element_->ShapeAtReference(q[0], q[1], q[2], N);
                    const Vec3 p = Combine(e, N);
                    const CFEM_PointLocation loc =
                        element_->LocatePoint(p[0], p[1], p[2], e.X, e.Y, e.Z);
                    ASSERT_TRUE(loc.converged);
                    EXPECT_EQ(loc.side,
                              sign < 0 ? CFEM_PointSide::Inside : CFEM_PointSide::Outside);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ElementProperties, testing::ValuesIn(AllCases()), CaseName);

}  // namespace
