// The watertight triangle test and the triangle hierarchy: no ray slips between or doubles on
// triangles that share an edge or a corner, at any scale, and the hierarchy finds exactly what a
// test of every triangle finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "KernelMeshBuilder.h"
#include "geometry/skin_triangles.h"
#include "geometry/slab_pair.h"
#include "geometry/triangle_bvh.h"
#include "geometry/watertight_triangle.h"

namespace {

using qvr::geom::intersectTriangle;
using qvr::geom::ShearedRay;
using qvr::geom::shearRay;
using qvr::geom::TriangleBvh;
using qvr::geom::TriangleContact;
using qvr::geom::TriangleHit;

struct Soup {
    std::vector<double> corners;
    std::vector<TriangleBvh::Triangle> triangles;
    std::uint32_t add(double x, double y, double z) {
        corners.insert(corners.end(), {x, y, z});
        return static_cast<std::uint32_t>(corners.size() / 3 - 1);
    }
    const double* at(std::uint32_t c) const { return &corners[3 * c]; }
};

// Every hit of the line on the soup, by brute force.
std::vector<TriangleHit> allHits(const Soup& s, const double o[3], const double d[3]) {
    ShearedRay ray{};
    EXPECT_TRUE(shearRay(o, d, ray));
    std::vector<TriangleHit> hits;
    for (const auto& t : s.triangles) {
        TriangleHit h{};
        if (intersectTriangle(ray, s.at(t.corner[0]), s.at(t.corner[1]), s.at(t.corner[2]), h)) {
            hits.push_back(h);
        }
    }
    return hits;
}

// A fan of `n` triangles around a centre in the plane through `centre` spanned by u and v,
// every other triangle wound the other way round (the test must not depend on winding).
Soup fan(const double centre[3], const double u[3], const double v[3], int n, double scale) {
    Soup s;
    const std::uint32_t c = s.add(centre[0] * scale, centre[1] * scale, centre[2] * scale);
    std::vector<std::uint32_t> rim;
    for (int k = 0; k < n; ++k) {
        // Uneven angles and radii, so that no two spokes are symmetric.
        const double angle = 2.0 * std::numbers::pi * (k + 0.3 * std::sin(k)) / n;
        const double r = 1.0 + 0.4 * std::cos(3.0 * k);
        const double a = r * std::cos(angle), b = r * std::sin(angle);
        rim.push_back(s.add((centre[0] + a * u[0] + b * v[0]) * scale,
                            (centre[1] + a * u[1] + b * v[1]) * scale,
                            (centre[2] + a * u[2] + b * v[2]) * scale));
    }
    for (int k = 0; k < n; ++k) {
        const std::uint32_t p = rim[static_cast<std::size_t>(k)];
        const std::uint32_t q = rim[static_cast<std::size_t>((k + 1) % n)];
        s.triangles.push_back(k % 2 == 0 ? TriangleBvh::Triangle{{c, p, q}, k}
                                         : TriangleBvh::Triangle{{q, c, p}, k});
    }
    return s;
}

TEST(WatertightTriangle, RaysThroughTheSharedCornerAndSpokesOfAFanMeetExactlyOneTriangle) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (double scale : {1.0, 1e-26, 1e-90, 1e24}) {
        SCOPED_TRACE(scale);
        for (int trial = 0; trial < 40; ++trial) {
            const double centre[3] = {unit(random) * 50, unit(random) * 50, unit(random) * 50};
            double u[3] = {unit(random), unit(random), unit(random)};
            const double w[3] = {unit(random), unit(random), unit(random)};
            double v[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                           u[0] * w[1] - u[1] * w[0]};
            const Soup s = fan(centre, u, v, 5 + trial % 4, scale);
            const double* hub = s.at(0);
            for (int r = 0; r < 25; ++r) {
                const double d[3] = {unit(random), unit(random), unit(random)};
                // Aimed at the hub itself, or at a point of a spoke, from a few units away.
                const double f = r % 2 == 0 ? 0.0 : 0.5 * (1 + unit(random));
                const double* spoke =
                    s.at(1 + static_cast<std::uint32_t>(r) % (s.corners.size() / 3 - 1));
                double target[3], o[3];
                for (int a = 0; a < 3; ++a) {
                    target[a] = hub[a] + f * (spoke[a] - hub[a]);
                    o[a] = target[a] - 3.0 * scale * d[a];
                }
                const auto hits = allHits(s, o, d);
                ASSERT_EQ(hits.size(), 1u) << "trial " << trial << " ray " << r;
                EXPECT_NEAR(hits[0].t, 3.0 * scale, 1e-9 * scale);
            }
        }
    }
}

