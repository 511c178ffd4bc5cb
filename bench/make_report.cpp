// Writes the performance page, its chart and the CSV summary from one run of the suite.
//   qvr_bench_report --json=<results.json> --memory=<memory.csv> --csv=<summary.csv>
//                    --page=<performance.md> --chart=<performance-scaling.svg>
//                    [--notes=<notes.md>] [--date=...] [--commit=...] [--load-start=...]
//                    [--load-end=...] [--minutes=...] [--quick] [--parts-note=...]
// The page refers to the chart by its file name, so both belong in the same folder.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "report/memory_table.h"
#include "report/report_writer.h"
#include "report/results.h"

namespace {

// Writes beside the target under a temporary name and renames it over the target once complete,
// so that an interrupted run leaves the last page whole rather than half written.
bool writeFile(const std::string& path, const std::string& text) {
    const std::filesystem::path target(path);
    std::filesystem::path temporary = target;
    // Built piece by piece: GCC 12 warns falsely (-Wrestrict) on "literal" + std::string&&.
    std::string name = ".";
    name += target.filename().string();
    name += ".tmp";
    temporary.replace_filename(name);
    {
        std::ofstream out(temporary, std::ios::binary);
        out << text;
        out.close();
        if (!out) {
            std::fprintf(stderr, "qvr_bench_report: cannot write %s\n", temporary.c_str());
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::fprintf(stderr, "qvr_bench_report: cannot replace %s: %s\n", path.c_str(),
                     error.message().c_str());
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

// Whether two paths name the same file (or would, once created).
bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    const auto ca = std::filesystem::weakly_canonical(a, error);
    if (error) return false;
    const auto cb = std::filesystem::weakly_canonical(b, error);
    return !error && ca == cb;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const std::size_t eq = a.find('=');
        if (a.rfind("--", 0) != 0) {
            std::fprintf(stderr, "qvr_bench_report: unexpected argument %s\n", a.c_str());
            return 2;
        }
        args[a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2)] =
            eq == std::string::npos ? "1" : a.substr(eq + 1);
    }
    for (const char* required : {"json", "csv", "page", "chart"})
        if (args[required].empty()) {
            std::fprintf(stderr, "qvr_bench_report: --%s is required\n", required);
            return 2;
        }

    // No output may replace an input (or another output).
    const char* const inputs[] = {"json", "memory", "notes"};
    const char* const outputs[] = {"csv", "page", "chart"};
    for (const char* output : outputs) {
        for (const char* input : inputs)
            if (!args[input].empty() && sameFile(args[output], args[input])) {
                std::fprintf(stderr, "qvr_bench_report: --%s names the --%s file %s\n", output,
                             input, args[input].c_str());
                return 2;
            }
        for (const char* other : outputs)
            if (other != output && sameFile(args[output], args[other])) {
                std::fprintf(stderr, "qvr_bench_report: --%s and --%s name the same file\n", output,
                             other);
                return 2;
            }
    }

    qvr::report::RunResults run;
    std::string error;
    if (!qvr::report::readResults(args["json"], run, error)) {
        std::fprintf(stderr, "qvr_bench_report: %s\n", error.c_str());
        return 1;
    }
    const qvr::report::MemoryTable memory = qvr::report::readMemoryTable(args["memory"]);

    qvr::report::RunInfo info;
    info.date = args["date"];
    info.commit = args["commit"];
    info.loadStart = args["load-start"];
    info.loadEnd = args["load-end"];
    info.minutes = std::atof(args["minutes"].c_str());
    info.quick = !args["quick"].empty();
    info.partsNote = args["parts-note"];
    info.resultsFile = args["results-name"].empty() ? args["json"] : args["results-name"];
    info.chartFile = std::filesystem::path(args["chart"]).filename().string();
    if (!args["notes"].empty()) info.notes = readFile(args["notes"]);

    const bool ok = writeFile(args["csv"], qvr::report::summaryCsv(run)) &&
                    writeFile(args["chart"], qvr::report::scalingChartSvg(run)) &&
                    writeFile(args["page"], qvr::report::markdownPage(run, memory, info));
    return ok ? 0 : 1;
}
