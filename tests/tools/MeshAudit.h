// Independent checks of a cell mesh with its skin, generated or imported: face sharing, cell
// orientation, volumes and skin, worked out from the node orders of the mesh format and not
// from the generator's own tables.
#ifndef QVR_TESTS_TOOLS_MESH_AUDIT_H
#define QVR_TESTS_TOOLS_MESH_AUDIT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <tuple>
#include <vector>

#include "NQBIO_Manipulator.h"

namespace audit {

using Point = std::array<double, 3>;

inline Point point(const nqbio::MeshData& mesh, int node) {
    const float* p = &mesh.xyz[3 * static_cast<std::size_t>(node - 1)];
    return {p[0], p[1], p[2]};
}
inline Point sub(Point a, Point b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Point cross(Point a, Point b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double dot(Point a, Point b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline double det(Point a, Point b, Point c) { return dot(a, cross(b, c)); }

// Faces with their corners turning counter-clockwise seen from outside, read off the node
// orders: the first face of each kind turns counter-clockwise seen from the opposite corner(s).
inline const std::vector<std::vector<int>>& outwardFaces(int nodeCount) {
    static const std::vector<std::vector<int>> faces[5] = {
        {},
        {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}},
        {{0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}},
        {{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}},
        {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}}};
    return faces[nodeCount == 4   ? 1
                 : nodeCount == 5 ? 2
                 : nodeCount == 6 ? 3
                 : nodeCount == 8 ? 4
                                  : 0];
}

// The mean of a cell's corners.
inline Point centroid(const nqbio::MeshData& mesh, const nqbio::PartElement& cell) {
    Point sum{};
    for (int k = 0; k < cell.nNode; ++k)
        for (int d = 0; d < 3; ++d) sum[d] += point(mesh, cell.node[k])[d] / cell.nNode;
    return sum;
}

// Six times the volumes of the cones from the centroid over each face, faces cut into
// triangles from their first corner: summed, exact for cells with flat faces.
inline std::vector<double> cones(const nqbio::MeshData& mesh, const nqbio::PartElement& cell) {
    std::vector<Point> p;
    for (int k = 0; k < cell.nNode; ++k) p.push_back(point(mesh, cell.node[k]));
    const Point apex = centroid(mesh, cell);
    std::vector<double> six;
    for (const std::vector<int>& f : outwardFaces(cell.nNode))
        for (std::size_t k = 1; k + 1 < f.size(); ++k)
            six.push_back(det(sub(p[f[0]], apex), sub(p[f[k]], apex), sub(p[f[k + 1]], apex)));
    return six;
}
inline double coneVolume(const nqbio::MeshData& mesh, const nqbio::PartElement& cell) {
    const std::vector<double> six = cones(mesh, cell);
    return std::accumulate(six.begin(), six.end(), 0.0) / 6.0;
}

struct Report {
    int overSharedFaces = 0;        // faces used by three or more cells
    int faultyCells = 0;            // a cone from the centroid to a face triangle is not positive
    double cellVolumeSum = 0.0;     // coneVolume summed
    double worstVolumeError = 0.0;  // largest |stored - coneVolume| / coneVolume
    int skinNotOnceUsed = 0;        // skin faces that are not faces used by exactly one cell
    int onceUsedNotSkin = 0;        // faces used by one cell that the skin lacks
    int unpairedEdges = 0;          // directed skin edges run more often one way than back
    int euler = 0;                  // V - E + F of the skin: 2 per closed shell, 0 per handle
    double skinArea = 0.0;
    double divergenceVolume = 0.0;  // (1/3) sum of face centroid . area vector
};

inline Report inspect(const nqbio::MeshData& mesh) {
    using FaceKey = std::array<int, 4>;  // corner numbers sorted, padded with 0 (never a node)
    const auto key = [](std::vector<int> nodes) {
        std::sort(nodes.begin(), nodes.end());
        FaceKey k{};
        std::copy(nodes.begin(), nodes.end(), k.begin());
        return k;
    };
    Report r;
    std::map<FaceKey, int> uses;
    for (const nqbio::PartElement& cell : mesh.parts) {
        const std::vector<double> six = cones(mesh, cell);
        const double volume = coneVolume(mesh, cell);
        r.faultyCells += !six.empty() && *std::min_element(six.begin(), six.end()) > 0.0 ? 0 : 1;
        r.cellVolumeSum += volume;
        r.worstVolumeError =
            std::max(r.worstVolumeError, std::fabs(cell.volume - volume) / std::fabs(volume));
        for (const std::vector<int>& face : outwardFaces(cell.nNode)) {
            std::vector<int> nodes;
            for (int k : face) nodes.push_back(cell.node[k]);
            ++uses[key(nodes)];
        }
    }
    std::set<FaceKey> skin;
    std::map<std::array<int, 2>, int> edges;  // directed
    std::set<int> skinNodes;
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        const std::vector<int> nodes(s.node, s.node + (s.node[3] == s.node[2] ? 3 : 4));
        skin.insert(key(nodes));
        const auto found = uses.find(key(nodes));
        r.skinNotOnceUsed += found == uses.end() || found->second != 1 ? 1 : 0;
        Point area{}, centre{};  // fan triangles from the first corner: exact for a flat face
        const Point p0 = point(mesh, nodes[0]);
        for (std::size_t k = 0; k < nodes.size(); ++k) {
            const Point p = point(mesh, nodes[k]);
            const Point next = point(mesh, nodes[(k + 1) % nodes.size()]);
            const Point a = k + 1 < nodes.size() ? cross(sub(p, p0), sub(next, p0)) : Point{};
            for (int d = 0; d < 3; ++d) {
                area[d] += 0.5 * a[d];
                centre[d] += p[d] / static_cast<double>(nodes.size());
            }
            ++edges[{nodes[k], nodes[(k + 1) % nodes.size()]}];
            skinNodes.insert(nodes[k]);
        }
        r.skinArea += std::sqrt(dot(area, area));
        r.divergenceVolume += dot(centre, area) / 3.0;
    }
    for (const auto& [face, count] : uses) {
        r.overSharedFaces += count > 2 ? 1 : 0;
        r.onceUsedNotSkin += count == 1 && skin.count(face) == 0 ? 1 : 0;
    }
    // A closed, consistently oriented skin runs every edge as often one way as the other (once
    // each way, twice where two blocks meet along an edge only).
    for (const auto& [edge, count] : edges) {
        const auto back = edges.find({edge[1], edge[0]});
        r.unpairedEdges += back == edges.end() || back->second != count ? 1 : 0;
    }
    r.euler = static_cast<int>(skinNodes.size() + mesh.surfaces.size() - edges.size() / 2);
    return r;
}

}  // namespace audit

