// Kernel target: a mesh the reader accepts is loaded through the public kernel and searched,
// and the extraction tool traces rays into it in both thickness modes.
// Checked: the kernel and the tool load whatever the reader accepts, every search hands out
// real element ids (the ray search ascending and each once), smoothing keeps a constant field
// constant, and the tool answers for every ray it was given.
// Refused files are left to the reader targets; only accepted ones reach the kernel, so the
// reader's diagnostics do not flood the output.
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "FuzzHarness.h"
#include "QVR3DExtractTool.h"
#include "QVROptKer.h"
#include "mesh_parsers.h"

namespace qvr::fuzz {

namespace {

bool accepted(const std::uint8_t* data, std::size_t size) {
    nqbio::FileBytes bytes;
    bytes.data = std::make_unique<unsigned char[]>(size);
    std::copy(data, data + size, bytes.data.get());
    bytes.size = size;
    nqbio::ParseFault fault;
    const std::string_view probe(reinterpret_cast<const char*>(data),
                                 std::min(size, nqbio::kFormatProbeBytes));
    switch (nqbio::detectFormat(probe)) {
        case NQBIO_FORMAT_TEXT: return nqbio::parseTextMesh(bytes, fault) != nullptr;
        case NQBIO_FORMAT_BINARY: return nqbio::parseBinaryMesh(std::move(bytes), fault) != nullptr;
        default: return false;
    }
}

std::string checkList(const CQVROptKer& k, const int* ids, int count, bool ascending,
                      const char* what) {
    if (ids == nullptr || count < 0) return std::string(what) + ": no list";
    const int last = k.m_nSurface + k.m_nInnerCell;
    for (int i = 0; i < count; ++i) {
        if (ids[i] < 1 || ids[i] > last)
            return std::string(what) + ": id " + std::to_string(ids[i]) + " names no element";
        if (ascending && i > 0 && ids[i] <= ids[i - 1])
            return std::string(what) + ": ids not ascending";
    }
    return "";
}

// The tool traces the rays (1-based arrays, entry 0 unused) in both thickness modes and must
// answer for each of them.
std::string traceWithTool(const std::string& path, std::vector<double> (&ray)[6]) {
    constexpr int kLayers = 4;
    const int rays = static_cast<int>(ray[0].size()) - 1;
    QVR3DExtractTool tool;
    std::string name = path;
    if (tool.SetMeshFileName(name.data()) != 1) return "the tool refused a file the reader accepts";
    for (int mode : {QVR_THICKNESS_CENTROID_PLANE, QVR_THICKNESS_EXACT}) {
        if (rays == 0) break;
        if (tool.SetThicknessMode(mode) != 1) return "thickness mode refused";
        if (tool.SetSurfaceNode(rays, kLayers, ray[0].data(), ray[1].data(), ray[2].data(),
                                ray[3].data(), ray[4].data(), ray[5].data()) != 1)
            return "SetSurfaceNode refused valid arrays";
        const int missed = tool.GetNoCrossingCount();
        if (missed < 0 || missed > rays) return "no-crossing count out of range";
        std::vector<double> out[7];
        for (auto& v : out) v.assign(kLayers + 1, 0.0);
        for (int r = 1; r <= rays; ++r) {
            if (tool.GetFiber(r, out[0].data(), out[1].data(), out[2].data(), out[3].data(),
                              out[4].data(), out[5].data(), out[6].data()) != 1)
                return "GetFiber refused a ray of the last call";
        }
    }
    return "";
}

std::string exercise(CQVROptKer& k, const std::string& path) {
    if (k.InitialzeSearch(2) != 1) return "InitialzeSearch refused";
    int count = -1;
    const int* ids = k.SearchNearBlockID(k.Box_xMin, k.Box_yMin, k.Box_zMin, k.Box_xMax, k.Box_yMax,
                                         k.Box_zMax, count, 0);
    std::string fault = checkList(k, ids, count, false, "near block search");
    if (!fault.empty()) return fault;

    std::vector<double> nx(static_cast<std::size_t>(k.m_nNode) + 1, 0.0), ny(nx), nz(nx);
    if (k.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data()) != 1) return "normals refused";
    // Rays into the part from the first skin nodes, along the negated normal and along +x.
    std::vector<double> ray[6] = {{0}, {0}, {0}, {0}, {0}, {0}};  // x y z, then the direction
    for (int s = 1; s <= k.m_nSurface && s <= 8; ++s) {
        const int n = k.m_pSurface[s].pNode[1];
        const Cnode& p = k.m_pNode[n];
        for (const auto& [dx, dy, dz, both] :
             {std::tuple{-nx[n], -ny[n], -nz[n], s % 2}, {1.0, 0.0, 0.0, 0}}) {
            ids = k.FindPassElemByAnyRay(count, p.x, p.y, p.z, dx, dy, dz, both);
            fault = checkList(k, ids, count, true, "ray search");
            if (!fault.empty()) return fault;
        }
        const double v[6] = {p.x, p.y, p.z, -nx[n], -ny[n], -nz[n]};
        for (int j = 0; j < 6; ++j) ray[j].push_back(v[j]);
    }
    std::vector<double> one(static_cast<std::size_t>(k.m_nNode) + 1, 1.0);
    if (k.SmoothSurfaceNodeValue(one.data(), 2) != 1) return "smoothing refused";
    for (double v : one) {
        if (v != 1.0) return "smoothing changed a constant field";
    }
    return traceWithTool(path, ray);
}

}  // namespace

std::string kernelMesh(const std::uint8_t* data, std::size_t size) {
    if (!accepted(data, size)) return "";
    const std::string path = scratchCopy("kernel.nqb", data, size);
    if (path.empty()) return "";
    std::string fault;
    {
        CQVROptKer kernel;
        std::string name = path;
        // Both retention rules, chosen by the input so that each is reached.
        const int allNodeFlag = size % 2 == 0 ? 1 : 0;
        if (kernel.ReadMeshData(name.data(), allNodeFlag) != 1) {
            fault = "the kernel refused a file the reader accepts";
        } else {
            fault = exercise(kernel, path);
        }
    }
    std::remove(path.c_str());
    return fault;
}

}  // namespace qvr::fuzz
