// A load that fails leaves the kernel as it was; a load that succeeds replaces the old mesh.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "KernelMeshFiles.h"

namespace {

using kerneltest::Encoding;
using kerneltest::load;
using kerneltest::MeshBuilder;
using kerneltest::unitCube;
using kerneltest::writeMesh;

// Every field of a kernel, and the contents behind its mesh pointers.
struct Snapshot {
    const void* pointers[11];
    int counts[6];
    double values[9];
    bool formatFlag;
    std::vector<double> nodes;
    std::vector<int> lists;

    explicit Snapshot(const CQVROptKer& k)
        : pointers{k.m_pMsgTool,  k.m_pADTree,        k.m_pNode,          k.m_pSurface,
                   k.p_Cell,      k.m_pNodeInPart,    k.m_pNodeKind,      k.m_pNodeNewID,
                   k.m_pCellKind, k.m_ppPassElemList, k.m_ppNearBlockList},
          counts{k.m_nNodeInFile, k.m_nNode,       k.m_nInnerCell,
                 k.m_nSurface,    k.m_nPrintLevel, k.m_nSlotCount},
          values{k.TotalVolume, k.Box_xMax, k.Box_yMax, k.Box_zMax,        k.Box_xMin,
                 k.Box_yMin,    k.Box_zMin, k.MinMesh,  k.AverageThickness},
          formatFlag(k.m_bFormatFlag) {
        for (int i = 1; k.m_pNode && i <= k.m_nNode; ++i) {
            nodes.insert(nodes.end(), {k.m_pNode[i].x, k.m_pNode[i].y, k.m_pNode[i].z});
        }
        for (int i = 1; k.m_pSurface && i <= k.m_nSurface; ++i) {
            const CFaceElem& f = k.m_pSurface[i];
            lists.insert(lists.end(), f.pNode, f.pNode + f.nNode + 1);
            nodes.insert(nodes.end(), {f.xc, f.yc, f.zc, f.ax, f.ay, f.az});
        }
        for (int i = 1; k.p_Cell && i <= k.m_nInnerCell; ++i) {
            const CInnerCell& c = k.p_Cell[i];
            lists.insert(lists.end(), c.pNode, c.pNode + c.nNode + 1);
            nodes.insert(nodes.end(), {c.xc, c.yc, c.zc});
        }
        for (int i = 0; k.m_pNodeKind && i <= k.m_nNodeInFile; ++i) {
            lists.insert(lists.end(), {k.m_pNodeInPart[i], k.m_pNodeKind[i], k.m_pNodeNewID[i]});
        }
        for (int i = 0; k.m_pCellKind && i <= k.m_nInnerCell; ++i)
            lists.push_back(k.m_pCellKind[i]);
    }
};

void expectSame(const Snapshot& a, const Snapshot& b) {
    for (int i = 0; i < 11; ++i) EXPECT_EQ(a.pointers[i], b.pointers[i]) << "pointer " << i;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(a.counts[i], b.counts[i]) << "count " << i;
    for (int i = 0; i < 9; ++i) EXPECT_EQ(a.values[i], b.values[i]) << "value " << i;
    EXPECT_EQ(a.formatFlag, b.formatFlag);
    EXPECT_EQ(a.nodes, b.nodes);
    EXPECT_EQ(a.lists, b.lists);
}

TEST(LoadFailure, ARefusedFileChangesNothing) {
    TempDir dir;
    const std::string text = dir.file("bad.nqb"), binary = dir.file("bad.nqbb");
    { std::ofstream(text) << "NQBTEXT 1\nUNIT mm\nCOUNTS 3 0 0\nNODES\n0 0 0\n1 1 1\nEND\n"; }
    std::string bytes;
    {
        std::ifstream in(writeMesh(dir, "good.nqbb", unitCube().mesh(), Encoding::Binary),
                         std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    { std::ofstream(binary, std::ios::binary) << bytes.substr(0, bytes.size() - 1); }
    const std::pair<std::string, std::string> refusals[] = {
        {text, text + ":7: NODES block ends after 2 of 3 nodes"},
        // The format is told before the file is checked; a refused binary file must still not
        // mark a kernel that holds a text mesh.
        {binary, binary + ":423: the file ends after 423 bytes"},
        {dir.file("absent.nqb"), dir.file("absent.nqb") + ":0: cannot open"},
        {dir.path().string(), dir.path().string() + ":0: cannot read"},
    };
    const std::string good = writeMesh(dir, "good.nqb", unitCube("cm", 2.0f).mesh());
    for (bool fresh : {true, false}) {
        CQVROptKer kernel;
        if (!fresh) {
            ASSERT_EQ(load(kernel, good).result, 1);
        }
        const Snapshot before(kernel);
        for (const auto& [path, where] : refusals) {
            const kerneltest::LoadOutcome o = load(kernel, path);
            EXPECT_EQ(o.result, 3301);
            // One reader diagnostic line, then the kernel's own message with the code.
            EXPECT_EQ(o.err.rfind(where, 0), 0u) << o.err;
            EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
            EXPECT_NE(o.out.find("Can't open mesh file !"), std::string::npos) << o.out;
            EXPECT_NE(o.out.find("3301"), std::string::npos) << o.out;
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(kernel.ReadMeshData(nullptr, 0), 3301);
        testing::internal::GetCapturedStdout();
        expectSame(before, Snapshot(kernel));
        // A good file afterwards loads normally.
        EXPECT_EQ(load(kernel, good).result, 1);
        EXPECT_EQ(kernel.m_nNode, 8);
    }
}

TEST(SecondLoad, ReplacesTheFirstMeshEntirely) {
    TempDir dir;
    const std::string cube = writeMesh(dir, "cube.nqb", unitCube("cm", 1.0f).mesh());
    MeshBuilder tet("mm");
    tet.node(0, 0, 0);
    tet.node(3, 0, 0);
    tet.node(0, 3, 0);
    tet.node(0, 0, 3);
    tet.cell({1, 2, 3, 4}, 4.5f);
    tet.face(1, 3, 2, 2);
    const std::string small = writeMesh(dir, "tet.nqb", tet.mesh());

    CQVROptKer kernel;
    ASSERT_EQ(load(kernel, cube).result, 1);
    EXPECT_DOUBLE_EQ(kernel.TotalVolume, 1000.0);
    ASSERT_EQ(load(kernel, small).result, 1);
    EXPECT_EQ(kernel.m_nNodeInFile, 4);
    EXPECT_EQ(kernel.m_nNode, 4);
    EXPECT_EQ(kernel.m_nInnerCell, 1);
    EXPECT_EQ(kernel.m_nSurface, 1);
    EXPECT_DOUBLE_EQ(kernel.TotalVolume, 4.5);   // not added to the first mesh's volume
    EXPECT_DOUBLE_EQ(kernel.m_pNode[2].x, 3.0);  // mm now, not scaled by the old unit
    EXPECT_EQ(kernel.p_Cell[1].nNode, 4);
    EXPECT_DOUBLE_EQ(kernel.m_pSurface[1].az, -4.5);
    // And back to the cube: the tables grow again (the sanitizer build checks the releases).
    ASSERT_EQ(load(kernel, cube).result, 1);
    EXPECT_EQ(kernel.m_nNode, 8);
    EXPECT_EQ(kernel.m_nSurface, 6);
    EXPECT_DOUBLE_EQ(kernel.TotalVolume, 1000.0);
}

}  // namespace
