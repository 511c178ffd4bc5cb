// Builds small meshes straight into a kernel's tables, without a mesh file.
//
// Structured blocks of hexahedra, prisms, tetrahedra or pyramids come with their outward skin
// (every cell face that only one cell of the block uses, corners counter-clockwise seen from
// outside). Nodes, cells and skin faces can also be added by hand for worked examples.
// install() fills a kernel the way a mesh load does: one-based tables allocated with new[],
// centroids, area vectors, TotalVolume, and the per-node and per-cell arrays; the kernel's
// destructor releases them.
#ifndef QVR_TESTS_KERNEL_MESH_BUILDER_H
#define QVR_TESTS_KERNEL_MESH_BUILDER_H

#include <algorithm>
#include <map>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "QVROptKer.h"
#include "components/meshgeom/Vec3Math.h"
#include "kernel/mesh_tables.h"
#include "kernel/vec3.h"

namespace qvrtest {

enum class CellKind { Tet, Pyramid, Prism, Hex };

inline const char* cellKindName(CellKind k) {
    static const char* const names[] = {"tet", "pyramid", "prism", "hex"};
    return names[static_cast<int>(k)];
}

// How test names and failure messages show a cell kind (instead of its raw bytes).
inline void PrintTo(CellKind k, std::ostream* os) { *os << cellKindName(k); }

// The library's vector type; its arithmetic (Vec3Math.h) is found by argument lookup.
using qvr::Vec3;

// A box [x0, x0 + nx*hx] x [y0, y0 + ny*hy] x [z0, z0 + nz*hz] cut into nx*ny*nz grid blocks;
// each block is one hexahedron, two prisms (split along its xy diagonal), six tetrahedra
// (around its main diagonal) or six pyramids (on its faces, apex at an added centre node).
struct BlockSpec {
    CellKind kind = CellKind::Hex;
    int nx = 1, ny = 1, nz = 1;
    double x0 = 0.0, y0 = 0.0, z0 = 0.0;
    double hx = 1.0, hy = 1.0, hz = 1.0;
};

struct BuiltElement {
    std::vector<int> nodes;  // 1-based node numbers
};

class KernelMeshBuilder {
public:
    // Nodes, cells and faces are numbered from 1 in the order of adding; a cell's volume adds
    // to TotalVolume. Each returns the new number.
    int addNode(double x, double y, double z) {
        nodes_.push_back({x, y, z});
        return static_cast<int>(nodes_.size());
    }
    int addCell(std::vector<int> nodes, double volume) {
        cells_.push_back({std::move(nodes)});
        totalVolume_ += volume;
        return static_cast<int>(cells_.size());
    }
    int addFace(std::vector<int> nodes) {
        faces_.push_back({std::move(nodes)});
        return static_cast<int>(faces_.size());
    }

    void addBlock(const BlockSpec& s) {
        const std::size_t firstCell = cells_.size();
        const int base = static_cast<int>(nodes_.size()) + 1;
        const auto grid = [&](int i, int j, int k) {
            return base + i + (s.nx + 1) * (j + (s.ny + 1) * k);
        };
        for (int k = 0; k <= s.nz; ++k)
            for (int j = 0; j <= s.ny; ++j)
                for (int i = 0; i <= s.nx; ++i)
                    addNode(s.x0 + i * s.hx, s.y0 + j * s.hy, s.z0 + k * s.hz);
        for (int k = 0; k < s.nz; ++k)
            for (int j = 0; j < s.ny; ++j)
                for (int i = 0; i < s.nx; ++i) {
                    int v[2][2][2];  // corners v[a][b][c], a, b, c the offsets along x, y, z
                    for (int a = 0; a < 2; ++a)
                        for (int b = 0; b < 2; ++b)
                            for (int c = 0; c < 2; ++c) v[a][b][c] = grid(i + a, j + b, k + c);
                    addBlockCells(s, v, i, j, k);
                }
        addSkinOf(firstCell);
    }

