// What the host makes of an extraction: the output files written from a small hand-made run
// (the CSV plain and gzip-compressed, replaced as a set), the figures over a set of profiles,
// and the fibre tensors turned with a turned part.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "QvrTestSupport.h"
#include "TempDir.h"
#include "fiber_fields.h"
#include "generator/PartGenerator.h"
#include "gzip_stream.h"
#include "output_writers.h"
#include "tensor_import.h"

using namespace qvr::cli;

namespace {

// Node `node` at (x, 0, 0) with two sample points, at depth 0 and at the thickness; every
// component equals the thickness.
NodeProfile profile(int node, double thickness, bool crossed = true, double x = 0.0) {
    NodeProfile p;
    p.fileNode = node;
    p.x = x;
    p.crossed = crossed;
    p.thickness = thickness;
    p.depth = {0.0, thickness};
    std::array<double, kComponentCount> v{};
    v.fill(thickness);
    p.value = {v, v};
    return p;
}

// A unit square skin (two triangles over kernel nodes 1..4, file numbers 11..14) with three
// profiles of three sample points: node 11 (ray +z, thickness 2), node 12 (no crossing),
// node 13 (ray +z, thickness 1); component k at point j is 0.1 (k + 1) + 0.01 j.
ExtractionRun smallRun() {
    ExtractionRun run;
    run.layers = 3;
    run.skin.xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    run.skin.fileNode = {11, 12, 13, 14};
    run.skin.faces = {{1, 2, 3, 0}, {1, 3, 4, 0}};
    run.skin.corners = {3, 3};
    const std::tuple<int, double, double, double> nodes[] = {
        {11, 0, 0, 2}, {12, 1, 0, 0}, {13, 1, 1, 1}};
    for (const auto& [node, x, y, t] : nodes) {
        NodeProfile p = profile(node, t > 0 ? t : 1e30, t > 0, x);
        p.y = y;
        p.dz = 1.0;
        p.depth = {0.0, 0.5 * p.thickness, p.thickness};
        p.value.resize(3);
        for (std::size_t j = 0; j < 3; ++j)
            for (std::size_t k = 0; k < kComponentCount; ++k)
                p.value[j][k] = 0.1 * (k + 1) + 0.01 * j;
        run.profiles.push_back(p);
    }
    return run;
}

// The text of a gzip file, inflated with zlib; "" when it is not one whole gzip stream.
std::string gunzip(const std::string& packed) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK) return "";
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    std::string text;
    char chunk[1 << 16];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        text.append(chunk, sizeof chunk - z.avail_out);
    }
    const bool whole = rc == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole ? text : "";
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Outputs, CsvHasOneRowPerNodeAndSamplePointUnderAHeader) {
    TempDir dir;
    ExtractionRun run = smallRun();
    run.profiles[2].wall = true;
    run.profiles[1].wall = true;  // no crossing: never a wall ray in the file
    run.profiles[2].value[1][0] = static_cast<double>(0.04f);
    writeProfilesCsv(dir.file("p.csv"), run);
    const std::vector<std::string> lines = splitLines(readText(dir.file("p.csv")));
    ASSERT_EQ(lines.size(), 3u * 3u + 1u);
    EXPECT_EQ(lines[0], "node,x,y,z,layer,depth,wall,a11,a22,a33,a12,a23,a13");
    EXPECT_EQ(lines[1], "11,0,0,0,1,0,0,0.1,0.2,0.3,0.4,0.5,0.6");
    EXPECT_EQ(lines[3], "11,0,0,0,3,2,0,0.12,0.22,0.32,0.42,0.52,0.62");
    // A ray without a crossing keeps its rows, with no numbers where there are none.
    EXPECT_EQ(lines[5], "12,1,0,0,2,nan,0,nan,nan,nan,nan,nan,nan");
    EXPECT_EQ(lines[8], "13,1,1,0,2,0.5,1,0.04,0.21,0.31,0.41,0.51,0.61");

    OutputOptions o;
    o.csvDigits = 12;
    writeProfilesCsv(dir.file("p.csv"), run, o);
    EXPECT_EQ(splitLines(readText(dir.file("p.csv")))[8],
              "13,1,1,0,2,0.5,1,0.0399999991059,0.21,0.31,0.41,0.51,0.61");

    // Wide: a row per node, the layers side by side.
    o.wideCsv = true;
    o.csvDigits = kDefaultCsvDigits;
    writeProfilesCsv(dir.file("w.csv"), run, o);
    const auto wide = readCsv(dir.file("w.csv"));
    ASSERT_EQ(wide.size(), 4u);
    ASSERT_EQ(wide[0].size(), 6u + 3u * 6u);
    EXPECT_EQ(
        std::vector<std::string>(wide[0].begin(), wide[0].begin() + 8),
        (std::vector<std::string>{"node", "x", "y", "z", "wall", "thickness", "a11_1", "a22_1"}));
    EXPECT_EQ(wide[0].back(), "a13_3");
    EXPECT_EQ(wide[3][0], "13");
    EXPECT_EQ(wide[3][4], "1");
    EXPECT_EQ(wide[3][5], "1");
    EXPECT_EQ(wide[3][6 + 6], "0.04");  // a11 at layer 2
    EXPECT_EQ(wide[3].back(), "0.62");  // a13 at layer 3
    EXPECT_EQ(wide[2][4], "0");         // no crossing
    EXPECT_EQ(wide[2][5], "nan");
    EXPECT_EQ(wide[2].back(), "nan");
}

