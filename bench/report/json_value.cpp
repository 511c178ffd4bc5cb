#include "json_value.h"

#include <cstdlib>
#include <stdexcept>

namespace qvr::report {

const JsonValue& JsonValue::operator[](const std::string& name) const {
    static const JsonValue none;
    if (kind != Kind::Object) return none;
    const auto it = members.find(name);
    return it == members.end() ? none : it->second;
}

namespace {

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}

    JsonValue document() {
        JsonValue v = value();
        skipBlanks();
        if (pos_ != s_.size()) fail("text after the document");
        return v;
    }
    std::size_t position() const { return pos_; }

private:
    [[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

    void skipBlanks() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t'))
            ++pos_;
    }
    char peek() {
        skipBlanks();
        if (pos_ >= s_.size()) fail("unexpected end");
        return s_[pos_];
    }
    void expect(char c) {
        if (peek() != c) fail(std::string("expected '") + c + "'");
        ++pos_;
    }
    bool word(const char* w) {
        const std::string t(w);
        if (s_.compare(pos_, t.size(), t) != 0) return false;
        pos_ += t.size();
        return true;
    }

    JsonValue value() {
        JsonValue v;
        const char c = peek();
        if (c == '{') {
            v.kind = JsonValue::Kind::Object;
            ++pos_;
            if (peek() == '}') {
                ++pos_;
                return v;
            }
            for (;;) {
                if (peek() != '"') fail("expected a member name");
                std::string name = string();
                expect(':');
                v.members[name] = value();
                if (peek() == ',') {
                    ++pos_;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = JsonValue::Kind::Array;
            ++pos_;
            if (peek() == ']') {
                ++pos_;
                return v;
            }
            for (;;) {
                v.items.push_back(value());
                if (peek() == ',') {
                    ++pos_;
                    continue;
                }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            v.text = string();
            return v;
        }
        if (word("true")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = true;
            return v;
        }
        if (word("false")) {
            v.kind = JsonValue::Kind::Bool;
            return v;
        }
        if (word("null")) return v;
        return number();
    }

    JsonValue number() {
        const char* begin = s_.c_str() + pos_;
        char* end = nullptr;
        const double d = std::strtod(begin, &end);
        if (end == begin) fail("expected a value");
        pos_ += static_cast<std::size_t>(end - begin);
        JsonValue v;
        v.kind = JsonValue::Kind::Number;
        v.number = d;
        return v;
    }

    std::string string() {
        ++pos_;  // the opening quote
        std::string out;
        for (;;) {
            if (pos_ >= s_.size()) fail("unterminated string");
            const char c = s_[pos_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size()) fail("unterminated escape");
            const char e = s_[pos_++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    if (pos_ + 4 > s_.size()) fail("short \\u escape");
                    const long code = std::strtol(s_.substr(pos_, 4).c_str(), nullptr, 16);
                    pos_ += 4;
                    // Benchmark output is ASCII; anything else is kept as a marker.
                    out += code < 128 ? static_cast<char>(code) : '?';
                    break;
                }
                default: out += e;  // \" \\ \/
            }
        }
    }

    const std::string& s_;
    std::size_t pos_ = 0;
};

}  // namespace

bool parseJson(const std::string& document, JsonValue& out, std::string& error) {
    Parser p(document);
    try {
        out = p.document();
        return true;
    } catch (const std::runtime_error& e) {
        error = std::string(e.what()) + " at byte " + std::to_string(p.position());
        return false;
    }
}

}  // namespace qvr::report
