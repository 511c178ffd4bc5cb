// Loaded face and cell tables keep all their node lists in one block held by record 0; the
// lists read as before, and every way a table is released handles the block (the sanitizer
// build checks the releases).
#include <gtest/gtest.h>

#include <vector>

#include "KernelMeshBuilder.h"
#include "OracleParts.h"
#include "QVROptKer.h"
#include "kernel/mesh_tables.h"

namespace {

template <typename Record>
void expectPooled(const Record* table, int count) {
    ASSERT_NE(table[0].pNode, nullptr);
    EXPECT_EQ(table[0].pNode[0], qvr::kPooledNodeListsMark);
    EXPECT_EQ(table[0].nNode, 0);
    // Lists follow one another in record order, each with entry 0 set to 0.
    const int* expected = table[0].pNode + 1;
    for (int i = 1; i <= count; ++i) {
        ASSERT_EQ(table[i].pNode, expected) << i;
        EXPECT_EQ(table[i].pNode[0], 0);
        expected += table[i].nNode + 1;
    }
}

TEST(NodeListPool, LoadedTablesShareOneBlockAndReadAsTheFile) {
    const std::vector<oracle::NamedPart> parts = oracle::testParts();
    for (std::size_t p : {std::size_t{0}, std::size_t{4}, std::size_t{9}}) {
        const nqbio::MeshData& mesh = parts[p].mesh;
        CQVROptKer k;
        ASSERT_TRUE(oracle::loadPart(mesh, k));
        expectPooled(k.p_Cell, k.m_nInnerCell);
        expectPooled(k.m_pSurface, k.m_nSurface);
        // Every node of the file is used by a cell, so node numbers are kept.
        ASSERT_EQ(k.m_nInnerCell, static_cast<int>(mesh.parts.size()));
        for (int c = 1; c <= k.m_nInnerCell; ++c) {
            const auto& want = mesh.parts[static_cast<std::size_t>(c - 1)];
            ASSERT_EQ(k.p_Cell[c].nNode, want.nNode);
            for (int j = 1; j <= want.nNode; ++j) {
                ASSERT_EQ(k.m_pNode[k.p_Cell[c].pNode[j]].orgID, want.node[static_cast<std::size_t>(j - 1)]);
            }
        }
    }
}

TEST(NodeListPool, EveryReleaseHandlesPooledAndPerRecordTables) {
    const std::vector<oracle::NamedPart> parts = oracle::testParts();
    CQVROptKer k;
    ASSERT_TRUE(oracle::loadPart(parts[1].mesh, k));
    ASSERT_TRUE(oracle::loadPart(parts[2].mesh, k));  // a second load releases the first
    expectPooled(k.p_Cell, k.m_nInnerCell);

    // A table whose records own their lists, put in place of a pooled one and back.
    qvrtest::KernelMeshBuilder b;
    b.addBlock({qvrtest::CellKind::Tet, 2, 2, 1, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0});
    b.install(k);
    EXPECT_EQ(k.p_Cell[0].pNode, nullptr);
    ASSERT_EQ(k.InitialzeSearch(1), 1);
    ASSERT_TRUE(oracle::loadPart(parts[3].mesh, k));
    expectPooled(k.m_pSurface, k.m_nSurface);
    // The destructor releases the pooled tables of the last load.
}

}  // namespace
