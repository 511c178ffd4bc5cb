#include "cell_orientation.h"

#include <array>
#include <utility>

namespace qvr::cli {

namespace {

using Point = std::array<double, 3>;

Point nodeAt(const nqbio::MeshData& mesh, int fileNode) {
    const std::size_t i = 3 * static_cast<std::size_t>(fileNode - 1);
    return {mesh.xyz[i], mesh.xyz[i + 1], mesh.xyz[i + 2]};
}

// Six times the signed volume of tetrahedron a b c d: (b - a) x (c - a) . (d - a).
double tet6(const Point& a, const Point& b, const Point& c, const Point& d) {
    const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
    const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
    const double wx = d[0] - a[0], wy = d[1] - a[1], wz = d[2] - a[2];
    return (uy * vz - uz * vy) * wx + (uz * vx - ux * vz) * wy + (ux * vy - uy * vx) * wz;
}

// Splits into tetrahedra, each positively oriented in a positively oriented reference cell.
constexpr int kTetSplit[] = {0, 1, 2, 3};
constexpr int kPyramidSplit[] = {0, 1, 2, 4, 0, 2, 3, 4};
constexpr int kPrismSplit[] = {0, 1, 2, 3, 1, 2, 3, 4, 2, 3, 4, 5};
constexpr int kHexSplit[] = {0, 1, 2, 6, 0, 2, 3, 6, 0, 3, 7, 6,
                             0, 7, 4, 6, 0, 4, 5, 6, 0, 5, 1, 6};

}  // namespace

double signedCellVolume(const nqbio::MeshData& mesh, const nqbio::PartElement& cell) {
    const int* split = nullptr;
    int tets = 0;
    switch (cell.nNode) {
        case 4: split = kTetSplit; tets = 1; break;
        case 5: split = kPyramidSplit; tets = 2; break;
        case 6: split = kPrismSplit; tets = 3; break;
        case 8: split = kHexSplit; tets = 6; break;
        default: return 0.0;
    }
    Point p[8];
    for (int k = 0; k < cell.nNode; ++k) p[k] = nodeAt(mesh, cell.node[k]);
    double sum = 0.0;
    for (int t = 0; t < tets; ++t) {
        const int* q = split + 4 * t;
        sum += tet6(p[q[0]], p[q[1]], p[q[2]], p[q[3]]);
    }
    return sum / 6.0;
}

void reverseCellOrientation(nqbio::PartElement& cell) {
    int* n = cell.node;
    switch (cell.nNode) {
        case 4: std::swap(n[1], n[2]); break;
        case 5: std::swap(n[1], n[3]); break;
        case 6: std::swap(n[1], n[2]); std::swap(n[4], n[5]); break;
        case 8: std::swap(n[1], n[3]); std::swap(n[5], n[7]); break;
        default: break;
    }
}

}  // namespace qvr::cli
