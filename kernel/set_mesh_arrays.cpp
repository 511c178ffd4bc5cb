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
#include <vector>

#include "QVROptKer.h"
#include "kernel/length_unit.h"
#include "kernel/mesh_arrays.h"
#include "kernel/mesh_tables.h"
#include "kernel/record_geometry.h"

namespace {

constexpr int kKeepAllNodes = 1;  // allNodeFlag value that keeps every node

// A one-based record table whose node lists share one block (see kPooledNodeListsMark).
template <typename Record>
struct PooledTable {
    std::unique_ptr<Record[]> table;
    std::unique_ptr<int[]> lists;
    std::size_t used = 1;

    PooledTable(std::size_t records, std::size_t listInts)
        : table(std::make_unique<Record[]>(records + 1)), lists(new int[listInts + 1]) {
        lists[0] = qvr::kPooledNodeListsMark;
    }
    int* addList(Record& r, int nNode) {
        r.pNode = lists.get() + used;
        r.pNode[0] = 0;
        r.nNode = nNode;
        used += static_cast<std::size_t>(nNode) + 1;
        return r.pNode;
    }
    Record* release() {
        table[0].pNode = lists.release();
        return table.release();
    }
};

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

void qvr::installMeshContent(CQVROptKer& kernel, const nqbio::MeshData& content,
                             int allNodeFlag) {
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
    PooledTable<CInnerCell> cells(static_cast<std::size_t>(cellCount), cellListInts);
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
    PooledTable<CFaceElem> surfaces(faces.size(), faceListInts);
    for (int i = 1; i <= surfaceCount; ++i) {
        const DistinctCorners& f = faces[static_cast<std::size_t>(i - 1)];
        int* const list = surfaces.addList(surfaces.table[i], f.nNode);
        for (int j = 1; j <= f.nNode; ++j) list[j] = f.node[j - 1];
    }

    int retained = 0;
    for (int i = 1; i <= nodeInFile; ++i) retained += (nodeInPart[i] == 1) ? 1 : 0;
    auto nodeTable = std::make_unique<Cnode[]>(static_cast<std::size_t>(retained) + 1);
    int nodeCount = 0;
    for (int i = 1; i <= nodeInFile; ++i) {
        if (nodeInPart[i] != 1) continue;
        ++nodeCount;
        const float* p = &content.xyz[3 * static_cast<std::size_t>(i - 1)];
        nodeTable[nodeCount].x = static_cast<double>(p[0]) * unitFactor;
        nodeTable[nodeCount].y = static_cast<double>(p[1]) * unitFactor;
        nodeTable[nodeCount].z = static_cast<double>(p[2]) * unitFactor;
        nodeTable[nodeCount].orgID = i;
        nodeNewID[i] = nodeCount;
    }
    for (int i = 1; i <= cellCount; ++i) {
        CInnerCell& cell = cells.table[i];
        for (int j = 1; j <= cell.nNode; ++j) cell.pNode[j] = nodeNewID[cell.pNode[j]];
        qvr::setCentroid(cell, nodeTable.get());
    }
    for (int i = 1; i <= surfaceCount; ++i) {
        CFaceElem& face = surfaces.table[i];
        for (int j = 1; j <= face.nNode; ++j) face.pNode[j] = nodeNewID[face.pNode[j]];
        qvr::setCentroid(face, nodeTable.get());
    }
    for (int i = 1; i <= surfaceCount; ++i) qvr::setAreaVector(surfaces.table[i], nodeTable.get());

    // Commit: release the previous mesh and take the new one.
    qvr::releaseMesh(kernel);
    kernel.m_nNodeInFile = nodeInFile;
    kernel.m_nInnerCell = cellCount;
    kernel.m_nSurface = surfaceCount;
    kernel.m_nNode = nodeCount;
    kernel.TotalVolume = totalVolume;
    kernel.m_pNode = nodeTable.release();
    kernel.m_pSurface = surfaces.release();
    kernel.p_Cell = cells.release();
    kernel.m_pNodeInPart = nodeInPart.release();
    kernel.m_pNodeKind = nodeKind.release();
    kernel.m_pNodeNewID = nodeNewID.release();
    kernel.m_pCellKind = cellKind.release();
}

int CQVROptKer::SetMeshArrays(int nodeCount, const double* xyz, int cellBlockCount,
                              const QVRIndexBlock* cellBlocks, int faceBlockCount,
                              const QVRIndexBlock* faceBlocks, const char* unit,
                              int allNodeFlag) {
    qvr::MeshArrays arrays;
    arrays.nodeCount = nodeCount;
    arrays.xyz = xyz;
    arrays.cellBlockCount = cellBlockCount;
    arrays.cellBlocks = cellBlocks;
    arrays.faceBlockCount = faceBlockCount;
    arrays.faceBlocks = faceBlocks;
    arrays.unit = unit;
    nqbio::MeshData content;
    qvr::ArrayFault fault;
    if (!qvr::buildMeshContent(arrays, content, fault)) {
        RecordError(fault.status, fault.text.c_str());
        return fault.status;
    }
    qvr::installMeshContent(*this, content, allNodeFlag);
    // The tree holds the old mesh's ids and boxes, as after ReadMeshData.
    DropSearchTree();
    RecordError(0, nullptr);
    return QVR_ARRAYS_OK;
}
