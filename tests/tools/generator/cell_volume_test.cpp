#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "MeshAudit.h"
#include "PartGenerator.h"

using audit::Point;

namespace {

nqbio::MeshData oneCell(const std::vector<Point>& corners) {
    nqbio::MeshData mesh;
    nqbio::PartElement cell;
    cell.nNode = static_cast<int>(corners.size());
    for (std::size_t k = 0; k < corners.size(); ++k) {
        for (double v : corners[k]) mesh.xyz.push_back(static_cast<float>(v));
        cell.node[k] = static_cast<int>(k) + 1;
    }
    mesh.parts.push_back(cell);
    return mesh;
}

// Corners as the floats the mesh stores.
std::vector<Point> stored(const nqbio::MeshData& mesh) {
    std::vector<Point> p;
    for (int k = 1; k <= mesh.nodeCount(); ++k) p.push_back(audit::point(mesh, k));
    return p;
}

double computedVolume(const std::vector<Point>& corners) {
    nqbio::MeshData mesh = oneCell(corners);
    qvr::gen::computeVolumes(mesh);
    return mesh.parts[0].volume;
}

Point combine(const std::vector<Point>& p, const std::vector<double>& weight) {
    Point x{};
    for (std::size_t a = 0; a < p.size(); ++a) {
        for (int d = 0; d < 3; ++d) x[d] += weight[a] * p[a][d];
    }
    return x;
}

constexpr double kGauss[2] = {0.5 - 0.5 / 1.7320508075688772, 0.5 + 0.5 / 1.7320508075688772};

// Volume of the trilinear map of the unit cube: the Jacobian determinant has degree at most
// two in each coordinate, so two Gauss points per direction integrate it exactly.
double trilinearVolume(const std::vector<Point>& p) {
    double volume = 0.0;
    for (double u : kGauss) {
        for (double v : kGauss) {
            for (double w : kGauss) {
                const double U[2] = {1 - u, u}, V[2] = {1 - v, v}, W[2] = {1 - w, w};
                // Corner c sits at (bit pattern of the hexahedron order).
                const int iu[8] = {0, 1, 1, 0, 0, 1, 1, 0}, iv[8] = {0, 0, 1, 1, 0, 0, 1, 1},
                          iw[8] = {0, 0, 0, 0, 1, 1, 1, 1};
                std::vector<double> du(8), dv(8), dw(8);
                for (int c = 0; c < 8; ++c) {
                    const double su = iu[c] ? 1 : -1, sv = iv[c] ? 1 : -1, sw = iw[c] ? 1 : -1;
                    du[c] = su * V[iv[c]] * W[iw[c]];
                    dv[c] = U[iu[c]] * sv * W[iw[c]];
                    dw[c] = U[iu[c]] * V[iv[c]] * sw;
                }
                volume += 0.125 * audit::det(combine(p, du), combine(p, dv), combine(p, dw));
            }
        }
    }
    return volume;
}

// Prism: linear over the triangle (degree one there, centroid rule), degree two along its axis.
double prismVolume(const std::vector<Point>& p) {
    double volume = 0.0;
    for (double w : kGauss) {
        const double r = 1.0 / 3.0, s = 1.0 / 3.0;
        const std::vector<double> dr = {-(1 - w), (1 - w), 0, -w, w, 0};
        const std::vector<double> ds = {-(1 - w), 0, (1 - w), -w, 0, w};
        const std::vector<double> dw = {-(1 - r - s), -r, -s, 1 - r - s, r, s};
        volume += 0.5 * 0.5 * audit::det(combine(p, dr), combine(p, ds), combine(p, dw));
    }
    return volume;
}

// Pyramid: the cone from the apex over the bilinear base x(u, v); the integrand
// (apex - x) . (x_u x x_v) has degree two in u and in v.
double pyramidVolume(const std::vector<Point>& p) {
    double volume = 0.0;
    for (double u : kGauss) {
        for (double v : kGauss) {
            const std::vector<double> n = {(1 - u) * (1 - v), u * (1 - v), u * v, (1 - u) * v, 0};
            const std::vector<double> nu = {-(1 - v), 1 - v, v, -v, 0};
            const std::vector<double> nv = {-(1 - u), -u, u, 1 - u, 0};
            const Point x = combine(p, n);
            volume += 0.25 * audit::det(audit::sub(p[4], x), combine(p, nu), combine(p, nv)) / 3.0;
        }
    }
    return volume;
}

}  // namespace

