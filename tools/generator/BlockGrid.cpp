#include "BlockGrid.h"

#include "PartGenerator.h"

namespace qvr::gen {
namespace {

// Block faces in the hexahedron's face order, outward; `diagonal` is the position (0 or 1) of
// the corner where the face's lowest-to-highest diagonal starts.
struct BlockFace {
    int corner[4];
    int diagonal;
    int step[3];  // offset to the neighbour block across the face
};
constexpr BlockFace kBlockFaces[6] = {
    {{0, 3, 2, 1}, 0, {0, 0, -1}}, {{4, 5, 6, 7}, 0, {0, 0, 1}}, {{0, 1, 5, 4}, 0, {0, -1, 0}},
    {{1, 2, 6, 5}, 0, {1, 0, 0}},  {{2, 3, 7, 6}, 1, {0, 1, 0}}, {{3, 0, 4, 7}, 1, {-1, 0, 0}},
};
bool isKFace(int face) { return face < 2; }

constexpr int kPrisms[2][6] = {{0, 1, 2, 4, 5, 6}, {0, 2, 3, 4, 6, 7}};
// The six paths from c0 to c6 along block edges, each written positively oriented.
constexpr int kTets[6][4] = {{0, 1, 2, 6}, {0, 3, 7, 6}, {0, 4, 5, 6},
                             {0, 5, 1, 6}, {0, 2, 3, 6}, {0, 7, 4, 6}};

// Whether a block of kind `kind` presents the face it shares with its neighbour across `face`
// (seen from that neighbour) as two triangles.
bool presentsTriangles(BlockKind kind, int face) {
    return kind == BlockKind::Tet || (kind == BlockKind::Prism && isKFace(face));
}

nqbio::PartElement makeCell(int nNode, const int* nodes) {
    nqbio::PartElement cell;
    cell.nNode = nNode;
    for (int k = 0; k < nNode; ++k) cell.node[k] = nodes[k];
    cell.attrWord = 0;
    cell.attrCode = 1;
    return cell;
}

}  // namespace

BlockGrid::BlockGrid(int n0, int n1, int n2, bool wrapJ)
    : n_{n0, n1, n2}, wrapJ_(wrapJ), pointsJ_(wrapJ ? n1 : n1 + 1) {
    kinds_.assign(static_cast<std::size_t>(n0) * n1 * n2, BlockKind::Empty);
    points_.assign(static_cast<std::size_t>(n0 + 1) * pointsJ_ * (n2 + 1), Vec3{});
}

std::size_t BlockGrid::blockIndex(int i, int j, int k) const {
    return static_cast<std::size_t>(i) +
           static_cast<std::size_t>(n_[0]) *
               (static_cast<std::size_t>(j) + static_cast<std::size_t>(n_[1]) * k);
}

std::size_t BlockGrid::pointIndex(int i, int j, int k) const {
    const int jj = wrapJ_ ? j % n_[1] : j;
    return static_cast<std::size_t>(i) +
           static_cast<std::size_t>(n_[0] + 1) *
               (static_cast<std::size_t>(jj) + static_cast<std::size_t>(pointsJ_) * k);
}

BlockKind BlockGrid::kind(int i, int j, int k) const {
    if (wrapJ_) j = (j + n_[1]) % n_[1];
    if (i < 0 || j < 0 || k < 0 || i >= n_[0] || j >= n_[1] || k >= n_[2]) return BlockKind::Empty;
    return kinds_[blockIndex(i, j, k)];
}

bool BlockGrid::splitFace(int i, int j, int k, int face) const {
    const int* step = kBlockFaces[face].step;
    return presentsTriangles(kind(i + step[0], j + step[1], k + step[2]), face);
}

void BlockGrid::makeConforming() {
    std::vector<BlockKind> fixed = kinds_;
    for (int k = 0; k < n_[2]; ++k) {
        for (int j = 0; j < n_[1]; ++j) {
            for (int i = 0; i < n_[0]; ++i) {
                const BlockKind own = kinds_[blockIndex(i, j, k)];
                if (own != BlockKind::Tet && own != BlockKind::Prism) continue;
                bool clash = false;
                for (int f = 0; f < 6 && !clash; ++f) {
                    const int* step = kBlockFaces[f].step;
                    const BlockKind other = kind(i + step[0], j + step[1], k + step[2]);
                    // Both sides must present the shared face alike; a pyramid block adapts.
                    if (other == BlockKind::Empty || other == BlockKind::Pyramid) continue;
                    if (presentsTriangles(own, f) == presentsTriangles(other, f)) continue;
                    // Of a prism/tetrahedron pair only the tetrahedron block gives way.
                    clash = own == BlockKind::Tet || other == BlockKind::Hex;
                }
                if (clash) fixed[blockIndex(i, j, k)] = BlockKind::Pyramid;
            }
        }
    }
    kinds_.swap(fixed);
}

int BlockGrid::cellCount(int i, int j, int k) const {
    switch (kind(i, j, k)) {
        case BlockKind::Hex: return 1;
        case BlockKind::Prism: return 2;
        case BlockKind::Tet: return 6;
        case BlockKind::Pyramid: {
            int count = 6;
            for (int f = 0; f < 6; ++f) count += splitFace(i, j, k, f) ? 1 : 0;
            return count;
        }
        case BlockKind::Empty: break;
    }
    return 0;
}

nqbio::MeshData BlockGrid::build(const std::string& unit) const {
    nqbio::MeshData mesh;
    mesh.unit = unit;

    // Number the lattice points that some block uses, in lattice order.
    std::vector<int> pointId(points_.size(), 0);
    std::size_t cells = 0;
    std::size_t centres = 0;
    for (int k = 0; k < n_[2]; ++k) {
        for (int j = 0; j < n_[1]; ++j) {
            for (int i = 0; i < n_[0]; ++i) {
                const BlockKind own = kinds_[blockIndex(i, j, k)];
                if (own == BlockKind::Empty) continue;
                for (int c = 0; c < 8; ++c) {
                    pointId[pointIndex(i + ((c + 1) / 2) % 2, j + (c / 2) % 2, k + c / 4)] = 1;
                }
                cells += static_cast<std::size_t>(cellCount(i, j, k));
                if (own == BlockKind::Pyramid) ++centres;
            }
        }
    }
    int nextId = 0;
    std::size_t usedPoints = 0;
    for (const int id : pointId) {
        if (id != 0) ++usedPoints;
    }
    mesh.xyz.reserve(3 * (usedPoints + centres));
    for (std::size_t p = 0; p < points_.size(); ++p) {
        if (pointId[p] == 0) continue;
        pointId[p] = ++nextId;
        mesh.xyz.push_back(static_cast<float>(points_[p].x));
        mesh.xyz.push_back(static_cast<float>(points_[p].y));
        mesh.xyz.push_back(static_cast<float>(points_[p].z));
    }

    mesh.parts.reserve(cells);
    for (int k = 0; k < n_[2]; ++k) {
        for (int j = 0; j < n_[1]; ++j) {
            for (int i = 0; i < n_[0]; ++i) {
                const BlockKind own = kinds_[blockIndex(i, j, k)];
                if (own == BlockKind::Empty) continue;
                int corner[8];
                Vec3 centre;
                for (int c = 0; c < 8; ++c) {
                    // c0..c7: (0,0,0) (1,0,0) (1,1,0) (0,1,0), then the same one layer up.
                    const std::size_t p =
                        pointIndex(i + ((c + 1) / 2) % 2, j + (c / 2) % 2, k + c / 4);
                    corner[c] = pointId[p];
                    centre = centre + points_[p];
                }
                if (own == BlockKind::Hex) {
                    mesh.parts.push_back(makeCell(8, corner));
                } else if (own == BlockKind::Prism) {
                    for (const auto& prism : kPrisms) {
                        const int nodes[6] = {corner[prism[0]], corner[prism[1]], corner[prism[2]],
                                              corner[prism[3]], corner[prism[4]], corner[prism[5]]};
                        mesh.parts.push_back(makeCell(6, nodes));
                    }
                } else if (own == BlockKind::Tet) {
                    for (const auto& tet : kTets) {
                        const int nodes[4] = {corner[tet[0]], corner[tet[1]], corner[tet[2]],
                                              corner[tet[3]]};
                        mesh.parts.push_back(makeCell(4, nodes));
                    }
                } else {
                    centre = 0.125 * centre;
                    mesh.xyz.push_back(static_cast<float>(centre.x));
                    mesh.xyz.push_back(static_cast<float>(centre.y));
                    mesh.xyz.push_back(static_cast<float>(centre.z));
                    const int apex = ++nextId;
                    for (int f = 0; f < 6; ++f) {
                        const BlockFace& face = kBlockFaces[f];
                        const int q[4] = {corner[face.corner[0]], corner[face.corner[1]],
                                          corner[face.corner[2]], corner[face.corner[3]]};
                        // The base turns the other way round than the outward face, so that
                        // it is counter-clockwise seen from the apex inside.
                        if (!splitFace(i, j, k, f)) {
                            const int nodes[5] = {q[0], q[3], q[2], q[1], apex};
                            mesh.parts.push_back(makeCell(5, nodes));
                        } else if (face.diagonal == 0) {
                            const int first[4] = {q[0], q[3], q[2], apex};
                            const int second[4] = {q[0], q[2], q[1], apex};
                            mesh.parts.push_back(makeCell(4, first));
                            mesh.parts.push_back(makeCell(4, second));
                        } else {
                            const int first[4] = {q[1], q[0], q[3], apex};
                            const int second[4] = {q[1], q[3], q[2], apex};
                            mesh.parts.push_back(makeCell(4, first));
                            mesh.parts.push_back(makeCell(4, second));
                        }
                    }
                }
            }
        }
    }
    computeVolumes(mesh);
    deriveSkin(mesh);
    return mesh;
}

}  // namespace qvr::gen