TEST(WatertightTriangle, ExactContactsOnEdgesAndCornersAreNamedAndTieBrokenOnce) {
    // A flat square in z = 0 as four triangles around its centre; the rays run along -z or a
    // dyadic slant, so that ray-space coordinates are exact and edge functions exactly zero.
    Soup s;
    const auto c = s.add(0, 0, 0);
    const auto a = s.add(-2, -2, 0), b = s.add(2, -2, 0), e = s.add(2, 2, 0), f = s.add(-2, 2, 0);
    s.triangles = {{{c, a, b}, 0}, {{c, b, e}, 1}, {{e, c, f}, 2}, {{c, f, a}, 3}};
    const double down[3] = {0, 0, -1}, slant[3] = {0.25, -0.5, -1};
    for (const double* d : {down, slant}) {
        struct Aim {
            double x, y;
            TriangleContact contact;
        };
        for (const Aim& aim :
             {Aim{0, 0, TriangleContact::Corner}, Aim{1, 1, TriangleContact::Edge},
              Aim{-1, 1, TriangleContact::Edge}, Aim{0.5, -1, TriangleContact::Inside}}) {
            const double o[3] = {aim.x - 4 * d[0], aim.y - 4 * d[1], -4 * d[2]};
            const auto hits = allHits(s, o, d);
            ASSERT_EQ(hits.size(), 1u) << aim.x << " " << aim.y;
            EXPECT_EQ(hits[0].contact, aim.contact);
            EXPECT_DOUBLE_EQ(hits[0].t, 4.0);
        }
    }
    // The named feature: a ray through the hub meets triangle {c, a, b} (if at all) at corner 0.
    ShearedRay ray{};
    const double o[3] = {0, 0, 1}, d[3] = {0, 0, -1};
    ASSERT_TRUE(shearRay(o, d, ray));
    int named = 0;
    for (const auto& t : s.triangles) {
        TriangleHit h{};
        if (!intersectTriangle(ray, s.at(t.corner[0]), s.at(t.corner[1]), s.at(t.corner[2]), h))
            continue;
        ++named;
        EXPECT_EQ(t.corner[static_cast<std::size_t>(h.feature)], c);
    }
    EXPECT_EQ(named, 1);
    // Seen exactly edge-on, and with no usable direction, nothing is met.
    const double along[3] = {1, 0, 0}, inPlane[3] = {-5, -1.5, 0};
    ASSERT_TRUE(shearRay(inPlane, along, ray));
    TriangleHit h{};
    EXPECT_FALSE(intersectTriangle(ray, s.at(c), s.at(a), s.at(b), h));
    const double zero[3] = {0, 0, 0}, notANumber[3] = {0, std::nan(""), 1};
    EXPECT_FALSE(shearRay(o, zero, ray));
    EXPECT_FALSE(shearRay(o, notANumber, ray));
}

// The skin of a block of hexahedra as triangles (each quadrilateral cut along a diagonal).
Soup blockSkin(qvrtest::CellKind kind, double scale) {
    qvrtest::KernelMeshBuilder b;
    b.addBlock({kind, 3, 2, 2, 0.0, 0.0, 0.0, 1.0 * scale, 1.5 * scale, 0.75 * scale});
    Soup s;
    for (const auto& n : b.nodes()) s.add(n.x, n.y, n.z);
    int item = 0;
    for (const auto& f : b.faces()) {
        const auto v = [&](std::size_t k) { return static_cast<std::uint32_t>(f.nodes[k] - 1); };
        s.triangles.push_back({{v(0), v(1), v(2)}, item});
        if (f.nodes.size() == 4) s.triangles.push_back({{v(0), v(2), v(3)}, item});
        ++item;
    }
    return s;
}

