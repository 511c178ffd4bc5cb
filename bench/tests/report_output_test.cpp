// The report generator's output: number formats, the anchor ratios on the page, the chart.
#include <string>

#include <gtest/gtest.h>

#include "report/format.h"
#include "report/report_writer.h"
#include "report/svg_chart.h"

namespace {

using namespace qvr::report;

TEST(Format, SecondsTakeTheUnitThatKeepsThreeDigits) {
    EXPECT_EQ(formatSeconds(412e-9), "412 ns");
    EXPECT_EQ(formatSeconds(999e-9), "999 ns");
    EXPECT_EQ(formatSeconds(1e-6), "1.00 µs");
    EXPECT_EQ(formatSeconds(30.5e-6), "30.5 µs");
    EXPECT_EQ(formatSeconds(0.25), "250 ms");
    EXPECT_EQ(formatSeconds(80.8), "80.8 s");
    EXPECT_EQ(formatSeconds(0), "–");
}

TEST(Format, RatesRatiosCountsAndMemory) {
    EXPECT_EQ(formatRate(17300), "17.3 k/s");
    EXPECT_EQ(formatRate(2.5e6), "2.50 M/s");
    EXPECT_EQ(formatRatio(0.213), "0.21×");
    EXPECT_EQ(formatRatio(0.000584), "0.00058×");
    EXPECT_EQ(formatRatio(1831.4), "1\u2009831×");
    EXPECT_EQ(formatCount(150764), "150\u2009764");
    EXPECT_EQ(formatCount(999), "999");
    EXPECT_EQ(formatCount(-1234), "-1\u2009234");
    EXPECT_EQ(formatKiB(0), "0");
    EXPECT_EQ(formatKiB(512), "512 KiB");
    EXPECT_EQ(formatKiB(10316), "10.1 MiB");
}

Measurement measured(const std::string& stage, const std::string& size, double perItem) {
    Measurement m;
    m.stage = stage;
    m.type = "hex";
    m.size = size;
    m.items = 100;
    m.cells = size == "1e4" ? 9750 : 102242;
    m.secondsPerItem = perItem;
    return m;
}

TEST(Page, RatiosDivideTheStageByItsAnchorPartByPart) {
    RunResults run;
    run.measurements = {
        measured("ray_pass_search", "1e4", 50e-6), measured("anchor.embree_ray", "1e4", 0.2e-6),
        measured("ray_pass_search", "1e5", 200e-6), measured("anchor.embree_ray", "1e5", 0.25e-6)};
    const std::string page = markdownPage(run, MemoryTable{}, RunInfo{});
    const std::string row = "| `FindPassElemByAnyRay` / Embree ray | 250× | 800× |";
    EXPECT_NE(page.find(row), std::string::npos) << page;
    // No measurement for the box queries: their ratio rows are left out, not shown empty.
    EXPECT_EQ(page.find("`SearchNearBlockID` / R-tree query"), std::string::npos);
}

TEST(Page, NamesSkippedBenchmarksAndLeavesThemOutOfTheTables) {
    RunResults run;
    run.measurements = {measured("near_block_search", "1e4", 2e-6),
                        measured("anchor.scan_query", "1e4", 10e-6)};
    run.measurements[1].error = "the scan and the tree disagree";
    const std::string page = markdownPage(run, MemoryTable{}, RunInfo{});
    EXPECT_NE(page.find("the scan and the tree disagree"), std::string::npos);
    EXPECT_EQ(page.find("`SearchNearBlockID` / brute-force scan"), std::string::npos);
}

TEST(Page, BeforeAndAfterSetsEachStraightforwardStageAgainstTheLibrarys) {
    RunResults run;
    run.measurements = {measured("set_surface_node.centroid", "1e6", 40e-6),
                        measured("straightforward.set_surface_node.centroid", "1e6", 600e-6),
                        measured("anchor.embree_ray", "1e6", 0.5e-6),
                        measured("near_block_search", "1e6", 1e-6),
                        measured("straightforward.near_block_search", "1e6", 12e-6),
                        measured("straightforward.get_fiber", "1e6", 2e-6),
                        measured("ray_pass_search", "1e6", 30e-6),
                        measured("straightforward.ray_pass_search", "1e6", 500e-6)};
    run.measurements[0].counters = {{"setup_ms", 300}, {"skin_nodes", 150000}};
    run.measurements[7].error = "FindPassElemByAnyRay and the step-by-step walk disagree";
    const std::string page = markdownPage(run, MemoryTable{}, RunInfo{});
    EXPECT_NE(page.find("| hex/1e6 | `SetSurfaceNode`, default mode, per node | skin node | "
                        "600 µs | 40.0 µs | 15.0× |"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("| hex/1e6 | `SearchNearBlockID`, box of side MinMesh | query | "
                        "12.0 µs | 1.00 µs | 12.0× |"),
              std::string::npos);
    // No library GetFiber, and a straightforward walk that disagreed: no row for either.
    EXPECT_EQ(page.find("| hex/1e6 | `GetFiber`"), std::string::npos);
    EXPECT_EQ(page.find("| hex/1e6 | `FindPassElemByAnyRay`"), std::string::npos);
    // Whole skin: 0.3 s + 150 000 × 600 µs = 90.3 s against 0.3 s + 150 000 × 40 µs = 6.3 s;
    // per node 1 200 and 80 Embree rays.
    EXPECT_NE(page.find("| hex/1e6 | 150\u2009000 | 300 ms | 90.3 s | 6.30 s | 14.3× | "
                        "1\u2009200× | 80.0× |"),
              std::string::npos)
        << page;

    // Without straightforward measurements the section is left out.
    run.measurements.resize(4);
    run.measurements.erase(run.measurements.begin() + 1);
    EXPECT_EQ(markdownPage(run, MemoryTable{}, RunInfo{}).find("## Before and after"),
              std::string::npos);
}

TEST(Page, MemorySectionEndsWithTheLoadedMeshPerCell) {
    RunResults run;
    run.measurements = {measured("load_binary", "1e4", 1e-7)};
    MemoryTable memory;
    memory.rows[{"hex/1e4", "load_binary"}] = {400, 300, "stage-peak", 1000};
    memory.rows[{"hex/1e4", "initialize_search"}] = {200, 100, "stage-peak", 1000};
    const std::string page = markdownPage(run, memory, RunInfo{});
    EXPECT_NE(page.find("| **Loaded and indexed mesh, bytes per cell**: held (peak) | 410 (512) |"),
              std::string::npos)
        << page;
}

TEST(Page, RayTargetsSetEachColumnAgainstItsTargetAndMarkTheMisses) {
    RunResults run;
    run.measurements = {measured("anchor.embree_ray", "1e4", 0.1e-6),
                        measured("skin_bvh.ray", "1e4", 0.6e-6),
                        measured("skin_bvh.build", "1e4", 10e-6),
                        measured("set_surface_node.exact", "1e4", 5e-6),
                        measured("set_surface_node.centroid", "1e4", 3e-6),
                        measured("set_surface_node_wall.centroid.threads1", "1e4", 1e-6),
                        measured("set_surface_node_wall.centroid.threads2", "1e4", 1e-6),
                        measured("set_surface_node_wall.exact.threads1", "1e4", 1e-6),
                        measured("set_surface_node_wall.exact.threads2", "1e4", 1e-6)};
    run.measurements[0].counters = {{"scene_build_ms", 1.0}};
    run.measurements[4].counters = {{"skin_nodes", 1000}};
    // The least call where the benchmark gives it (default mode), else the mean (exact mode).
    run.measurements[5].counters = {{"call_ms", 20.0}};
    run.measurements[5].realSeconds = 0.025;
    run.measurements[6].counters = {{"call_ms", 10.0}};
    run.measurements[6].realSeconds = 0.011;
    run.measurements[7].realSeconds = 0.030;
    run.measurements[8].realSeconds = 0.020;
    MemoryTable memory;
    memory.rows[{"hex/1e4", "load_binary"}] = {400, 300, "stage-peak", 1000};
    memory.rows[{"hex/1e4", "both_modes_ready"}] = {200, 100, "stage-peak", 1000};
    const std::string page = markdownPage(run, memory, RunInfo{});
    // With builds: 1 ms + 1 000 x 0.6 us = 1.6 ms against 1 ms + 1 000 x 0.1 us = 1.1 ms.
    EXPECT_NE(page.find("| hex/1e4 | 100 ns | 6.00× ✗ | 1.45× | 50.0× | 30.0× | 2.00× / 1.50× ✗ "
                        "| 410 |"),
              std::string::npos)
        << page;

    // The memory target holds from a million cells on; without the anchor there is no section.
    memory.rows[{"hex/1e4", "load_binary"}].cells = 1e6;
    memory.rows[{"hex/1e4", "load_binary"}].retainedKiB = 300e3;
    run.measurements[0].cells = 1e6;
    EXPECT_NE(markdownPage(run, memory, RunInfo{}).find("| 307 ✗ |"), std::string::npos);
    run.measurements.erase(run.measurements.begin());
    EXPECT_EQ(markdownPage(run, memory, RunInfo{}).find("## The ray targets"), std::string::npos);
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// The line of the page that starts with `start`, empty when none does.
std::string lineStarting(const std::string& page, const std::string& start) {
    const std::size_t at = page.find("\n" + start);
    if (at == std::string::npos) return "";
    return page.substr(at + 1, page.find('\n', at + 1) - at - 1);
}

// Parts read from meshes ("cad/<name>") sit beside the generated ones: each table has a row or
// a column for every part that was measured and none for a cell type and size that never ran.
TEST(Page, MeshPartsGetRowsAndColumnsOfTheirOwnWithoutEmptyOnes) {
    RunResults run;
    for (const char* size : {"1e4", "1e5"})
        for (const char* stage : {"load_text", "ray_pass_search", "anchor.embree_ray"})
            run.measurements.push_back(measured(stage, size, 1e-6));
    for (const char* name : {"bracket", "cap"})
        for (const char* stage : {"load_text", "ray_pass_search", "anchor.embree_ray"}) {
            Measurement m = measured(stage, name, 2e-6);
            m.type = "cad";
            m.cells = name == std::string("cap") ? 94623 : 91714;
            run.measurements.push_back(m);
        }
    const std::string page = markdownPage(run, MemoryTable{}, RunInfo{});

    EXPECT_NE(page.find("The `cad/` parts are CAD-like"), std::string::npos) << page;
    EXPECT_NE(page.find("\n| cad/bracket | 91\u2009714 |"), std::string::npos) << page;
    EXPECT_EQ(lineStarting(page, "| Ratio |"),
              "| Ratio | hex/1e4 | hex/1e5 | cad/bracket | cad/cap |");
    EXPECT_NE(lineStarting(page, "| `FindPassElemByAnyRay` / Embree ray |"), "");
    // Each type's time table has the columns of its own parts only.
    const std::string hex = page.substr(page.find("### hex"));
    const std::string cad = page.substr(page.find("### cad"));
    EXPECT_EQ(lineStarting(hex, "| Stage |"),
              "| Stage | Item | 1e4 per item | 1e4 rate | 1e5 per item | 1e5 rate |");
    EXPECT_EQ(lineStarting(cad, "| Stage |"),
              "| Stage | Item | bracket per item | bracket rate | cap per item | cap rate |");
    EXPECT_NE(page.find("\n| cad/cap | "), std::string::npos);
    // The ray targets hold a row for each part with an Embree anchor.
    const std::string targets = page.substr(page.find("## The ray targets"));
    EXPECT_NE(lineStarting(targets, "| cad/cap |"), "");
    EXPECT_EQ(lineStarting(targets, "| hex/bracket |"), "");

    // In the chart the mesh parts are points: a line for each charted stage (text load, ray
    // pass search) on the generated parts only.
    const std::string svg = scalingChartSvg(run);
    EXPECT_EQ(count(svg, "<path"), 2) << svg;
    EXPECT_EQ(count(svg, "<circle"), 2 * 4 + 1);  // two stages on four parts, the legend's mark
    EXPECT_NE(svg.find("cad parts (a ring per part)"), std::string::npos);

    RunInfo noGmsh;
    noGmsh.partsNote = "This run has no CAD-like parts: the gmsh command was not found.";
    run.measurements.resize(6);
    const std::string without = markdownPage(run, MemoryTable{}, noGmsh);
    EXPECT_NE(without.find("removed afterwards. This run has no CAD-like parts"),
              std::string::npos);
    EXPECT_EQ(without.find("cad/"), std::string::npos);
}

TEST(Chart, AxesSpanWholeDecadesAroundThePointsAndSkipNonPositiveOnes) {
    LogLogChart c;
    c.xLabel = [](double x) {
        std::string label = "x";
        label += std::to_string(static_cast<long long>(x));
        return label;
    };
    c.yLabel = [](double) { return std::string("y"); };
    c.series.push_back({"#f00", "", {{2e3, 3e-7}, {5e5, 4e-5}, {0.0, 1.0}, {1e4, -1.0}}});
    c.legend.push_back({"a & b", "#f00", "4 2"});
    const std::string svg = renderSvg(c);
    // x from 10^3 to 10^6, y from 10^-7 to 10^-4: four labels on each axis.
    for (const char* label : {">x1000<", ">x10000<", ">x100000<", ">x1000000<"})
        EXPECT_NE(svg.find(label), std::string::npos) << label;
    EXPECT_EQ(count(svg, ">y<"), 4);
    EXPECT_EQ(count(svg, "<circle"), 2);  // the point at x 0 and the one at y -1 are left out
    EXPECT_NE(svg.find("a &amp; b"), std::string::npos);
    EXPECT_EQ(svg.rfind("</svg>"), svg.size() - 7);
}

}  // namespace
