// The three output files of an extraction, written from a small hand-made run: the CSV's rows
// and columns, the VTU's grid as a VTK reader sees it, the SVG's well-formedness.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "QvrRunner.h"
#include "TempDir.h"
#include "XmlDocument.h"
#include "csv_writer.h"
#include "svg_plot.h"
#include "vtu_writer.h"

using namespace qvr::cli;

namespace {

// A unit square skin (two triangles over kernel nodes 1..4, file numbers 11..14) with three
// profiles of three sample points: node 11 (ray +z, thickness 2), node 12 (no crossing),
// node 13 (ray +z, thickness 1).
ExtractionRun smallRun() {
    ExtractionRun run;
    run.layers = 3;
    run.skin.xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    run.skin.fileNode = {11, 12, 13, 14};
    run.skin.faces = {{1, 2, 3, 0}, {1, 3, 4, 0}};
    run.skin.corners = {3, 3};
    const auto profile = [](int node, double x, double y, bool crossed, double t) {
        NodeProfile p;
        p.fileNode = node;
        p.x = x;
        p.y = y;
        p.dz = 1.0;
        p.crossed = crossed;
        p.thickness = crossed ? t : 1e30;
        for (int j = 0; j < 3; ++j) {
            p.depth.push_back(crossed ? t * j / 2.0 : 1e30 * j / 2.0);
            std::array<double, kComponentCount> v{};
            for (int k = 0; k < kComponentCount; ++k) v[static_cast<std::size_t>(k)] = 0.1 * (k + 1) + 0.01 * j;
            p.value.push_back(v);
        }
        return p;
    };
    run.profiles = {profile(11, 0, 0, true, 2.0), profile(12, 1, 0, false, 0), profile(13, 1, 1, true, 1.0)};
    return run;
}

TEST(CsvWriter, OneRowPerNodeAndSamplePointUnderAHeader) {
    TempDir dir;
    writeProfilesCsv(dir.file("p.csv"), smallRun());
    const std::vector<std::string> lines = splitLines(readText(dir.file("p.csv")));
    ASSERT_EQ(lines.size(), 3u * 3u + 1u);
    EXPECT_EQ(lines[0], "node,x,y,z,layer,depth,a11,a22,a33,a12,a23,a13");
    EXPECT_EQ(lines[1], "11,0,0,0,1,0,0.1,0.2,0.3,0.4,0.5,0.6");
    EXPECT_EQ(lines[3], "11,0,0,0,3,2,0.12,0.22,0.32,0.42,0.52,0.62");
    // A ray without a crossing keeps its rows, with no numbers where there are none.
    EXPECT_EQ(lines[5], "12,1,0,0,2,nan,nan,nan,nan,nan,nan,nan");
    EXPECT_EQ(lines[9].substr(0, 18), "13,1,1,0,3,1,0.12,");
    for (const std::string& line : lines) EXPECT_EQ(std::count(line.begin(), line.end(), ','), 11) << line;
}

// Reads a VTU back the way a VTK reader does and checks that every array fits the grid.
TEST(VtuWriter, TheGridHoldsTheSkinAndTheCrossingRaysWithConsistentArrays) {
    TempDir dir;
    writeProfilesVtu(dir.file("p.vtu"), smallRun());
    const XmlDocument doc = parseXmlFile(dir.file("p.vtu"));
    ASSERT_TRUE(doc.wellFormed) << doc.error;
    ASSERT_EQ(doc.named("VTKFile").size(), 1u);
    EXPECT_EQ(doc.named("VTKFile")[0]->attributes.at("type"), "UnstructuredGrid");
    const auto pieces = doc.named("Piece");
    ASSERT_EQ(pieces.size(), 1u);
    // 4 skin nodes + 2 rays x 3 points; 2 triangles + 2 polylines.
    const std::size_t points = std::stoul(pieces[0]->attributes.at("NumberOfPoints"));
    const std::size_t cells = std::stoul(pieces[0]->attributes.at("NumberOfCells"));
    EXPECT_EQ(points, 10u);
    EXPECT_EQ(cells, 4u);
    std::map<std::string, std::vector<double>> pointData, cellData, cellArrays;
    std::vector<double> coordinates;
    for (const XmlElement* a : doc.named("DataArray")) {
        const std::vector<double> v = numbersOf(a->text);
        const int comps = a->attributes.count("NumberOfComponents")
                              ? std::stoi(a->attributes.at("NumberOfComponents")) : 1;
        const std::string name = a->attributes.at("Name");
        if (a->parent == "PointData") {
            EXPECT_EQ(v.size(), points * static_cast<std::size_t>(comps)) << name;
            pointData[name] = v;
        } else if (a->parent == "CellData") {
            EXPECT_EQ(v.size(), cells) << name;
            cellData[name] = v;
        } else if (a->parent == "Points") {
            EXPECT_EQ(comps, 3);
            coordinates = v;
        } else {
            cellArrays[name] = v;
        }
    }
    EXPECT_EQ(coordinates.size(), 3 * points);
    for (const char* name : {"thickness", "depth", "fraction", "a11", "a22", "a33", "a12", "a23", "a13", "node"})
        EXPECT_EQ(pointData.count(name), 1u) << name;
    const std::vector<double>& types = cellArrays["types"];
    const std::vector<double>& offsets = cellArrays["offsets"];
    const std::vector<double>& connectivity = cellArrays["connectivity"];
    EXPECT_EQ(types, (std::vector<double>{5, 5, 4, 4}));
    EXPECT_EQ(offsets, (std::vector<double>{3, 6, 9, 12}));
    ASSERT_EQ(connectivity.size(), 12u);
    for (double c : connectivity) EXPECT_LT(c, static_cast<double>(points));
    EXPECT_EQ(cellData["kind"], (std::vector<double>{0, 0, 1, 1}));
    EXPECT_EQ(cellData["node"], (std::vector<double>{0, 0, 11, 13}));
    // The last point of node 13's ray lies at the node plus thickness times the direction.
    const std::size_t last = static_cast<std::size_t>(connectivity[11]);
    EXPECT_DOUBLE_EQ(coordinates[3 * last + 0], 1.0);
    EXPECT_DOUBLE_EQ(coordinates[3 * last + 1], 1.0);
    EXPECT_DOUBLE_EQ(coordinates[3 * last + 2], 1.0);
    EXPECT_DOUBLE_EQ(pointData["fraction"][last], 1.0);
    EXPECT_DOUBLE_EQ(pointData["a13"][last], 0.62);
    // Skin node 12 has no profile (its ray found nothing): thickness 0 and has_profile 0.
    for (std::size_t p = 0; p < points; ++p)
        if (pointData["node"][p] == 12) {
            EXPECT_EQ(pointData["has_profile"][p], 0);
            EXPECT_EQ(pointData["thickness"][p], 0);
        }
}

TEST(SvgPlot, APlotOfTwoPanelsIsWellFormedAndDrawsEveryComponentInEach) {
    TempDir dir;
    const ExtractionRun run = smallRun();
    PlotSeries node{"node 11", {0, 0.5, 1}, run.profiles[0].value};
    PlotSeries mean{"mean & <all>", {0, 0.5, 1}, run.profiles[2].value};
    writeProfileSvg(dir.file("p.svg"), "Profiles", {node, mean});
    const XmlDocument doc = parseXmlFile(dir.file("p.svg"));
    ASSERT_TRUE(doc.wellFormed) << doc.error;
    EXPECT_EQ(doc.named("polyline").size(), 2u * kComponentCount);
    bool legend[kComponentCount] = {};
    for (const XmlElement* t : doc.named("text"))
        for (int k = 0; k < kComponentCount; ++k) legend[k] = legend[k] || t->text == kComponentNames[k];
    for (bool shown : legend) EXPECT_TRUE(shown);
}

TEST(SvgPlot, NiceTicksEncloseTheRangeInStepsOfOneTwoOrFive) {
    const double ranges[][2] = {{0, 1}, {-0.0245, 0.7236}, {0.3, 0.3}, {-3e-5, 7e-5}, {12, 950}, {-2, -1}};
    for (const auto& r : ranges) {
        const AxisTicks t = niceTicks(r[0], r[1], 5);
        const double last = t.first + t.step * (t.count - 1);
        EXPECT_LE(t.first, r[0]);
        EXPECT_GE(last, r[1]);
        EXPECT_GE(t.count, 3);
        EXPECT_LE(t.count, 12);
        const double mantissa = t.step / std::pow(10.0, std::floor(std::log10(t.step) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                    std::fabs(mantissa - 5) < 1e-9) << t.step;
        // The decimals shown tell neighbouring ticks apart, and no more.
        EXPECT_LE(std::pow(10.0, -t.decimals), t.step * 1.001) << t.step;
        if (t.step < 1.0) EXPECT_GE(std::pow(10.0, -t.decimals), t.step / 10.0 * 0.999) << t.step;
        else EXPECT_EQ(t.decimals, 0);
    }
}

}  // namespace