TEST(WatertightTriangle, LinesThroughAClosedSkinCrossItAnEvenNumberOfTimesThroughCornersAndEdges) {
    for (auto kind : {qvrtest::CellKind::Hex, qvrtest::CellKind::Tet}) {
        for (double scale : {1.0, 1e-26}) {
            const Soup s = blockSkin(kind, scale);
            std::mt19937_64 random(3);
            std::uniform_real_distribution<double> unit(-1.0, 1.0);
            const std::size_t corners = s.corners.size() / 3;
            for (int r = 0; r < 400; ++r) {
                // Through a skin node or the middle of two skin nodes, from outside the block.
                const double* p = s.at(static_cast<std::uint32_t>(random() % corners));
                const double* q = s.at(static_cast<std::uint32_t>(random() % corners));
                const double w = r % 2 == 0 ? 0.0 : 0.5;
                const double d[3] = {unit(random), unit(random), unit(random)};
                double o[3];
                for (int a = 0; a < 3; ++a) o[a] = p[a] + w * (q[a] - p[a]) - 10 * scale * d[a];
                const auto hits = allHits(s, o, d);
                EXPECT_EQ(hits.size() % 2, 0u) << qvrtest::cellKindName(kind) << " ray " << r;
                // From inside, ahead of the origin only: an odd count.
                const double inside[3] = {1.4 * scale, 1.6 * scale, 0.7 * scale};
                double toward[3];
                for (int a = 0; a < 3; ++a) toward[a] = p[a] + w * (q[a] - p[a]) - inside[a];
                const auto fromInside = allHits(s, inside, toward);
                const auto ahead = std::count_if(fromInside.begin(), fromInside.end(),
                                                 [](const TriangleHit& h) { return h.t > 0.0; });
                EXPECT_EQ(ahead % 2, 1) << qvrtest::cellKindName(kind) << " ray " << r;
            }
        }
    }
}

// 3000 triangles over three decades of size, some sliver-thin, some on one point, and one with
// a NaN corner (left out by the hierarchy), all in a 100-unit cube. Coordinates in single
// precision, so that they lie exactly on the faces of the hierarchy's boxes.
Soup scatteredSoup(std::mt19937_64& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Soup s;
    auto f = [](double v) { return static_cast<double>(static_cast<float>(v)); };
    for (int i = 0; i < 3000; ++i) {
        const double size = std::pow(10.0, -2.0 + 3.0 * unit(random));
        const double cx = f(100 * unit(random)), cy = f(100 * unit(random)),
                     cz = f(100 * unit(random));
        const auto p = s.add(cx, cy, cz);
        const auto q = s.add(f(cx + size * unit(random)), f(cy + size * unit(random)), cz);
        const auto r =
            i % 50 == 0 ? p : s.add(cx, f(cy + size * unit(random)), f(cz + size * unit(random)));
        s.triangles.push_back({{p, q, r}, i});
    }
    const auto bad = s.add(std::nan(""), 0, 0);
    s.triangles.push_back({{bad, 0, 1}, -1});
    return s;
}

// Distance from p to the bounding box of triangle t's corners.
double distanceToBox(const Soup& s, const TriangleBvh::Triangle& t, const double p[3]) {
    double sum = 0.0;
    for (int a = 0; a < 3; ++a) {
        double lo = s.at(t.corner[0])[a], hi = lo;
        for (int k = 1; k < 3; ++k) {
            lo = std::min(lo, s.at(t.corner[k])[a]);
            hi = std::max(hi, s.at(t.corner[k])[a]);
        }
        const double gap = std::max({lo - p[a], p[a] - hi, 0.0});
        sum += gap * gap;
    }
    return std::sqrt(sum);
}

// The ray from o along d meets, through the hierarchy's traversal with an unlimited far end,
// every triangle a test of every triangle meets, at the same parameters, and closestHit gives
// the nearest of them ahead of the origin. Returns whether there is one.
bool expectEveryHitOfEveryTriangle(const TriangleBvh& bvh, const Soup& s, const double o[3],
                                   const double d[3], int r) {
    const auto expected = allHits(s, o, d);
    ShearedRay ray{};
    EXPECT_TRUE(shearRay(o, d, ray));
    std::vector<double> found, want;
    bvh.traverse(o, d, -std::numeric_limits<double>::infinity(),
                 std::numeric_limits<double>::infinity(), [&](std::uint32_t i, double&) {
                     TriangleHit h[2];
                     bool met[2];
                     bvh.intersect(ray, i, h, met);
                     for (int k = 0; k < 2; ++k) {
                         if (met[k]) found.push_back(h[k].t);
                     }
                 });
    double nearest = std::numeric_limits<double>::infinity();
    for (const auto& h : expected) {
        want.push_back(h.t);
        if (h.t > 0.0) nearest = std::min(nearest, h.t);
    }
    std::sort(found.begin(), found.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(found, want) << "ray " << r;

    TriangleHit hit{};
    std::uint32_t index = 0;
    const bool any = bvh.closestHit(o, d, 0.0, std::numeric_limits<double>::infinity(), hit, index);
    EXPECT_EQ(any, nearest < std::numeric_limits<double>::infinity()) << "ray " << r;
    if (any) {
        EXPECT_EQ(hit.t, nearest) << "ray " << r;
    }
    return any;
}

TEST(TriangleHierarchy, FindsWhatATestOfEveryTriangleFinds) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const Soup s = scatteredSoup(random);
    TriangleBvh bvh;
    bvh.build(s.corners, s.triangles);
    ASSERT_EQ(bvh.triangleCount(), 3000u);

    for (int r = 0; r < 600; ++r) {
        double o[3] = {100 * unit(random), 100 * unit(random), 100 * unit(random)};
        double d[3] = {unit(random) - 0.5, unit(random) - 0.5, unit(random) - 0.5};
        if (r % 3 == 0) d[r % 9 / 3] = r % 2 == 0 ? 0.0 : -0.0;  // along box faces, either zero
        if (r % 5 < 2) {  // from a triangle's corner: on the boxes' faces
            const double* c = s.at(s.triangles[static_cast<std::size_t>(r)].corner[1]);
            o[0] = c[0];
            o[1] = c[1];
            o[2] = c[2];
        }
        expectEveryHitOfEveryTriangle(bvh, s, o, d, r);
        if (HasFailure()) return;  // one ray's report is enough
    }
}

