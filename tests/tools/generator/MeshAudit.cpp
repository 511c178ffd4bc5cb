#include "MeshAudit.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace audit {

Point point(const nqbio::MeshData& mesh, int node) {
    const float* p = &mesh.xyz[3 * static_cast<std::size_t>(node - 1)];
    return {p[0], p[1], p[2]};
}
Point sub(Point a, Point b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point cross(Point a, Point b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(Point a, Point b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double det(Point a, Point b, Point c) { return dot(a, cross(b, c)); }

namespace {

// Faces with their corners turning counter-clockwise seen from outside, read off the node
// orders: the first face of each kind turns counter-clockwise seen from the opposite corner(s).
const std::vector<std::vector<int>>& outwardFaces(int nodeCount) {
    static const std::vector<std::vector<int>> faces[5] = {
        {},
        {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}},
        {{0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}},
        {{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}},
        {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}}};
    switch (nodeCount) {
        case 4: return faces[1];
        case 5: return faces[2];
        case 6: return faces[3];
        case 8: return faces[4];
        default: return faces[0];
    }
}

// Edges at each corner in right-hand order: base corners see (next, previous, opposite);
// corners of the far face of a prism or hexahedron see (previous, next, opposite).
double cornerDeterminants(const std::vector<Point>& p) {
    double smallest = 1e300;
    auto corner = [&](int at, int a, int b, int c) {
        smallest = std::min(smallest, det(sub(p[a], p[at]), sub(p[b], p[at]), sub(p[c], p[at])));
    };
    const int n = static_cast<int>(p.size());
    if (n == 4) {
        corner(0, 1, 2, 3);
        corner(1, 2, 0, 3);
        corner(2, 0, 1, 3);
        corner(3, 0, 2, 1);
    } else if (n == 5) {
        for (int i = 0; i < 4; ++i) corner(i, (i + 1) % 4, (i + 3) % 4, 4);
    } else if (n == 6 || n == 8) {
        const int m = n / 2;
        for (int i = 0; i < m; ++i) {
            corner(i, (i + 1) % m, (i + m - 1) % m, i + m);
            corner(i + m, (i + m - 1) % m + m, (i + 1) % m + m, i);
        }
    }
    return smallest;
}

// Corner numbers padded with 0 (never a node number), sorted.
using FaceKey = std::array<int, 4>;
FaceKey faceKey(const std::vector<int>& nodes) {
    FaceKey key{};
    std::copy(nodes.begin(), nodes.end(), key.begin());
    std::sort(key.begin(), key.end());
    return key;
}

Point faceArea(const std::vector<Point>& corners) {
    // Sum of the fan triangles' area vectors: exact for a flat face.
    Point area{};
    for (std::size_t k = 1; k + 1 < corners.size(); ++k) {
        const Point a = cross(sub(corners[k], corners[0]), sub(corners[k + 1], corners[0]));
        for (int d = 0; d < 3; ++d) area[d] += 0.5 * a[d];
    }
    return area;
}

Point mean(const std::vector<Point>& points) {
    Point m{};
    for (const Point& p : points) {
        for (int d = 0; d < 3; ++d) m[d] += p[d] / static_cast<double>(points.size());
    }
    return m;
}

std::vector<Point> cellCorners(const nqbio::MeshData& mesh, const nqbio::PartElement& cell) {
    std::vector<Point> p;
    for (int k = 0; k < cell.nNode; ++k) p.push_back(point(mesh, cell.node[k]));
    return p;
}

}  // namespace

double coneVolume(const nqbio::MeshData& mesh, const nqbio::PartElement& cell) {
    const std::vector<Point> p = cellCorners(mesh, cell);
    const Point apex = mean(p);
    double volume = 0.0;
    for (const std::vector<int>& face : outwardFaces(cell.nNode)) {
        for (std::size_t k = 1; k + 1 < face.size(); ++k) {
            volume +=
                det(sub(p[face[0]], apex), sub(p[face[k]], apex), sub(p[face[k + 1]], apex)) / 6.0;
        }
    }
    return volume;
}

Report inspect(const nqbio::MeshData& mesh) {
    Report report;
    struct Use {
        int count = 0;
        std::size_t cell = 0;
    };
    std::map<FaceKey, Use> faces;
    std::set<std::array<int, 8>> cellKeys;
    for (std::size_t c = 0; c < mesh.parts.size(); ++c) {
        const nqbio::PartElement& cell = mesh.parts[c];
        std::array<int, 8> nodes{};
        std::copy(cell.node, cell.node + cell.nNode, nodes.begin());
        std::sort(nodes.begin(), nodes.end());
        if (!cellKeys.insert(nodes).second) ++report.duplicateCells;
        if (cornerDeterminants(cellCorners(mesh, cell)) <= 0.0) ++report.faultyOrientation;
        const double volume = coneVolume(mesh, cell);
        report.cellVolumeSum += volume;
        report.worstVolumeError =
            std::max(report.worstVolumeError, std::fabs(cell.volume - volume) / std::fabs(volume));
        for (const std::vector<int>& face : outwardFaces(cell.nNode)) {
            std::vector<int> corners;
            for (int k : face) corners.push_back(cell.node[k]);
            Use& use = faces[faceKey(corners)];
            ++use.count;
            use.cell = c;
        }
    }
    for (const auto& entry : faces) {
        if (entry.second.count > 2) ++report.overSharedFaces;
    }

    std::set<FaceKey> skinKeys;
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        std::vector<int> corners(s.node, s.node + 4);
        if (corners[3] == corners[2]) corners.pop_back();
        const FaceKey key = faceKey(corners);
        skinKeys.insert(key);
        const auto found = faces.find(key);
        if (found == faces.end() || found->second.count != 1) {
            ++report.skinNotOnceUsed;
            continue;
        }
        std::vector<Point> p;
        for (int node : corners) p.push_back(point(mesh, node));
        const Point area = faceArea(p);
        const Point centre = mean(p);
        const nqbio::PartElement& owner = mesh.parts[found->second.cell];
        if (dot(sub(mean(cellCorners(mesh, owner)), centre), area) >= 0.0) ++report.inwardSkinFaces;
        for (int d = 0; d < 3; ++d) report.skinAreaSum[d] += area[d];
        report.skinArea += std::sqrt(dot(area, area));
        report.divergenceVolume += dot(centre, area) / 3.0;
    }
    for (const auto& entry : faces) {
        if (entry.second.count == 1 && skinKeys.count(entry.first) == 0) ++report.onceUsedNotSkin;
    }
    return report;
}

}  // namespace audit