TEST(CellVolume, FlatCellsMatchConeDecomposition) {
    const std::vector<std::vector<Point>> cells = {
        {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4}},                        // 4
        {{0, 0, 0}, {2, 0, 0}, {2, 3, 0}, {0, 3, 0}, {0.5, 0.7, 1.5}},       // 3
        {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}, {0, 0, 5}, {2, 0, 5}, {0, 1, 5}},  // 5
        {{1, 1, 1},
         {3, 1, 1},
         {3, 2, 1},
         {1, 2, 1},
         {1, 1, 4},
         {3, 1, 4},
         {3, 2, 4},
         {1, 2, 4}}};  // 6
    const double analytic[] = {4.0, 3.0, 5.0, 6.0};
    for (std::size_t k = 0; k < cells.size(); ++k) {
        const nqbio::MeshData mesh = oneCell(cells[k]);
        EXPECT_NEAR(computedVolume(cells[k]), analytic[k], 1e-6) << k;
        EXPECT_NEAR(audit::coneVolume(mesh, mesh.parts[0]), analytic[k], 1e-12) << k;
    }
}

TEST(CellVolume, WarpedCellsGetTheirLinearElementVolume) {
    // Corners moved off a box so that every quadrilateral face is warped, far from the origin.
    const std::vector<Point> hexCorners = {
        {100.0, 200.0, 50.0}, {101.1, 200.1, 50.2}, {101.0, 201.3, 49.9}, {99.8, 200.9, 50.1},
        {100.2, 199.9, 51.0}, {101.0, 200.2, 51.3}, {101.2, 201.1, 50.8}, {99.9, 201.0, 51.1}};
    const nqbio::MeshData hex = oneCell(hexCorners);
    EXPECT_NEAR(computedVolume(hexCorners), trilinearVolume(stored(hex)), 1e-5);

    const std::vector<Point> prismCorners = {{0.0, 0.0, 0.0},  {1.0, 0.1, 0.2}, {0.1, 1.2, -0.1},
                                             {0.1, -0.1, 1.0}, {1.2, 0.0, 1.1}, {-0.1, 0.9, 1.3}};
    const nqbio::MeshData prism = oneCell(prismCorners);
    EXPECT_NEAR(computedVolume(prismCorners), prismVolume(stored(prism)), 1e-6);

    const std::vector<Point> pyramidCorners = {
        {0.0, 0.0, 0.1}, {1.0, 0.0, -0.2}, {1.1, 1.0, 0.3}, {0.0, 0.9, -0.1}, {0.4, 0.5, 1.2}};
    const nqbio::MeshData pyramid = oneCell(pyramidCorners);
    EXPECT_NEAR(computedVolume(pyramidCorners), pyramidVolume(stored(pyramid)), 1e-6);
}

TEST(CellVolume, InvertedCellIsNegative) {
    // The unit cube with its two faces swapped: first face turning clockwise seen from the other.
    const std::vector<Point> inverted = {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1},
                                         {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    EXPECT_NEAR(computedVolume(inverted), -1.0, 1e-7);
    EXPECT_NEAR(computedVolume({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}}), -1.0 / 6.0, 1e-7);
}

TEST(CellVolume, UnusableCellsKeepTheirVolume) {
    nqbio::MeshData mesh = oneCell({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    nqbio::PartElement bad = mesh.parts[0];
    bad.volume = 7.0f;
    std::vector<nqbio::PartElement> cells(4, bad);
    cells[0].node[2] = 0;  // no such node
    cells[1].node[3] = 5;  // beyond the node count
    cells[2].nNode = 3;    // not a solid kind
    cells[3].nNode = 9;    // beyond the format's range
    mesh.parts.insert(mesh.parts.end(), cells.begin(), cells.end());
    qvr::gen::computeVolumes(mesh);
    EXPECT_NEAR(mesh.parts[0].volume, 1.0 / 6.0, 1e-7);
    for (std::size_t c = 1; c < mesh.parts.size(); ++c) EXPECT_EQ(mesh.parts[c].volume, 7.0f) << c;
}
