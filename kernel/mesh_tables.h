// Release helpers for the kernel's raw one-based mesh tables.
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

}  // namespace qvr

#endif