// The faces of the unit cubes of a 3 x 3 x 3 block (interior ones too, each square cut along a
// diagonal), corner (i, j, k) at scale * (i + 0.1, j + 0.1, k + 0.1): every facet lies in a face
// of its leaf's box, and the boxes are flat or meet their neighbours face to face.
Soup cubeLattice(double scale) {
    Soup s;
    auto at = [&](int i, int j, int k) {
        return s.add(scale * (i + 0.1), scale * (j + 0.1), scale * (k + 0.1));
    };
    std::int32_t item = 0;
    for (int axis = 0; axis < 3; ++axis) {
        for (int plane = 0; plane <= 3; ++plane) {
            for (int u = 0; u < 3; ++u) {
                for (int v = 0; v < 3; ++v) {
                    // Corners of the square: `plane` along `axis`, (u, v) over the other two.
                    std::uint32_t c[4];
                    const int du[4] = {0, 1, 1, 0}, dv[4] = {0, 0, 1, 1};
                    for (int q = 0; q < 4; ++q) {
                        int ijk[3];
                        ijk[axis] = plane;
                        ijk[(axis + 1) % 3] = u + du[q];
                        ijk[(axis + 2) % 3] = v + dv[q];
                        c[q] = at(ijk[0], ijk[1], ijk[2]);
                    }
                    s.triangles.push_back({{c[0], c[1], c[2]}, item++});
                    s.triangles.push_back({{c[0], c[2], c[3]}, item++});
                }
            }
        }
    }
    return s;
}

// The box test may only err towards visiting: rays aimed exactly at the facets' shared corners,
// edges and diagonals, and rays running inside the facets' planes (the origin on a box face,
// the direction's component across it zero), find through the hierarchy every hit a test of
// every triangle finds, from tiny to huge coordinates.
TEST(TriangleHierarchy, RaysAtSharedEdgesAndCornersOnBoxFacesMissNothingAtAnyScale) {
    std::mt19937_64 random(13);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> lattice(0, 3);
    for (const double scale : {1e-30, 1e-6, 1.0, 1e6, 1e30}) {
        SCOPED_TRACE(scale);
        const Soup s = cubeLattice(scale);
        TriangleBvh bvh;
        bvh.build(s.corners, s.triangles);
        ASSERT_EQ(bvh.triangleCount(), s.triangles.size());
        int hitRays = 0;
        for (int r = 0; r < 600; ++r) {
            // A target on a corner (r % 3 == 0), an edge's middle or a square's centre.
            double target[3], o[3], d[3];
            for (int a = 0; a < 3; ++a) {
                const double half = a < r % 3 ? 0.5 : 0.0;
                target[a] = scale * (std::min(lattice(random) + half, 3.0) + 0.1);
                o[a] = scale * (5.0 * unit(random) - 1.0);
            }
            if (r % 4 == 1) {  // from a corner of the lattice, along the plane of its facets
                const int across = r % 12 / 4;
                o[across] = target[across];
            }
            for (int a = 0; a < 3; ++a) d[a] = target[a] - o[a];
            if (d[0] == 0.0 && d[1] == 0.0 && d[2] == 0.0) continue;

            if (expectEveryHitOfEveryTriangle(bvh, s, o, d, r)) ++hitRays;
            if (HasFailure()) return;  // one ray's report is enough
        }
        EXPECT_GT(hitRays, 300);  // most rays end on the lattice, not beside it
    }
}

