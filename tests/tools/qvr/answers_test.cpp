// A command does what was asked or exits non-zero, and its answers do not mislead: transforms
// the generator cannot apply, units, values the library cannot give, huge parts, NaN in a
// result, an empty mesh, oversized requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"
#include "QvrTestSupport.h"
#include "TempDir.h"

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The unit cube of the format description, its corners at `size` (text, exact).
std::string cubeText(const std::string& size, const std::string& unit = "mm") {
    const std::string s = size;
    return "NQBTEXT 1\nUNIT " + unit + "\nCOUNTS 8 1 6\nNODES\n0 0 0\n" + s + " 0 0\n" + s + " " +
           s + " 0\n0 " + s + " 0\n0 0 " + s + "\n" + s + " 0 " + s + "\n" + s + " " + s + " " + s +
           "\n0 " + s + " " + s +
           "\nPART_ELEMENTS\n8 1 2 3 4 5 6 7 8 0 1 1.0\nSURFACE_ELEMENTS\n1 4 3 2 1 0 0 0 0\n5 6 7 "
           "8 1 0 0 0 0\n"
           "1 2 6 5 1 0 0 0 0\n2 3 7 6 1 0 0 0 0\n3 4 8 7 1 0 0 0 0\n4 1 5 8 1 0 0 0 0\nEND\n";
}

