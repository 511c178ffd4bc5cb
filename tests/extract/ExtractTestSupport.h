// Shared set-up of the extraction tool tests: parts and result files written by the project's
// own writers into a scratch folder, one-based host arrays, and the tool behind a thin wrapper.
#ifndef QVR_TESTS_EXTRACT_SUPPORT_H
#define QVR_TESTS_EXTRACT_SUPPORT_H

#include <array>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"
#include "PartGenerator.h"
#include "QVR3DExtractTool.h"
#include "TempDir.h"

namespace qvr::gen {
// How test names and failure messages show a cell type (instead of its raw bytes).
inline void PrintTo(CellType t, std::ostream* os) { *os << cellTypeName(t); }
}  // namespace qvr::gen

namespace extract_test {

using Point = std::array<double, 3>;

inline nqbio::MeshData plate(double lx, double ly, double thickness, int nx, int ny, int nz,
                             qvr::gen::CellType type = qvr::gen::CellType::Hex) {
    return qvr::gen::makePlate(
        {.lx = lx, .ly = ly, .thickness = thickness, .nx = nx, .ny = ny, .nz = nz, .type = type});
}

// A result file whose six fibre items hold, per cavity element e, valueOf(item id, e).
template <typename ValueOf>
k7t::ResultFile fiberResult(int elemCount, ValueOf valueOf) {
    k7t::ResultFile file;
    file.elemCount = elemCount;
    for (int i = 0; i < 6; ++i) {
        k7t::ResultItem item;
        item.id = k7t::kFiberItemIds[i];
        item.name = k7t::kFiberItemNames[i];
        for (int e = 1; e <= elemCount; ++e) item.values.push_back(valueOf(item.id, e));
        file.items.push_back(item);
    }
    return file;
}

inline Point nodeOf(const nqbio::MeshData& mesh, int node) {
    const auto k = static_cast<std::size_t>(3 * (node - 1));
    return {mesh.xyz[k], mesh.xyz[k + 1], mesh.xyz[k + 2]};
}

// File numbers of the nodes that skin faces use.
inline std::set<int> skinNodes(const nqbio::MeshData& mesh) {
    std::set<int> nodes;
    for (const auto& s : mesh.surfaces) nodes.insert(s.node, s.node + 4);
    return nodes;
}

// Rays as handed to SetSurfaceNode: start points and directions, entry 0 unused.
struct HostRays {
    std::vector<Point> from{Point{}}, along{Point{}};
    std::array<std::vector<double>, 6> flat{{{0.0}, {0.0}, {0.0}, {0.0}, {0.0}, {0.0}}};  // x..Az
    void add(const Point& p, const Point& d) {
        from.push_back(p);
        along.push_back(d);
        for (std::size_t k = 0; k < 6; ++k) flat[k].push_back(k < 3 ? p[k] : d[k - 3]);
    }
    int count() const { return static_cast<int>(from.size()) - 1; }
    std::array<double*, 6> arrays() {
        auto& f = flat;
        return {f[0].data(), f[1].data(), f[2].data(), f[3].data(), f[4].data(), f[5].data()};
    }
};

// One-based output buffers of GetFiber, filled with a marker so that unwritten entries show.
struct FiberOutput {
    static constexpr double kUnwritten = -12345.0;
    std::vector<double> dist;
    std::array<std::vector<double>, 6> fiber;
    explicit FiberOutput(int nLayer) : dist(static_cast<std::size_t>(nLayer) + 1, kUnwritten) {
        for (auto& f : fiber) f = dist;
    }
    double at(int k, int j) const {
        return fiber[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)];
    }
    std::array<double*, 7> arrays() {
        auto& f = fiber;
        return {dist.data(), f[0].data(), f[1].data(), f[2].data(),
                f[3].data(), f[4].data(), f[5].data()};
    }
    bool operator==(const FiberOutput& o) const { return dist == o.dist && fiber == o.fiber; }
    bool untouched() const { return *this == FiberOutput(static_cast<int>(dist.size()) - 1); }
};

// The exported tool with its scratch folder.
struct Tool {
    TempDir dir;
    QVR3DExtractTool tool;
    int loadMesh(const nqbio::MeshData& mesh, const std::string& name = "part.nqb") {
        std::string path = dir.file(name);
        return nqbio::writeText(path, mesh) ? tool.SetMeshFileName(path.data()) : 0;
    }
    int loadResult(const k7t::ResultFile& file, const std::string& name = "part.k7t") {
        std::string path = dir.file(name);
        return k7t::write(path, file) ? tool.SetK7TFileName(path.data()) : 0;
    }
    int set(HostRays& r, int nLayer) {
        const auto a = r.arrays();
        return tool.SetSurfaceNode(r.count(), nLayer, a[0], a[1], a[2], a[3], a[4], a[5]);
    }
    int get(int inode, FiberOutput& out) {
        const auto a = out.arrays();
        return tool.GetFiber(inode, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    }
    // Depth of the last sample point of every ray, its thickness (-1 when GetFiber fails).
    std::vector<double> thickness(int nRays, int nLayer) {
        std::vector<double> t(1, 0.0);
        for (int i = 1; i <= nRays; ++i) {
            FiberOutput out(nLayer);
            t.push_back(get(i, out) == 1 ? out.dist.back() : -1.0);
        }
        return t;
    }
};

// The same steps on the tool's state object, for the tests of its pieces.
template <typename Data>
bool loadInto(Data& data, const TempDir& dir, const nqbio::MeshData& mesh) {
    std::string path = dir.file("part.nqb");
    return nqbio::writeText(path, mesh) && data.LoadMesh(path.data()) == 1;
}
template <typename Data>
int buildRays(Data& data, HostRays& r, int nLayer) {
    const auto a = r.arrays();
    return data.BuildRayData(r.count(), nLayer, a[0], a[1], a[2], a[3], a[4], a[5]);
}
template <typename Data>
int extract(Data& data, int inode, FiberOutput& out) {
    const auto a = out.arrays();
    return data.ExtractNodeFiber(inode, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
}

}  // namespace extract_test

#endif