// The two boxes of a node pair tested at once give the bits of the portable loop, for boxes on
// the ray's origin, flat boxes, empty ones, and directions with zero, infinite or tiny parts.
TEST(TriangleHierarchy, PairedBoxTestGivesThePortableLoopsBits) {
#if QVR_SLAB_PAIR_SSE2
    std::mt19937_64 random(14);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const float special[] = {0.0f,
                             -0.0f,
                             1.0f,
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             1e-38f};
    int met = 0;
    for (int r = 0; r < 20000; ++r) {
        float rows[qvr::geom::kBoxRows][2];
        for (int k = 0; k < 2; ++k) {
            for (int a = 0; a < 3; ++a) {
                float lo = static_cast<float>(unit(random)), hi = static_cast<float>(unit(random));
                if (lo > hi) std::swap(lo, hi);
                if (r % 7 == a) hi = lo;               // flat
                if (r % 11 == a) std::swap(lo, hi);    // empty
                if (r % 13 == a) lo = special[r % 6];  // infinite, signed zero, tiny
                rows[a][k] = lo;
                rows[3 + a][k] = hi;
            }
        }
        double o[3], d[3];
        for (int a = 0; a < 3; ++a) {
            o[a] = r % 5 == 0 ? static_cast<double>(rows[a][0]) : unit(random);  // on a face
            d[a] = unit(random);
        }
        if (r % 3 == 0) d[r % 9 / 3] = r % 2 == 0 ? 0.0 : -0.0;
        if (r % 17 == 0) d[1] = 1e-310;  // an infinite inverse from a subnormal
        const auto slabs = qvr::geom::raySlabs(o, d);
        const double tNear = r % 4 == 0 ? -std::numeric_limits<double>::infinity() : 0.0;
        const double tFar = r % 8 == 0 ? 0.5 : std::numeric_limits<double>::infinity();
        double paired[2], alone[2];
        const unsigned a = qvr::geom::slabPairSse2(rows, slabs, tNear, tFar, paired);
        const unsigned b = qvr::geom::slabPairPortable(rows, slabs, tNear, tFar, alone);
        ASSERT_EQ(a, b) << "case " << r;
        for (int k = 0; k < 2; ++k) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(paired[k]),
                      std::bit_cast<std::uint64_t>(alone[k]))
                << "case " << r << " box " << k;
        }
        met += static_cast<int>(a & 1u) + static_cast<int>(a >> 1);
    }
    EXPECT_GT(met, 1000);
#else
    GTEST_SKIP() << "this target tests its boxes with the portable loop only";
#endif
}

// Every triangle near a point is visited, and a search that lowers the radius to the nearest
// distance found so far ends on the nearest triangle (distances here to the triangles' boxes,
// which the hierarchy's boxes enclose).
TEST(TriangleHierarchy, VisitsEveryTriangleNearAPoint) {
    std::mt19937_64 random(12);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const Soup s = scatteredSoup(random);
    TriangleBvh bvh;
    bvh.build(s.corners, s.triangles);
    for (int r = 0; r < 400; ++r) {
        double p[3] = {120 * unit(random) - 10, 120 * unit(random) - 10, 120 * unit(random) - 10};
        double radius = 5.0 * unit(random);
        if (r % 4 == 0) {  // on a triangle's corner, radius 0: that triangle at least
            const auto& t = s.triangles[static_cast<std::size_t>(r)];
            for (int a = 0; a < 3; ++a) p[a] = s.at(t.corner[2])[a];
            radius = 0.0;
        }
        std::vector<std::int32_t> want, found;
        double nearest = std::numeric_limits<double>::infinity();
        std::int32_t nearestItem = -1;
        for (const auto& t : s.triangles) {
            if (t.item < 0) continue;
            const double d = distanceToBox(s, t, p);
            if (d <= radius) want.push_back(t.item);
            if (d < nearest) {
                nearest = d;
                nearestItem = t.item;
            }
        }
        // A soup's facets are its triangles.
        auto triangle = [&](std::uint32_t i) {
            const TriangleBvh::Facet& f = bvh.facet(i);
            return TriangleBvh::Triangle{{f.corner[0], f.corner[1], f.corner[2]}, f.item};
        };
        bvh.visitNear(p, radius, [&](std::uint32_t i, double&) {
            if (distanceToBox(s, triangle(i), p) <= radius) found.push_back(triangle(i).item);
        });
        std::sort(found.begin(), found.end());
        std::sort(want.begin(), want.end());
        ASSERT_EQ(found, want) << "point " << r;
        if (r % 4 == 0) {
            EXPECT_FALSE(want.empty());
        }

        double best = std::numeric_limits<double>::infinity();
        std::int32_t bestItem = -1;
        bvh.visitNear(p, best, [&](std::uint32_t i, double& shrinking) {
            const double d = distanceToBox(s, triangle(i), p);
            if (d < best || (d == best && triangle(i).item < bestItem)) {
                best = d;
                bestItem = triangle(i).item;
                shrinking = d;
            }
        });
        EXPECT_EQ(best, nearest) << "point " << r;
        if (best > 0.0) {
            EXPECT_EQ(bestItem, nearestItem) << "point " << r;
        }
    }
}