TEST(Generate, RefusesTransformsItCannotApply) {
    TempDir dir;
    const std::string s = dir.path().string(), out = dir.file("t.nqb");
    const std::vector<std::vector<std::string>> cases = {
        {"plate", out, "--scale", "1e13"},  // volumes beyond the float range
        {"rotated-plate", out, "--axis", "0", "0", "0"},
        {"rotated-plate", out, "--angle", "nan"},
        {"rotated-plate", out, "--angle", "inf"},
        {"plate", out, "--angle", "45"},  // a plate is not turned
    };
    for (const auto& args : cases) {
        std::vector<std::string> full{"generate"};
        full.insert(full.end(), args.begin(), args.end());
        SCOPED_TRACE(args[2] + " " + args[3]);
        const QvrResult r = runQvr(full, s);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    EXPECT_EQ(
        runQvr({"generate", "rotated-plate", out, "--scale", "1e3", "--angle", "10"}, s).exitCode,
        0);
}

TEST(Units, ImportTakesTheFormatsUnitsAndMetresAndTheOthersAreNamed) {
    TempDir dir;
    const std::string s = dir.path().string(),
                      msh = std::string(QVR_TEST_DATA_DIR) + "/gmsh/box_tet_22.msh";
    ASSERT_EQ(runQvr({"import", msh, dir.file("mm.nqb")}, s).exitCode, 0);
    ASSERT_EQ(runQvr({"import", msh, dir.file("m.nqb"), "--unit", "m"}, s).exitCode, 0);
    nqbio::MeshData mm, m;
    ASSERT_TRUE(nqbio::readMesh(dir.file("mm.nqb"), mm));
    ASSERT_TRUE(nqbio::readMesh(dir.file("m.nqb"), m));
    EXPECT_EQ(m.unit, "mm");
    ASSERT_EQ(m.xyz.size(), mm.xyz.size());
    for (std::size_t i = 0; i < m.xyz.size(); ++i) EXPECT_FLOAT_EQ(m.xyz[i], 1000.0f * mm.xyz[i]);
    for (const char* unit : {"cm", "inch", "um"})
        EXPECT_EQ(runQvr({"import", msh, dir.file("u.nqb"), "--unit", unit}, s).exitCode, 0)
            << unit;
    for (const char* unit : {"\xC2\xB5m", "ft", "MM", ""}) {
        const QvrResult r = runQvr({"import", msh, dir.file("bad.nqb"), "--unit", unit}, s);
        EXPECT_EQ(r.exitCode, 2) << unit;
        EXPECT_TRUE(has(r.err, "--unit")) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.nqb")));

    // A unit the format does not know is read as millimetres: said on standard error, once.
    std::ofstream(dir.file("metre.nqb")) << cubeText("1", "m");
    ASSERT_TRUE(k7t::write(dir.file("cube.k7t"), fiberResult(8, 1)));
    const QvrResult info = runQvr({"info", dir.file("metre.nqb")}, s);
    const QvrResult extract =
        runQvr({"extract", dir.file("metre.nqb"), dir.file("cube.k7t"), "--out", dir.file("x")}, s);
    for (const QvrResult& r : {info, extract}) {
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(splitLines(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(has(r.err, "unit \"m\" is not one the mesh format knows")) << r.err;
    }
    std::ofstream(dir.file("cm.nqb")) << cubeText("1", "cm  # comment");
    EXPECT_EQ(runQvr({"info", dir.file("cm.nqb")}, s).err, "");
}

TEST(Answers, HugePartsCrossAndPointsWithoutAValueAreNan) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_TRUE(k7t::write(dir.file("cube.k7t"), fiberResult(8, 1)));
    // A cube 1e30 mm wide: every ray crosses, 1e30 mm or more (the corner rays run diagonally).
    std::ofstream(dir.file("huge.nqb")) << cubeText("1e30");
    const QvrResult huge =
        runQvr({"extract", dir.file("huge.nqb"), dir.file("cube.k7t"), "--out", dir.file("h")}, s);
    ASSERT_EQ(huge.exitCode, 0) << huge.err;
    EXPECT_FALSE(has(huge.out, "no ray found the opposite skin")) << huge.out;
    EXPECT_TRUE(has(huge.out, "rays with no crossing 0")) << huge.out;
    const auto rows = readCsv(dir.file("h/profiles.csv"));
    ASSERT_EQ(rows.size(), 1u + 8u * 11u);
    for (std::size_t ray = 1; ray <= 8; ++ray)
        EXPECT_GE(std::stod(rows[ray * 11].at(5)), 1e30) << "ray " << ray;

    // A 7-node cell: the element library has no shape functions for it.
    ASSERT_EQ(runQvr({"generate", "plate", dir.file("p.nqb"), dir.file("p.k7t"), "--nx", "4",
                      "--ny", "4", "--nz", "2"},
                     s)
                  .exitCode,
              0);
    std::string mesh = readText(dir.file("p.nqb"));
    const std::size_t cell = mesh.find("PART_ELEMENTS\n8 ") + 14;
    const std::size_t eighth = mesh.find(' ', mesh.find(' ', cell + 2) + 1);  // "8 a b" -> drop b
    mesh.replace(cell, 1, "7");
    mesh.erase(eighth, mesh.find(' ', eighth + 1) - eighth);
    std::ofstream(dir.file("p7.nqb")) << mesh;
    const QvrResult r = runQvr({"extract", dir.file("p7.nqb"), dir.file("p.k7t"), "--thickness",
                                "centroid", "--out", dir.file("seven")},
                               s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(has(r.err, "1 cells have a node count the element library cannot interpolate"))
        << r.err;
    // The tool's lines all come before the summary, which stays in one piece.
    const std::vector<std::string> lines = splitLines(r.out);
    std::size_t unknown = 0, lastUnknown = 0, summary = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (has(lines[i], "unknown cell type, Nnode = 7")) ++unknown, lastUnknown = i;
        if (lines[i].rfind("mesh ", 0) == 0 && summary == lines.size()) summary = i;
    }
    EXPECT_GT(unknown, 0u);
    EXPECT_LT(lastUnknown, summary);
    int nanRows = 0, zeroRows = 0;
    const auto table = readCsv(dir.file("seven/profiles.csv"));
    const auto a11 = static_cast<std::size_t>(
        std::find(table.at(0).begin(), table.at(0).end(), "a11") - table.at(0).begin());
    for (const auto& row : table) {
        if (row.at(a11) == "nan") ++nanRows;
        if (row.at(a11) == "0" && row.at(a11 + 1) == "0" && row.at(a11 + 2) == "0") ++zeroRows;
    }
    EXPECT_EQ(static_cast<std::size_t>(nanRows) * 6, unknown);
    EXPECT_EQ(zeroRows, 0);

    // --plot-node is checked before the tool runs: the tool has not spoken yet.
    const QvrResult plot = runQvr({"extract", dir.file("p7.nqb"), dir.file("p.k7t"), "--thickness",
                                   "centroid", "--plot-node", "99999", "--out", dir.file("plot")},
                                  s);
    EXPECT_EQ(plot.exitCode, 2);
    EXPECT_EQ(plot.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("plot")));
}

// Non-finite values cannot be handed to the tool as arrays; the tool's own reading of the file
// lets them through to the profiles, and so does the host.
TEST(Answers, ANanInTheResultsReachesTheProfilesItTouches) {
    TempDir dir;
    const std::string s = dir.path().string();
    std::ofstream(dir.file("cube.nqb")) << cubeText("1");
    k7t::ResultFile file = fiberResult(8, 1);
    file.items[0].values = {NAN};
    ASSERT_TRUE(k7t::write(dir.file("nan.k7t"), file));
    const QvrResult r =
        runQvr({"extract", dir.file("cube.nqb"), dir.file("nan.k7t"), "--out", dir.file("x")}, s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto table = readCsv(dir.file("x/profiles.csv"));
    ASSERT_GT(table.size(), 1u);
    const auto column = [&table](const char* name) {
        return static_cast<std::size_t>(std::find(table.at(0).begin(), table.at(0).end(), name) -
                                        table.at(0).begin());
    };
    for (std::size_t row = 1; row < table.size(); ++row) {
        EXPECT_EQ(table[row].at(column("a11")), "nan");
        EXPECT_EQ(table[row].at(column("a22")), "0.33333334");
    }
}

TEST(Answers, InfoIgnoresWhereNanSitsAndSaysWhenThereIsNoBox) {
    TempDir dir;
    const std::string s = dir.path().string();
    k7t::ResultFile file = fiberResult(0, 3);
    file.items[0].values = {NAN, 2.0f, 1.0f};
    file.items[1].values = {1.0f, 2.0f, NAN};
    file.items[2].values = {NAN, NAN, NAN};
    ASSERT_TRUE(k7t::write(dir.file("nan.k7t"), file));
    const QvrResult r = runQvr({"info", dir.file("nan.k7t")}, s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::pair<double, double>> ranges;
    for (const std::string& line : splitLines(r.out)) {
        int id = 0;
        char per[16];
        long long values = 0;
        char lo[32], hi[32];
        if (std::sscanf(line.c_str(), " %d %15s %lld %31s %31s", &id, per, &values, lo, hi) == 5 &&
            values == 3)
            ranges.emplace_back(std::strtod(lo, nullptr), std::strtod(hi, nullptr));
    }
    ASSERT_EQ(ranges.size(), 6u) << r.out;
    EXPECT_EQ(ranges[0], std::make_pair(1.0, 2.0));
    EXPECT_EQ(ranges[1], std::make_pair(1.0, 2.0));
    EXPECT_TRUE(std::isnan(ranges[2].first) && std::isnan(ranges[2].second));

    std::ofstream(dir.file("empty.nqb"))
        << "NQBTEXT 1\nUNIT mm\nCOUNTS 0 0 0\nNODES\nPART_ELEMENTS\nSURFACE_ELEMENTS\nEND\n";
    const QvrResult empty = runQvr({"info", dir.file("empty.nqb")}, s);
    ASSERT_EQ(empty.exitCode, 0) << empty.err;
    EXPECT_TRUE(has(empty.out, "box            none (no nodes)")) << empty.out;
    EXPECT_FALSE(has(empty.out, "e+")) << empty.out;
}

TEST(Answers, OversizedRequestsAreRefusedBeforeAnythingRuns) {
    TempDir dir;
    const std::string s = dir.path().string(), p = dir.file("p.nqb"), k = dir.file("p.k7t");
    ASSERT_EQ(
        runQvr({"generate", "plate", p, k, "--nx", "10", "--ny", "10", "--nz", "1"}, s).exitCode,
        0);
    // 242 skin nodes at 42,000 layers pass the cap of 10^7 sample points; one node does not.
    const QvrResult over =
        runQvr({"extract", p, k, "--layers", "42000", "--out", dir.file("o")}, s);
    EXPECT_EQ(over.exitCode, 2) << over.err;
    EXPECT_TRUE(has(over.err, "sample points")) << over.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("o")));
    std::ofstream(dir.file("n.txt")) << "1\n";
    const QvrResult one = runQvr({"extract", p, k, "--layers", "42000", "--nodes",
                                  dir.file("n.txt"), "--out", dir.file("n")},
                                 s);
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(readCsv(dir.file("n/profiles.csv")).size(), 1u + 42000u);
}

}  // namespace