    const std::vector<Vec3>& nodes() const { return nodes_; }  // node n at [n - 1]
    const std::vector<BuiltElement>& cells() const { return cells_; }
    const std::vector<BuiltElement>& faces() const { return faces_; }
    const Vec3& node(int n) const { return nodes_.at(static_cast<std::size_t>(n - 1)); }

    // Replaces the kernel's mesh by this one.
    void install(CQVROptKer& k) const {
        qvr::releaseArray(k.m_pNode);
        qvr::releaseFaceTable(k.m_pSurface, k.m_nSurface);
        qvr::releaseCellTable(k.p_Cell, k.m_nInnerCell);
        for (int** a : {&k.m_pNodeInPart, &k.m_pNodeKind, &k.m_pNodeNewID, &k.m_pCellKind})
            qvr::releaseArray(*a);
        const int nn = static_cast<int>(nodes_.size()), nc = static_cast<int>(cells_.size());
        const int nf = static_cast<int>(faces_.size());
        k.m_nNodeInFile = k.m_nNode = nn;
        k.m_nInnerCell = nc;
        k.m_nSurface = nf;
        k.TotalVolume = totalVolume_;
        k.m_pNode = new Cnode[nn + 1];
        k.m_pNodeInPart = new int[nn + 1]();
        k.m_pNodeKind = new int[nn + 1]();
        k.m_pNodeNewID = new int[nn + 1]();
        for (int n = 1; n <= nn; ++n) {
            k.m_pNode[n].x = node(n).x;
            k.m_pNode[n].y = node(n).y;
            k.m_pNode[n].z = node(n).z;
            k.m_pNode[n].orgID = k.m_pNodeNewID[n] = n;
            k.m_pNodeInPart[n] = 1;
        }
        k.p_Cell = new CInnerCell[nc + 1];
        k.m_pCellKind = new int[nc + 1]();
        for (int c = 1; c <= nc; ++c) fill(k.p_Cell[c], cells_[std::size_t(c - 1)].nodes);
        k.m_pSurface = new CFaceElem[nf + 1];
        for (int f = 1; f <= nf; ++f) {
            CFaceElem& face = k.m_pSurface[f];
            fill(face, faces_[std::size_t(f - 1)].nodes);
            const Vec3 a = vectorArea(faces_[std::size_t(f - 1)].nodes);
            face.ax = a.x, face.ay = a.y, face.az = a.z;
        }
    }

private:
    // Fan vector area of a polygon from its first corner.
    Vec3 vectorArea(const std::vector<int>& poly) const {
        Vec3 s;
        for (std::size_t k = 1; k + 1 < poly.size(); ++k) {
            const Vec3 &p = node(poly[0]), &q = node(poly[k]), &r = node(poly[k + 1]);
            s = s + 0.5 * cross(q - p, r - p);
        }
        return s;
    }

    Vec3 meanOf(const std::vector<int>& list) const {
        Vec3 m;
        for (int n : list) m = m + node(n);
        // Divided rather than scaled by 1 / count, which would round differently.
        const double count = static_cast<double>(list.size());
        return {m.x / count, m.y / count, m.z / count};
    }

