#include "kernel/mesh_tables.h"

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

}  // namespace qvr
