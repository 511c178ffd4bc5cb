// The line and ray tests against single triangles, against figures worked by hand: the
// centroid-plane mode's line/triangle test and the exact mode's watertight ray/triangle test.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <utility>

#include "ExtractTestSupport.h"
#include "extract/ray_triangle.h"

using namespace extract_test;
using qvr::extract::LineCrossesTriangle;
using qvr::extract::RayHitsTriangle;
using qvr::Vec3;

// Edges and corners, both sides and the whole line are checked through the slab profiles and
// the crossing distance; the absolute edge-on bound only here. A right triangle with legs a and
// 1 seen square has a doubled projected area of a, of either sign by the line's direction.
TEST(LineCrossesTriangle, NeverMeetsATriangleOfDoubledProjectedAreaBelow0006) {
    const Point p{0.001, 0.1, 0.0};  // the line runs through this point of the triangle
    auto crosses = [&p](const Point& d, const std::array<double, 9>& v) {
        return LineCrossesTriangle(p[0], p[1], p[2], d[0], d[1], d[2], v[0], v[1], v[2], v[3],
                                   v[4], v[5], v[6], v[7], v[8]);
    };
    auto legs = [](double a) { return std::array<double, 9>{0, 0, 0, a, 0, 0, 0, 1, 0}; };
    for (double dz : {1.0, -1.0}) {
        EXPECT_TRUE(crosses({0, 0, dz}, legs(0.0061))) << dz;
        EXPECT_FALSE(crosses({0, 0, dz}, legs(0.0059))) << dz;
        EXPECT_TRUE(crosses({0, 0.6 * dz, 0.8 * dz}, legs(0.01))) << dz;  // 0.008
        EXPECT_FALSE(crosses({0, std::sqrt(0.75) * dz, 0.5 * dz}, legs(0.01))) << dz;  // 0.005
    }
}

// Corners and edges count, the distance is signed, and rays in the plane or without a
// direction never meet; with a slack, rays passing just outside an edge meet the triangle where
// they cross its plane, but not rays that only seem near because they see it edge-on. The angle
// decides, not the size, so all of it holds at every scale.
TEST(RayHitsTriangle, MeetsEdgesCornersAndTheSlackAroundThemAtEveryScale) {
    for (double s : {1e-6, 1.0, 1e6}) {
        SCOPED_TRACE(s);
        const Vec3 a{0, 0, 0}, b{s, 0, 0}, c{0, s, 0};
        double t = 0.0;
        for (const auto& [x, y] : {std::pair{0.2, 0.2}, {0.0, 0.0}, {1.0, 0.0}, {0.5, 0.0},
                                   {0.5, 0.5}, {0.0, 0.3}}) {  // inside, corners, edges
            for (double dz : {-1.0, 1.0}) {
                EXPECT_TRUE(RayHitsTriangle({x * s, y * s, 3 * s}, {0, 0, dz}, a, b, c, t));
                EXPECT_NEAR(t, -dz * 3 * s, 1e-12 * s);
            }
        }
        EXPECT_FALSE(RayHitsTriangle({0.5 * s, 0.5000001 * s, s}, {0, 0, -1}, a, b, c, t));
        EXPECT_FALSE(RayHitsTriangle({0.2 * s, 0, 0}, {1, 0, 0}, a, b, c, t));
        EXPECT_FALSE(RayHitsTriangle({0.2 * s, 0.2 * s, s}, {0, 0, 0}, a, b, c, t));
        ASSERT_TRUE(RayHitsTriangle({-0.5 * s, 0.25 * s, s}, {0.6, 0.0, -0.8}, a, b, c, t));
        EXPECT_NEAR(t, 1.25 * s, 1e-12 * s);
        // Nearly in the plane, and still met where the line really crosses it.
        ASSERT_TRUE(RayHitsTriangle({0.1 * s, 0.4 * s, 1e-4 * s}, {1.0, 0.0, -1e-3}, a, b, c, t));
        EXPECT_NEAR(t, 0.1 * s * std::sqrt(1.0 + 1e-6), 1e-9 * s);

        EXPECT_FALSE(RayHitsTriangle({-1e-4 * s, 0.5 * s, s}, {0, 0, -1}, a, b, c, t));
        ASSERT_TRUE(RayHitsTriangle({-1e-4 * s, 0.5 * s, s}, {0, 0, -1}, a, b, c, t, 2e-4 * s));
        EXPECT_NEAR(t, s, 1e-12 * s);
        EXPECT_FALSE(RayHitsTriangle({-3e-4 * s, 0.5 * s, s}, {0, 0, -1}, a, b, c, t, 2e-4 * s));
        EXPECT_TRUE(RayHitsTriangle({0.7001 * s, 0.3001 * s, s}, {0, 0, -1}, a, b, c, t, 2e-4 * s));
        // This line crosses the plane 5 s beyond the edge, though along the ray the gap is 5e-5 s.
        EXPECT_FALSE(RayHitsTriangle({0.2 * s, 0.2 * s, 6e-5 * s}, {1.0, 0.0, -1e-5}, a, b, c, t,
                                     1e-3 * s));
    }
}

// Two triangles sharing an edge, in different planes: rays aimed at points of the shared edge
// from random directions always meet at least one of them.
TEST(RayHitsTriangle, LetsNoRayThroughASharedEdge) {
    const Vec3 p{0.1234567, -0.3, 0.2}, q{1.7, 0.9876543, -0.4};
    const Vec3 left{-0.5, 1.2, 0.7}, right{1.4, -0.8, 0.9};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unitInterval(0.0, 1.0), spread(-1.0, 1.0);
    int missed = 0;
    for (int k = 0; k < 20000; ++k) {
        const double s = unitInterval(random);
        const Vec3 d{spread(random), spread(random), 2.0 + spread(random)};
        const Vec3 from{p.x + s * (q.x - p.x) - 3.0 * d.x, p.y + s * (q.y - p.y) - 3.0 * d.y,
                        p.z + s * (q.z - p.z) - 3.0 * d.z};
        double t = 0.0;
        missed += !RayHitsTriangle(from, d, p, q, left, t) &&
                  !RayHitsTriangle(from, d, q, p, right, t);
    }
    EXPECT_EQ(missed, 0);
}
