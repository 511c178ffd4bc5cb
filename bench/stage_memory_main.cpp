// Peak memory of every stage, one part after another, as CSV on standard output:
//   part,cells,stage,peak_kib,retained_kib,method
// Same parts and flags as the suite (--qvr_sizes, --qvr_types, --qvr_meshes). The stages run once
// each, in the order a host runs them, on the same inputs as the suite (SetSurfaceNode on the same
// rays).
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_part.h"
#include "memory_probe.h"
#include "part_list.h"
#include "tool_modes.h"

namespace {

using namespace qvr::bench;

class StageTable {
public:
    StageTable(const PartKey& key, int cells) : label_(partLabel(key)), cells_(cells) {}
    void run(const std::string& stage, const std::function<void()>& body) {
        probe_.begin();
        body();
        const StageMemory m = probe_.end();
        std::printf("%s,%d,%s,%.0f,%.0f,%s\n", label_.c_str(), cells_, stage.c_str(), m.peakKiB,
                    m.retainedKiB, probe_.method());
        std::fflush(stdout);
    }

private:
    MemoryProbe probe_;
    std::string label_;
    int cells_;
};

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

void measurePart(const PartKey& key) {
    const std::unique_ptr<PartFiles> files = writePart(key);
    StageTable table(key, files->cells);
    std::vector<char> text = cPath(files->textMesh), binary = cPath(files->binaryMesh),
                      results = cPath(files->results);

    table.run("load_text", [&] {
        CQVROptKer kernel;
        check(kernel.ReadMeshData(text.data(), 0) == 1, "text mesh refused");
    });
    auto kernel = std::make_unique<CQVROptKer>();
    table.run("load_binary",
              [&] { check(kernel->ReadMeshData(binary.data(), 0) == 1, "binary mesh refused"); });
    table.run("initialize_search", [&] { kernel->InitialzeSearch(1); });

    const RaySet skin = skinRays(*kernel);
    const RaySet sample = skin.spread(kRaySampleSize);
    const RaySet surfaceRays = surfaceNodeRays(skin, key.cells);
    const std::vector<QueryBox> queries = smallBoxes(*kernel);
    table.run("near_block_search", [&] {
        for (const QueryBox& b : queries) {
            int count = 0;
            kernel->SearchNearBlockID(b.xmin, b.ymin, b.zmin, b.xmax, b.ymax, b.zmax, count, 0);
        }
    });
    table.run("ray_pass_search", [&] {
        for (int i = 1; i <= sample.count; ++i) {
            const auto k = static_cast<std::size_t>(i);
            int count = 0;
            kernel->FindPassElemByAnyRay(count, sample.x[k], sample.y[k], sample.z[k], sample.dx[k],
                                         sample.dy[k], sample.dz[k], 0);
        }
    });
    const auto n = static_cast<std::size_t>(kernel->m_nNode) + 1;
    std::vector<double> nx(n, 0.0), ny(n, 0.0), nz(n, 0.0);
    table.run("node_normals",
              [&] { kernel->ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data()); });
    table.run("smooth_surface", [&] { kernel->SmoothSurfaceNodeValue(nz.data(), 1); });
    kernel.reset();

    auto tool = std::make_unique<QVR3DExtractTool>();
    table.run("tool_load", [&] {
        check(tool->SetMeshFileName(binary.data()) == 1, "the tool refused the mesh");
        check(tool->SetK7TFileName(results.data()) == 1, "the tool refused the results");
    });
    // What the search set-up of both modes holds once made (the tool keeps it while the mesh
    // stays): one ray in each mode.
    const RaySet one = skin.spread(1);
    table.run("both_modes_ready", [&] {
        for (int m = kModeCount - 1; m >= 0; --m) {
            check(selectMode(*tool, kModes[m].mode), "no such thickness mode");
            check(setSurfaceNode(*tool, one) == 1, "SetSurfaceNode");
        }
    });
    for (int m = 0; m < kModeCount; ++m) {
        check(selectMode(*tool, kModes[m].mode), "no such thickness mode");
        table.run(std::string("set_surface_node.") + kModes[m].name,
                  [&] { check(setSurfaceNode(*tool, surfaceRays) == 1, "SetSurfaceNode"); });
    }
    const auto points = static_cast<std::size_t>(kLayers) + 1;
    std::vector<double> d(points), f1(points), f2(points), f3(points), f4(points), f5(points),
        f6(points);
    table.run("get_fiber", [&] {
        for (int i = 1; i <= surfaceRays.count; ++i)
            tool->GetFiber(i, d.data(), f1.data(), f2.data(), f3.data(), f4.data(), f5.data(),
                           f6.data());
    });
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<PartKey> parts;
    std::string error;
    if (!takePartList(argc, argv, parts, error) || argc != 1) {
        std::fprintf(stderr, "qvr_bench_memory: %s\n",
                     error.empty() ? "unknown argument" : error.c_str());
        return 2;
    }
    std::printf("part,cells,stage,peak_kib,retained_kib,method\n");
    try {
        for (const PartKey& key : parts) measurePart(key);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qvr_bench_memory: %s\n", e.what());
        return 1;
    }
    return 0;
}