TEST(Outputs, GzipCsvInflatesToThePlainTextInBothLayouts) {
    TempDir dir;
    ExtractionRun run = smallRun();
    // Enough nodes that the text passes through the compressor's input buffer several times.
    for (int i = 0; i < 15000; ++i) {
        NodeProfile p = run.profiles[static_cast<std::size_t>(i % 3)];
        p.fileNode = 100 + i;
        p.x = 0.001 * i;
        p.wall = i % 5 == 0;
        run.profiles.push_back(p);
    }
    for (bool wide : {false, true}) {
        OutputOptions o;
        o.wideCsv = wide;
        writeProfilesCsv(dir.file("p.csv"), run, o);
        o.csv = CsvForm::Gzip;
        writeProfilesCsv(dir.file("p.csv.gz"), run, o);
        const std::string plain = readText(dir.file("p.csv"));
        const std::string packed = readText(dir.file("p.csv.gz"));
        if (!wide) {
            ASSERT_GT(plain.size(), 2 * kGzipInputBytes);
        }
        ASSERT_GE(packed.size(), 10u);
        EXPECT_EQ(packed.substr(0, 3), "\x1f\x8b\x08") << "gzip magic and deflate";
        EXPECT_EQ(gunzip(packed), plain) << (wide ? "wide" : "long");
        EXPECT_LT(packed.size(), plain.size() / 4);
        // No time and no operating system in the header: equal text gives equal bytes on
        // every machine.
        EXPECT_EQ(packed.substr(4, 4), std::string(4, '\0'));
        EXPECT_EQ(static_cast<unsigned char>(packed[9]), 255);
    }
}

