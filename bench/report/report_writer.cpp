#include "report_writer.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "format.h"
#include "mesh_part_type.h"
#include "ray_targets.h"
#include "stage_catalogue.h"
#include "svg_chart.h"

namespace qvr::report {
namespace {

// Wall over CPU time above which the run is reported as having shared its core.
constexpr double kSharedWallOverCpu = 1.1;

// Stroke patterns of the cell types in the chart, in the order the types appear.
const char* const kTypeDashes[] = {"", "7 4", "2 3", "10 3 2 3"};

std::string dashOf(const RunResults& run, const std::string& type) {
    const auto types = run.types();
    for (std::size_t i = 0; i < types.size(); ++i)
        if (types[i] == type) return kTypeDashes[i % 4];
    return "";
}

double ratio(const Measurement* a, const Measurement* b) {
    if (a == nullptr || b == nullptr || !a->error.empty() || !b->error.empty()) return 0.0;
    return b->secondsPerItem > 0 ? a->secondsPerItem / b->secondsPerItem : 0.0;
}

// A measurement usable in a table, else null.
const Measurement* ok(const Measurement* m) {
    return m != nullptr && m->error.empty() && m->items > 0 ? m : nullptr;
}

double wallOverCpu(const RunResults& run) {
    double sum = 0;
    int n = 0;
    for (const Measurement& m : run.measurements) {
        if (!m.error.empty() || m.counter("manual_cpu") != 0 || !(m.cpuSeconds > 0)) continue;
        sum += std::log(m.realSeconds / m.cpuSeconds);
        ++n;
    }
    return n > 0 ? std::exp(sum / n) : 0.0;
}

std::string contextOr(const RunResults& run, const std::string& key, const std::string& alt) {
    const auto it = run.context.find(key);
    return it == run.context.end() ? alt : it->second;
}

bool isMeshPart(const std::string& type) { return type == bench::kMeshPartType; }

void partsSection(std::ostringstream& o, const RunResults& run, const RunInfo& info) {
    const auto types = run.types();
    const bool generated = std::any_of(types.begin(), types.end(),
                                       [](const std::string& t) { return !isMeshPart(t); });
    const bool meshes = std::any_of(types.begin(), types.end(), isMeshPart);
    o << "## Parts\n\n";
    if (generated || !meshes)
        o << "The generator's plate (40 × 20 × 2 mm) with two ribs (6 mm high, 2 mm wide), on a "
             "block grid sized for the requested cell count; each block is one hexahedron or six "
             "tetrahedra. Parts are generated at run time into a scratch folder and removed "
             "afterwards.";
    if (meshes)
        o << (generated ? " " : "") << "The `" << bench::kMeshPartType
          << "/` parts are CAD-like moulded parts (walls of 1.5 to 3 mm, 40 to 80 mm across): "
             "the Gmsh scripts of `bench/cad` (OpenCASCADE kernel), meshed into tetrahedra by "
             "`bench/run.sh` at run time (`-fine`: the element size scaled down for some 10^6 "
             "cells) and taken in as `qvr import --fiber` does, into the same three files in a "
             "scratch folder.";
    if (!info.partsNote.empty()) o << ' ' << info.partsNote;
    o << "\n\n"
      << "| Part | Cells | Skin faces | Skin nodes | Text mesh | Binary mesh | MinMesh | "
         "`SetSurfaceNode` rays |\n|---|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const std::string& size : run.sizes())
        for (const std::string& type : run.types()) {
            const Measurement* text = ok(run.find("load_text", type, size));
            const Measurement* binary = ok(run.find("load_binary", type, size));
            const Measurement* faces = ok(run.find("node_normals", type, size));
            const Measurement* rays = ok(run.find("ray_pass_search", type, size));
            const Measurement* sn = ok(run.find("set_surface_node.centroid", type, size));
            if (text == nullptr) continue;
            o << "| " << type << "/" << size << " | " << formatCount(text->cells) << " | "
              << (faces ? formatCount(faces->items) : "–") << " | "
              << (sn ? formatCount(sn->counter("skin_nodes")) : "–") << " | "
              << formatKiB(text->counter("bytes") / 1024) << " | "
              << (binary ? formatKiB(binary->counter("bytes") / 1024) : "–") << " | ";
            if (rays) {
                char mm[32];
                std::snprintf(mm, sizeof mm, "%.4g mm", rays->counter("min_mesh_mm"));
                o << mm;
            } else {
                o << "–";
            }
            o << " | ";
            if (sn)
                o << formatCount(sn->items)
                  << (sn->counter("sampled") != 0 ? " (evenly spread sample)" : " (all)");
            else
                o << "–";
            o << " |\n";
        }
    o << "\n";
}

void timeTables(std::ostringstream& o, const RunResults& run) {
    o << "## Time per item\n\n"
      << "CPU time per item and items per CPU second. A dash: not measured in this run.\n\n";
    for (const std::string& type : run.types()) {
        const auto sizes = run.sizesOf(type);
        o << "### " << type << "\n\n| Stage | Item |";
        for (const std::string& s : sizes) o << ' ' << s << " per item | " << s << " rate |";
        o << "\n|---|---|";
        for (std::size_t i = 0; i < sizes.size(); ++i) o << "---:|---:|";
        o << "\n";
        for (const auto* list : {&libraryStages(), &anchorStages()})
            for (const StageInfo& st : *list) {
                bool any = false;
                std::ostringstream row;
                row << "| " << st.title << " | " << st.item << " |";
                for (const std::string& s : sizes) {
                    const Measurement* m = ok(run.find(st.stage, type, s));
                    any = any || m != nullptr;
                    row << ' ' << (m ? formatSeconds(m->secondsPerItem) : "–") << " | "
                        << (m ? formatRate(1.0 / m->secondsPerItem) : "–") << " |";
                }
                if (any) o << row.str() << "\n";
            }
        o << "\n";
    }
}

void surfaceNodeSection(std::ostringstream& o, const RunResults& run) {
    o << "## `SetSurfaceNode`: set-up per call and the whole skin\n\n"
      << "A call keeps the search set-up of the calls before it while the mesh stays; the first "
         "call after loading, which builds it, is left out. What a call costs besides its rays "
         "is shown here as the set-up per call: the least CPU time of one-node calls on three "
         "nodes spread over the skin (one ray included). The per-node time is the least CPU "
         "time of calls over the whole traced set, less that, over the other nodes. "
         "*Whole skin* is what a host waits for one call over every skin node: set-up + skin "
         "nodes × time per node (extrapolated where only a sample was traced).\n\n"
      << "| Part | Mode | Skin nodes | Traced | Set-up per call | Per node | Whole skin | "
         "No crossing |\n|---|---|---:|---:|---:|---:|---:|---:|\n";
    for (const std::string& size : run.sizes())
        for (const std::string& type : run.types())
            for (const char* mode : {"centroid", "exact"}) {
                const Measurement* m =
                    ok(run.find(std::string("set_surface_node.") + mode, type, size));
                if (m == nullptr) continue;
                const double setup = m->counter("setup_ms") * 1e-3;
                const double skin = m->counter("skin_nodes");
                const double noCrossing = m->counter("no_crossing", -1);
                o << "| " << type << "/" << size << " | " << mode << " | " << formatCount(skin)
                  << " | " << formatCount(m->items) << " | " << formatSeconds(setup) << " | "
                  << formatSeconds(m->secondsPerItem) << " | "
                  << formatSeconds(setup + skin * m->secondsPerItem) << " | "
                  << (noCrossing >= 0 ? formatCount(noCrossing) + " of " + formatCount(m->items)
                                      : std::string("–"))
                  << " |\n";
            }
    o << "\n";
}

void beforeAfterSection(std::ostringstream& o, const RunResults& run) {
    std::ostringstream stages, skins;
    for (const std::string& size : run.sizes())
        for (const std::string& type : run.types()) {
            for (const BeforeAfter& pair : beforeAfterPairs()) {
                const Measurement* before = ok(run.find(pair.before, type, size));
                const Measurement* after = ok(run.find(pair.after, type, size));
                if (before == nullptr || after == nullptr) continue;
                stages << "| " << type << "/" << size << " | " << pair.title << " | " << pair.item
                       << " | " << formatSeconds(before->secondsPerItem) << " | "
                       << formatSeconds(after->secondsPerItem) << " | "
                       << formatRatio(ratio(before, after)) << " |\n";
            }
            const Measurement* before =
                ok(run.find("straightforward.set_surface_node.centroid", type, size));
            const Measurement* after = ok(run.find("set_surface_node.centroid", type, size));
            if (before == nullptr || after == nullptr) continue;
            const Measurement* embree = run.find("anchor.embree_ray", type, size);
            const double setup = after->counter("setup_ms") * 1e-3;
            const double skin = after->counter("skin_nodes");
            const double wholeBefore = setup + skin * before->secondsPerItem;
            const double wholeAfter = setup + skin * after->secondsPerItem;
            skins << "| " << type << "/" << size << " | " << formatCount(skin) << " | "
                  << formatSeconds(setup) << " | " << formatSeconds(wholeBefore) << " | "
                  << formatSeconds(wholeAfter) << " | "
                  << formatRatio(wholeAfter > 0 ? wholeBefore / wholeAfter : 0.0) << " | "
                  << formatRatio(ratio(before, embree)) << " | "
                  << formatRatio(ratio(after, embree)) << " |\n";
        }
    if (stages.str().empty()) return;
    o << "## Before and after\n\n"
      << "The straightforward code that the faster search and extraction replaced is kept as "
         "the reference of the bit-for-bit tests (`tests/perf_oracle/straightforward`) and "
         "timed in the same run, on the same parts, boxes and rays: the tree's own search for "
         "every box; one tree query per MinMesh step of a ray, the ids gathered in an ordered "
         "set; per skin node that walk, the nearest centroid-plane crossing and the nearest "
         "cell centroid of each sample point, as `SetSurfaceNode` traced a node in the default "
         "mode; a new element object for every component of every sample point in "
         "`GetFiber`. Before the first timing on a part, each pair is checked to give the same "
         "answers on these inputs (the same lists in the same order, ray records and fibre "
         "values bit for bit); a pair that disagrees is skipped and named at the end of the "
         "page. The straightforward `SetSurfaceNode` traces the "
      << contextOr(run, "qvr_ray_sample", "?")
      << " rays of the ray sample (it costs up to a millisecond per node), the library the "
         "rays of the parts table; `GetFiber` reads the same exact-mode rays both "
         "ways.\n\n"
      << "| Part | Stage | Item | Straightforward | Library | Speed-up |\n"
         "|---|---|---|---:|---:|---:|\n"
      << stages.str() << "\n";
    if (skins.str().empty()) return;
    o << "`SetSurfaceNode` over the whole skin in the default mode, both ways: set-up per call "
         "+ skin nodes × time per node. The set-up is the library's on both sides (measured "
         "above; the straightforward code has none of its own). The last two columns set the "
         "time per node against an Embree ray on the same skin rays (see the anchors "
         "below).\n\n"
      << "| Part | Skin nodes | Set-up per call | Whole skin, straightforward | Whole skin, "
         "library | Speed-up | Straightforward / Embree ray | Library / Embree ray |\n"
         "|---|---:|---:|---:|---:|---:|---:|---:|\n"
      << skins.str() << "\n";
}

void ratioSection(std::ostringstream& o, const RunResults& run) {
    o << "## Ratios to the anchors\n\n"
      << "Time per item of the stage over that of an anchor doing the same work on the same "
         "data in the same process. **These ratios, not the absolute times, are what to compare "
         "across machines and runs**: load, clock speed and cache sizes move both sides "
         "alike.\n\n| Ratio |";
    const std::vector<std::pair<std::string, std::string>> parts = run.parts();
    for (const auto& [type, size] : parts) o << ' ' << type << "/" << size << " |";
    o << "\n|---|";
    for (std::size_t i = 0; i < parts.size(); ++i) o << "---:|";
    o << "\n";
    for (const AnchorRatio& r : anchorRatios()) {
        std::ostringstream row;
        bool any = false;
        row << "| " << r.title << " |";
        for (const auto& [type, size] : parts) {
            const double q = ratio(run.find(r.stage, type, size), run.find(r.anchor, type, size));
            any = any || q > 0;
            row << ' ' << formatRatio(q) << " |";
        }
        if (any) o << row.str() << "\n";
    }
    o << "\nThe anchors:\n\n"
      << "- *Brute-force scan*: every query box tested against every box the tree holds (the "
         "same enlarged single-precision boxes, the same touching rule); its found counts are "
         "checked against `SearchNearBlockID` for every query before timing.\n"
      << "- *R-tree*: Boost.Geometry's `rtree` (R*-tree, 16 entries per node) bulk-loaded from "
         "the same boxes; its build is set against `InitialzeSearch` (which also computes the "
         "element boxes, the overall box, MinMesh and the average thickness), its queries "
         "against `SearchNearBlockID` (found counts checked the same way).\n"
      << "- *Embree ray*: Embree 3 on one thread, single rays, watertight triangle test "
         "(`RTC_SCENE_FLAG_ROBUST`), the first hit of the same inward rays on the skin "
         "triangles (quadrilaterals split in two). It answers less than `SetSurfaceNode` "
         "(no solid cells, no sample points), so the ratio is the headroom of the ray part, "
         "not a like-for-like race. ";
    for (const std::string& size : run.sizes())
        for (const std::string& type : run.types()) {
            const Measurement* e = ok(run.find("anchor.embree_ray", type, size));
            if (e == nullptr) continue;
            char text[160];
            std::snprintf(text, sizeof text,
                          "%s/%s: %.1f%% of the rays hit, scene built in %.1f ms. ", type.c_str(),
                          size.c_str(), 100.0 * e->counter("hit_fraction"),
                          e->counter("scene_build_ms"));
            o << text;
        }
    o << "\n\n";
}

void memorySection(std::ostringstream& o, const RunResults& run, const MemoryTable& memory) {
    if (memory.rows.empty()) return;
    o << "## Peak memory per stage\n\n"
      << "How far the resident set rose above its level at the start of the stage (freed heap "
         "pages handed back first), measured by `qvr_bench_memory` in a process of its own that "
         "runs each stage once, in a host's order, on the same parts and rays. In brackets: "
         "what the stage still holds after it returned.\n\n| Stage |";
    std::vector<std::string> parts;
    for (const auto& [type, size] : run.parts()) parts.push_back(type + "/" + size);
    for (const std::string& p : parts) o << ' ' << p << " |";
    o << "\n|---|";
    for (std::size_t i = 0; i < parts.size(); ++i) o << "---:|";
    o << "\n";
    std::vector<std::pair<std::string, std::string>> stages;
    for (const StageInfo& s : libraryStages()) {
        if (std::string(s.stage) == "set_surface_node.centroid")
            stages.push_back({"tool_load", "`SetMeshFileName` + `SetK7TFileName`"});
        stages.push_back({s.stage, s.title});
    }
    std::string method;
    for (const auto& [stage, title] : stages) {
        std::ostringstream row;
        bool any = false;
        row << "| " << title << " |";
        for (const std::string& p : parts) {
            const StageMemoryRow* m = memory.find(p, stage);
            any = any || m != nullptr;
            if (m) method = m->method;
            row << ' '
                << (m ? formatKiB(m->peakKiB) + " (" + formatKiB(m->retainedKiB) + ")"
                      : std::string("–"))
                << " |";
        }
        if (any) o << row.str() << "\n";
    }
    std::ostringstream footprint;
    bool anyFootprint = false;
    footprint << "| **Loaded and indexed mesh, bytes per cell**: held (peak) |";
    for (const std::string& p : parts) {
        const MeshFootprint f = loadedMeshFootprint(memory, p);
        anyFootprint = anyFootprint || f.heldBytesPerCell > 0;
        footprint << ' '
                  << (f.heldBytesPerCell > 0 ? formatCount(f.heldBytesPerCell) + " (" +
                                                   formatCount(f.peakBytesPerCell) + ")"
                                             : std::string("–"))
                  << " |";
    }
    if (anyFootprint)
        o << footprint.str()
          << "\n\n*Loaded and indexed mesh*: what `ReadMeshData` (binary mesh) and "
             "`InitialzeSearch` still hold after they returned, divided by the part's cell "
             "count; in brackets the highest resident set on the way there (the load's own "
             "peak, or what the load holds plus the set-up's peak, whichever is higher), per "
             "cell as well.\n";
    if (method == "process-peak")
        o << "\nThis system could not reset the peak between stages: a stage whose peak stayed "
             "below an earlier one shows 0.\n";
    o << "\n";
}

}  // namespace

std::string markdownPage(const RunResults& run, const MemoryTable& memory, const RunInfo& info) {
    // The run's files share the JSON file's name without its extension.
    std::string stem = info.resultsFile;
    if (stem.size() > 5 && stem.compare(stem.size() - 5, 5, ".json") == 0)
        stem.resize(stem.size() - 5);
    std::ostringstream o;
    o << "# Performance\n\n"
      << "<!-- Written by bench/run.sh through qvr_bench_report (bench/make_report.cpp); the "
         "last section comes from bench/performance-notes.md. Edit those, not this page. -->\n\n"
      << "Measured " << info.date << " at commit `" << info.commit << "`"
      << (info.quick ? " (quick run: the smaller parts only)" : "") << ", on "
      << contextOr(run, "num_cpus", "?") << " CPUs at " << contextOr(run, "mhz_per_cpu", "?")
      << " MHz. Load average " << info.loadStart << " (1, 5, 15 min) when the run began and "
      << info.loadEnd << " when it ended; "
      << (wallOverCpu(run) > kSharedWallOverCpu
              ? "the machine was shared, so the benchmark's thread ran only part of the wall "
                "time (wall time was on average "
              : "the benchmark's thread had a core to itself nearly all the time (wall time was "
                "on average ")
      << formatRatio(wallOverCpu(run)) << " the CPU time). The whole run took "
      << static_cast<int>(std::round(info.minutes)) << " min. Raw results: `" << stem
      << ".csv` (one line per benchmark, its fastest "
         "repetition) and `"
      << stem
      << "-memory.csv`; the run also wrote the full Google "
         "Benchmark output, `"
      << stem
      << ".json`, which is too large to keep in the "
         "repository.\n\n"
      << "Run it again with `bench/run.sh` (all parts) or `bench/run.sh --quick` (no 10^6-cell "
         "parts); it builds `build-bench/` in Release, runs the suite and the memory probe, and "
         "rewrites this page and its chart.\n\n"
      << "## Reading the numbers\n\n"
      << "- Times are **CPU time** of the benchmark's thread per item (per cell, query, ray, "
         "skin node, sample point or skin face, as each row says). On a loaded machine the wall "
         "time also holds the waits for a core; CPU time does not, and is what the code costs. "
         "Each benchmark ran three times and the fastest run stands in the tables (the set-up "
         "and rays of `SetSurfaceNode` take the least of several calls instead).\n"
      << "- **Compare ratios, not absolute times, across machines.** The anchors run in the "
         "same process on the same data; their ratios move far less between machines and "
         "loads than the times do.\n"
      << "- Meshes are read right after they were written, from the page cache: loading "
         "measures parsing and table building, not the disk.\n"
      << "- Per-ray stages (`FindPassElemByAnyRay` and the Embree anchor) use "
      << contextOr(run, "qvr_ray_sample", "?")
      << " rays from skin nodes spread evenly over the node numbering (all nodes when there are "
         "fewer); `SetSurfaceNode` runs over every skin node of parts up to "
      << contextOr(run, "qvr_full_skin_cell_limit", "?") << " cells and over "
      << contextOr(run, "qvr_surface_node_sample", "?")
      << " evenly spread skin nodes on larger ones, as the parts table says. Ray directions "
         "are the negated `ComputeNodeSurfaceNormal` vectors. `GetFiber` reads the "
      << contextOr(run, "qvr_layers", "?")
      << " sample points of each sampled ray, traced in the exact mode when the tool has it.\n"
      << "- Box queries: " << contextOr(run, "qvr_queries", "?")
      << " cubes of side MinMesh centred on pseudo-random cell centroids (fixed seed).\n\n";
    partsSection(o, run, info);
    timeTables(o, run);
    surfaceNodeSection(o, run);
    beforeAfterSection(o, run);
    ratioSection(o, run);
    rayTargetsSection(o, run, memory);
    memorySection(o, run, memory);
    o << "## Scaling\n\n![Time per item against cell count, log-log](" << info.chartFile
      << ")\n\nTime per item against the part's cell count, both axes logarithmic: a flat line "
         "scales linearly in the number of items; a rising one costs more per item as the mesh "
         "grows.\n\n";
    for (const Measurement& m : run.measurements)
        if (!m.error.empty())
            o << "- Skipped: `" << m.stage << "/" << m.part() << "`: " << m.error << "\n";
    if (!info.notes.empty()) o << info.notes << (info.notes.back() == '\n' ? "" : "\n");
    return o.str();
}

std::string scalingChartSvg(const RunResults& run) {
    LogLogChart chart;
    chart.title = "Time per item against mesh size";
    chart.xTitle = "cells in the part";
    chart.yTitle = "CPU time per item";
    chart.xLabel = [](double x) {
        const int e = static_cast<int>(std::lround(std::log10(x)));
        if (e >= 6) return std::to_string(static_cast<long long>(std::lround(x / 1e6))) + "M";
        if (e >= 3) return std::to_string(static_cast<long long>(std::lround(x / 1e3))) + "k";
        return std::to_string(static_cast<long long>(std::lround(x)));
    };
    chart.yLabel = [](double y) {
        // Decades only: 1, 10 or 100 of ns, µs, ms or s.
        const int e = static_cast<int>(std::lround(std::log10(y)));
        static const char* const units[] = {"ns", "µs", "ms", "s"};
        const int unit = std::clamp((e + 9) / 3 - (e + 9 < 0 ? 1 : 0), 0, 3);
        const int rest = e - (3 * unit - 9);
        long long value = 1;
        for (int i = 0; i < rest; ++i) value *= 10;
        if (rest < 0) return "1e" + std::to_string(e) + " s";
        return std::to_string(value) + " " + units[unit];
    };
    for (const StageInfo& st : libraryStages()) {
        bool any = false;
        for (const std::string& type : run.types()) {
            Series s;
            s.colour = st.colour;
            s.dash = dashOf(run, type);
            // Distinct parts, not one part at growing sizes: points without a line.
            s.joined = !isMeshPart(type);
            for (const std::string& size : run.sizes())
                if (const Measurement* m = ok(run.find(st.stage, type, size)))
                    s.points.push_back({m->cells, m->secondsPerItem});
            any = any || !s.points.empty();
            chart.series.push_back(s);
        }
        if (any)
            chart.legend.push_back(
                {std::string(st.legend) + " (per " + st.item + ")", st.colour, ""});
    }
    for (const std::string& type : run.types()) {
        if (isMeshPart(type))
            chart.legend.push_back({type + " parts (a ring per part)", "#333", "", true});
        else
            chart.legend.push_back({type + " parts", "#333", dashOf(run, type)});
    }
    return renderSvg(chart);
}

std::string summaryCsv(const RunResults& run) {
    std::ostringstream o;
    o.precision(6);
    o << "stage,type,size,cells,items,cpu_s_per_item,items_per_cpu_s,real_s_per_iteration,"
         "cpu_s_per_iteration,iterations,error\n";
    for (const Measurement& m : run.measurements) {
        o << m.stage << ',' << m.type << ',' << m.size << ',' << m.cells << ',' << m.items << ','
          << m.secondsPerItem << ',' << (m.secondsPerItem > 0 ? 1.0 / m.secondsPerItem : 0.0) << ','
          << m.realSeconds << ',' << m.cpuSeconds << ',' << m.iterations << ','
          << (m.error.empty() ? "" : "\"" + m.error + "\"") << '\n';
    }
    return o.str();
}

}  // namespace qvr::report
