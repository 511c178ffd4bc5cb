// The centroid-plane thickness on two unit cubes: the distance along the line to the nearest
// crossed face plane, worked out by hand.
#include <gtest/gtest.h>

#include <vector>

#include "TwoCubes.h"

using namespace extract_test;

TEST(FindSurfaceCrossing, MeasuresAlongTheLineToTheNearestPlaneOnEitherSide) {
    TwoCubes b;
    ASSERT_TRUE(b.ok);
    const int bottom = b.faceAt({0.5, 0.5, 0.0}), top = b.faceAt({0.5, 0.5, 1.0}),
              side = b.faceAt({0.0, 0.5, 0.5});
    ASSERT_TRUE(bottom && top && side);
    struct Case {
        std::vector<int> faces;
        Point p, d;
        double t;
    } const cases[] = {
        {{bottom, top}, {0.5, 0.5, 0.25}, {0, 0, 1}, 0.25},  // behind counts like ahead
        {{top, bottom}, {0.5, 0.5, 0.75}, {0, 0, 1}, 0.25},
        {{bottom}, {0.5, 0.5, 0.75}, {0, 0, -1}, 0.75},
        {{top}, {0.5, 0.5, 0.5}, {0.6, 0.0, 0.8}, 0.5 / 0.8},  // along the line, not square
        {{bottom, top}, {0.25, 0.5, 0.0}, {0, 0, 1}, 1.0},     // the node's own face drops out
        {{bottom}, {0.25, 0.5, 0.0}, {0, 0, 1}, 1e30},
        {{side}, {0.0, 0.5, 0.5}, {0, 0, 1}, 1e30},  // parallel
        {{}, {0.5, 0.5, 0.5}, {0, 0, 1}, 1e30},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(b.crossing(c.faces, c.p, c.d), c.t) << c.p[2];
}