TEST(Outputs, CsvIsCompressedPastASpreadsheetsRowsAndOneFormStaysInTheFolder) {
    const ExtractionRun run = smallRun();
    EXPECT_EQ(csvRows(run, false), 3 * 3 + 1);
    EXPECT_EQ(csvRows(run, true), 3 + 1);
    EXPECT_EQ(resolveCsvForm(CsvForm::Auto, kSpreadsheetRows), CsvForm::Plain);
    EXPECT_EQ(resolveCsvForm(CsvForm::Auto, kSpreadsheetRows + 1), CsvForm::Gzip);
    EXPECT_EQ(resolveCsvForm(CsvForm::Plain, kSpreadsheetRows + 1), CsvForm::Plain);
    EXPECT_EQ(resolveCsvForm(CsvForm::Gzip, 2), CsvForm::Gzip);

    TempDir dir;
    const std::string out = dir.file("out");
    std::filesystem::create_directory(out);
    std::ofstream(out + "/profiles.csv.gz") << "an earlier run's table";
    std::ofstream(out + "/notes.txt") << "the user's own file";
    const std::vector<std::string> others = {"notes.txt", "profile.svg", "profiles-rays.vtu",
                                             "profiles.vtu"};
    OutputOptions o;
    const auto written = [&](CsvForm form) {
        o.csv = form;
        const std::vector<std::string> files = writeExtractionOutputs(run, out, 0, o);
        std::vector<std::string> names;
        for (const std::string& f : files) names.push_back(f.substr(out.size() + 1));
        return names;
    };
    EXPECT_EQ(written(CsvForm::Auto),
              (std::vector<std::string>{"profiles.csv", "profiles.vtu", "profiles-rays.vtu",
                                        "profile.svg"}));
    auto expected = others;
    expected.insert(expected.begin() + 3, "profiles.csv");
    EXPECT_EQ(namesIn(out), expected) << "the earlier .gz is gone, nothing temporary is left";

    EXPECT_EQ(written(CsvForm::Gzip).front(), "profiles.csv.gz");
    expected[3] = "profiles.csv.gz";
    EXPECT_EQ(namesIn(out), expected);
    o.csv = CsvForm::Plain;
    writeProfilesCsv(dir.file("plain.csv"), run, o);
    EXPECT_EQ(gunzip(readText(out + "/profiles.csv.gz")), readText(dir.file("plain.csv")));

    EXPECT_EQ(written(CsvForm::None).size(), 3u);
    EXPECT_EQ(namesIn(out), others);
}

