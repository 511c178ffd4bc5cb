// `qvr demo`: it runs, and what it writes is complete and readable.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"
#include "QvrRunner.h"
#include "TempDir.h"
#include "XmlDocument.h"

namespace {

// The skin nodes as the kernel retains them, counted from the file: nodes of the surface
// elements of kind 1 and code other than 13 whose nodes solid cells all use.
std::set<int> skinNodesOf(const nqbio::MeshData& mesh) {
    std::set<int> used, skin;
    for (const nqbio::PartElement& e : mesh.parts)
        for (int k = 0; k < e.nNode; ++k) used.insert(e.node[k]);
    for (const nqbio::SurfaceElement& s : mesh.surfaces) {
        if (s.kind != 1 || s.code == 13) continue;
        bool kept = true;
        for (int n : s.node) kept = kept && used.count(n);
        if (kept) skin.insert(s.node, s.node + 4);
    }
    return skin;
}

TEST(Demo, WritesTheInputsAndOneProfilePerSkinNodeInReadableFiles) {
    TempDir dir;
    const std::string out = dir.file("demo");
    const QvrResult r = runQvr({"demo", "--out", out}, dir.path().string());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no progress bar when stderr is not a terminal";
    for (const char* f : {"part.nqb", "fiber.k7t", "profiles.csv", "profiles.vtu", "profile.svg"}) {
        EXPECT_TRUE(std::filesystem::exists(out + "/" + f)) << f;
        EXPECT_NE(r.out.find(out + "/" + f), std::string::npos) << "listed: " << f;
    }

    nqbio::MeshData mesh;
    std::string error;
    ASSERT_TRUE(nqbio::readMesh(out + "/part.nqb", mesh, &error)) << error;
    std::set<int> kinds;
    for (const nqbio::PartElement& e : mesh.parts) kinds.insert(e.nNode);
    EXPECT_EQ(kinds, (std::set<int>{4, 5, 6, 8})) << "the sample part has all four cell kinds";
    const std::set<int> skin = skinNodesOf(mesh);
    k7t::ResultFile result;
    ASSERT_TRUE(k7t::read(out + "/fiber.k7t", result, &error)) << error;
    EXPECT_EQ(result.elemCount, static_cast<long long>(mesh.parts.size()));

    const auto rows = readCsv(out + "/profiles.csv");
    const std::size_t layers = 11;
    ASSERT_EQ(rows.size(), skin.size() * layers + 1);
    std::set<int> nodesInCsv;
    std::size_t crossed = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 12u);
        nodesInCsv.insert(std::stoi(rows[i][0]));
        if (rows[i][4] == "11" && rows[i][5] != "nan") ++crossed;
    }
    EXPECT_EQ(nodesInCsv, skin);

    const XmlDocument vtu = parseXmlFile(out + "/profiles.vtu");
    ASSERT_TRUE(vtu.wellFormed) << vtu.error;
    ASSERT_EQ(vtu.named("Piece").size(), 1u);
    EXPECT_EQ(std::stoul(vtu.named("Piece")[0]->attributes.at("NumberOfCells")),
              mesh.surfaces.size() + crossed);
    const XmlDocument svg = parseXmlFile(out + "/profile.svg");
    ASSERT_TRUE(svg.wellFormed) << svg.error;
    EXPECT_EQ(svg.named("polyline").size(), 12u);

    // The summary names every kind with its count as the file has it.
    long long count[9] = {};
    for (const nqbio::PartElement& e : mesh.parts) ++count[e.nNode];
    EXPECT_NE(r.out.find("hex " + std::to_string(count[8])), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("pyramid " + std::to_string(count[5])), std::string::npos);
    EXPECT_NE(r.out.find("skin nodes  " + std::to_string(skin.size())), std::string::npos);
}

}  // namespace
