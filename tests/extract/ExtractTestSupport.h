// Shared set-up of the extraction tool tests: parts and result files written by the project's
// own writers into a scratch folder, and one-based host arrays for the skin nodes.
#ifndef QVR_TESTS_EXTRACT_SUPPORT_H
#define QVR_TESTS_EXTRACT_SUPPORT_H

#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"
#include "TempDir.h"

namespace extract_test {

// Writes the mesh as text and returns its path.
inline std::string writeMesh(const TempDir& dir, const nqbio::MeshData& mesh,
                             const std::string& name = "part.nqb") {
    const std::string path = dir.file(name);
    std::string error;
    if (!nqbio::writeText(path, mesh, &error)) return "";
    return path;
}

inline std::string writeResult(const TempDir& dir, const k7t::ResultFile& result,
                               const std::string& name = "part.k7t") {
    const std::string path = dir.file(name);
    std::string error;
    if (!k7t::write(path, result, &error)) return "";
    return path;
}

// A result file whose six fibre items hold, per cavity element e, value[item](e).
template <typename ValueOf>
k7t::ResultFile fiberResult(int elemCount, ValueOf valueOf) {
    k7t::ResultFile file;
    file.elemCount = elemCount;
    for (int i = 0; i < 6; ++i) {
        k7t::ResultItem item;
        item.id = k7t::kFiberItemIds[i];
        item.location = 1;
        item.name = k7t::kFiberItemNames[i];
        for (int e = 1; e <= elemCount; ++e) item.values.push_back(valueOf(item.id, e));
        file.items.push_back(item);
    }
    return file;
}

inline std::array<double, 3> nodeOf(const nqbio::MeshData& mesh, int node) {
    const auto k = static_cast<std::size_t>(3 * (node - 1));
    return {static_cast<double>(mesh.xyz[k]), static_cast<double>(mesh.xyz[k + 1]),
            static_cast<double>(mesh.xyz[k + 2])};
}

// File numbers of the nodes that skin faces use.
inline std::set<int> skinNodes(const nqbio::MeshData& mesh) {
    std::set<int> nodes;
    for (const auto& s : mesh.surfaces) {
        for (int n : s.node) nodes.insert(n);
    }
    return nodes;
}

// One-based arrays handed to SetSurfaceNode.
struct HostRays {
    std::vector<double> x{0.0}, y{0.0}, z{0.0}, ax{0.0}, ay{0.0}, az{0.0};
    std::vector<int> node{0};  // file node number of each ray, for the test's own use

    void add(const std::array<double, 3>& p, const std::array<double, 3>& d, int fileNode = 0) {
        x.push_back(p[0]);
        y.push_back(p[1]);
        z.push_back(p[2]);
        ax.push_back(d[0]);
        ay.push_back(d[1]);
        az.push_back(d[2]);
        node.push_back(fileNode);
    }
    int count() const { return static_cast<int>(x.size()) - 1; }
};

// One-based output buffers of GetFiber, filled with a marker so that unwritten entries show.
struct FiberOutput {
    static constexpr double kUnwritten = -12345.0;
    std::vector<double> dist;
    std::array<std::vector<double>, 6> fiber;

    explicit FiberOutput(int nLayer) : dist(static_cast<std::size_t>(nLayer) + 1, kUnwritten) {
        for (auto& f : fiber) f.assign(static_cast<std::size_t>(nLayer) + 1, kUnwritten);
    }
    double* f(int k) { return fiber[static_cast<std::size_t>(k)].data(); }
};

inline double relativeError(double got, double want) {
    const double scale = std::max(1.0, std::fabs(want));
    return std::fabs(got - want) / scale;
}

}  // namespace extract_test

#endif
