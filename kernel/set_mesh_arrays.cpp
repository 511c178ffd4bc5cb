// Loading a mesh handed in as arrays into the kernel.
//
// The arrays are first turned into the content a mesh file holds (kernel/mesh_arrays.h); the
// tables are then built from it step for step as ReadMeshData builds them from a file, with the
// same arithmetic in the same order, so both ways give identical tables. Content from arrays
// has only ordinary cells and kind-1 skin faces, which keeps the attribute and face-kind
// handling of the file loader out of this path.
//
// Everything is built in local storage and moved into the kernel at the end: a refusal or a
// failed allocation leaves the previous mesh intact.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "QVROptKer.h"
#include "kernel/kernel_extras.h"
#include "kernel/length_unit.h"
#include "kernel/mesh_arrays.h"
#include "kernel/mesh_tables.h"

namespace {

constexpr int kKeepAllNodes = 1;  // allNodeFlag value that keeps every node

// A skin face with its repeated corners dropped, as the file loader keeps it.
struct DistinctCorners {
    int nNode = 0;
    int node[4] = {};
};

DistinctCorners distinctCorners(const nqbio::SurfaceElement& face) {
    DistinctCorners f;
    for (int n : face.node) {
        bool taken = false;
        for (int t = 0; t < f.nNode; ++t) taken = taken || f.node[t] == n;
        if (!taken) f.node[f.nNode++] = n;
    }
    return f;
}

}  // namespace

void qvr::installMeshContent(CQVROptKer& kernel, const nqbio::MeshData& content, int allNodeFlag) {
    bool recognised = false;
    const double unitFactor = qvr::unitFactorOf(content.unit, recognised);
    const double volumeFactor = unitFactor * unitFactor * unitFactor;
    const int nodeInFile = content.nodeCount();
    const int cellCount = static_cast<int>(content.parts.size());
    const auto nodeSlots = static_cast<std::size_t>(nodeInFile) + 1;

    auto nodeInPart = std::make_unique<int[]>(nodeSlots);
    auto nodeKind = std::make_unique<int[]>(nodeSlots);
    auto nodeNewID = std::make_unique<int[]>(nodeSlots);
    auto cellKind = std::make_unique<int[]>(static_cast<std::size_t>(cellCount) + 1);
    for (int i = 0; i <= nodeInFile; ++i) nodeInPart[i] = (allNodeFlag == kKeepAllNodes) ? 1 : 0;
    cellKind[0] = 1;  // entry 0 as the file loader leaves it

    std::size_t cellListInts = 0;
    for (const nqbio::PartElement& p : content.parts) cellListInts += p.nNode + 1;
    qvr::PooledTable<CInnerCell> cells(static_cast<std::size_t>(cellCount), cellListInts);
    double totalVolume = 0.0;
    for (int k = 1; k <= cellCount; ++k) {
        const nqbio::PartElement& part = content.parts[static_cast<std::size_t>(k - 1)];
        int* const list = cells.addList(cells.table[k], part.nNode);
        for (int j = 1; j <= part.nNode; ++j) {
            list[j] = part.node[j - 1];
            nodeInPart[list[j]] = 1;
            nodeKind[list[j]] = 1;  // every cell from arrays is an ordinary cell
        }
        cellKind[k] = 0;
        totalVolume += static_cast<double>(part.volume) * volumeFactor;
    }

    // Faces that use a node no solid cell uses have no place in the compacted node table.
    std::vector<DistinctCorners> faces;
    faces.reserve(content.surfaces.size());
    std::size_t faceListInts = 0;
    for (const nqbio::SurfaceElement& s : content.surfaces) {
        const DistinctCorners f = distinctCorners(s);
        bool usable = true;
        for (int t = 0; t < f.nNode; ++t) usable = usable && nodeInPart[f.node[t]] == 1;
        if (!usable) continue;
        faces.push_back(f);
        faceListInts += static_cast<std::size_t>(f.nNode) + 1;
    }
    const int surfaceCount = static_cast<int>(faces.size());
    qvr::PooledTable<CFaceElem> surfaces(faces.size(), faceListInts);
    surfaces.fillLists(faces, surfaceCount);

    int nodeCount = 0;
    auto nodeTable = qvr::compactNodes(
        nodeInFile, nodeInPart.get(), nodeNewID.get(),
        [&content, unitFactor](int i) {
            const float* p = &content.xyz[3 * static_cast<std::size_t>(i - 1)];
            return qvr::Vec3{static_cast<double>(p[0]) * unitFactor,
                             static_cast<double>(p[1]) * unitFactor,
                             static_cast<double>(p[2]) * unitFactor};
        },
        nodeCount);
    // Cells from arrays always have nodes, so none is left alone here.
    qvr::renumberAndMeasure(cells.table.get(), cellCount, surfaces.table.get(), surfaceCount,
                            nodeNewID.get(), nodeTable.get());

    // Commit: release the previous mesh and take the new one.
    const qvr::MeshCounts loaded{nodeInFile, cellCount, surfaceCount, nodeCount, totalVolume};
    qvr::installMesh(kernel, loaded, nodeTable.release(), surfaces.release(), cells.release(),
                     nodeInPart.release(), nodeKind.release(), nodeNewID.release(),
                     cellKind.release());
}

int CQVROptKer::SetMeshArrays(int nodeCount, const double* xyz, int cellBlockCount,
                              const QVRIndexBlock* cellBlocks, int faceBlockCount,
                              const QVRIndexBlock* faceBlocks, const char* unit, int allNodeFlag) {
    const qvr::MeshArrays arrays{nodeCount,  xyz, cellBlockCount, cellBlocks, faceBlockCount,
                                 faceBlocks, unit};
    nqbio::MeshData content;
    qvr::ArrayFault fault;
    if (!qvr::buildMeshContent(arrays, content, fault)) {
        RecordError(fault.status, fault.text.c_str());
        return fault.status;
    }
    // The unit's copy is made before the commit, so that nothing can fail after it.
    std::string unitText = content.unit;
    CQVROptKerExtras& extras = Extras();
    qvr::installMeshContent(*this, content, allNodeFlag);
    // The tree holds the old mesh's ids and boxes, as after ReadMeshData.
    DropSearchTree();
    extras.meshUnit.swap(unitText);
    extras.surfacesInFile = static_cast<int>(content.surfaces.size());
    RecordError(0, nullptr);
    return QVR_ARRAYS_OK;
}
