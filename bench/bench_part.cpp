#include "bench_part.h"

#include <cmath>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "gmsh_part.h"
#include "mesh_part_type.h"

namespace qvr::bench {

std::string sizeLabel(long long cells) {
    int exponent = 0;
    long long rest = cells;
    while (rest >= 10 && rest % 10 == 0) {
        rest /= 10;
        ++exponent;
    }
    if (rest == 1 && exponent > 0) return "1e" + std::to_string(exponent);
    return std::to_string(cells);
}

std::string partLabel(const PartKey& key) {
    if (key.fromMesh()) return std::string(kMeshPartType) + "/" + key.name;
    return std::string(gen::cellTypeName(key.type)) + "/" + sizeLabel(key.cells);
}

void RaySet::add(int kernelNode, double px, double py, double pz, double ax, double ay, double az) {
    node.push_back(kernelNode);
    x.push_back(px);
    y.push_back(py);
    z.push_back(pz);
    dx.push_back(ax);
    dy.push_back(ay);
    dz.push_back(az);
    ++count;
}

RaySet RaySet::spread(int wanted) const {
    if (wanted >= count) return *this;
    RaySet out;
    for (int i = 0; i < wanted; ++i) {
        // The middle of each of `wanted` equal runs of rays.
        const long long k = 1 + (2LL * i + 1) * count / (2LL * wanted);
        const auto j = static_cast<std::size_t>(k);
        out.add(node[j], x[j], y[j], z[j], dx[j], dy[j], dz[j]);
    }
    return out;
}

std::vector<char> cPath(const std::string& path) {
    std::vector<char> s(path.begin(), path.end());
    s.push_back('\0');
    return s;
}

std::unique_ptr<PartFiles> writePart(const PartKey& key) {
    nqbio::MeshData mesh;
    k7t::ResultFile results;
    std::string why;
    if (key.fromMesh()) {
        if (!readGmshPart(key.gmshMesh, mesh, results, why))
            throw std::runtime_error("cannot read " + partLabel(key) + ": " + why);
    } else {
        mesh = gen::makePlate(gen::plateForCellCount(key.cells, key.type, true));
        if (mesh.parts.empty()) throw std::runtime_error("the generator refused " + partLabel(key));
        results = gen::makeFiberResult(mesh, gen::FiberSpec{});
    }

    auto files = std::make_unique<PartFiles>();
    files->textMesh = files->folder.file("part.nqb");
    files->binaryMesh = files->folder.file("part-binary.nqb");
    files->results = files->folder.file("part.k7t");
    if (!nqbio::writeText(files->textMesh, mesh, &why) ||
        !nqbio::writeBinary(files->binaryMesh, mesh, &why) ||
        !k7t::write(files->results, results, &why))
        throw std::runtime_error("cannot write " + partLabel(key) + ": " + why);
    files->textBytes = std::filesystem::file_size(files->textMesh);
    files->binaryBytes = std::filesystem::file_size(files->binaryMesh);
    files->cells = static_cast<int>(mesh.parts.size());
    files->nodes = mesh.nodeCount();
    files->faces = static_cast<int>(mesh.surfaces.size());
    return files;
}

RaySet skinRays(CQVROptKer& kernel) {
    const auto n = static_cast<std::size_t>(kernel.m_nNode) + 1;
    std::vector<char> onSkin(n, 0);
    for (int f = 1; f <= kernel.m_nSurface; ++f) {
        const CFaceElem& face = kernel.m_pSurface[f];
        for (int k = 1; k <= face.nNode; ++k) onSkin[static_cast<std::size_t>(face.pNode[k])] = 1;
    }
    std::vector<double> nx(n, 0.0), ny(n, 0.0), nz(n, 0.0);
    kernel.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data());
    RaySet rays;
    for (int i = 1; i <= kernel.m_nNode; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!onSkin[k]) continue;
        const Cnode& p = kernel.m_pNode[i];
        rays.add(i, p.x, p.y, p.z, -nx[k], -ny[k], -nz[k]);
    }
    return rays;
}

std::vector<QueryBox> smallBoxes(const CQVROptKer& kernel) {
    std::mt19937 random(kQuerySeed);
    const double half = 0.5 * kernel.MinMesh;
    std::vector<QueryBox> boxes;
    boxes.reserve(kQueryCount);
    for (int q = 0; q < kQueryCount; ++q) {
        const auto cell =
            1 + static_cast<int>(random() % static_cast<unsigned>(kernel.m_nInnerCell));
        const CInnerCell& c = kernel.p_Cell[cell];
        boxes.push_back(
            {c.xc - half, c.yc - half, c.zc - half, c.xc + half, c.yc + half, c.zc + half});
    }
    return boxes;
}

RaySet surfaceNodeRays(const RaySet& skin, long long requestedCells) {
    return sampleSurfaceNodes(requestedCells) ? skin.spread(kSurfaceNodeSampleSize) : skin;
}

std::unique_ptr<Part> preparePart(const PartKey& key, std::unique_ptr<PartFiles> files) {
    static int serial = 0;
    auto p = std::make_unique<Part>();
    p->key = key;
    p->serial = ++serial;
    p->kernel = std::make_unique<CQVROptKer>();
    std::vector<char> path = cPath(files->binaryMesh);
    if (p->kernel->ReadMeshData(path.data(), 0) != 1 || p->kernel->m_nInnerCell < 1)
        throw std::runtime_error("the kernel refused the mesh of " + partLabel(key));
    p->kernel->InitialzeSearch(1);
    p->files = std::move(files);
    p->skin = skinRays(*p->kernel);
    p->sample = p->skin.spread(kRaySampleSize);
    p->surfaceNodeRays = surfaceNodeRays(p->skin, key.cells);
    p->queries = smallBoxes(*p->kernel);
    return p;
}

Part& part(const PartKey& key) {
    static std::unique_ptr<Part> cached;
    if (cached && cached->key == key) return *cached;
    cached.reset();
    cached = preparePart(key, writePart(key));
    return *cached;
}

}  // namespace qvr::bench
