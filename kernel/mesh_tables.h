// Release and resize helpers for the kernel's raw one-based tables.
//
// The exported kernel keeps its tables as raw arrays because hosts read them directly; these
// helpers keep the ownership rules in one place.
#ifndef QVR_KERNEL_MESH_TABLES_H
#define QVR_KERNEL_MESH_TABLES_H

#include "QVROptKer.h"

namespace qvr {

// A table whose node lists share one block: record 0, never an item, holds the block, whose
// first int is this mark; every other record's list lies inside it. In a table whose records
// each own their list, record 0's list is null or starts with 0.
inline constexpr int kPooledNodeListsMark = -1;

// Releases a face or cell table together with its node lists: the shared block of a pooled
// table, otherwise the list of each record 0..count.
void releaseFaceTable(CFaceElem*& table, int count);
void releaseCellTable(CInnerCell*& table, int count);

template <typename T>
void releaseArray(T*& array) {
    delete[] array;
    array = nullptr;
}

// Makes both slot tables hold exactly slotCount entries. Lists of slots that remain are kept;
// lists of dropped slots are released; new entries are empty.
void resizeSlotTables(CQVROptKer& kernel, int slotCount);
// Releases both slot tables with every list in them.
void releaseSlotTables(CQVROptKer& kernel);

// A list that callers may read but that is never released: the answer of a search that
// cannot run (no tree, slot out of range).
const int* emptySearchList();

// Whether `slot` names an existing entry of the slot tables.
bool slotInRange(const CQVROptKer& kernel, int slot);

}  // namespace qvr

#endif
