// The kernel's raw one-based mesh tables: their size limits and their release.
//
// The exported kernel keeps its tables as raw arrays because hosts read them directly; these
// helpers keep the ownership rules in one place.
#ifndef QVR_KERNEL_MESH_TABLES_H
#define QVR_KERNEL_MESH_TABLES_H

#include "QVROptKer.h"

namespace qvr {

// Most nodes of a solid cell: the hexahedron. Unit: count. Default 8; the element library
// interpolates cells of 4, 5, 6 and 8 nodes.
inline constexpr int kMaxCellNodes = 8;
// Most corners of a skin face: the quadrilateral. Unit: count. Default 4.
inline constexpr int kMaxFaceNodes = 4;

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

// Releases the kernel's mesh: nodes, skin faces and solid cells with their node lists, and the
// per-node and per-cell arrays of the file. Counts are left for the caller to set.
void releaseMesh(CQVROptKer& kernel);

}  // namespace qvr

#endif
