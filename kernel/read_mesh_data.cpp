// Loading a mesh file into the kernel.
//
// The reader checks the whole file before it reports success, so past beginReading the load
// cannot meet a count the file does not hold. Everything new is built in local storage first
// and moved into the kernel at the end: a failed allocation leaves the previous mesh intact.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "NQBIO_Manipulator.h"
#include "QVROptKer.h"
#include "kernel/kernel_extras.h"
#include "kernel/length_unit.h"
#include "kernel/mesh_tables.h"
#include "kernel/messages.h"

namespace {

constexpr int kExpectedReaderVersion = 11002;
constexpr int kCannotOpenMesh = 3301;

// Attribute codes of part elements: up to this value an element is an ordinary or marked cell,
// from kOverridingAttrCode on it marks its nodes whatever they were.
constexpr int kOrdinaryAttrCodeMax = 100;
constexpr int kOverridingAttrCode = 201;
constexpr int kSkinFaceKind = 1;
constexpr int kExcludedFaceCode = 13;

struct WorkingFace {
    int nNode = 0;
    int node[4] = {};
};

}  // namespace

int CQVROptKer::ReadMeshData(char* fileName, int allNodeFlag) {
    if (NQBIO_GetPackageVersion() != kExpectedReaderVersion) {
        qvr::msg::log("NQBIO version does not match!");
    }
    NQBIO_Manipulator reader;
    qvr::msg::progress(m_nPrintLevel, fileName ? fileName : "");
    const int quiet = m_pExtras != nullptr ? m_pExtras->quietReading : kLoudReading;
    const auto refuse = [this, quiet](const char* why) {
        if (quiet < kSilentReading) qvr::msg::error(kCannotOpenMesh, "Can't open mesh file !\n");
        RecordError(kCannotOpenMesh, why);
        return kCannotOpenMesh;
    };
    if (fileName == nullptr) return refuse("no mesh file name given");
    // The file is opened once: the reader reports the encoding of what it read.
    reader.setQuiet(quiet >= kQuietReader);
    if (reader.beginReading(fileName, nullptr, 0) <= 0) return refuse(reader.getLastError());
    // Only a file that was read may mark the kernel: a refused file leaves it untouched.
    if (reader.getReadFormat() == NQBIO_FORMAT_BINARY) m_bFormatFlag = true;

    const int nodeInFile = reader.nMaxNodes;
    const int cellCount = reader.nMaxElemPlastic;
    const int surfaceInFile = reader.nMaxElemSurface;

    bool unitRecognised = true;
    std::string unitText = reader.getHeaderUnitString();  // for GetMeshUnitText
    const double dUnitFactor = qvr::unitFactorOf(unitText, unitRecognised);
    if (!unitRecognised) {
        qvr::msg::general("The unit of NQB is illegal. ");
    }
    qvr::msg::progressValues(m_nPrintLevel, "dUnitFactor = %lf\n", dUnitFactor);

    const auto nodeSlots = static_cast<std::size_t>(nodeInFile) + 1;
    std::vector<Cnode> fileNodes(nodeSlots);
    auto nodeInPart = std::make_unique<int[]>(nodeSlots);
    auto nodeKind = std::make_unique<int[]>(nodeSlots);
    auto nodeNewID = std::make_unique<int[]>(nodeSlots);
    std::vector<WorkingFace> faces;
    faces.reserve(static_cast<std::size_t>(surfaceInFile));
    qvr::PooledTable<CInnerCell> cells;
    cells.table = std::make_unique<CInnerCell[]>(static_cast<std::size_t>(cellCount) + 1);
    cells.count = cellCount;
    cells.reserveLists(static_cast<std::size_t>(cellCount) * (qvr::kMaxCellNodes + 1));
    auto cellKind = std::make_unique<int[]>(static_cast<std::size_t>(cellCount) + 1);
    for (int k = 0; k <= cellCount; ++k) cellKind[k] = 1;
    for (int i = 0; i <= nodeInFile; ++i) nodeInPart[i] = (allNodeFlag == 1) ? 1 : 0;

    // Node block.
    {
        float x = 0.0f, y = 0.0f, z = 0.0f;
        int k = 0;
        while (k < nodeInFile && reader.readNodeBlockEntry(x, y, z) >= 0) {
            ++k;
            fileNodes[k].x = static_cast<double>(x) * dUnitFactor;
            fileNodes[k].y = static_cast<double>(y) * dUnitFactor;
            fileNodes[k].z = static_cast<double>(z) * dUnitFactor;
        }
    }

    // Part element block.
    double totalVolume = 0.0;
    {
        const double volumeFactor = dUnitFactor * dUnitFactor * dUnitFactor;
        int nNode = 0, attrWord = 0, attrCode = 0;
        int nodes[qvr::kMaxCellNodes] = {};
        float volume = 0.0f;
        int k = 0;
        while (k < cellCount &&
               reader.readElementPlasticBlockEntry(nNode, nodes, attrWord, attrCode, volume) >= 0) {
            ++k;
            if (nNode < 1 || nNode > qvr::kMaxCellNodes)
                continue;  // the reader refuses these; never index with them
            CInnerCell& cell = cells.table[k];
            int* const list = cells.addList(cell, nNode);
            for (int j = 1; j <= nNode; ++j) list[j] = nodes[j - 1];
            totalVolume += static_cast<double>(volume) * volumeFactor;

            const bool marked = (static_cast<std::uint32_t>(attrWord) >> 24) != 0;
            for (int j = 1; j <= nNode; ++j) {
                const int n = cell.pNode[j];
                if (n < 1 || n > nodeInFile) continue;
                nodeInPart[n] = 1;
                if (attrCode <= kOrdinaryAttrCodeMax) {
                    if (!marked) {
                        nodeKind[n] = 1;
                        cellKind[k] = 0;
                    } else {
                        if (nodeKind[n] != 1) nodeKind[n] = -1;
                        cellKind[k] = -1;
                    }
                }
                if (attrCode >= kOverridingAttrCode) {
                    nodeKind[n] = -1;
                    cellKind[k] = -1;
                }
            }
        }
        cells.fitLists();
    }

    // Surface element block: kind 1 faces whose code is not 13; repeated corners collapse.
    {
        int nodes[4] = {};
        int kind = 0, aux1 = 0, aux2 = 0, code = 0, aux3 = 0;
        int read = 0;
        while (read < surfaceInFile &&
               reader.readElementSurfaceBlockEntry(nodes, kind, aux1, aux2, code, aux3) >= 0) {
            ++read;
            if (kind != kSkinFaceKind || code == kExcludedFaceCode) continue;
            WorkingFace f;
            for (int n : nodes) {
                bool taken = false;
                for (int t = 0; t < f.nNode; ++t) taken = taken || f.node[t] == n;
                if (!taken) f.node[f.nNode++] = n;
            }
            faces.push_back(f);
        }
    }
    reader.endReading();

    // Faces that use a node no solid cell uses have no place in the compacted node table.
    int surfaceCount = 0;
    for (const WorkingFace& f : faces) {
        bool usable = true;
        for (int t = 0; t < f.nNode; ++t) {
            const int n = f.node[t];
            usable = usable && n >= 1 && n <= nodeInFile && nodeInPart[n] == 1;
        }
        if (usable) faces[static_cast<std::size_t>(surfaceCount++)] = f;
    }
    qvr::PooledTable<CFaceElem> surfaces;
    surfaces.table = std::make_unique<CFaceElem[]>(static_cast<std::size_t>(surfaceCount) + 1);
    surfaces.count = surfaceCount;
    std::size_t faceListInts = 0;
    for (int i = 0; i < surfaceCount; ++i) {
        faceListInts += static_cast<std::size_t>(faces[static_cast<std::size_t>(i)].nNode) + 1;
    }
    surfaces.reserveLists(faceListInts);
    surfaces.fillLists(faces, surfaceCount);

    // Node compaction.
    int nodeCount = 0;
    auto nodeTable = qvr::compactNodes(
        nodeInFile, nodeInPart.get(), nodeNewID.get(),
        [&fileNodes](int i) {
            const Cnode& p = fileNodes[static_cast<std::size_t>(i)];
            return qvr::Vec3{p.x, p.y, p.z};
        },
        nodeCount);
    qvr::renumberAndMeasure(cells.table.get(), cellCount, surfaces.table.get(), surfaceCount,
                            nodeNewID.get(), nodeTable.get());

    // Everything that may fail to allocate comes before the commit.
    CQVROptKerExtras& extras = Extras();

    // Commit: release the previous mesh and take the new one. The tree holds the old mesh's
    // ids and boxes; a search on it would hand out ids the new tables do not have.
    const qvr::MeshCounts loaded{nodeInFile, cellCount, surfaceCount, nodeCount, totalVolume};
    qvr::installMesh(*this, loaded, nodeTable.release(), surfaces.release(), cells.release(),
                     nodeInPart.release(), nodeKind.release(), nodeNewID.release(),
                     cellKind.release());
    DropSearchTree();
    extras.meshUnit.swap(unitText);
    extras.surfacesInFile = surfaceInFile;
    RecordError(0, nullptr);

    if (qvr::msg::progressEnabled(m_nPrintLevel)) {
        qvr::msg::log("Mesh file read end");
        const std::string counts =
            "Number of Sufurace Elems      : " + std::to_string(m_nSurface) + " \n" +
            "Number of Part Elems          : " + std::to_string(m_nInnerCell) + " \n" +
            "Number of Nodes               : " + std::to_string(m_nNode) + " \n";
        qvr::msg::log(counts.c_str());
    }
    return 1;
}
