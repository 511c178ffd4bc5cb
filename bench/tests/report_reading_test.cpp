// The report generator's reading of benchmark output: the per-item times, the words Google
// Benchmark writes for counters that are not finite, and the memory table.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "report/memory_table.h"
#include "report/results.h"

namespace {

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Three benchmarks in three time units, one aggregate row and one skipped benchmark.
const char* const kRun = R"({
  "context": {"num_cpus": 2, "qvr_layers": "11"},
  "benchmarks": [
    {"name": "near_block_search/hex/1e4/real_time", "run_type": "iteration",
     "iterations": 10, "real_time": 4.0, "cpu_time": 2.0, "time_unit": "ms",
     "items": 1000, "cells": 9750, "found_per_query": 3.5, "items_per_second": 5e5},
    {"name": "anchor.rtree_query/hex/1e4/real_time", "run_type": "iteration",
     "iterations": 100, "real_time": 900.0, "cpu_time": 400.0, "time_unit": "us",
     "items": 1000, "cells": 9750},
    {"name": "set_surface_node.exact/hex/1e6/iterations:3/manual_time", "run_type": "iteration",
     "iterations": 3, "real_time": 2.0e9, "cpu_time": 3.0e9, "time_unit": "ns",
     "items": 5000, "cells": 988380, "manual_cpu": 1, "ray_ms": 1500, "setup_ms": 400},
    {"name": "near_block_search/hex/1e4/real_time_mean", "run_type": "aggregate",
     "iterations": 10, "real_time": 1.0, "cpu_time": 1.0, "time_unit": "ms", "items": 1},
    {"name": "load_text/tet/1e4/real_time", "run_type": "iteration", "iterations": 0,
     "real_time": 0, "cpu_time": 0, "time_unit": "ms", "error_occurred": true,
     "error_message": "the kernel refused the mesh"}
  ]
})";

TEST(RunResults, TimePerItemIsCpuTimeOverItemsInSeconds) {
    TempDir dir;
    writeText(dir.file("run.json"), kRun);
    qvr::report::RunResults run;
    std::string error;
    ASSERT_TRUE(qvr::report::readResults(dir.file("run.json"), run, error)) << error;

    ASSERT_EQ(run.measurements.size(), 4u);  // the aggregate row is left out
    const auto* near = run.find("near_block_search", "hex", "1e4");
    ASSERT_NE(near, nullptr);
    EXPECT_DOUBLE_EQ(near->secondsPerItem, 2.0e-3 / 1000);  // CPU, not the 4 ms wall time
    EXPECT_DOUBLE_EQ(near->realSeconds, 4.0e-3);
    EXPECT_EQ(near->counter("found_per_query"), 3.5);
    EXPECT_EQ(near->counter("items_per_second", -1), -1);  // Google Benchmark's own field
    EXPECT_EQ(near->cells, 9750);

    const auto* rtree = run.find("anchor.rtree_query", "hex", "1e4");
    ASSERT_NE(rtree, nullptr);
    EXPECT_DOUBLE_EQ(rtree->secondsPerItem, 400e-6 / 1000);

    // A benchmark that times itself: its ray_ms counter, not the manual or CPU time.
    const auto* rays = run.find("set_surface_node.exact", "hex", "1e6");
    ASSERT_NE(rays, nullptr);
    EXPECT_DOUBLE_EQ(rays->secondsPerItem, 1.5 / 5000);

    const auto* skipped = run.find("load_text", "tet", "1e4");
    ASSERT_NE(skipped, nullptr);
    EXPECT_EQ(skipped->error, "the kernel refused the mesh");

    EXPECT_EQ(run.types(), (std::vector<std::string>{"hex", "tet"}));
    EXPECT_EQ(run.sizes(), (std::vector<std::string>{"1e4", "1e6"}));
    EXPECT_EQ(run.context["num_cpus"], "2");
    EXPECT_EQ(run.context["qvr_layers"], "11");
}

TEST(RunResults, RefusesFilesThatAreNotBenchmarkOutput) {
    TempDir dir;
    qvr::report::RunResults run;
    std::string error;
    EXPECT_FALSE(qvr::report::readResults(dir.file("absent.json"), run, error));
    writeText(dir.file("other.json"), R"({"context": {}})");
    EXPECT_FALSE(qvr::report::readResults(dir.file("other.json"), run, error));
    for (const char* broken : {R"({"benchmarks": [)", "", "[1,]", R"({"benchmarks": [] } 2)",
                               R"({"benchmarks": "NaN"})", R"({"benchmarks": {}})"}) {
        writeText(dir.file("broken.json"), broken);
        error.clear();
        EXPECT_FALSE(qvr::report::readResults(dir.file("broken.json"), run, error)) << broken;
        EXPECT_FALSE(error.empty()) << broken;
    }
    EXPECT_TRUE(run.measurements.empty());
}

