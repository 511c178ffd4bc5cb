// Skin of a cell mesh: the cell faces that no other cell shares.
//
// Faces are matched by their sorted corner numbers. They are grouped by their smallest corner
// number (a counting sort), so each group holds only the few faces around one node and is
// sorted on its own: linear in the number of faces, and no per-face allocation.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "CellFaces.h"
#include "MeshDerivation.h"

namespace qvr::meshgeom {
namespace {

// A face's distinct corners in its outward cyclic order. A collapsed edge leaves three corners;
// fewer than three means the face has no area and joins nothing.
struct FaceCorners {
    int count = 0;
    int node[4] = {};
};

FaceCorners distinctCorners(const nqbio::PartElement& cell, const CellFace& face) {
    FaceCorners out;
    for (int k = 0; k < face.count; ++k) {
        const int node = cell.node[face.corner[k]];
        bool repeated = false;
        for (int j = 0; j < out.count; ++j) repeated = repeated || out.node[j] == node;
        if (!repeated) out.node[out.count++] = node;
    }
    return out;
}

bool usableCell(const nqbio::PartElement& cell, int nodeCount) {
    if (cellFaces(cell.nNode) == nullptr) return false;
    for (int k = 0; k < cell.nNode; ++k) {
        if (cell.node[k] < 1 || cell.node[k] > nodeCount) return false;
    }
    return true;
}

// The corners after the smallest, ascending; 0 (never a node number) pads a triangle.
struct FaceEntry {
    int rest[3];
    std::uint32_t cell;
    std::uint32_t face;
};

void sortedCorners(const FaceCorners& corners, int sorted[4]) {
    for (int k = 0; k < 4; ++k) sorted[k] = k < corners.count ? corners.node[k] : 0;
    for (int k = 1; k < corners.count; ++k) {
        for (int j = k; j > 0 && sorted[j - 1] > sorted[j]; --j)
            std::swap(sorted[j - 1], sorted[j]);
    }
}

bool sameFace(const FaceEntry& a, const FaceEntry& b) {
    return a.rest[0] == b.rest[0] && a.rest[1] == b.rest[1] && a.rest[2] == b.rest[2];
}

bool faceBefore(const FaceEntry& a, const FaceEntry& b) {
    if (a.rest[0] != b.rest[0]) return a.rest[0] < b.rest[0];
    if (a.rest[1] != b.rest[1]) return a.rest[1] < b.rest[1];
    return a.rest[2] < b.rest[2];
}

}  // namespace

void deriveSkin(nqbio::MeshData& mesh) {
    const int nodeCount = mesh.nodeCount();
    const std::size_t cellCount = mesh.parts.size();

    std::vector<std::size_t> groupStart(static_cast<std::size_t>(nodeCount) + 2, 0);
    for (const nqbio::PartElement& cell : mesh.parts) {
        if (!usableCell(cell, nodeCount)) continue;
        const CellFaceTable& table = *cellFaces(cell.nNode);
        for (int f = 0; f < table.faceCount; ++f) {
            const FaceCorners corners = distinctCorners(cell, table.face[f]);
            if (corners.count < 3) continue;
            const int smallest = *std::min_element(corners.node, corners.node + corners.count);
            ++groupStart[static_cast<std::size_t>(smallest) + 1];
        }
    }
    for (std::size_t k = 1; k < groupStart.size(); ++k) groupStart[k] += groupStart[k - 1];

    std::vector<FaceEntry> entries(groupStart.back());
    std::vector<std::size_t> fill(groupStart.begin(), groupStart.end() - 1);
    for (std::size_t c = 0; c < cellCount; ++c) {
        const nqbio::PartElement& cell = mesh.parts[c];
        if (!usableCell(cell, nodeCount)) continue;
        const CellFaceTable& table = *cellFaces(cell.nNode);
        for (int f = 0; f < table.faceCount; ++f) {
            const FaceCorners corners = distinctCorners(cell, table.face[f]);
            if (corners.count < 3) continue;
            int sorted[4];
            sortedCorners(corners, sorted);
            FaceEntry& entry = entries[fill[static_cast<std::size_t>(sorted[0])]++];
            entry = {{sorted[1], sorted[2], corners.count == 4 ? sorted[3] : 0},
                     static_cast<std::uint32_t>(c),
                     static_cast<std::uint32_t>(f)};
        }
    }

    // One bit per cell face: set when the face belongs to no other cell.
    std::vector<std::uint8_t> skinFaces(cellCount, 0);
    std::size_t skinCount = 0;
    for (std::size_t g = 0; g + 1 < groupStart.size(); ++g) {
        const auto first = entries.begin() + static_cast<std::ptrdiff_t>(groupStart[g]);
        const auto last = entries.begin() + static_cast<std::ptrdiff_t>(groupStart[g + 1]);
        std::sort(first, last, faceBefore);
        for (auto run = first; run != last;) {
            auto next = run + 1;
            while (next != last && sameFace(*run, *next)) ++next;
            if (next - run == 1) {
                skinFaces[run->cell] =
                    static_cast<std::uint8_t>(skinFaces[run->cell] | (1u << run->face));
                ++skinCount;
            }
            run = next;
        }
    }
    entries.clear();
    entries.shrink_to_fit();

    mesh.surfaces.clear();
    mesh.surfaces.reserve(skinCount);
    for (std::size_t c = 0; c < cellCount; ++c) {
        if (skinFaces[c] == 0) continue;
        const nqbio::PartElement& cell = mesh.parts[c];
        const CellFaceTable& table = *cellFaces(cell.nNode);
        for (int f = 0; f < table.faceCount; ++f) {
            if ((skinFaces[c] & (1u << f)) == 0) continue;
            const FaceCorners corners = distinctCorners(cell, table.face[f]);
            nqbio::SurfaceElement face;
            // Skin faces have three or four corners; a triangle repeats its last.
            for (int k = 0; k < 4; ++k) face.node[k] = corners.node[k < corners.count ? k : 2];
            mesh.surfaces.push_back(face);
        }
    }
}

}  // namespace qvr::meshgeom
