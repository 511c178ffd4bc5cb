#include "results.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "json_value.h"

namespace qvr::report {

double Measurement::counter(const std::string& name, double fallback) const {
    const auto it = counters.find(name);
    return it == counters.end() ? fallback : it->second;
}

const Measurement* RunResults::find(const std::string& stage, const std::string& type,
                                    const std::string& size) const {
    for (const Measurement& m : measurements)
        if (m.stage == stage && m.type == type && m.size == size) return &m;
    return nullptr;
}

namespace {

std::vector<std::string> inOrder(const std::vector<Measurement>& ms,
                                 std::string Measurement::*field) {
    std::vector<std::string> out;
    for (const Measurement& m : ms)
        if (std::find(out.begin(), out.end(), m.*field) == out.end()) out.push_back(m.*field);
    return out;
}

double secondsPerUnit(const std::string& unit) {
    if (unit == "ns") return 1e-9;
    if (unit == "us") return 1e-6;
    if (unit == "ms") return 1e-3;
    return 1.0;
}

// Fields of a benchmark entry that are not user counters.
bool isStandardField(const std::string& name) {
    static const char* const standard[] = {
        "name", "family_index", "per_family_instance_index", "run_name", "run_type",
        "repetitions", "repetition_index", "threads", "iterations", "real_time", "cpu_time",
        "time_unit", "bytes_per_second", "items_per_second", "label", "error_occurred",
        "error_message", "aggregate_name", "aggregate_unit"};
    return std::find(std::begin(standard), std::end(standard), name) != std::end(standard);
}

}  // namespace

std::vector<std::string> RunResults::types() const {
    return inOrder(measurements, &Measurement::type);
}
std::vector<std::string> RunResults::sizes() const {
    return inOrder(measurements, &Measurement::size);
}

bool readResults(const std::string& path, RunResults& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    JsonValue doc;
    if (!parseJson(text.str(), doc, error)) {
        error = path + ": " + error;
        return false;
    }
    const JsonValue& benchmarks = doc["benchmarks"];
    if (benchmarks.kind != JsonValue::Kind::Array) {
        error = path + ": no benchmark list";
        return false;
    }
    for (const auto& [name, value] : doc["context"].members) {
        if (value.kind == JsonValue::Kind::String) out.context[name] = value.text;
        if (value.kind == JsonValue::Kind::Number) {
            std::ostringstream s;
            s << value.number;
            out.context[name] = s.str();
        }
    }
    for (const JsonValue& b : benchmarks.items) {
        if (b["run_type"].textOr("iteration") != "iteration") continue;
        Measurement m;
        std::stringstream name(b["name"].textOr(""));
        std::getline(name, m.stage, '/');
        std::getline(name, m.type, '/');
        std::getline(name, m.size, '/');
        const double unit = secondsPerUnit(b["time_unit"].textOr("ns"));
        m.realSeconds = b["real_time"].numberOr(0) * unit;
        m.cpuSeconds = b["cpu_time"].numberOr(0) * unit;
        m.iterations = b["iterations"].numberOr(0);
        for (const auto& [field, value] : b.members)
            if (!isStandardField(field) && value.kind == JsonValue::Kind::Number)
                m.counters[field] = value.number;
        m.items = m.counter("items");
        m.cells = m.counter("cells");
        if (b["error_occurred"].boolean) m.error = b["error_message"].textOr("skipped");
        // Benchmarks that time themselves say how long the items alone took (ray_ms).
        const double perIteration = m.counter("manual_cpu") != 0
                                        ? m.counter("ray_ms", m.realSeconds * 1e3) * 1e-3
                                        : m.cpuSeconds;
        m.secondsPerItem = m.items > 0 ? perIteration / m.items : 0.0;
        // Repetitions of one benchmark: the fastest stands for it (the least disturbed).
        auto same = std::find_if(out.measurements.begin(), out.measurements.end(),
                                 [&m](const Measurement& o) {
                                     return o.stage == m.stage && o.type == m.type &&
                                            o.size == m.size;
                                 });
        if (same == out.measurements.end()) {
            out.measurements.push_back(m);
        } else if (!m.error.empty()) {
            if (same->error.empty()) *same = m;  // a failed repetition fails the benchmark
        } else if (same->error.empty() && m.secondsPerItem < same->secondsPerItem) {
            *same = m;
        }
    }
    return true;
}

}  // namespace qvr::report