inline int cellsWithNodes(const nqbio::MeshData& mesh, int nodeCount) {
    return static_cast<int>(
        std::count_if(mesh.parts.begin(), mesh.parts.end(),
                      [nodeCount](const auto& cell) { return cell.nNode == nodeCount; }));
}

// A mesh whose cells share faces properly and are positively oriented with the stored volumes,
// and whose skin is exactly the faces used once, closed, consistently oriented and pointing
// outward (the divergence volume equals the volume); the volume, skin area and Euler number
// are compared with values worked out from the part's shape. Coordinates are floats: sums agree
// to a relative 1e-5. Faces that do not match across the inside (a quadrilateral against two
// triangles) show up as extra skin.
inline void expectSoundMesh(const nqbio::MeshData& mesh, double volume, double area, int euler) {
    constexpr double kTol = 1e-5;
    ASSERT_FALSE(mesh.parts.empty());
    const audit::Report r = audit::inspect(mesh);
    EXPECT_EQ(std::make_tuple(r.overSharedFaces, r.faultyCells, r.skinNotOnceUsed,
                              r.onceUsedNotSkin, r.unpairedEdges, r.euler),
              std::make_tuple(0, 0, 0, 0, 0, euler));
    EXPECT_LT(r.worstVolumeError, kTol);
    EXPECT_NEAR(r.cellVolumeSum, volume, kTol * volume);
    EXPECT_NEAR(r.divergenceVolume, volume, kTol * volume);
    EXPECT_NEAR(r.skinArea, area, kTol * area);
}

#endif