// Read back the way a VTK reader does, from the ASCII file and from the compressed binary
// one (which must hold the same arrays): every array fits the grid, the cells are the skin and
// the rays that crossed.
TEST(Outputs, VtuGridHoldsTheSkinAndTheCrossingRays) {
    TempDir dir;
    ExtractionRun run = smallRun();
    run.profiles[2].wall = true;
    run.meshPath = "part--1.nqb";
    OutputOptions ascii;
    ascii.vtu = VtkEncoding::Ascii;
    ascii.date = "2026-12-05T21:40:16Z";
    writeProfilesVtu(dir.file("p.vtu"), run, ascii);
    OutputOptions packed = ascii;
    packed.vtu = VtkEncoding::CompressedBinary;
    writeProfilesVtu(dir.file("b.vtu"), run, packed);
    const XmlDocument doc = parseXmlFile(dir.file("p.vtu"));
    ASSERT_TRUE(doc.wellFormed) << doc.error;
    ASSERT_EQ(doc.named("Piece").size(), 1u);
    EXPECT_EQ(doc.named("VTKFile")[0]->attributes.at("type"), "UnstructuredGrid");
    // 4 skin nodes + 2 rays x 3 points; 2 triangles + 2 polylines.
    const auto& piece = doc.named("Piece")[0]->attributes;
    const std::size_t points = std::stoul(piece.at("NumberOfPoints"));
    const std::size_t cells = std::stoul(piece.at("NumberOfCells"));
    EXPECT_EQ(std::make_pair(points, cells), std::make_pair(10ul, 4ul));
    std::map<std::string, std::vector<double>> data, binary;
    std::string error;
    ASSERT_TRUE(readVtuArrays(readText(dir.file("p.vtu")), data, error)) << error;
    ASSERT_TRUE(readVtuArrays(readText(dir.file("b.vtu")), binary, error)) << error;
    for (const XmlElement* a : doc.named("DataArray")) {
        const std::size_t comps = a->attributes.count("NumberOfComponents")
                                      ? std::stoul(a->attributes.at("NumberOfComponents"))
                                      : 1;
        const std::string name = a->parent + "/" + a->attributes.at("Name");
        const bool perPoint = a->parent == "PointData" || a->parent == "Points";
        if (perPoint || a->parent == "CellData") {
            EXPECT_EQ(data[name].size(), perPoint ? points * comps : cells) << name;
        }
        ASSERT_EQ(binary[name].size(), data[name].size()) << name;
        for (std::size_t i = 0; i < data[name].size();
             ++i)  // ASCII: 9 digits, floats at the shortest
            EXPECT_NEAR(binary[name][i], data[name][i], 1e-7 * std::fabs(data[name][i]))
                << name << " " << i;
        // The fibre values are stored in single precision: types agree between the encodings.
        const bool fibre =
            name == "PointData/tensor" || name == "PointData/a11" || name == "PointData/principal";
        if (fibre) {
            EXPECT_EQ(a->attributes.at("type"), "Float32") << name;
        }
    }
    for (const char* name :
         {"thickness", "depth", "fraction", "a11", "a22", "a33", "a12", "a23", "a13", "node",
          "has_profile", "direction", "wall", "tensor", "eigenvalues", "principal"})
        EXPECT_EQ(data.count(std::string("PointData/") + name), 1u) << name;
    EXPECT_EQ(data["Cells/types"], (std::vector<double>{5, 5, 4, 4}));
    EXPECT_EQ(data["Cells/offsets"], (std::vector<double>{3, 6, 9, 12}));
    EXPECT_EQ(data["CellData/kind"], (std::vector<double>{0, 0, 1, 1}));
    EXPECT_EQ(data["CellData/node"], (std::vector<double>{0, 0, 11, 13}));
    const std::vector<double>& connectivity = data["Cells/connectivity"];
    ASSERT_EQ(connectivity.size(), 12u);
    for (double c : connectivity) EXPECT_LT(c, static_cast<double>(points));
    // The last point of node 13's ray: the node plus thickness times the direction.
    const std::size_t last = static_cast<std::size_t>(connectivity[11]);
    const double* xyz = &data["Points/Points"][3 * last];
    EXPECT_EQ(std::make_tuple(xyz[0], xyz[1], xyz[2], data["PointData/fraction"][last]),
              std::make_tuple(1.0, 1.0, 1.0, 1.0));
    EXPECT_EQ(static_cast<float>(data["PointData/a13"][last]), 0.62f);
    EXPECT_EQ(data["PointData/wall"][last], 1);
    // The tensor in VTK's order XX YY ZZ XY YZ XZ is a11 a22 a33 a12 a23 a13.
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_EQ(data["PointData/tensor"][6 * last + k],
                  data[std::string("PointData/") + kComponentNames[k]][last]);
    // Skin node 12 has no profile (its ray found nothing): thickness 0, has_profile 0, wall 0;
    // node 11's ray does not run through the wall.
    for (std::size_t p = 0; p < points; ++p) {
        EXPECT_TRUE(data["PointData/node"][p] != 12 ||
                    (data["PointData/has_profile"][p] == 0 && data["PointData/thickness"][p] == 0));
        EXPECT_EQ(data["PointData/wall"][p], data["PointData/node"][p] == 13 ? 1 : 0) << p;
    }
    // Provenance as field data: texts as their bytes.
    const auto text = [&](const char* name) {
        std::string t;
        for (double c : data[std::string("FieldData/") + name]) t += static_cast<char>(c);
        return t;
    };
    EXPECT_EQ(text("mesh"), "part--1.nqb");
    EXPECT_EQ(text("date"), "2026-12-05T21:40:16Z");
    EXPECT_EQ(text("length_unit"), "mm");

    // The rays alone: 2 rays of 3 points as 2 line segments each.
    writeRaysVtu(dir.file("r.vtu"), run, {});
    std::map<std::string, std::vector<double>> rays;
    ASSERT_TRUE(readVtuArrays(readText(dir.file("r.vtu")), rays, error)) << error;
    EXPECT_EQ(rays["Cells/types"], (std::vector<double>(4, 3)));
    EXPECT_EQ(rays["Cells/connectivity"], (std::vector<double>{0, 1, 1, 2, 3, 4, 4, 5}));
    EXPECT_EQ(rays["CellData/node"], (std::vector<double>{11, 11, 13, 13}));
    EXPECT_EQ(rays["CellData/wall"], (std::vector<double>{0, 0, 1, 1}));
    EXPECT_EQ(rays["PointData/tensor"].size(), 6u * 6u);
    EXPECT_EQ(rays.count("PointData/a13"), 0u);  // the tensor holds the components
}