// The binned surface-area heuristic, swept over every bin of every axis: the split of facets
// first..end-1 (box centres binned into 16 equal bins per axis between the least and greatest
// centre) with the least sum of child half-areas times facet counts, the first of equal costs
// (axes x, y, z, then bins in order). bin[i] is facet i's bin on the chosen axis; false where
// no axis has two distinct centres.
bool sweptBestSplit(const TriangleBvh& bvh, std::uint32_t first, std::uint32_t end, int& axis,
                    int& split, std::vector<int>& bin) {
    constexpr int kBins = 16;
    struct Bounds {
        double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        void add(const Bounds& b) {
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], b.lo[a]);
                hi[a] = std::max(hi[a], b.hi[a]);
            }
        }
        double halfArea() const {
            if (!(hi[0] >= lo[0])) return 0.0;
            const double x = hi[0] - lo[0], y = hi[1] - lo[1], z = hi[2] - lo[2];
            return x * y + y * z + z * x;
        }
    };
    std::vector<Bounds> box(end);
    Bounds centres;
    for (std::uint32_t i = first; i < end; ++i) {
        std::uint32_t corners[4];
        int n = 0;
        for (int part = 0; part < bvh.parts(i); ++part) {
            std::uint32_t c[3];
            bvh.triangleCorners(i, part, c);
            for (std::uint32_t k : c) corners[n++] = k;
        }
        for (int k = 0; k < n; ++k) {
            double xyz[3];
            bvh.corner(corners[k], xyz);
            Bounds p;
            for (int a = 0; a < 3; ++a) p.lo[a] = p.hi[a] = xyz[a];
            box[i].add(p);
        }
        Bounds c;
        for (int a = 0; a < 3; ++a) c.lo[a] = c.hi[a] = 0.5 * (box[i].lo[a] + box[i].hi[a]);
        centres.add(c);
    }
    double best = HUGE_VAL;
    axis = -1;
    for (int a = 0; a < 3; ++a) {
        const double extent = centres.hi[a] - centres.lo[a];
        if (!(extent > 0.0)) continue;
        auto binOf = [&](std::uint32_t i) {
            const double centre = 0.5 * (box[i].lo[a] + box[i].hi[a]);
            return std::clamp(static_cast<int>((centre - centres.lo[a]) * (kBins / extent)), 0,
                              kBins - 1);
        };
        Bounds bins[kBins];
        int counts[kBins] = {};
        for (std::uint32_t i = first; i < end; ++i) {
            bins[binOf(i)].add(box[i]);
            ++counts[binOf(i)];
        }
        for (int b = 0; b + 1 < kBins; ++b) {
            Bounds left, right;
            int nLeft = 0, nRight = 0;
            for (int k = 0; k < kBins; ++k) {
                (k <= b ? left : right).add(bins[k]);
                (k <= b ? nLeft : nRight) += counts[k];
            }
            if (nLeft == 0 || nRight == 0) continue;
            const double cost = left.halfArea() * nLeft + right.halfArea() * nRight;
            if (cost < best) {
                best = cost;
                axis = a;
                split = b;
                bin.assign(end, 0);
                for (std::uint32_t i = first; i < end; ++i) bin[i] = binOf(i);
            }
        }
    }
    return axis >= 0;
}

