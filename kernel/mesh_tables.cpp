#include "kernel/mesh_tables.h"

#include "kernel/record_geometry.h"

namespace qvr {

namespace {

template <typename Record>
void releaseRecordTable(Record*& table, int count) {
    if (table == nullptr) return;
    if (table[0].pNode != nullptr && table[0].pNode[0] == kPooledNodeListsMark) {
        delete[] table[0].pNode;
    } else {
        for (int i = 0; i <= count; ++i) delete[] table[i].pNode;
    }
    delete[] table;
    table = nullptr;
}

}  // namespace

void releaseFaceTable(CFaceElem*& table, int count) { releaseRecordTable(table, count); }
void releaseCellTable(CInnerCell*& table, int count) { releaseRecordTable(table, count); }

void releaseMesh(CQVROptKer& kernel) {
    releaseArray(kernel.m_pNode);
    releaseFaceTable(kernel.m_pSurface, kernel.m_nSurface);
    releaseCellTable(kernel.p_Cell, kernel.m_nInnerCell);
    releaseArray(kernel.m_pNodeInPart);
    releaseArray(kernel.m_pNodeKind);
    releaseArray(kernel.m_pNodeNewID);
    releaseArray(kernel.m_pCellKind);
}

void renumberAndMeasure(CInnerCell* cells, int cellCount, CFaceElem* faces, int surfaceCount,
                        const int* nodeNewID, const Cnode* nodes) {
    for (int i = 1; i <= cellCount; ++i) {
        CInnerCell& cell = cells[i];
        if (cell.nNode < 1) continue;
        for (int j = 1; j <= cell.nNode; ++j) cell.pNode[j] = nodeNewID[cell.pNode[j]];
        setCentroid(cell, nodes);
    }
    for (int i = 1; i <= surfaceCount; ++i) {
        CFaceElem& face = faces[i];
        for (int j = 1; j <= face.nNode; ++j) face.pNode[j] = nodeNewID[face.pNode[j]];
        setCentroid(face, nodes);
    }
    for (int i = 1; i <= surfaceCount; ++i) setAreaVector(faces[i], nodes);
}

void installMesh(CQVROptKer& kernel, const MeshCounts& counts, Cnode* nodes, CFaceElem* faces,
                 CInnerCell* cells, int* nodeInPart, int* nodeKind, int* nodeNewID, int* cellKind) {
    releaseMesh(kernel);
    kernel.m_nNodeInFile = counts.nodeInFile;
    kernel.m_nInnerCell = counts.cellCount;
    kernel.m_nSurface = counts.surfaceCount;
    kernel.m_nNode = counts.nodeCount;
    kernel.TotalVolume = counts.totalVolume;
    kernel.m_pNode = nodes;
    kernel.m_pSurface = faces;
    kernel.p_Cell = cells;
    kernel.m_pNodeInPart = nodeInPart;
    kernel.m_pNodeKind = nodeKind;
    kernel.m_pNodeNewID = nodeNewID;
    kernel.m_pCellKind = cellKind;
}

}  // namespace qvr
