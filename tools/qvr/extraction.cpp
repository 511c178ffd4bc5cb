#include "extraction.h"

#include <string>

#include <charconv>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "NQBIO_Manipulator.h"
#include "QVR3DExtractTool.h"
#include "QVROptKer.h"
#include "cli_support.h"
#include "command_files.h"
#include "common/whole_file.h"
#include "item_threads.h"
#include "mesh_files.h"

namespace qvr::cli {

namespace {
// Rays per chunk of the wall-ray classification: 256, a few hundred microseconds of work, so
// that handing out chunks costs nothing and the bar still moves about every percent on a
// part of 25 000 skin nodes or more.
constexpr std::size_t kWallRayChunk = 256;
}  // namespace

const char* const kComponentNames[kComponentCount] = {"a11", "a22", "a33", "a12", "a23", "a13"};

const char* thicknessModeName(ThicknessMode mode) {
    return mode == ThicknessMode::Exact ? "exact" : "centroid";
}

std::vector<SkinNode> findSkinNodes(const CQVROptKer& kernel) {
    const int n = kernel.m_nNode;
    std::vector<char> onSkin(static_cast<std::size_t>(n) + 1, 0);
    for (int f = 1; f <= kernel.m_nSurface; ++f) {
        const CFaceElem& face = kernel.m_pSurface[f];
        for (int k = 1; k <= face.nNode; ++k)
            if (face.pNode[k] >= 1 && face.pNode[k] <= n)
                onSkin[static_cast<std::size_t>(face.pNode[k])] = 1;
    }
    std::vector<double> nx(static_cast<std::size_t>(n) + 1, 0.0);
    std::vector<double> ny(nx), nz(nx);
    kernel.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data());
    std::vector<SkinNode> nodes;
    for (int i = 1; i <= n; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        if (!onSkin[k]) continue;
        const Cnode& node = kernel.m_pNode[i];
        nodes.push_back({i, node.orgID, node.x, node.y, node.z, -nx[k], -ny[k], -nz[k]});
    }
    return nodes;
}

std::vector<SkinNode> selectSkinNodes(const std::vector<SkinNode>& skin,
                                      const std::vector<long long>& fileNumbers,
                                      long long nodesInFile, const std::string& source) {
    std::unordered_map<long long, std::size_t> byFileNumber;
    for (std::size_t i = 0; i < skin.size(); ++i) byFileNumber.emplace(skin[i].fileNode, i);
    std::unordered_set<long long> taken;
    std::vector<SkinNode> chosen;
    for (long long number : fileNumbers) {
        if (!taken.insert(number).second) continue;
        const auto it = byFileNumber.find(number);
        if (it == byFileNumber.end()) {
            if (number < 1 || number > nodesInFile)
                failUsage(source + ": node " + std::to_string(number) + " is not in the mesh (1.." +
                          std::to_string(nodesInFile) + ")");
            failUsage(source + ": node " + std::to_string(number) + " is not a skin node");
        }
        chosen.push_back(skin[it->second]);
    }
    if (chosen.empty()) failUsage(source + ": lists no node");
    return chosen;
}

std::vector<long long> readNodeList(const std::string& path) {
    std::string data, why;
    if (!common::readWholeFile(path.c_str(), data, why)) failFile(path + ": " + why);
    std::vector<long long> numbers;
    std::size_t pos = 0;
    int line = 1;
    while (pos < data.size()) {
        const char c = data[pos];
        if (c == '\n') {
            ++line;
            ++pos;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == ',' || c == ';') {
            ++pos;
        } else if (c == '#') {
            while (pos < data.size() && data[pos] != '\n') ++pos;
        } else {
            long long value = 0;
            const char* first = data.data() + pos;
            const char* last = data.data() + data.size();
            const auto [ptr, ec] = std::from_chars(first, last, value);
            const bool ends = ptr == last || *ptr == ' ' || *ptr == '\t' || *ptr == '\r' ||
                              *ptr == '\n' || *ptr == ',' || *ptr == ';' || *ptr == '#';
            if (ec != std::errc() || !ends)
                failFile(path + ":" + std::to_string(line) + ": expected a node number");
            numbers.push_back(value);
            pos = static_cast<std::size_t>(ptr - data.data());
        }
    }
    return numbers;
}