// Every inner node splits its facets as the heuristic swept over every bin of every axis does
// (the build bins all axes in one pass and skips empty bins): the lower child holds exactly the
// facets in the bins up to the best split. Where every centre coincides, the node halves.
TEST(TriangleHierarchy, InnerNodesSplitWhereSweepingEveryBinOfEveryAxisDoes) {
    std::mt19937_64 random(5);
    const Soup soups[] = {scatteredSoup(random), cubeLattice(1.0)};
    for (const Soup& s : soups) {
        TriangleBvh bvh;
        bvh.build(s.corners, s.triangles);
        ASSERT_FALSE(bvh.empty());
        // Facet range of node n (column n % 2 of pair n / 2): leaves hold theirs, inner nodes
        // the span of their children's.
        struct Range {
            std::uint32_t first, end;
        };
        std::function<Range(std::uint32_t)> range = [&](std::uint32_t n) -> Range {
            const TriangleBvh::NodePair& pair = bvh.nodePair(n / 2);
            const std::uint32_t index = pair.index[n % 2], count = pair.count[n % 2];
            if (count > 0) return {index, index + count};
            const Range low = range(2 * index), high = range(2 * index + 1);
            EXPECT_EQ(low.end, high.first);
            return {low.first, high.end};
        };
        int checked = 0, halved = 0;
        for (std::uint32_t n = 0; n < bvh.nodeCount(); ++n) {
            if (n == 1) continue;  // pair 0's second column is no node
            const TriangleBvh::NodePair& pair = bvh.nodePair(n / 2);
            if (pair.count[n % 2] > 0) continue;
            const Range whole = range(n), low = range(2 * pair.index[n % 2]);
            int axis = -1, split = 0;
            std::vector<int> bin;
            if (!sweptBestSplit(bvh, whole.first, whole.end, axis, split, bin)) {
                EXPECT_EQ(low.end - low.first, (whole.end - whole.first) / 2);
                ++halved;
                continue;
            }
            for (std::uint32_t i = whole.first; i < whole.end; ++i) {
                ASSERT_EQ(bin[i] <= split, i < low.end) << "facet " << i << " of node " << n;
            }
            ++checked;
        }
        EXPECT_GT(checked, 100);
    }
}

TEST(TriangleHierarchy, DegenerateInputGivesAUsableTree) {
    TriangleBvh bvh;
    double o[3] = {0, 0, -1}, d[3] = {0, 0, 1};
    TriangleHit hit{};
    std::uint32_t index = 0;
    bvh.build({}, {});
    EXPECT_TRUE(bvh.empty());
    EXPECT_FALSE(bvh.closestHit(o, d, 0, 1e300, hit, index));
    // Many copies of one triangle: every centre on one point, so no split plane separates them.
    Soup s;
    const auto a = s.add(-1, -1, 0), b = s.add(1, -1, 0), c = s.add(0, 1, 0);
    for (int i = 0; i < 1000; ++i) s.triangles.push_back({{a, b, c}, i});
    bvh.build(s.corners, s.triangles);
    int visited = 0;
    bvh.traverse(o, d, 0.0, 1e300, [&](std::uint32_t, double&) { ++visited; });
    EXPECT_EQ(visited, 1000);
    ASSERT_TRUE(bvh.closestHit(o, d, 0, 1e300, hit, index));
    EXPECT_EQ(hit.t, 1.0);
    // A far end short of the triangle, or a near end past it, finds nothing.
    EXPECT_FALSE(bvh.closestHit(o, d, 0, 0.5, hit, index));
    EXPECT_FALSE(bvh.closestHit(o, d, 1.0, 1e300, hit, index));
}

