// Properties every element type must have, checked on randomly distorted, sheared and mirrored
// elements: the shape functions interpolate, sum to one and reproduce the element's own map
// (and with these two every affine field), and the inverse mapping finds reference points
// inside and outside the element.
#include "element_cases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

using namespace elemtest;

namespace {

// (index into AllTypes(), mirrored)
class ElementProperties : public testing::TestWithParam<std::tuple<int, bool>> {
protected:
    const ElementType type_ = AllTypes()[static_cast<std::size_t>(std::get<0>(GetParam()))];
    const ElementType& Type() const { return type_; }
    std::unique_ptr<CFEM_Elem3D> element_ = Make(type_.nodeCount);
    std::mt19937_64 rng_{20240611};

    Element Distorted(double distortion) {
        return Build(Type(), RandomAffine(rng_, 0.25, std::get<1>(GetParam())), distortion, rng_);
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
        const AffineMap map = RandomAffine(rng_, 0.25, std::get<1>(GetParam()));
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

TEST_P(ElementProperties, RecoversReferenceCoordinatesAndTellsInsideFromOutside) {
    constexpr double kOffset = 1e-6;  // reference units, far above the inside tolerance
    for (int trial = 0; trial < 30; ++trial) {
        Element e = Distorted(0.12);
        // The reference point `r` mapped to its physical place and located again.
        const auto expectLocated = [&](const Vec3& r) {
            double N[8];
            element_->ShapeAtReference(r[0], r[1], r[2], N);
            const Vec3 p = Combine(e, N);
            const CFEM_PointLocation loc = element_->LocatePoint(p[0], p[1], p[2], e.X, e.Y, e.Z);
            EXPECT_TRUE(loc.converged);
            EXPECT_NEAR(loc.xi, r[0], 1e-9);
            EXPECT_NEAR(loc.eta, r[1], 1e-9);
            EXPECT_NEAR(loc.zeta, r[2], 1e-9);
            return loc.side;
        };
        // Inside the element, and in a shell of half its width around it.
        for (int s = 0; s < 25; ++s) {
            expectLocated(RandomInteriorPoint(Type(), 0.0, rng_));
            expectLocated(RandomPointAround(Type(), 0.5, rng_));
        }
        // Either side of each face, at a point kept when it is at least 0.05 inside every
        // other face: an interior point projected onto the face's plane.
        for (const HalfSpace& face : Type().faces) {
            const double len = std::sqrt(face.normal[0] * face.normal[0] +
                                         face.normal[1] * face.normal[1] +
                                         face.normal[2] * face.normal[2]);
            ElementType others = Type();
            std::erase_if(others.faces, [&](const HalfSpace& f) {
                return f.normal == face.normal && f.offset == face.offset;
            });
            for (int found = 0; found < 2;) {
                Vec3 r = RandomInteriorPoint(Type(), 0.0, rng_);
                const double gap = face.offset - (face.normal[0] * r[0] + face.normal[1] * r[1] +
                                                  face.normal[2] * r[2]);
                for (int j = 0; j < 3; ++j) r[j] += gap * face.normal[j] / (len * len);
                if (Depth(others, r) < 0.05) continue;
                ++found;
                for (int sign : {-1, 1}) {
                    Vec3 q = r;
                    for (int j = 0; j < 3; ++j) q[j] += sign * kOffset * face.normal[j] / len;
                    EXPECT_EQ(expectLocated(q),
                              sign < 0 ? CFEM_PointSide::Inside : CFEM_PointSide::Outside);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ElementProperties,
                         testing::Combine(testing::Range(0, 4), testing::Bool()),
                         [](const testing::TestParamInfo<std::tuple<int, bool>>& p) {
                             return AllTypes()[static_cast<std::size_t>(std::get<0>(p.param))]
                                        .name +
                                    (std::get<1>(p.param) ? "Mirrored" : "");
                         });

}  // namespace
