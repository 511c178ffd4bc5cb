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

// Edges and corners, both sides and the whole line are checked through the slab profiles and
// the crossing distance; the absolute edge-on bound only here. A right triangle with legs a and
// 1 seen square has a doubled projected area of a, of either sign by the line's direction.
TEST(LineCrossesTriangle, NeverMeetsATriangleOfDoubledProjectedAreaBelow0006) {
    const Point p{0.001, 0.1, 0.0};  // the line runs through this point of the triangle
    auto crosses = [&p](const Point& d, const std::array<double, 9>& v) {
        return LineCrossesTriangle(p[0], p[1], p[2], d[0], d[1], d[2], v[0], v[1], v[2], v[3], v[4],
                                   v[5], v[6], v[7], v[8]);
    };
    auto legs = [](double a) { return std::array<double, 9>{0, 0, 0, a, 0, 0, 0, 1, 0}; };
    for (double dz : {1.0, -1.0}) {
        EXPECT_TRUE(crosses({0, 0, dz}, legs(0.0061))) << dz;
        EXPECT_FALSE(crosses({0, 0, dz}, legs(0.0059))) << dz;
        EXPECT_TRUE(crosses({0, 0.6 * dz, 0.8 * dz}, legs(0.01))) << dz;               // 0.008
        EXPECT_FALSE(crosses({0, std::sqrt(0.75) * dz, 0.5 * dz}, legs(0.01))) << dz;  // 0.005
    }
}
