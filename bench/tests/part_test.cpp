// The parts the benchmarks run on, generated or read from a Gmsh mesh: labels, ray sampling,
// inward rays, and the tree boxes the anchors take over.
#include <cmath>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bench_part.h"
#include "gmsh_part.h"
#include "tree_boxes.h"

namespace {

using namespace qvr::bench;

TEST(PartLabels, PowersOfTenAreWrittenAsExponents) {
    EXPECT_EQ(sizeLabel(10000), "1e4");
    EXPECT_EQ(sizeLabel(1000000), "1e6");
    EXPECT_EQ(sizeLabel(1), "1");
    EXPECT_EQ(sizeLabel(20000), "20000");
    EXPECT_EQ(sizeLabel(12345), "12345");
    EXPECT_EQ(partLabel(PartKey::generated(qvr::gen::CellType::Tet, 100000)), "tet/1e5");
}

RaySet numbered(int n) {
    RaySet r;
    for (int i = 1; i <= n; ++i) r.add(i, i, 0, 0, 0, 0, 1);
    return r;
}

TEST(RaySpread, TakesTheMiddleOfEqualRunsAndKeepsSmallSetsWhole) {
    const RaySet r = numbered(10);
    const RaySet two = r.spread(2);  // runs 1..5 and 6..10
    ASSERT_EQ(two.count, 2);
    EXPECT_EQ(two.node[1], 3);
    EXPECT_EQ(two.node[2], 8);
    EXPECT_EQ(two.x[2], 8.0);

    const RaySet all = r.spread(10);
    EXPECT_EQ(all.node, r.node);
    EXPECT_EQ(r.spread(50).count, 10);

    const RaySet many = numbered(1000).spread(7);
    std::set<int> distinct(many.node.begin() + 1, many.node.end());
    EXPECT_EQ(distinct.size(), 7u);
    EXPECT_EQ(many.node[0], 0);  // entry 0 stays unused, as SetSurfaceNode expects
}

// A small part of each origin, lying flat on z = 0 over [0, width] x [0, depth].
struct SmallPartCase {
    const char* name;
    PartKey (*key)();
    double width, depth;
};

PartKey generatedPlate() { return PartKey::generated(qvr::gen::CellType::Hex, 2000); }

// The 10 x 6 x 3 mm box of tetrahedra of the importer's tests, taken as a CAD-like part.
PartKey gmshBox() {
    PartKey key;
    std::string error;
    if (!gmshPartKey(QVR_TEST_DATA_DIR "/gmsh/box_tet_41.msh", key, error))
        throw std::runtime_error(error);
    return key;
}

const SmallPartCase kSmallParts[] = {{"GeneratedPlate", generatedPlate, 40, 20},
                                     {"GmshBox", gmshBox, 10, 6}};

class SmallPart : public ::testing::TestWithParam<SmallPartCase> {
protected:
    static void SetUpTestSuite() {
        for (const SmallPartCase& c : kSmallParts) {
            const PartKey key = c.key();
            parts_.push_back(preparePart(key, writePart(key)).release());
        }
    }
    static void TearDownTestSuite() {
        for (Part* p : parts_) delete p;
        parts_.clear();
    }
    static Part& part() {
        std::size_t k = 0;
        while (k + 1 < std::size(kSmallParts) &&
               std::string(kSmallParts[k].name) != GetParam().name)
            ++k;
        return *parts_.at(k);
    }
    static std::vector<Part*> parts_;
};
std::vector<Part*> SmallPart::parts_;

TEST_P(SmallPart, FilesAndTablesDescribeTheSameMesh) {
    const Part& p = part();
    EXPECT_EQ(p.kernel->m_nInnerCell, p.files->cells);
    EXPECT_EQ(p.kernel->m_nSurface, p.files->faces);
    EXPECT_GT(p.files->textBytes, 0u);
    EXPECT_GT(p.files->binaryBytes, 0u);
    EXPECT_EQ(static_cast<int>(p.queries.size()), kQueryCount);
    EXPECT_EQ(p.sample.count, std::min(kRaySampleSize, p.skin.count));
    EXPECT_FALSE(p.surfaceNodesSampled());
    EXPECT_EQ(p.surfaceNodeRays.count, p.skin.count);

    // The text mesh holds what the binary one does.
    CQVROptKer fromText;
    std::vector<char> text = cPath(p.files->textMesh);
    ASSERT_EQ(fromText.ReadMeshData(text.data(), 0), 1);
    EXPECT_EQ(fromText.m_nInnerCell, p.kernel->m_nInnerCell);
    EXPECT_EQ(fromText.m_nNode, p.kernel->m_nNode);
    EXPECT_EQ(fromText.m_nSurface, p.kernel->m_nSurface);
    EXPECT_EQ(fromText.m_pNode[fromText.m_nNode].z, p.kernel->m_pNode[p.kernel->m_nNode].z);
}

// A part read from a mesh keeps the mesh's own cells, and is named after its file.
TEST(GmshPart, KeepsTheMeshsCellsAndIsNamedAfterItsFile) {
    const PartKey key = gmshBox();
    EXPECT_EQ(partLabel(key), "cad/box_tet_41");
    nqbio::MeshData mesh;
    k7t::ResultFile results;
    std::string error;
    ASSERT_TRUE(readGmshPart(key.gmshMesh, mesh, results, error)) << error;
    EXPECT_EQ(key.cells, static_cast<long long>(mesh.parts.size()));
    double volume = 0;
    for (const auto& cell : mesh.parts) volume += cell.volume;
    EXPECT_NEAR(volume, 180.0, 1e-3);  // 10 x 6 x 3 mm
    const std::unique_ptr<PartFiles> files = writePart(key);
    EXPECT_EQ(files->cells, static_cast<int>(mesh.parts.size()));
    EXPECT_EQ(files->nodes, mesh.nodeCount());
    EXPECT_FALSE(readGmshPart(QVR_TEST_DATA_DIR "/gmsh/box_tet.geo", mesh, results, error));
    EXPECT_FALSE(error.empty());
}

// Every skin node of the part, and only those, gets a ray; on the flat bottom (z = 0, away
// from the part's edges) the inward ray points straight up.
TEST_P(SmallPart, RaysStartAtSkinNodesAndPointIntoThePart) {
    const Part& p = part();
    const double width = GetParam().width, depth = GetParam().depth;
    const CQVROptKer& k = *p.kernel;
    std::set<int> skinNodes;
    for (int f = 1; f <= k.m_nSurface; ++f)
        for (int c = 1; c <= k.m_pSurface[f].nNode; ++c) skinNodes.insert(k.m_pSurface[f].pNode[c]);
    EXPECT_EQ(static_cast<int>(skinNodes.size()), p.skin.count);

    int bottom = 0;
    for (int i = 1; i <= p.skin.count; ++i) {
        const auto j = static_cast<std::size_t>(i);
        EXPECT_TRUE(skinNodes.count(p.skin.node[j]));
        const Cnode& n = k.m_pNode[p.skin.node[j]];
        EXPECT_EQ(p.skin.x[j], n.x);
        const bool inner = n.x > 1e-9 && n.x < width - 1e-9 && n.y > 1e-9 && n.y < depth - 1e-9;
        if (n.z == 0.0 && inner) {
            ++bottom;
            EXPECT_GT(p.skin.dz[j], 0.0);
            EXPECT_NEAR(p.skin.dx[j], 0.0, 1e-12 * std::fabs(p.skin.dz[j]));
            EXPECT_NEAR(p.skin.dy[j], 0.0, 1e-12 * std::fabs(p.skin.dz[j]));
        }
    }
    EXPECT_GT(bottom, 0);
}

// The anchors answer the queries from the tree's own boxes; a brute-force count over those
// boxes must find what the tree finds, query by query.
TEST_P(SmallPart, TreeBoxesAnswerTheQueriesAsTheTreeDoes) {
    Part& p = part();
    const TreeBoxes boxes = treeBoxes(*p.kernel);
    EXPECT_EQ(boxes.count(), p.kernel->m_nSurface + p.kernel->m_nInnerCell);
    const std::vector<int> expected = treeFoundCounts(p);
    long long total = 0;
    for (std::size_t q = 0; q < p.queries.size(); ++q) {
        const auto b = floatQuery(p.queries[q]);
        int found = 0;
        for (int i = 0; i < boxes.count(); ++i) {
            const float* x = &boxes.box[6 * static_cast<std::size_t>(i)];
            found += x[0] <= b[3] && x[1] <= b[4] && x[2] <= b[5] && b[0] <= x[3] && b[1] <= x[4] &&
                     b[2] <= x[5];
        }
        ASSERT_EQ(found, expected[q]) << "query " << q;
        total += found;
    }
    EXPECT_GE(total, static_cast<long long>(p.queries.size()));  // centred on cells: never empty
}

INSTANTIATE_TEST_SUITE_P(Origins, SmallPart, ::testing::ValuesIn(kSmallParts),
                         [](const ::testing::TestParamInfo<SmallPartCase>& origin) {
                             return std::string(origin.param.name);
                         });

}  // namespace