TEST(Outputs, SvgOfTwoPanelsIsWellFormedWithNiceTicks) {
    TempDir dir;
    const ExtractionRun run = smallRun();
    writeProfileSvg(dir.file("p.svg"), "Profiles",
                    {{"node 11", {0, 0.5, 1}, run.profiles[0].value},
                     {"mean & <all>", {0, 0.5, 1}, run.profiles[2].value}});
    const XmlDocument doc = parseXmlFile(dir.file("p.svg"));
    ASSERT_TRUE(doc.wellFormed) << doc.error;
    EXPECT_EQ(doc.named("polyline").size(), 2u * kComponentCount);
    for (const char* name : kComponentNames)
        EXPECT_TRUE(
            std::any_of(doc.elements.begin(), doc.elements.end(),
                        [name](const XmlElement& e) { return e.name == "text" && e.text == name; }))
            << "legend " << name;

    // Ticks enclose the range in steps of 1, 2 or 5 times a power of ten, with the decimals that
    // tell neighbouring ticks apart and no more.
    const double ranges[][2] = {{0, 1},        {-0.0245, 0.7236}, {0.3, 0.3},
                                {-3e-5, 7e-5}, {12, 950},         {-2, -1}};
    for (const auto& r : ranges) {
        const AxisTicks t = niceTicks(r[0], r[1], 5);
        EXPECT_TRUE(t.first <= r[0] && t.first + t.step * (t.count - 1) >= r[1] && t.count >= 3 &&
                    t.count <= 12)
            << r[0] << " " << r[1];
        const double mantissa = t.step / std::pow(10.0, std::floor(std::log10(t.step) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                    std::fabs(mantissa - 5) < 1e-9)
            << t.step;
        EXPECT_LE(std::pow(10.0, -t.decimals), t.step * 1.001) << t.step;
        EXPECT_TRUE(t.step < 1.0 ? std::pow(10.0, -t.decimals) >= t.step / 10.0 * 0.999
                                 : t.decimals == 0)
            << t.step;
    }
}

TEST(Outputs, StatisticsCountOnlyRaysThatCrossed) {
    const ThicknessStats s =
        thicknessStats({profile(1, 3.0), profile(2, 1.0), profile(3, 1e30, false), profile(4, 2.0),
                        profile(5, 1e-12)});
    EXPECT_EQ(std::make_tuple(s.count, s.min, s.max, s.median, s.collapsed),
              std::make_tuple(4LL, 1e-12, 3.0, 1.5, 1LL));  // even count: the mean of 1 and 2
    EXPECT_EQ(thicknessStats({profile(1, 5.0), profile(2, 1.0), profile(3, 4.0)}).median, 4.0);
    // Median 2.5 of {1, 2, 3, 4}: nodes 7 (thickness 2) and 9 (3) are equally near; 7 wins.
    const std::vector<NodeProfile> set = {profile(9, 3.0), profile(8, 4.0), profile(7, 2.0),
                                          profile(6, 1.0), profile(5, 2.5, false)};
    EXPECT_EQ(findRepresentative(set), 2);
    EXPECT_EQ(findRepresentative({profile(1, 1e30, false)}), -1);
    EXPECT_EQ(std::make_pair(findProfileOfNode(set, 8), findProfileOfNode(set, 99)),
              std::make_pair(1L, -1L));
    // Nearest to x = 10 among the crossed: node 4 at x = 9 (node 3 at x = 10 did not cross).
    const std::vector<NodeProfile> line = {profile(1, 1, true, 0), profile(3, 1, false, 10),
                                           profile(4, 1, true, 9)};
    EXPECT_EQ(findProfileNear(line, 10, 0, 0), 2);
    // With wall rays, the figures and the representative are those of the wall rays.
    std::vector<NodeProfile> walls = set;
    walls[0].wall = walls[1].wall = true;  // thickness 3 and 4
    const ThicknessStats w = thicknessStats(walls, true);
    EXPECT_EQ(std::make_tuple(w.count, w.min, w.median, w.max),
              std::make_tuple(2LL, 3.0, 3.5, 4.0));
    EXPECT_EQ(findRepresentative(walls), 1);  // 3 and 4 equally near 3.5: node 8 before node 9
    walls[0].fileNode = 1;
    EXPECT_EQ(findRepresentative(walls), 0);
    std::vector<NodeProfile> mixed = {profile(1, 1.0), profile(2, 4.0), profile(3, 6.0)};
    mixed[1].wall = mixed[2].wall = true;
    EXPECT_THAT(meanProfile(mixed, 2, true).mean[1], ::testing::Each(5.0));
    const MeanProfile m =
        meanProfile({profile(1, 1.0), profile(2, 4.0), profile(3, 100.0, false)}, 2);
    EXPECT_EQ(m.nodes, 2);
    EXPECT_EQ(m.fraction, (std::vector<double>{0.0, 1.0}));
    for (const auto& row : m.mean) EXPECT_THAT(row, ::testing::Each(2.5));
    EXPECT_EQ(meanProfile({}, 3).fraction, (std::vector<double>{0.0, 0.5, 1.0}));
}

TEST(Outputs, FibreTensorsTurnWithThePart) {
    // The matrix turns points as the generator turns nodes: e_x, e_y, e_z go to R's columns.
    nqbio::MeshData mesh;
    mesh.xyz = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const Matrix3 r = rotationMatrix({1.0, 2.0, 3.0}, 0.7);
    qvr::gen::rotate(mesh, {1.0, 2.0, 3.0}, 0.7);
    for (std::size_t n = 0; n < 3; ++n)
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_NEAR(mesh.xyz[3 * n + i], r[i][n], 1e-6) << n << i;
    // One cell, components a11 a22 a33 a12 a13 a23 in the item order (ids 4 5 6 9 10 11).
    const auto turn = [](const std::array<float, 6>& a, const Matrix3& m) {
        k7t::ResultFile f;
        f.elemCount = 1;
        for (std::size_t k = 0; k < 6; ++k) {
            f.items.emplace_back();
            f.items.back().id = k7t::kFiberItemIds[k];
            f.items.back().values = {a[k]};
        }
        rotateFiberResult(f, m);
        std::array<double, 6> out{};
        for (std::size_t k = 0; k < 6; ++k) out[k] = f.items[k].values[0];
        return out;
    };
    // A quarter turn about z, x' = -y, y' = x: a11' = a22, a22' = a11, a12' = -a12,
    // a13' = -a23, a23' = a13.
    const std::array<double, 6> q = turn({0.7f, 0.2f, 0.1f, 0.05f, 0.03f, 0.01f},
                                         rotationMatrix({0, 0, 1}, std::acos(-1.0) / 2));
    EXPECT_THAT(q, ::testing::Pointwise(::testing::DoubleNear(1e-7),
                                        std::array<double, 6>{0.2, 0.7, 0.1, -0.05, -0.01, 0.03}));
    // Fibres all along x, A = e_x e_x^T, lie along R e_x after any turn.
    const std::array<double, 6> u = turn({1, 0, 0, 0, 0, 0}, r);
    EXPECT_THAT(
        u, ::testing::Pointwise(
               ::testing::DoubleNear(1e-6),
               std::array<double, 6>{r[0][0] * r[0][0], r[1][0] * r[1][0], r[2][0] * r[2][0],
                                     r[0][0] * r[1][0], r[0][0] * r[2][0], r[1][0] * r[2][0]}));
}

}  // namespace
