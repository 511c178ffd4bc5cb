#include "results.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

namespace qvr::report {

using Json = nlohmann::json;

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
    static const char* const standard[] = {"name",
                                           "family_index",
                                           "per_family_instance_index",
                                           "run_name",
                                           "run_type",
                                           "repetitions",
                                           "repetition_index",
                                           "threads",
                                           "iterations",
                                           "real_time",
                                           "cpu_time",
                                           "time_unit",
                                           "bytes_per_second",
                                           "items_per_second",
                                           "label",
                                           "error_occurred",
                                           "error_message",
                                           "aggregate_name",
                                           "aggregate_unit"};
    return std::find(std::begin(standard), std::end(standard), name) != std::end(standard);
}

// Google Benchmark writes a counter that is not finite as a bare NaN or Infinity, which JSON
// does not allow. Those words (outside strings) become marked strings that asNumber() reads
// back as the value they stood for. The mark is a control character, which a string of
// benchmark output never holds unescaped; in the rewritten text it is the escape \u0001.
constexpr const char* kNonFiniteMark = "\x01";
constexpr const char* kNonFiniteMarkEscaped = "\\u0001";

std::string quoteNonFiniteNumbers(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            out += c;
            if (c == '\\' && i + 1 < text.size())
                out += text[++i];
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') inString = true;
        bool replaced = false;
        for (const char* word : {"-Infinity", "Infinity", "-NaN", "NaN"}) {
            if (text.compare(i, std::char_traits<char>::length(word), word) == 0) {
                out += std::string("\"") + kNonFiniteMarkEscaped + word + "\"";
                i += std::char_traits<char>::length(word) - 1;
                replaced = true;
                break;
            }
        }
        if (!replaced) out += c;
    }
    return out;
}

bool isNumber(const Json& v) {
    return v.is_number() ||
           (v.is_string() && v.get_ref<const std::string&>().rfind(kNonFiniteMark, 0) == 0);
}

double asNumber(const Json& v) {
    if (v.is_number()) return v.get<double>();
    const std::string& s = v.get_ref<const std::string&>();
    const bool negative = s.size() > 1 && s[1] == '-';
    const double magnitude = s.find("NaN") != std::string::npos
                                 ? std::numeric_limits<double>::quiet_NaN()
                                 : std::numeric_limits<double>::infinity();
    return negative ? -magnitude : magnitude;
}

// The member `name` of an object, or null when absent (or `v` is no object).
const Json& member(const Json& v, const char* name) {
    static const Json none;
    if (!v.is_object()) return none;
    const auto it = v.find(name);
    return it == v.end() ? none : *it;
}

double numberOr(const Json& v, double fallback) { return isNumber(v) ? asNumber(v) : fallback; }

std::string textOr(const Json& v, const std::string& fallback) {
    return v.is_string() && !isNumber(v) ? v.get<std::string>() : fallback;
}

}  // namespace

std::vector<std::string> RunResults::types() const {
    return inOrder(measurements, &Measurement::type);
}
std::vector<std::string> RunResults::sizes() const {
    return inOrder(measurements, &Measurement::size);
}

bool RunResults::measured(const std::string& type, const std::string& size) const {
    return std::any_of(measurements.begin(), measurements.end(),
                       [&](const Measurement& m) { return m.type == type && m.size == size; });
}

std::vector<std::string> RunResults::sizesOf(const std::string& type) const {
    std::vector<std::string> out;
    for (const std::string& size : sizes())
        if (measured(type, size)) out.push_back(size);
    return out;
}

std::vector<std::pair<std::string, std::string>> RunResults::parts() const {
    std::vector<std::pair<std::string, std::string>> out;
    const std::vector<std::string> allTypes = types();
    for (const std::string& size : sizes())
        for (const std::string& type : allTypes)
            if (measured(type, size)) out.push_back({type, size});
    return out;
}

bool readResults(const std::string& path, RunResults& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    const Json doc = Json::parse(quoteNonFiniteNumbers(text.str()), nullptr, false);
    if (doc.is_discarded()) {
        error = path + ": not a JSON document";
        return false;
    }
    const Json& benchmarks = member(doc, "benchmarks");
    if (!benchmarks.is_array()) {
        error = path + ": no benchmark list";
        return false;
    }
    const Json& context = member(doc, "context");
    if (context.is_object()) {
        for (const auto& [name, value] : context.items()) {
            if (isNumber(value)) {
                std::ostringstream s;
                s << asNumber(value);
                out.context[name] = s.str();
            } else if (value.is_string()) {
                out.context[name] = value.get<std::string>();
            }
        }
    }
    for (const Json& b : benchmarks) {
        if (textOr(member(b, "run_type"), "iteration") != "iteration") continue;
        Measurement m;
        std::stringstream name(textOr(member(b, "name"), ""));
        std::getline(name, m.stage, '/');
        std::getline(name, m.type, '/');
        std::getline(name, m.size, '/');
        const double unit = secondsPerUnit(textOr(member(b, "time_unit"), "ns"));
        m.realSeconds = numberOr(member(b, "real_time"), 0) * unit;
        m.cpuSeconds = numberOr(member(b, "cpu_time"), 0) * unit;
        m.iterations = numberOr(member(b, "iterations"), 0);
        if (b.is_object())
            for (const auto& [field, value] : b.items())
                if (!isStandardField(field) && isNumber(value)) m.counters[field] = asNumber(value);
        m.items = m.counter("items");
        m.cells = m.counter("cells");
        const Json& failed = member(b, "error_occurred");
        if (failed.is_boolean() && failed.get<bool>())
            m.error = textOr(member(b, "error_message"), "skipped");
        // Benchmarks that time themselves say how long the items alone took (ray_ms).
        const double perIteration = m.counter("manual_cpu") != 0
                                        ? m.counter("ray_ms", m.realSeconds * 1e3) * 1e-3
                                        : m.cpuSeconds;
        m.secondsPerItem = m.items > 0 ? perIteration / m.items : 0.0;
        // Repetitions of one benchmark: the fastest stands for it (the least disturbed).
        auto same = std::find_if(
            out.measurements.begin(), out.measurements.end(), [&m](const Measurement& o) {
                return o.stage == m.stage && o.type == m.type && o.size == m.size;
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