SkinSurface copySkin(const CQVROptKer& kernel) {
    SkinSurface skin;
    skin.xyz.reserve(3 * static_cast<std::size_t>(kernel.m_nNode));
    skin.fileNode.reserve(static_cast<std::size_t>(kernel.m_nNode));
    for (int i = 1; i <= kernel.m_nNode; ++i) {
        const Cnode& node = kernel.m_pNode[i];
        skin.xyz.insert(skin.xyz.end(), {node.x, node.y, node.z});
        skin.fileNode.push_back(node.orgID);
    }
    for (int f = 1; f <= kernel.m_nSurface; ++f) {
        const CFaceElem& face = kernel.m_pSurface[f];
        if (face.nNode != 3 && face.nNode != 4) continue;
        std::array<int, 4> corners{};
        for (int k = 1; k <= face.nNode; ++k)
            corners[static_cast<std::size_t>(k - 1)] = face.pNode[k];
        skin.faces.push_back(corners);
        skin.corners.push_back(face.nNode);
    }
    return skin;
}

namespace {

// The file a tool call refused, with the tool's reason when it gives one.
std::string toolContext(const QVR3DExtractTool& tool, const std::string& path) {
    const std::string why = tool.GetLastErrorText();
    return why.empty() ? path : path + ": " + why;
}

// Forwards the tool's progress reports to a progress bar for as long as it lives.
class ProgressHook {
public:
    ProgressHook(QVR3DExtractTool& tool, ProgressBar& bar) : tool_(tool) {
        tool_.SetProgressCallback(&ProgressHook::report, &bar);
    }
    ~ProgressHook() { tool_.SetProgressCallback(nullptr, nullptr); }
    ProgressHook(const ProgressHook&) = delete;
    ProgressHook& operator=(const ProgressHook&) = delete;

private:
    static void report(int done, int, void* user) { static_cast<ProgressBar*>(user)->update(done); }
    QVR3DExtractTool& tool_;
};

// The tool loads the mesh, once; the host reads it through the tool's kernel. A refused file is
// reported with the mesh reader's reason, which the tool keeps (its reader stays off standard
// error, so the reason appears once, in the host's line).
const CQVROptKer& loadMesh(QVR3DExtractTool& tool, const StagedInput& mesh, ExtractionRun& run) {
    tool.SetQuietReading(kQuietMeshReader);
    std::string meshName = mesh.path();
    const int rc = tool.SetMeshFileName(meshName.data());
    if (rc != 1) {
        std::string why = tool.GetLastErrorText();
        if (why.rfind(mesh.path(), 0) == 0) why.replace(0, mesh.path().size(), mesh.name());
        if (!why.empty()) failFile(why);
        failLibrary("QVR3DExtractTool::SetMeshFileName", rc, mesh.name());
    }
    const CQVROptKer& kernel = *tool.GetKernel();
    run.mesh = summarizeKernel(kernel);
    if (run.mesh.cells() == 0) failFile(mesh.name() + ": the mesh has no solid cells");
    return kernel;
}

std::vector<SkinNode> chooseSkinNodes(const CQVROptKer& kernel, const ExtractRequest& request,
                                      ExtractionRun& run) {
    std::vector<SkinNode> skin = findSkinNodes(kernel);
    run.skinNodes = static_cast<long long>(skin.size());
    if (skin.empty()) failFile(request.meshPath + ": the mesh has no skin faces");
    run.skin = copySkin(kernel);
    if (request.nodesFile.empty()) return skin;
    return selectSkinNodes(skin, readNodeList(request.nodesFile), run.mesh.nodesInFile,
                           request.nodesFile);
}

// What can be refused before the tool runs: a plot node without a ray, and more sample points
// than an extraction may ask for.
void checkRequestAgainstNodes(const ExtractRequest& request, const std::vector<SkinNode>& chosen) {
    if (request.plotNode != 0) {
        bool found = false;
        for (const SkinNode& s : chosen) found = found || s.fileNode == request.plotNode;
        if (!found)
            failUsage("--plot-node " + std::to_string(request.plotNode) +
                      ": no profile was extracted at that node");
    }
    const long long points = static_cast<long long>(chosen.size()) * request.layers;
    if (points > kMaxSamplePoints)
        failUsage("--layers " + std::to_string(request.layers) + " at " +
                  std::to_string(chosen.size()) + " nodes asks for " + std::to_string(points) +
                  " sample points, more than the " + std::to_string(kMaxSamplePoints) +
                  " one extraction writes: lower --layers or choose fewer nodes with --nodes");
}

// The notes a user needs before the library speaks: a unit the loader does not know (lengths
// are then read as millimetres), and cells the element library cannot interpolate (the tool
// names each on standard output while the values are collected).
void noteMeshOddities(const CQVROptKer& kernel, const StagedInput& mesh, const ExtractionRun& run) {
    const std::string unit = kernel.GetMeshUnitText();
    if (!nqbio::isKnownUnit(unit))
        std::fprintf(
            stderr,
            "qvr: note: %s: unit \"%s\" is not one the mesh format knows (mm, cm, inch, um); "
            "its lengths are read as millimetres\n",
            mesh.name().c_str(), unit.c_str());
    if (run.mesh.otherCells > 0)
        std::fprintf(stderr,
                     "qvr: note: %s: %lld cells have a node count the element library cannot "
                     "interpolate; sample points given to them get nan, and the extraction tool "
                     "reports each on standard output\n",
                     mesh.name().c_str(), run.mesh.otherCells);
    std::fflush(stderr);
}

// SetSurfaceNode with the nodes and their directions in one-based arrays.
void traceRays(QVR3DExtractTool& tool, const std::vector<SkinNode>& nodes, int layers,
               bool progress) {
    const int n = static_cast<int>(nodes.size());
    std::vector<double> x(nodes.size() + 1, 0.0);
    std::vector<double> y(x), z(x), ax(x), ay(x), az(x);
    for (std::size_t k = 1; k <= nodes.size(); ++k) {
        const SkinNode& s = nodes[k - 1];
        x[k] = s.x;
        y[k] = s.y;
        z[k] = s.z;
        ax[k] = s.ax;
        ay[k] = s.ay;
        az[k] = s.az;
    }
    ProgressBar bar("thickness", n, progress && ProgressBar::stderrIsTerminal());
    const ProgressHook hook(tool, bar);
    const int rc = tool.SetSurfaceNode(n, layers, x.data(), y.data(), z.data(), ax.data(),
                                       ay.data(), az.data());
    if (rc != 1) failLibrary("QVR3DExtractTool::SetSurfaceNode", rc, std::to_string(n) + " nodes");
}

// GetFiber for every node, in the order handed to SetSurfaceNode.
std::vector<NodeProfile> collectProfiles(QVR3DExtractTool& tool, const std::vector<SkinNode>& nodes,
                                         int layers, ThicknessMode mode, bool uninterpolable,
                                         bool progress) {
    const std::size_t points = static_cast<std::size_t>(layers) + 1;
    std::vector<double> dist(points), f[kComponentCount];
    for (auto& component : f) component.assign(points, 0.0);
    std::vector<NodeProfile> profiles;
    profiles.reserve(nodes.size());
    ProgressBar bar("fibre values", static_cast<long long>(nodes.size()),
                    progress && ProgressBar::stderrIsTerminal());
    for (std::size_t i = 1; i <= nodes.size(); ++i) {
        const int rc = tool.GetFiber(static_cast<int>(i), dist.data(), f[0].data(), f[1].data(),
                                     f[2].data(), f[3].data(), f[4].data(), f[5].data());
        if (rc != 1)
            failLibrary("QVR3DExtractTool::GetFiber", rc, "node index " + std::to_string(i));
        const SkinNode& s = nodes[i - 1];
        NodeProfile p;
        p.fileNode = s.fileNode;
        p.x = s.x;
        p.y = s.y;
        p.z = s.z;
        const double length = std::sqrt(s.ax * s.ax + s.ay * s.ay + s.az * s.az);
        if (length > 0.0) {
            p.dx = s.ax / length;
            p.dy = s.ay / length;
            p.dz = s.az / length;
        }
        // No crossing: exactly kCentroidNoCrossingMm in the centroid-plane mode, 0 in the exact
        // mode (which ignores hits at the node), and 0 too where the ray passed no cell.
        p.thickness = dist[points - 1];
        p.crossed = p.thickness > 0.0 &&
                    !(mode == ThicknessMode::CentroidPlane && p.thickness == kCentroidNoCrossingMm);
        p.depth.assign(dist.begin() + 1, dist.end());
        p.value.resize(points - 1);
        for (std::size_t j = 1; j < points; ++j) {
            bool allZero = true;
            for (std::size_t k = 0; k < kComponentCount; ++k) {
                p.value[j - 1][k] = f[k][j];
                allZero = allZero && f[k][j] == 0.0;
            }
            // The tool gives 0 for every component of a point in a cell the element library
            // cannot interpolate; a fibre tensor (trace 1) is never all zeros, so on a mesh with
            // such cells those points are the ones without a value.
            if (uninterpolable && allZero) p.value[j - 1].fill(kNoValue);
        }
        profiles.push_back(std::move(p));
        bar.update(static_cast<long long>(i));
    }
    return profiles;
}

// Through the wall or along it, per ray (the tool's extension query), on the threads the rays
// were traced on: GetWallRay may run on several threads at once. Each ray's answer goes to its
// own slot, so the outputs do not depend on the thread count.
void classifyWallRays(QVR3DExtractTool& tool, std::vector<NodeProfile>& profiles, bool progress) {
    ProgressBar bar("wall rays", static_cast<long long>(profiles.size()),
                    progress && ProgressBar::stderrIsTerminal());
    std::vector<int> answers(profiles.size(), 0);
    forEachChunkOnThreads(
        profiles.size(), tool.GetThreadCount(), kWallRayChunk,
        [&](std::size_t first, std::size_t last) {
            for (std::size_t i = first; i < last; ++i)
                answers[i] = tool.GetWallRay(static_cast<int>(i) + 1);
        },
        [&](std::size_t done) { bar.update(static_cast<long long>(done)); });
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        if (answers[i] < 0)
            failLibrary("QVR3DExtractTool::GetWallRay", answers[i],
                        "node index " + std::to_string(i + 1));
        profiles[i].wall = answers[i] == 1;
    }
}

}  // namespace

