// A small JSON reader for Google Benchmark's output: enough of the format for that file
// (objects, arrays, strings with escapes, numbers, true, false, null).
#ifndef QVR_BENCH_REPORT_JSON_VALUE_H
#define QVR_BENCH_REPORT_JSON_VALUE_H

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qvr::report {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    // The member `name`, or a null value when there is none (or this is not an object).
    const JsonValue& operator[](const std::string& name) const;
    double numberOr(double fallback) const { return kind == Kind::Number ? number : fallback; }
    std::string textOr(const std::string& fallback) const {
        return kind == Kind::String ? text : fallback;
    }
};

// Parses a whole document; false with a message (and its byte offset) in `error`.
bool parseJson(const std::string& document, JsonValue& out, std::string& error);

}  // namespace qvr::report

#endif