// A quadrilateral is kept as one facet over the mesh's node table; strongly folded, a ray can
// cross both of its triangles. The facet must answer exactly as its two triangles tested on
// their own would, and the nearest hit must be the nearer of them.
TEST(TriangleHierarchy, AQuadrilateralFacetAnswersAsItsTwoTrianglesTestedAlone) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const int quads = 200;
    std::vector<Cnode> nodes(1 + 4 * quads);  // node 0 unused, as in the mesh's tables
    std::vector<TriangleBvh::Facet> facets;
    for (int q = 0; q < quads; ++q) {
        const auto first = static_cast<std::uint32_t>(1 + 4 * q);
        // A square around a random centre, its corners lifted at random (up to a fold of 90
        // degrees); corners 0 and 1 are the diagonal the two triangles share.
        const double cx = 5 * unit(random), cy = 5 * unit(random), cz = 5 * unit(random);
        const double corner[4][2] = {{-1, -1}, {1, 1}, {1, -1}, {-1, 1}};
        for (int k = 0; k < 4; ++k) {
            Cnode& n = nodes[first + static_cast<std::uint32_t>(k)];
            n.x = cx + corner[k][0];
            n.y = cy + corner[k][1];
            n.z = cz + (k < 2 ? 0.0 : unit(random));
        }
        facets.push_back({{first, first + 1, first + 2, first + 3}, q});
    }
    TriangleBvh bvh;
    bvh.build(nodes.data(), nodes.size(), facets);
    ASSERT_EQ(bvh.facetCount(), static_cast<std::size_t>(quads));
    ASSERT_EQ(bvh.triangleCount(), 2u * quads);
    auto xyz = [&](std::uint32_t c) {
        return std::vector<double>{nodes[c].x, nodes[c].y, nodes[c].z};
    };
    int doubles = 0;
    for (int r = 0; r < 400; ++r) {
        const double o[3] = {8 * unit(random), 8 * unit(random), 8 * unit(random)};
        double d[3] = {unit(random), unit(random), unit(random)};
        if (r % 4 == 0) d[2] = 0.02 * d[2];  // nearly flat: across a fold, through both halves
        ShearedRay ray{};
        ASSERT_TRUE(shearRay(o, d, ray));
        double nearest = std::numeric_limits<double>::infinity();
        for (std::uint32_t i = 0; i < bvh.facetCount(); ++i) {
            TriangleHit hits[2];
            bool met[2];
            const int count = bvh.intersect(ray, i, hits, met);
            EXPECT_EQ(count, (met[0] ? 1 : 0) + (met[1] ? 1 : 0));
            doubles += count == 2 ? 1 : 0;
            for (int part = 0; part < 2; ++part) {
                std::uint32_t c[3];
                bvh.triangleCorners(i, part, c);
                const auto a = xyz(c[0]), b = xyz(c[1]), e = xyz(c[2]);
                TriangleHit alone{};
                const bool want = intersectTriangle(ray, a.data(), b.data(), e.data(), alone);
                ASSERT_EQ(met[part], want) << "ray " << r << " facet " << i << " part " << part;
                if (!want) continue;
                EXPECT_EQ(hits[part].t, alone.t);
                EXPECT_EQ(hits[part].contact, alone.contact);
                EXPECT_EQ(hits[part].feature, alone.feature);
                if (alone.t > 0.0) nearest = std::min(nearest, alone.t);
            }
        }
        TriangleHit hit{};
        std::uint32_t index = 0;
        const bool any =
            bvh.closestHit(o, d, 0.0, std::numeric_limits<double>::infinity(), hit, index);
        ASSERT_EQ(any, nearest < std::numeric_limits<double>::infinity()) << "ray " << r;
        if (any) {
            EXPECT_EQ(hit.t, nearest) << "ray " << r;
        }
    }
    EXPECT_GT(doubles, 0);  // some rays did cross a fold twice
}

}  // namespace

namespace {

TEST(SkinHierarchy, RaysFromEverySkinNodeIntoABlockMeetTheOppositeSkin) {
    for (auto kind : {qvrtest::CellKind::Hex, qvrtest::CellKind::Tet, qvrtest::CellKind::Prism}) {
        SCOPED_TRACE(qvrtest::cellKindName(kind));
        qvrtest::KernelMeshBuilder b;
        b.addBlock({kind, 4, 3, 2, 0.0, 0.0, 0.0, 1.0, 1.0, 0.5});
        CQVROptKer k;
        b.install(k);
        TriangleBvh bvh;
        qvr::geom::buildSkinHierarchy(k.m_pSurface, k.m_nSurface, k.m_pNode, k.m_nNode, bvh);
        std::size_t expected = 0;
        for (int f = 1; f <= k.m_nSurface; ++f) expected += k.m_pSurface[f].nNode == 4 ? 2 : 1;
        ASSERT_EQ(bvh.triangleCount(), expected);
        // Straight down from every node inside the top face (z = 1) onto a node of the bottom,
        // 1 below. (Along the block's side faces the ray runs on the skin's silhouette, where
        // either answer is watertight.)
        int rays = 0;
        for (int n = 1; n <= k.m_nNode; ++n) {
            const Cnode& node = k.m_pNode[n];
            if (node.z != 1.0 || node.x <= 0.0 || node.x >= 4.0 || node.y <= 0.0 || node.y >= 3.0)
                continue;
            const double o[3] = {node.x, node.y, node.z}, d[3] = {0.0, 0.0, -1.0};
            TriangleHit hit{};
            std::uint32_t index = 0;
            ASSERT_TRUE(bvh.closestHit(o, d, 1e-9, 1e300, hit, index)) << "node " << n;
            EXPECT_EQ(hit.t, 1.0);
            const int face = bvh.facet(index).item;
            EXPECT_EQ(k.m_pSurface[face].zc, 0.0);
            ++rays;
        }
        EXPECT_EQ(rays, 3 * 2);
    }
}

}  // namespace