ExtractionRun runExtraction(const ExtractRequest& request) {
    if (request.layers < 2) failUsage("--layers must be 2 or more");
    ExtractionRun run;
    run.meshPath = request.meshPath;
    run.resultPath = request.resultPath;
    run.layers = request.layers;
    run.mode = request.mode.value_or(ThicknessMode::Exact);
    StageClock clock;

    // Each input is read from the user's path once; pipes are kept in a private copy. The tool
    // reads the mesh and lends its kernel; the host reads the results and hands their values
    // over, so that the header is checked on what was read.
    const StagedInput mesh(request.meshPath);
    const StagedInput result(request.resultPath);
    const auto tool = std::make_unique<QVR3DExtractTool>();
    const CQVROptKer& kernel = loadMesh(*tool, mesh, run);
    clock.lap("read mesh");
    std::vector<double> fiber;
    {
        ResultFileReading results(result.path(), result.name());
        checkFiberResult(results.header(), run.mesh, request.resultPath);
        fiber = results.fiberValues();
    }
    clock.lap("check inputs");
    const std::vector<SkinNode> chosen = chooseSkinNodes(kernel, request, run);
    checkRequestAgainstNodes(request, chosen);
    noteMeshOddities(kernel, mesh, run);
    clock.lap("skin normals");

    int rc = tool->SetFiberValues(static_cast<int>(run.mesh.cells()), fiber.data());
    fiber = {};
    if (rc == QVR_ARRAYS_NOT_FINITE) {
        // Values handed in must be finite, while the tool's own reading of a result file lets
        // a NaN through to the profiles it touches; such a file alone is given to the tool to
        // read, so that its profiles stay what they were.
        std::string resultName = result.path();
        rc = tool->SetK7TFileName(resultName.data());
        if (rc != 1)
            failLibrary("QVR3DExtractTool::SetK7TFileName", rc,
                        toolContext(*tool, request.resultPath));
    } else if (rc != 1) {
        failLibrary("QVR3DExtractTool::SetFiberValues", rc, toolContext(*tool, request.resultPath));
    }
    clock.lap("tool: results");
    const int mode =
        run.mode == ThicknessMode::Exact ? QVR_THICKNESS_EXACT : QVR_THICKNESS_CENTROID_PLANE;
    rc = tool->SetThicknessMode(mode);
    if (rc != 1) failLibrary("QVR3DExtractTool::SetThicknessMode", rc, thicknessModeName(run.mode));
    rc = tool->SetThreadCount(request.threads);
    if (rc != 1)
        failLibrary("QVR3DExtractTool::SetThreadCount", rc, std::to_string(request.threads));

    traceRays(*tool, chosen, request.layers, request.progress);
    clock.lap("thickness rays");
    run.profiles = collectProfiles(*tool, chosen, request.layers, run.mode, run.mesh.otherCells > 0,
                                   request.progress);
    run.raysWithoutCrossing = tool->GetNoCrossingCount();
    clock.lap("fibre values");
    classifyWallRays(*tool, run.profiles, request.progress);
    clock.lap("wall rays");
    run.stages = clock.stages();
    return run;
}

}  // namespace qvr::cli
