// The qvr program run as a user runs it: what each command writes, what the options change,
// and every documented exit code with its one line on standard error.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>

#include "CQVR3DResultReader_Manipulator.h"
#include "MeshAudit.h"
#include "QvrTestSupport.h"
#include "TempDir.h"
#include "fiber_fields.h"

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

::testing::AssertionResult runs(const std::vector<std::string>& args, const std::string& scratch) {
    const QvrResult r = runQvr(args, scratch);
    if (r.exitCode == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit code " << r.exitCode << ": " << r.err;
}

nqbio::MeshData readOrFail(const std::string& path) {
    nqbio::MeshData mesh;
    std::string error;
    EXPECT_TRUE(nqbio::readMesh(path, mesh, &error)) << error;
    return mesh;
}

// One profiles.csv row.
struct Row {
    int node, layer, wall;
    double x, y, z, depth;
    std::array<double, 6> a;  // a11 a22 a33 a12 a23 a13
};
// Rows by the header's column names, so that the test reads what a script reading the file
// by name would.
std::vector<Row> rowsOf(const std::string& csv) {
    std::vector<Row> rows;
    const auto table = readCsv(csv);
    std::map<std::string, std::size_t> column;
    for (std::size_t c = 0; c < table.at(0).size(); ++c) column[table[0][c]] = c;
    const auto at = [&](const std::vector<std::string>& f, const char* name) {
        return f.at(column.at(name));
    };
    for (std::size_t i = 1; i < table.size(); ++i) {
        const auto& f = table[i];
        Row row{std::stoi(at(f, "node")),  std::stoi(at(f, "layer")),
                std::stoi(at(f, "wall")),  std::stod(at(f, "x")),
                std::stod(at(f, "y")),     std::stod(at(f, "z")),
                std::stod(at(f, "depth")), {}};
        const char* names[6] = {"a11", "a22", "a33", "a12", "a23", "a13"};
        for (std::size_t k = 0; k < 6; ++k) row.a[k] = std::stod(at(f, names[k]));
        rows.push_back(row);
    }
    return rows;
}

// Checks every ray of `layers` rows: evenly spaced points; where the ray starts on one of the
// two big faces of a plate (lx x ly, `thickness` thick, `plane` giving a point in the plate's
// own frame), away from its edges, the last point lies at depth `thickness`. Returns how many
// rays that held for.
template <class Plane>
int raysAcross(const std::vector<Row>& rows, std::size_t layers, double lx, double ly,
               double thickness, double tolerance, Plane plane) {
    int checked = 0;
    for (std::size_t i = 0; i + layers <= rows.size(); i += layers) {
        const Row& last = rows[i + layers - 1];
        for (std::size_t j = 0; j < layers; ++j) {
            EXPECT_EQ(rows[i + j].node, last.node);
            // The CSV gives values to single precision (two units of the last place).
            EXPECT_NEAR(rows[i + j].depth, last.depth * j / (layers - 1),
                        2.4e-7 * last.depth + 1e-12);
        }
        const std::array<double, 3> p = plane(last.x, last.y, last.z);
        const bool onBigFace = std::fabs(p[2]) < 1e-4 || std::fabs(p[2] - thickness) < 1e-4;
        if (!onBigFace || p[0] < 1e-3 || p[0] > lx - 1e-3 || p[1] < 1e-3 || p[1] > ly - 1e-3)
            continue;
        EXPECT_NEAR(last.depth, thickness, tolerance) << "node " << last.node;
        ++checked;
    }
    return checked;
}

std::array<double, 3> asIs(double x, double y, double z) { return {x, y, z}; }

std::set<int> nodesOf(const std::vector<Row>& rows) {
    std::set<int> nodes;
    for (const Row& row : rows) nodes.insert(row.node);
    return nodes;
}

std::set<int> skinNodes(const nqbio::MeshData& mesh) {
    std::set<int> nodes;
    for (const nqbio::SurfaceElement& f : mesh.surfaces) nodes.insert(f.node, f.node + 4);
    return nodes;
}

TEST(Generate, EveryKindWritesASoundPartAndATensorFieldForIt) {
    TempDir dir;
    const std::string s = dir.path().string();
    for (const char* kind : {"plate", "ribbed-plate", "tube", "rotated-plate"}) {
        SCOPED_TRACE(kind);
        const QvrResult r = runQvr({"generate", kind, dir.file("m.nqb"), dir.file("m.k7t"),
                                    "--cells", "3000", "--type", "mixed"},
                                   s);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const nqbio::MeshData mesh = readOrFail(dir.file("m.nqb"));
        EXPECT_TRUE(mesh.parts.size() > 1000u && mesh.parts.size() < 9000u) << mesh.parts.size();
        for (int n : {4, 5, 6, 8}) EXPECT_GT(cellsWithNodes(mesh, n), 0) << n << "-node cells";
        k7t::ResultFile result;  // its values: the extraction tests below
        ASSERT_TRUE(k7t::read(dir.file("m.k7t"), result));
        EXPECT_TRUE(result.elemCount == static_cast<long long>(mesh.parts.size()) &&
                    result.items.size() == 6u);
    }
    // Sizes, unit, encoding and scale (2 in each direction: 8 times the volume) as given.
    ASSERT_TRUE(runs({"generate",
                      "plate",
                      dir.file("a.nqb"),
                      "--lx",
                      "10",
                      "--ly",
                      "5",
                      "--thickness",
                      "3",
                      "--nx",
                      "5",
                      "--ny",
                      "2",
                      "--nz",
                      "3",
                      "--binary",
                      "--unit",
                      "cm",
                      "--scale",
                      "2"},
                     s));
    EXPECT_EQ(readText(dir.file("a.nqb")).substr(0, 4), "NQBB");
    const nqbio::MeshData mesh = readOrFail(dir.file("a.nqb"));
    EXPECT_EQ(mesh.unit, "cm");
    EXPECT_EQ(mesh.parts.size(), 5u * 2u * 3u);
    expectSoundMesh(mesh, 10 * 5 * 3 * 8.0, 2 * (50 + 30 + 15) * 4.0, 2);
    // convert: text to binary and back gives the same text.
    ASSERT_TRUE(runs(
        {"generate", "ribbed-plate", dir.file("t.nqb"), "--cells", "500", "--type", "prism"}, s));
    ASSERT_TRUE(runs({"convert", dir.file("t.nqb"), dir.file("b.nqb"), "--binary"}, s));
    ASSERT_TRUE(runs({"convert", dir.file("b.nqb"), dir.file("t2.nqb"), "--text"}, s));
    EXPECT_EQ(readText(dir.file("b.nqb")).substr(0, 4), "NQBB");
    EXPECT_EQ(readText(dir.file("t2.nqb")), readText(dir.file("t.nqb")));
}

TEST(Info, MeshAndResultFilesAreDescribed) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_TRUE(
        runs({"generate", "plate", dir.file("p.nqb"), dir.file("p.k7t"), "--lx", "40", "--ly", "20",
              "--thickness", "2", "--nx", "8", "--ny", "4", "--nz", "2", "--type", "tet"},
             s));
    const QvrResult r = runQvr({"info", dir.file("p.nqb")}, s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // 64 blocks x 6; volume over half the skin area: 1600 / (40*20 + 40*2 + 20*2) = 1.739...
    for (const char* line : {"tetrahedra 384", "(0, 0, 0) .. (40, 20, 2) mm",
                             "total volume   1600 mm^3", "avg thickness  1.73913 mm"})
        EXPECT_TRUE(has(r.out, line)) << line << "\n" << r.out;
    const QvrResult k = runQvr({"info", dir.file("p.k7t")}, s);
    ASSERT_EQ(k.exitCode, 0) << k.err;
    EXPECT_TRUE(has(k.out, "384 elements")) << k.out;
    for (const char* c : {"a11", "a22", "a33", "a12", "a13", "a23"})
        EXPECT_TRUE(has(k.out, std::string("FiberOrientation_") + c)) << c;
}

// A Gmsh box of tetrahedra, 10 x 6 x 3 in cm: imported with a sample result, described in mm,
// and measured 30 mm thick between its big faces.
TEST(Import, AGmshBoxIsImportedDescribedAndMeasured) {
    TempDir dir;
    const std::string s = dir.path().string();
    const QvrResult r =
        runQvr({"import", std::string(QVR_TEST_DATA_DIR) + "/gmsh/box_tet_41_bin.msh",
                dir.file("g.nqb"), "--binary", "--unit", "cm", "--fiber", dir.file("g.k7t")},
               s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readOrFail(dir.file("g.nqb")).unit, "cm");
    EXPECT_TRUE(has(runQvr({"info", dir.file("g.nqb")}, s).out, "(0, 0, 0) .. (100, 60, 30) mm"));
    const QvrResult x =
        runQvr({"extract", dir.file("g.nqb"), dir.file("g.k7t"), "--out", dir.file("x")}, s);
    ASSERT_EQ(x.exitCode, 0) << x.err;
    EXPECT_GT(raysAcross(rowsOf(dir.file("x/profiles.csv")), 11, 100, 60, 30, 1e-6, asIs), 0);
}

struct PlateCase {
    const char* kind;
    const char* type;
};
// Printed as the generator's words, not as the struct's raw bytes (which hold pointers).
void PrintTo(const PlateCase& c, std::ostream* os) { *os << c.kind << " " << c.type; }
class ExtractPlate : public ::testing::TestWithParam<PlateCase> {};

// A 12 x 8 x 2.5 mm plate on 6 x 4 x 3 blocks, also turned off the axes (about 1 2 3 by 30
// degrees): the ray of every interior node of a big face (5 x 3 on each) measures 2.5 mm.
TEST_P(ExtractPlate, TheBigFacesMeasureThePlateThickness) {
    TempDir dir;
    const std::string s = dir.path().string();
    const bool turned = std::string(GetParam().kind) == "rotated-plate";
    ASSERT_TRUE(runs({"generate", GetParam().kind, dir.file("p.nqb"), dir.file("p.k7t"), "--type",
                      GetParam().type, "--lx", "12", "--ly", "8", "--thickness", "2.5", "--nx", "6",
                      "--ny", "4", "--nz", "3"},
                     s));
    const QvrResult r =
        runQvr({"extract", dir.file("p.nqb"), dir.file("p.k7t"), "--out", dir.file("x")}, s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<Row> rows = rowsOf(dir.file("x/profiles.csv"));
    const std::set<int> nodes = nodesOf(rows);
    EXPECT_EQ(rows.size(), 11 * nodes.size());
    EXPECT_TRUE(has(r.out, "skin nodes  " + std::to_string(nodes.size()) + " ")) << r.out;
    const qvr::cli::Matrix3 m =
        qvr::cli::rotationMatrix({1, 2, 3}, turned ? std::acos(-1.0) / 6 : 0.0);
    const auto plane = [&m](double x, double y, double z) {  // R^T p
        std::array<double, 3> p{};
        for (std::size_t i = 0; i < 3; ++i) p[i] = m[0][i] * x + m[1][i] * y + m[2][i] * z;
        return p;
    };
    EXPECT_EQ(raysAcross(rows, 11, 12, 8, 2.5, turned ? 1e-4 : 1e-9, plane), 2 * 5 * 3);
    // The skin-shell-core field has trace 1, a33 = 0.04 and a23 = 0.005 in every cell; node means
    // and interpolation (weights summing to 1) keep that at every sample point. A turn keeps
    // the trace only.
    for (const Row& row : rows) {
        EXPECT_NEAR(row.a[0] + row.a[1] + row.a[2], 1.0, 1e-6) << "node " << row.node;
        if (turned) continue;
        EXPECT_NEAR(row.a[2], 0.04, 1e-7);
        EXPECT_NEAR(row.a[4], 0.005, 1e-7);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCellType, ExtractPlate,
                         ::testing::Values(PlateCase{"plate", "hex"}, PlateCase{"plate", "prism"},
                                           PlateCase{"plate", "tet"}, PlateCase{"plate", "pyramid"},
                                           PlateCase{"plate", "mixed"},
                                           PlateCase{"rotated-plate", "tet"}),
                         [](const auto& p) {
                             return std::string(p.param.kind[0] == 'r' ? "rotated_" : "") +
                                    p.param.type;
                         });

TEST(Extract, NodesLayersModeAndThePlottedNodeFollowTheOptions) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_TRUE(runs({"generate", "plate", dir.file("p.nqb"), dir.file("p.k7t"), "--nx", "4",
                      "--ny", "2", "--nz", "2"},
                     s));
    std::ofstream(dir.file("nodes.txt")) << "# three skin nodes, one twice\n7, 3\n\n1 3  # again\n";
    const QvrResult r = runQvr(
        {"extract", dir.file("p.nqb"), dir.file("p.k7t"), "--out", dir.file("x"), "--nodes",
         dir.file("nodes.txt"), "--layers", "4", "--plot-node", "3", "--thickness", "centroid"},
        s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<Row> rows = rowsOf(dir.file("x/profiles.csv"));
    ASSERT_EQ(rows.size(), 3u * 4u);
    const int order[3] = {7, 3, 1};
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(std::make_pair(rows[i].node, rows[i].layer),
                  std::make_pair(order[i / 4], static_cast<int>(i % 4) + 1));
    EXPECT_TRUE(has(readText(dir.file("x/profile.svg")), "node 3 "));
    EXPECT_TRUE(has(r.out, "node 3 at")) << "the table shows the plotted node";
    EXPECT_TRUE(has(r.out, "centroid mode")) << r.out;

    // The same table compressed, named so in the list of files; the plain one of the first run
    // leaves the folder.
    const QvrResult packed =
        runQvr({"extract", dir.file("p.nqb"), dir.file("p.k7t"), "--out", dir.file("x"), "--nodes",
                dir.file("nodes.txt"), "--layers", "4", "--csv", "gz"},
               s);
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_TRUE(has(packed.out, "x/profiles.csv.gz (gzip-compressed CSV, 13 rows)")) << packed.out;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x/profiles.csv")));
    EXPECT_GT(readText(dir.file("x/profiles.csv.gz")).size(), 20u);
}

// The profiles do not depend on how many threads trace and classify the rays (the `wall`
// column holds both answers, so a ray classified on the wrong thread's record would show); a
// negative count is refused.
TEST(Extract, ThreadCountsGiveTheSameProfilesByteForByte) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_TRUE(runs({"generate", "ribbed-plate", dir.file("p.nqb"), dir.file("p.k7t"), "--cells",
                      "3000", "--type", "mixed"},
                     s));
    std::string first;
    for (const char* threads : {"1", "3", "0"}) {
        const std::string out = dir.file(std::string("t") + threads);
        const QvrResult r = runQvr(
            {"extract", dir.file("p.nqb"), dir.file("p.k7t"), "--out", out, "--threads", threads},
            s);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string csv = readText(out + "/profiles.csv");
        ASSERT_FALSE(csv.empty());
        if (first.empty()) first = csv;
        EXPECT_TRUE(csv == first) << threads << " threads";
    }
    std::size_t wallRows[2] = {0, 0};
    std::istringstream rows(first);
    std::string row;
    std::getline(rows, row);
    ASSERT_EQ(row.rfind("node,x,y,z,layer,depth,wall,", 0), 0u) << row;
    while (std::getline(rows, row)) {
        std::size_t at = 0;
        for (int field = 0; field < 6 && at != std::string::npos; ++field)
            at = row.find(',', at + 1);
        if (at != std::string::npos && at + 1 < row.size()) ++wallRows[row[at + 1] == '1' ? 1 : 0];
    }
    EXPECT_GT(wallRows[0], 0u);
    EXPECT_GT(wallRows[1], 0u);
    EXPECT_EQ(
        runQvr({"extract", dir.file("p.nqb"), dir.file("p.k7t"), "--threads", "-1"}, s).exitCode,
        2);
}

TEST(Demo, WritesTheInputsAndOneProfilePerSkinNodeAndShowsANodeUnderThePlate) {
    TempDir dir;
    const std::string out = dir.file("demo");
    const QvrResult r = runQvr({"demo", "--out", out}, dir.path().string());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no progress bar when stderr is not a terminal";
    for (const char* f : {"part.nqb", "fiber.k7t", "profiles.csv", "profiles.vtu", "profile.svg"})
        EXPECT_TRUE(std::filesystem::exists(out + "/" + f) && has(r.out, out + "/" + f)) << f;
    const nqbio::MeshData mesh = readOrFail(out + "/part.nqb");
    for (int n : {4, 5, 6, 8})
        EXPECT_GT(cellsWithNodes(mesh, n), 0) << "every kind in the part: " << n;
    const std::set<int> skin = skinNodes(mesh);  // the generator's, all of which the kernel retains
    const std::vector<Row> rows = rowsOf(out + "/profiles.csv");
    EXPECT_EQ(nodesOf(rows), skin);
    EXPECT_EQ(rows.size(), 11 * skin.size());
    // The node shown: on the underside (z = 0) of the 2.5 mm plate, between the ribs that stand
    // at y = 10 and 20 mm.
    double x = 0, y = 0, z = -1, t = 0;
    const std::size_t table = r.out.find("\nnode ");
    ASSERT_NE(table, std::string::npos) << r.out;
    ASSERT_EQ(std::sscanf(r.out.c_str() + table,
                          "\nnode %*d at (%lf, %lf, %lf) mm, ray %*s %*s %*s "
                          "thickness %lf",
                          &x, &y, &z, &t),
              4)
        << r.out;
    EXPECT_TRUE(z == 0 && y > 10 && y < 20 && t == 2.5) << r.out;
}

// Each documented exit code: 0 with nothing on standard error, otherwise exactly one line
// "qvr: ..." that names what went wrong.
TEST(ExitCodes, EachFailureHasItsCodeAndOneLineNamingTheCause) {
    TempDir dir;
    const std::string s = dir.path().string(), p = dir.file("p.nqb"), k = dir.file("p.k7t");
    ASSERT_TRUE(runs({"generate", "plate", p, k, "--nx", "4", "--ny", "2", "--nz", "2"}, s));
    ASSERT_TRUE(runs({"generate", "plate", dir.file("q.nqb"), dir.file("q.k7t"), "--nx", "5"}, s));
    const auto write = [&dir](const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
        return dir.file(name);
    };
    const std::string mesh = readText(p), result = readText(k);
    // A node inside the part: used by cells, on no skin face.
    const nqbio::MeshData m = readOrFail(p);
    const std::set<int> onSkin = skinNodes(m);
    int inner = 1;
    while (onSkin.count(inner)) ++inner;
    k7t::ResultFile pressure;  // the right size, but no fibre items
    pressure.elemCount = static_cast<long long>(m.parts.size());
    pressure.nodeCount = m.nodeCount();
    pressure.items.resize(1);
    pressure.items[0].id = 1;
    pressure.items[0].values.assign(m.parts.size(), 1.0f);
    ASSERT_TRUE(k7t::write(dir.file("other.k7t"), pressure));
    write("plain", "a file, not a folder");
    const std::string gmsh = std::string(QVR_TEST_DATA_DIR) + "/gmsh/";

    const struct {
        std::vector<std::string> args;
        int code;
        std::string cause, input;  // input: piped to standard input
    } cases[] = {
        {{"extract", "--help"}, 0, "", ""},
        {{"--help"}, 0, "", ""},
        {{"extract", dir.file("none.nqb"), k}, 1, "none.nqb", ""},
        {{"extract", p, dir.file("none.k7t")}, 1, "none.k7t", ""},
        {{"import", dir.file("none.msh"), dir.file("o.nqb")}, 1, "none.msh", ""},
        {{"extract", write("cut.nqb", mesh.substr(0, mesh.size() / 2)), k}, 1, "cut.nqb", ""},
        {{"info", dir.file("cut.nqb")}, 1, "cut.nqb", ""},
        {{"extract", p, write("cut.k7t", result.substr(0, result.size() - 5))},
         1,
         "is damaged",
         ""},
        {{"extract", p, write("text.k7t", "a11 a22 a33\n0.5 0.3 0.2\n")},
         1,
         "text result file",
         ""},
        {{"info", write("garbage.bin", "\x01\x02\x03garbage")}, 1, "neither a mesh file", ""},
        {{"extract", p, dir.file("q.k7t")}, 1, "another mesh", ""},
        {{"extract", p, dir.file("other.k7t")}, 1, "4 5 6 9 10 11", ""},
        {{"import", gmsh + "box_tet10_41.msh", dir.file("o.nqb")}, 1, "element type 11", ""},
        {{"extract", p, k, "--nodes", write("words.txt", "1 two 3\n")}, 1, "words.txt:1", ""},
        {{"extract", p, k, "--out", dir.file("plain/sub")}, 1, "plain/sub", ""},
        {{"generate", "plate", dir.file("plain/m.nqb")}, 1, "plain/m.nqb", ""},
        {{"demo", "--out", dir.file("plain")}, 1, "plain", ""},
        {{"extract", "--frob"}, 2, "--frob", ""},  // before the missing MESH
        {{"extract", p, k, "--layers", "1", "--bogus"}, 2, "--bogus", ""},
        {{"frobnicate"}, 2, "frobnicate", ""},
        {{}, 2, "subcommand", ""},
        {{"extract", p}, 2, "RESULTS", ""},
        {{"extract", p, k, "--layers", "1"}, 2, "--layers", ""},
        {{"extract", p, k, "--thickness", "approximate"}, 2, "--thickness", ""},
        {{"extract", p, k, "--csv", "zip"}, 2, "--csv", ""},
        {{"generate", "plate", dir.file("s.nqb"), "--type", "octahedron"}, 2, "octahedron", ""},
        {{"convert", p, dir.file("o.nqb")}, 2, "--binary or --text", ""},
        {{"convert", p, dir.file("o.nqb"), "--binary", "--text"}, 2, "--text", ""},
        {{"extract", p, k, "--nodes", write("inner.txt", std::to_string(inner))},
         2,
         "node " + std::to_string(inner) + " is not a skin node",
         ""},
        {{"extract", p, k, "--nodes", write("far.txt", "1 2 99999\n")},
         2,
         "node 99999 is not in the mesh",
         ""},
        {{"extract", p, k, "--nodes", write("empty.txt", "# nothing\n")}, 2, "lists no node", ""},
        {{"extract", p, k, "--nodes", write("one.txt", "1"), "--plot-node", "2", "--out",
          dir.file("y")},
         2,
         "--plot-node 2",
         ""},
    };
    for (const auto& c : cases) {
        std::string command;
        for (const std::string& a : c.args) command += " " + a;
        SCOPED_TRACE("qvr" + command);
        const QvrResult r = runQvr(c.args, s, c.input);
        EXPECT_EQ(r.exitCode, c.code) << r.err;
        if (c.code == 0) {
            EXPECT_TRUE(r.err.empty() && has(r.out, "--help")) << r.err;
            continue;
        }
        const std::vector<std::string> lines = splitLines(r.err);
        ASSERT_EQ(lines.size(), 1u) << r.err;
        EXPECT_EQ(lines[0].substr(0, 5), "qvr: ");
        EXPECT_TRUE(has(lines[0], c.cause)) << lines[0];
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.nqb"))) << "refused imports write nothing";
}

}  // namespace