    void addBlockCells(const BlockSpec& s, const int (&v)[2][2][2], int i, int j, int k) {
        const double volume = s.hx * s.hy * s.hz;
        switch (s.kind) {
            case CellKind::Hex:
                addCell({v[0][0][0], v[1][0][0], v[1][1][0], v[0][1][0], v[0][0][1], v[1][0][1],
                         v[1][1][1], v[0][1][1]},
                        volume);
                break;
            case CellKind::Prism:
                addCell({v[0][0][0], v[1][0][0], v[1][1][0], v[0][0][1], v[1][0][1], v[1][1][1]},
                        volume / 2.0);
                addCell({v[0][0][0], v[1][1][0], v[0][1][0], v[0][0][1], v[1][1][1], v[0][1][1]},
                        volume / 2.0);
                break;
            case CellKind::Tet: {
                // One tetrahedron per order of the three axes, all around the diagonal from
                // corner 000 to 111, so that neighbouring blocks split shared faces alike.
                const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                          {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
                for (const auto& o : orders) {
                    int at[3] = {0, 0, 0};
                    std::vector<int> tet{v[0][0][0]};
                    for (int axis : o) at[axis] = 1, tet.push_back(v[at[0]][at[1]][at[2]]);
                    addCell(tet, volume / 6.0);
                }
                break;
            }
            case CellKind::Pyramid: {
                const int apex = addNode(s.x0 + (i + 0.5) * s.hx, s.y0 + (j + 0.5) * s.hy,
                                         s.z0 + (k + 0.5) * s.hz);
                const int faces[6][4] = {{v[0][0][0], v[0][1][0], v[1][1][0], v[1][0][0]},
                                         {v[0][0][1], v[1][0][1], v[1][1][1], v[0][1][1]},
                                         {v[0][0][0], v[1][0][0], v[1][0][1], v[0][0][1]},
                                         {v[0][1][0], v[0][1][1], v[1][1][1], v[1][1][0]},
                                         {v[0][0][0], v[0][0][1], v[0][1][1], v[0][1][0]},
                                         {v[1][0][0], v[1][1][0], v[1][1][1], v[1][0][1]}};
                for (const auto& q : faces) addCell({q[0], q[1], q[2], q[3], apex}, volume / 6.0);
                break;
            }
        }
    }

    // Local faces of a cell by its node count.
    static std::vector<std::vector<int>> localFaces(std::size_t nodeCount) {
        switch (nodeCount) {
            case 4: return {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {0, 2, 3}};
            case 5: return {{0, 1, 2, 3}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
            case 6: return {{0, 1, 2}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
            case 8:
                return {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4},
                        {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
            default: throw std::invalid_argument("cell node count");
        }
    }

    // Adds every face that exactly one cell from firstCell on uses, turned to face away from
    // that cell's centroid, in the order of first appearance for reproducible numbering.
    void addSkinOf(std::size_t firstCell) {
        std::map<std::vector<int>, std::pair<int, std::vector<int>>> seen;  // uses, last face
        std::vector<std::vector<int>> order;
        for (std::size_t c = firstCell; c < cells_.size(); ++c) {
            const std::vector<int>& cell = cells_[c].nodes;
            const Vec3 centre = meanOf(cell);
            for (const auto& local : localFaces(cell.size())) {
                std::vector<int> face;
                for (int l : local) face.push_back(cell[static_cast<std::size_t>(l)]);
                const Vec3 a = vectorArea(face), m = meanOf(face);
                const double outward = dot(a, m - centre);
                if (outward < 0.0) std::reverse(face.begin() + 1, face.end());
                std::vector<int> key = face;
                std::sort(key.begin(), key.end());
                auto& entry = seen[key];
                if (entry.first++ == 0) order.push_back(key);
                entry.second = face;
            }
        }
        for (const auto& key : order)
            if (seen[key].first == 1) addFace(seen[key].second);
    }

    // A record's node list (pNode[1..nNode]) and centroid, the mean of its nodes.
    template <typename Record>
    void fill(Record& r, const std::vector<int>& list) const {
        r.nNode = static_cast<int>(list.size());
        r.pNode = new int[list.size() + 1]();
        std::copy(list.begin(), list.end(), r.pNode + 1);
        if (list.empty()) return;
        const Vec3 c = meanOf(list);
        r.xc = c.x, r.yc = c.y, r.zc = c.z;
    }

    std::vector<Vec3> nodes_;
    std::vector<BuiltElement> cells_;
    std::vector<BuiltElement> faces_;
    double totalVolume_ = 0.0;
};

}  // namespace qvrtest

#endif
