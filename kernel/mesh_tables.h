// The kernel's raw one-based mesh tables: their size limits and their release.
//
// The exported kernel keeps its tables as raw arrays because hosts read them directly; these
// helpers keep the ownership rules in one place.
#ifndef QVR_KERNEL_MESH_TABLES_H
#define QVR_KERNEL_MESH_TABLES_H

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>

#include "QVROptKer.h"
#include "kernel/vec3.h"

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

// A face or cell table being built, whose node lists share one block (see kPooledNodeListsMark):
// one allocation for the whole table rather than one per record, which saves the allocator's
// overhead of a small block per record and the time. Owned until release() hands it over.
template <typename Record>
struct PooledTable {
    std::unique_ptr<Record[]> table;
    int count = 0;
    std::unique_ptr<int[]> lists;
    std::size_t capacity = 0;
    std::size_t used = 0;

    PooledTable() = default;
    // Records 1..records (all zero) and room for listInts ints of lists.
    PooledTable(std::size_t records, std::size_t listInts)
        : table(std::make_unique<Record[]>(records + 1)), count(static_cast<int>(records)) {
        reserveLists(listInts);
    }
    // Room for `ints` ints of lists (each list is its node count + 1 ints).
    void reserveLists(std::size_t ints) {
        capacity = ints + 1;
        lists.reset(new int[capacity]);
        lists[0] = kPooledNodeListsMark;
        used = 1;
    }
    // Record r's list of nNode nodes (within the reserved room), entry 0 set to 0.
    int* addList(Record& r, int nNode) {
        r.pNode = lists.get() + used;
        r.pNode[0] = 0;
        r.nNode = nNode;
        used += static_cast<std::size_t>(nNode) + 1;
        return r.pNode;
    }
    // Records 1..n get the corners of items[0..n-1] (each with nNode and node[0..nNode-1]).
    template <typename Items>
    void fillLists(const Items& items, int n) {
        for (int i = 1; i <= n; ++i) {
            const auto& item = items[static_cast<std::size_t>(i - 1)];
            int* const list = addList(table[i], item.nNode);
            for (int j = 1; j <= item.nNode; ++j) list[j] = item.node[j - 1];
        }
    }
    // Gives back reserved room that no list took.
    void fitLists() {
        if (used == capacity) return;
        std::unique_ptr<int[]> fitted(new int[used]);
        std::copy_n(lists.get(), used, fitted.get());
        for (int i = 1; i <= count; ++i) {
            if (table[i].pNode != nullptr)
                table[i].pNode = fitted.get() + (table[i].pNode - lists.get());
        }
        lists = std::move(fitted);
        capacity = used;
    }
    Record* release() {
        table[0].pNode = lists.release();
        count = 0;
        return table.release();
    }
};

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

// The counts of a new mesh, as the kernel's fields name them.
struct MeshCounts {
    int nodeInFile = 0;
    int cellCount = 0;
    int surfaceCount = 0;
    int nodeCount = 0;
    double totalVolume = 0.0;
};

// The retained nodes (nodeInPart[i] == 1 for i in 1..nodeInFile) in file order from 1, each
// with coordinate(i) (a qvr::Vec3 in millimetres) and orgID i; nodeNewID[i] receives its new
// number and nodeCount the number of them.
template <typename Coordinate>
std::unique_ptr<Cnode[]> compactNodes(int nodeInFile, const int* nodeInPart, int* nodeNewID,
                                      Coordinate&& coordinate, int& nodeCount) {
    int retained = 0;
    for (int i = 1; i <= nodeInFile; ++i) retained += (nodeInPart[i] == 1) ? 1 : 0;
    auto nodes = std::make_unique<Cnode[]>(static_cast<std::size_t>(retained) + 1);
    nodeCount = 0;
    for (int i = 1; i <= nodeInFile; ++i) {
        if (nodeInPart[i] != 1) continue;
        ++nodeCount;
        const Vec3 p = coordinate(i);
        nodes[nodeCount].x = p.x;
        nodes[nodeCount].y = p.y;
        nodes[nodeCount].z = p.z;
        nodes[nodeCount].orgID = i;
        nodeNewID[i] = nodeCount;
    }
    return nodes;
}

// Renumbers the node lists of cells 1..cellCount and faces 1..surfaceCount from file numbers to
// the compacted table's, then sets their centroids and the faces' area vectors. A cell without
// nodes is left alone.
void renumberAndMeasure(CInnerCell* cells, int cellCount, CFaceElem* faces, int surfaceCount,
                        const int* nodeNewID, const Cnode* nodes);

// Releases the kernel's mesh and puts the new tables (owned by the kernel from here on) and
// counts in its place. Nothing in it can fail.
void installMesh(CQVROptKer& kernel, const MeshCounts& counts, Cnode* nodes, CFaceElem* faces,
                 CInnerCell* cells, int* nodeInPart, int* nodeKind, int* nodeNewID, int* cellKind);

}  // namespace qvr

#endif