// Google Benchmark writes a counter that is not finite as a bare NaN or Infinity; the run is
// read with those values, and the same words inside strings stay text.
TEST(RunResults, NonFiniteCountersKeepTheirValue) {
    TempDir dir;
    writeText(dir.file("run.json"), R"({
  "context": {"host_name": "NaN box", "load": -Infinity},
  "benchmarks": [
    {"name": "near_block_search/hex/1e4/real_time", "run_type": "iteration", "iterations": 5,
     "real_time": 1.0, "cpu_time": 1.0, "time_unit": "ms", "items": 10,
     "found_per_query": NaN, "spread": Infinity, "drop": -Infinity,
     "label": "a \"NaN\" label"}
  ]
})");
    qvr::report::RunResults run;
    std::string error;
    ASSERT_TRUE(qvr::report::readResults(dir.file("run.json"), run, error)) << error;
    ASSERT_EQ(run.measurements.size(), 1u);
    const auto& m = run.measurements[0];
    EXPECT_TRUE(std::isnan(m.counter("found_per_query")));
    EXPECT_EQ(m.counter("spread"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(m.counter("drop"), -std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(m.secondsPerItem, 1e-3 / 10);
    EXPECT_EQ(run.context["host_name"], "NaN box");
    EXPECT_EQ(run.context["load"], "-inf");
}

TEST(MemoryTable, ReadsRowsByPartAndStageAndSkipsMalformedLines) {
    TempDir dir;
    writeText(dir.file("m.csv"),
              "part,cells,stage,peak_kib,retained_kib,method\n"
              "hex/1e4,9750,load_text,3964,132,stage-peak\n"
              "not,a,row\n"
              "tet/1e5,103680,initialize_search,10316,9848,process-peak\n");
    const qvr::report::MemoryTable t = qvr::report::readMemoryTable(dir.file("m.csv"));
    EXPECT_EQ(t.rows.size(), 2u);
    const auto* row = t.find("tet/1e5", "initialize_search");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->peakKiB, 10316);
    EXPECT_EQ(row->retainedKiB, 9848);
    EXPECT_EQ(row->method, "process-peak");
    EXPECT_EQ(row->cells, 103680);
    EXPECT_EQ(t.find("hex/1e4", "initialize_search"), nullptr);
    EXPECT_TRUE(qvr::report::readMemoryTable(dir.file("absent.csv")).rows.empty());
}

TEST(MemoryTable, LoadedMeshFootprintPerCellFromTheLoadAndTheSetUp) {
    qvr::report::MemoryTable t;
    // 1000 cells: the load keeps 300 KiB, the set-up 100 KiB more: 400 KiB = 409.6 bytes per
    // cell. Peak: the set-up's 200 KiB on top of the load's 300 (500 KiB = 512 bytes per cell)
    // beats the load's own 400.
    t.rows[{"hex/1e3", "load_binary"}] = {400, 300, "stage-peak", 1000};
    t.rows[{"hex/1e3", "initialize_search"}] = {200, 100, "stage-peak", 1000};
    // Here the load's own peak is the higher one: 900 KiB over 2048 cells = 450 bytes.
    t.rows[{"tet/1e3", "load_binary"}] = {900, 300, "stage-peak", 2048};
    t.rows[{"tet/1e3", "initialize_search"}] = {100, 100, "stage-peak", 2048};
    t.rows[{"hex/1e4", "load_binary"}] = {400, 300, "stage-peak", 1000};

    const auto hex = qvr::report::loadedMeshFootprint(t, "hex/1e3");
    EXPECT_DOUBLE_EQ(hex.heldBytesPerCell, 409.6);
    EXPECT_DOUBLE_EQ(hex.peakBytesPerCell, 512.0);
    const auto tet = qvr::report::loadedMeshFootprint(t, "tet/1e3");
    EXPECT_DOUBLE_EQ(tet.heldBytesPerCell, 200.0);
    EXPECT_DOUBLE_EQ(tet.peakBytesPerCell, 450.0);
    // No set-up measured: nothing to tell.
    EXPECT_EQ(qvr::report::loadedMeshFootprint(t, "hex/1e4").heldBytesPerCell, 0.0);
}

}  // namespace
